#include "monitor/config_files.h"

#include "platform/profile_ini.h"
#include "platform/raidmon_error.h"
#include "platform/strict_int.h"

namespace raidmon {

namespace {

constexpr std::string_view kRebuildSection = "Rebuild";
constexpr std::string_view kAutoRebuildKey = "Auto Rebuild";
constexpr std::string_view kFlashSection = "Flash";
constexpr std::string_view kInitialKey = "Initial";
constexpr std::string_view kOemSection = "OEM";

std::string_view booleanText(bool value) { return value ? "1" : "0"; }

// Any non-zero whole number is true; a missing key or a value that is not a whole
// number gives the default.
bool readBoolean(const std::string& fileName, std::string_view section, std::string_view key,
                 bool fallback) {
  const auto text = getPrivateProfileString(fileName, section, key);
  if (!text) return fallback;
  const auto number = parseWholeNumber(*text);
  return number ? *number != 0 : fallback;
}

std::string readString(const std::string& fileName, std::string_view section, std::string_view key,
                       std::string_view fallback) {
  return getPrivateProfileString(fileName, section, key).value_or(std::string(fallback));
}

}  // namespace

ConfigLoadResult loadConfiguration(const std::string& programDir) {
  const std::string fileName = programDir + std::string(kMainIniName);
  ConfigLoadResult result;

  // After the first refused write the load keeps reading but attempts no more writes.
  const auto writeBack = [&](std::string_view section, std::string_view key, bool value) {
    if (result.writeError) return;
    try {
      writePrivateProfileString(fileName, section, key, booleanText(value));
    } catch (const RaidmonError& error) {
      result.writeError = error.what();
    }
  };

  // A file that is there but cannot be read is not a first start: its stored values are
  // unknown. Say so, leave it alone, and keep automatic rebuild off, so a stored
  // "Auto Rebuild=0" never turns into rebuilds over a drive.
  if (readProfileFile(fileName).state == ProfileFileState::kUnreadable) {
    result.readError = profileReadErrorText(fileName);
    result.autoRebuild = false;
    result.texts.logoFile = programDir + std::string(kDefaultLogoName);
    return result;
  }

  result.autoRebuild = readBoolean(fileName, kRebuildSection, kAutoRebuildKey, true);
  writeBack(kRebuildSection, kAutoRebuildKey, result.autoRebuild);

  result.flashInitial = readBoolean(fileName, kFlashSection, kInitialKey, false);
  writeBack(kFlashSection, kInitialKey, result.flashInitial);
  result.flashOption = false;  // whatever "Initial" holds

  IdentificationTexts& texts = result.texts;
  texts.company = readString(fileName, kOemSection, "Company", kDefaultCompany);
  texts.product = readString(fileName, kOemSection, "Product", kDefaultProduct);
  texts.homepage = readString(fileName, kOemSection, "Homepage", kDefaultHomepage);
  texts.guiVersion = readString(fileName, kOemSection, "GUI_VERSION", kDefaultGuiVersion);
  texts.logoFile =
      readString(fileName, kOemSection, "C_Logo", programDir + std::string(kDefaultLogoName));
  return result;
}

AutoRebuildToggle toggleAutoRebuild(const std::string& programDir, bool currentlyChecked) {
  const bool checked = !currentlyChecked;
  try {
    writePrivateProfileString(programDir + std::string(kToggleIniName), kRebuildSection,
                              kAutoRebuildKey, booleanText(checked));
  } catch (const RaidmonError& error) {
    return {currentlyChecked, error.what()};
  }
  return {checked, std::nullopt};
}

}  // namespace raidmon
