#include "platform/nt_storage_stack.h"

namespace raidmon {

// No NT storage stack here: the program reaches a controller only through the
// emulator (in process or behind k4emu's socket).
std::unique_ptr<NtStorageStack> systemNtStorageStack() { return nullptr; }

}  // namespace raidmon
