// The skin INI file read into a plain description: face bitmap names, hot areas, text
// items and track bars, with their defaults. Pure and bounded; no bitmap is opened here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace raidmon {

// A skin INI file bigger than this is refused (a real one is a few kilobytes).
inline constexpr std::size_t kMaxSkinFileSize = 64 * 1024;

// Positions and sizes in a skin file (hot areas, text origins, track bars) lie within
// -kMaxSkinCoordinate..kMaxSkinCoordinate, font sizes within -kMaxSkinFontSize..
// kMaxSkinFontSize (points, or pixels when negative). A value outside is refused with
// the conversion error, as a number too large for an integer is: no arithmetic on
// them can overflow.
inline constexpr std::int32_t kMaxSkinCoordinate = 65535;
inline constexpr std::int32_t kMaxSkinFontSize = 1000;

// A named push or toggle area. Its rectangle is Left, Top, Left + Width, Top + Height,
// right and bottom exclusive.
struct HotAreaInfoRec {
  std::string ID;
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool IsToggle = false;
  bool Down = false;

  bool contains(std::int32_t x, std::int32_t y) const {
    return x >= Left && y >= Top && static_cast<std::int64_t>(x) < static_cast<std::int64_t>(Left) + Width &&
           static_cast<std::int64_t>(y) < static_cast<std::int64_t>(Top) + Height;
  }
};

// The font of a text item; Color is a colour value (0x00BBGGRR, red in the low byte).
struct SkinFont {
  std::string Name;
  bool Bold = false;
  bool Italic = false;
  std::int32_t Size = 0;  // points
  std::uint32_t Color = 0;
  std::uint8_t Charset = 1;
};

struct DisplayInfoRec {
  std::string ID;
  std::int32_t X = 0;
  std::int32_t Y = 0;
  SkinFont Font;
  std::string Text;
};

// A track bar as the file describes it; Travel needs the thumb bitmap's width.
struct TrackBarEntry {
  std::string ID;
  std::string ThumbFile;         // full path
  std::string PressedThumbFile;  // full path
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Length = 0;  // track length in pixels
  bool Horizontal = true;   // false only for "V"
  std::uint8_t Position = 0;
};

struct SkinDescription {
  std::string Directory;  // of the INI file, with its trailing '/'
  // Full paths of the four faces.
  std::string MaskBitmap;
  std::string MouseUpBitmap;
  std::string MouseDownBitmap;
  std::string MouseOnBitmap;
  bool HoverEnabled = true;
  std::vector<HotAreaInfoRec> HotAreas;
  std::uint8_t Charset = 1;
  std::vector<DisplayInfoRec> Texts;
  std::vector<TrackBarEntry> TrackBars;
};

// The directory part of a path, with its trailing '/' ("" when it has none).
std::string skinDirectoryOf(std::string_view iniPath);

// Reads a skin from the INI text; `directory` (with its trailing '/') prefixes every
// bitmap name. Each section's Count must be a whole number of zero or more, and every
// entry 1..Count must be present: the entries are read one by one, so nothing is sized
// by Count before the file has shown that it holds that many. Throws RaidmonError naming
// the section and entry on a missing entry, too few fields ("List index out of bounds
// (N)") or a field that is not an integer or lies outside its range (the conversion
// error). `fileName` only
// names the file in messages.
SkinDescription parseSkinText(std::string_view text, const std::string& directory,
                              std::string_view fileName = {});

// Reads the INI file at `iniPath`. Throws RaidmonError "Cannot open file "<path>"" when
// it is missing or unreadable, "Skin file is too large: <path>" past kMaxSkinFileSize,
// and the errors of parseSkinText.
SkinDescription readSkinFile(const std::string& iniPath);

}  // namespace raidmon
