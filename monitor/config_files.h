// The monitor's persistent settings: "QZ133.ini" read (and partly written back) at
// start-up, "Tavrix.ini" written by the "Auto Rebuild Check" command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace raidmon {

inline constexpr std::string_view kMainIniName = "QZ133.ini";
inline constexpr std::string_view kToggleIniName = "Tavrix.ini";
inline constexpr std::string_view kDefaultCompany = "Korvane";
inline constexpr std::string_view kDefaultProduct = "Tavrix K4";
inline constexpr std::string_view kDefaultHomepage = "http://www.korvane.example";
inline constexpr std::string_view kDefaultGuiVersion = "GUI Version : NX 1.00B";
inline constexpr std::string_view kDefaultLogoName = "C_Logo.Bmp";

// The identification texts the About page shows, and the logo file name.
struct IdentificationTexts {
  std::string company{kDefaultCompany};
  std::string product{kDefaultProduct};
  std::string homepage{kDefaultHomepage};
  std::string guiVersion{kDefaultGuiVersion};
  std::string logoFile;  // program directory + "C_Logo.Bmp" unless configured
};

struct ConfigLoadResult {
  bool autoRebuild = true;    // check mark of Auto_Rebuild_Option (true = automatic rebuild on)
  bool flashInitial = false;  // [Flash] Initial as read (written back unchanged)
  bool flashOption = false;   // the flash option flag: every load sets it to false
  IdentificationTexts texts;
  // "Unable to write to <file>" when the program directory refused a write. The load
  // still reads every value (defaults where missing) and attempts no further writes,
  // so the caller shows this once and goes on.
  std::optional<std::string> writeError;
  // "Unable to read <file>" when "QZ133.ini" exists but cannot be read. The load then
  // writes nothing, gives the defaults except that automatic rebuild is off.
  std::optional<std::string> readError;
};

// Loads "QZ133.ini" from `programDir` (which ends in a path separator), in the order:
// [Rebuild] Auto Rebuild (default true, written back as 1/0), [Flash] Initial (default
// false, written back), [OEM] Company, Product, Homepage, GUI_VERSION, C_Logo.
// Never throws for file problems: a missing file gives the defaults; one that exists
// but cannot be read sets readError (see there).
ConfigLoadResult loadConfiguration(const std::string& programDir);

struct AutoRebuildToggle {
  bool checked = false;                   // the command's new check mark
  std::optional<std::string> writeError;  // set when "Tavrix.ini" could not be written;
                                          // the check mark is then left as it was
};

// Auto_Rebuild_OptionClick: writes [Rebuild] Auto Rebuild = 0 when the command is
// checked (and unchecks it), else 1 (and checks it), into "Tavrix.ini".
AutoRebuildToggle toggleAutoRebuild(const std::string& programDir, bool currentlyChecked);

}  // namespace raidmon
