// What the file system under the temporary directory can do, for tests of behaviour
// that only some systems have (Wine, for one, makes no symbolic links).
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

namespace raidmon::test {

// Whether a symbolic link can be made there (tried once per program).
inline bool canMakeSymlinks() {
  static const bool can = [] {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path probe =
        fs::temp_directory_path(ec) / ("raidmon_symlink_probe_" + std::to_string(std::hash<std::string>{}(
                                                                      fs::current_path(ec).string())));
    fs::remove(probe, ec);
    fs::create_symlink("target", probe, ec);
    const bool made = !ec;
    fs::remove(probe, ec);
    return made;
  }();
  return can;
}

}  // namespace raidmon::test
