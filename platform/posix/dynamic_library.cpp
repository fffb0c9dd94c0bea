#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace raidmon {

void* openLibrary(const std::string& path, std::string& error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    error = "cannot load " + path + (why ? std::string(": ") + why : std::string());
  }
  return library;
}

void* librarySymbol(void* library, const char* name) { return library ? dlsym(library, name) : nullptr; }

void closeLibrary(void* library) {
  if (library != nullptr) dlclose(library);
}

}  // namespace raidmon
