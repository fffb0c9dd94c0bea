// The bridge library's load and unload on ELF systems: constructor and destructor.
#include <cstdlib>

#include "aspilink/bridge_state.h"

namespace raidmon::bridge {
namespace {

// Runs when the library is loaded (with the program, or by dlopen). There is no way to
// refuse a load here, so a library that cannot attach ends the process, as a failed
// load does at start-up.
__attribute__((constructor)) void processAttach() {
  if (!attachProcess()) std::_Exit(EXIT_FAILURE);
}

__attribute__((destructor)) void processDetach() { detachProcess(); }

}  // namespace
}  // namespace raidmon::bridge
