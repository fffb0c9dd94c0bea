#include "platform/os_family.h"

namespace raidmon {

std::uint8_t systemOsFamily() { return kOsFamilyNt; }

}  // namespace raidmon
