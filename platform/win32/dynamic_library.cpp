#include "platform/dynamic_library.h"

#include <windows.h>

namespace raidmon {

void* openLibrary(const std::string& path, std::string& error) {
  // Only the given path and the system's own directories are searched for the
  // library's dependencies; no error dialog stops a service that has no one to see it.
  const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const HMODULE library = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD why = library ? 0 : GetLastError();
  SetErrorMode(previousMode);
  if (library == nullptr) error = "cannot load " + path + ": system error " + std::to_string(why);
  return reinterpret_cast<void*>(library);
}

void* librarySymbol(void* library, const char* name) {
  if (library == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(void* library) {
  if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace raidmon
