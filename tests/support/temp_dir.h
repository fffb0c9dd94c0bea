// A fresh directory of a test's own under the system's temporary directory, made with
// a name no one else can take (mkdtemp) and removed with everything in it at the end
// of its scope, even where a test took the owner's permissions away.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace raidmon::test {

class TempDir {
 public:
  // The directory's name starts with `prefix` (which names the test in a left-over).
  explicit TempDir(std::string_view prefix = "raidmon") {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "_XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
    path_ = pattern;
  }
  ~TempDir() { remove(); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A name inside the directory.
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
  std::string file(std::string_view name) const { return (path_ / name).string(); }
  // The directory with a trailing slash, as the monitor takes its program directory.
  std::string slashed() const { return path_.string() + "/"; }

 private:
  void remove() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::remove_all(path_, ec) != static_cast<std::uintmax_t>(-1) && !ec) return;
    // Something inside was made unreadable or unwritable: give every directory back to
    // its owner, then try again.
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      std::error_code ignored;
      if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
      }
    }
    fs::remove_all(path_, ec);  // what still resists is left behind, never thrown
  }

  std::filesystem::path path_;
};

}  // namespace raidmon::test
