#include "platform/thread_affinity.h"

#include <cstdio>
#include <cstdlib>

namespace raidmon {

void ThreadAffinity::wrongThread(const char* owner) {
  std::fprintf(stderr, "raidmon: %s used off the thread that owns it\n", owner);
  std::abort();
}

}  // namespace raidmon
