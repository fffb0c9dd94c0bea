#include "platform/program_dir.h"

#include <unistd.h>

#include <array>

namespace raidmon {

const char* pathSeparators() { return "/"; }

std::string programDirectory() {
  std::array<char, 4096> buf{};
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  std::string path(buf.data(), static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

}  // namespace raidmon
