// Test helper: loads the bridge library named on the command line, as a program that
// links it would at start, and says whether it got past the load: 0 when it did, 1
// when the load failed (where a failed load ends the process, the library ends it
// with 1 itself).
#include <cstdio>
#include <string>

#include "platform/dynamic_library.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: aspilink_load_check LIBRARY\n", stderr);
    return 64;
  }
  std::string error;
  if (raidmon::openLibrary(argv[1], error) == nullptr) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::puts("loaded");
  return 0;
}
