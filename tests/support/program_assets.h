// A program directory for widget tests: the skins and indicator animations the build
// put beside the test program, copied into a directory of the test's own.
#pragma once

#include <filesystem>
#include <string>

#include "platform/program_dir.h"

namespace raidmon::test {

// Copies skins/, the s_*.gif lamps and tavrix.ico (and C_Logo.Bmp when `logo`) from
// the program directory into `dir`.
inline void copyBuiltAssets(const std::filesystem::path& dir, bool logo = false) {
  namespace fs = std::filesystem;
  const fs::path built = programDirectory();
  fs::copy(built / "skins", dir / "skins", fs::copy_options::recursive);
  for (const auto& entry : fs::directory_iterator(built)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("s_", 0) == 0 || name == "tavrix.ico" || (logo && name == "C_Logo.Bmp")) {
      fs::copy(entry.path(), dir / name);
    }
  }
}

}  // namespace raidmon::test
