#include "platform/program_dir.h"

#include <windows.h>

#include <string>

namespace raidmon {

const char* pathSeparators() { return "\\/"; }

// The module file name of the running executable; "./" when it cannot be had (or does
// not fit in the buffer, which the system reports by filling it completely).
std::string programDirectory() {
  std::string path(32768, '\0');
  const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return "./";
  path.resize(n);
  const auto slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

}  // namespace raidmon
