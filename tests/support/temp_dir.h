// A fresh directory of a test's own under the system's temporary directory, made with
// a name no one else can take (created exclusively under a random name) and removed with everything in it at the end
// of its scope, even where a test took the owner's permissions away.
#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace raidmon::test {

class TempDir {
 public:
  // The directory's name starts with `prefix` (which names the test in a left-over).
  explicit TempDir(std::string_view prefix = "raidmon") {
    namespace fs = std::filesystem;
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = std::string(prefix) + "_";
      for (int i = 0; i < 10; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
      std::error_code ec;
      // Owner-only, as a directory other users could write into invites them in.
      if (fs::create_directory(base / name, ec) && !ec) {
        path_ = base / name;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::replace, ec);
        return;
      }
      if (ec && ec != std::errc::file_exists) break;
    }
    throw std::runtime_error("cannot create a temporary directory under " + base.string());
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
