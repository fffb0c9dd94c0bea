// Test helper: loads the bridge library named on the command line, as a program that
// links it would at start, and says whether it got past the load.
#include <dlfcn.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: aspilink_load_check LIBRARY\n", stderr);
    return 64;
  }
  void* handle = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "dlopen: %s\n", dlerror());
    return 65;
  }
  std::puts("loaded");
  return 0;
}
