#include "skin/skin_file.h"

#include <optional>

#include "platform/input_file.h"
#include "platform/profile_ini.h"
#include "platform/program_dir.h"
#include "platform/raidmon_error.h"
#include "platform/strict_int.h"
#include "skin/skin_fields.h"

namespace raidmon {

namespace {

constexpr std::string_view kBitmapInfo = "BITMAPINFO";
constexpr std::string_view kHotAreaInfo = "HOTAREAINFO";
constexpr std::string_view kDisplayInfo = "DISPLAYINFO";
constexpr std::string_view kTrackBarInfo = "TRACKBARINFO";

// Reads one skin file's keys and says where an error happened.
class SkinReader {
 public:
  SkinReader(std::string_view text, std::string_view fileName) : text_(text), fileName_(fileName) {}

  std::string string(std::string_view section, std::string_view key, std::string_view fallback) const {
    const auto v = readProfileString(text_, section, key);
    return v ? *v : std::string(fallback);
  }

  std::int32_t integer(std::string_view section, std::string_view key, std::int32_t fallback) const {
    const auto v = readProfileString(text_, section, key);
    if (!v) return fallback;
    return convert(*v, section, key);
  }

  std::int32_t count(std::string_view section) const {
    const std::int32_t n = integer(section, "Count", 0);
    if (n < 0) fail(section, "Count", "Count " + std::to_string(n) + " is not a valid number of entries");
    return n;
  }

  // The fields of entry `index`, at least `mandatory` of them.
  std::vector<std::string> entry(std::string_view section, std::int32_t index, std::size_t mandatory) const {
    const std::string key = std::to_string(index);
    const auto v = readProfileString(text_, section, key);
    if (!v) fail(section, key, "the entry is missing");
    std::vector<std::string> fields = SplitSkinFields(*v);
    if (fields.size() < mandatory) {
      fail(section, key, "List index out of bounds (" + std::to_string(fields.size()) + ")");
    }
    return fields;
  }

  std::int32_t convert(std::string_view field, std::string_view section, std::string_view key) const {
    try {
      return skinInteger(field);
    } catch (const RaidmonError& e) {
      fail(section, key, e.what());
    }
  }

  // A whole number no larger than `limit` either way.
  std::int32_t bounded(std::string_view field, std::int32_t limit, std::string_view section,
                       std::string_view key) const {
    const std::int32_t v = convert(field, section, key);
    if (v < -limit || v > limit) fail(section, key, conversionErrorMessage(field));
    return v;
  }
  std::int32_t coordinate(std::string_view field, std::string_view section, std::string_view key) const {
    return bounded(field, kMaxSkinCoordinate, section, key);
  }

  [[noreturn]] void fail(std::string_view section, std::string_view key, const std::string& what) const {
    std::string message = what + " (skin ";
    if (!fileName_.empty()) message += std::string(fileName_) + ", ";
    message += "[" + std::string(section) + "] " + std::string(key) + ")";
    throw RaidmonError(message);
  }

 private:
  std::string_view text_;
  std::string_view fileName_;
};

// The four faces: each name defaults to the one before it.
void readFaces(const SkinReader& r, SkinDescription& skin) {
  const std::string& directory = skin.Directory;
  const std::string mask = r.string(kBitmapInfo, "MaskBitmap", "ERROR");
  const std::string up = r.string(kBitmapInfo, "MouseUpBitmap", mask);
  const std::string down = r.string(kBitmapInfo, "MouseDownBitmap", up);
  const std::string on = r.string(kBitmapInfo, "MouseOnBitmap", down);
  skin.HoverEnabled = on != down;
  skin.MaskBitmap = directory + mask;
  skin.MouseUpBitmap = directory + up;
  skin.MouseDownBitmap = directory + down;
  skin.MouseOnBitmap = directory + on;
}

// Hot areas; a missing entry would read as the default, but Count must not claim
// entries that the file does not hold.
void readHotAreas(const SkinReader& r, SkinDescription& skin) {
  const std::int32_t hotCount = r.count(kHotAreaInfo);
  for (std::int32_t i = 1; i <= hotCount; ++i) {
    const std::string key = std::to_string(i);
    const auto f = r.entry(kHotAreaInfo, i, 5);
    HotAreaInfoRec area;
    area.ID = f[0];
    area.Left = r.coordinate(f[1], kHotAreaInfo, key);
    area.Top = r.coordinate(f[2], kHotAreaInfo, key);
    area.Width = r.coordinate(f[3], kHotAreaInfo, key);
    area.Height = r.coordinate(f[4], kHotAreaInfo, key);
    if (f.size() == 6) {
      area.IsToggle = true;
      area.Down = f[5] != "FALSE";
    }
    skin.HotAreas.push_back(std::move(area));
  }
}

// The text items and the character set they share.
void readTexts(const SkinReader& r, SkinDescription& skin) {
  const std::int32_t textCount = r.count(kDisplayInfo);
  skin.Charset = static_cast<std::uint8_t>(r.integer(kDisplayInfo, "Charset", 1));
  for (std::int32_t i = 1; i <= textCount; ++i) {
    const std::string key = std::to_string(i);
    const auto f = r.entry(kDisplayInfo, i, 8);
    DisplayInfoRec item;
    item.ID = f[0];
    item.Font.Name = f[1];
    item.Font.Bold = f[2] == "TRUE";
    item.Font.Italic = f[3] == "TRUE";
    item.Font.Size = r.bounded(f[4], kMaxSkinFontSize, kDisplayInfo, key);
    item.Font.Color = static_cast<std::uint32_t>(r.convert(f[5], kDisplayInfo, key));
    item.Font.Charset = skin.Charset;
    item.X = r.coordinate(f[6], kDisplayInfo, key);
    item.Y = r.coordinate(f[7], kDisplayInfo, key);
    if (f.size() == 9) item.Text = f[8];
    skin.Texts.push_back(std::move(item));
  }
}

void readTrackBars(const SkinReader& r, SkinDescription& skin) {
  const std::string& directory = skin.Directory;
  const std::int32_t trackCount = r.count(kTrackBarInfo);
  for (std::int32_t i = 1; i <= trackCount; ++i) {
    const std::string key = std::to_string(i);
    const auto f = r.entry(kTrackBarInfo, i, 7);
    TrackBarEntry bar;
    bar.ID = f[0];
    bar.ThumbFile = directory + f[1];
    bar.PressedThumbFile = directory + f[2];
    bar.Left = r.coordinate(f[3], kTrackBarInfo, key);
    bar.Top = r.coordinate(f[4], kTrackBarInfo, key);
    bar.Length = r.coordinate(f[5], kTrackBarInfo, key);
    bar.Horizontal = f[6] != "V";
    if (f.size() == 8) bar.Position = static_cast<std::uint8_t>(r.convert(f[7], kTrackBarInfo, key));
    skin.TrackBars.push_back(std::move(bar));
  }
}

}  // namespace

std::string skinDirectoryOf(std::string_view iniPath) {
  const auto slash = iniPath.find_last_of(pathSeparators());
  return slash == std::string_view::npos ? std::string() : std::string(iniPath.substr(0, slash + 1));
}

SkinDescription parseSkinText(std::string_view text, const std::string& directory,
                              std::string_view fileName) {
  const SkinReader r(text, fileName);
  SkinDescription skin;
  skin.Directory = directory;
  readFaces(r, skin);
  readHotAreas(r, skin);
  readTexts(r, skin);
  readTrackBars(r, skin);
  return skin;
}

SkinDescription readSkinFile(const std::string& iniPath) {
  std::string text;
  const InputFileStatus status = readInputFile(iniPath, kMaxSkinFileSize, text);
  if (status == InputFileStatus::kTooLarge) throw RaidmonError("Skin file is too large: " + iniPath);
  if (status != InputFileStatus::kOk) throw RaidmonError("Cannot open file \"" + iniPath + "\"");
  return parseSkinText(text, skinDirectoryOf(iniPath), iniPath);
}

}  // namespace raidmon
