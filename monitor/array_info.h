// What the Monitor dialog shows of an array and of one member drive: size texts, the
// Mode Info values, the layout diagram and the HDD Info values, as plain text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/drive_model.h"

namespace raidmon {

// A byte count in decimal gigabytes, digits cut, never rounded: one decimal from 10^10
// bytes up ("10.0GB", "137.4GB", "2000.0GB"), two below ("1.23GB", "0.50GB").
std::string FormatSizeGB(std::uint64_t bytes);
std::string FormatSizeGBSectors(std::uint64_t sectors);

// "PM", "PS", "SM", "SS" for member positions 0..3; empty otherwise.
std::string_view positionShortName(int position);

// The Mode Info page's values for an array, each starting with one blank.
struct ModeInfo {
  std::string totalSize;  // TotalSize_L, "Array capacity"
  std::string baseSize;   // BaseSize_L, "HDD base capacity"
  std::string order;      // Order_L, "HDD Number"
  std::string physical;   // Physical_L, "Array Number"
};
ModeInfo modeInfo(const ArrayRecord& record);

// The layout diagram: row labels, eight boxes (Raid0_1..4, Raid1_1..4), four arrows,
// two centre labels; everything hidden unless the kind draws it.
struct ArrayLayout {
  struct Item {
    bool visible = false;
    std::string text;
  };
  Item rowLabel1;                    // Raid_VIew
  Item rowLabel2;                    // Raid_View2
  bool rowLabel2TextEmptied = false; // kind 4 empties Raid_View2's text
  std::array<Item, 8> boxes;         // Raid0_1..Raid0_4, Raid1_1..Raid1_4
  std::array<bool, 4> arrows{};      // ArrowDown1..ArrowDown4
  std::array<bool, 2> centres{};     // Raid_View_Center_1, Raid_View_Center_2
};
ArrayLayout arrayLayout(const ArrayRecord& record);

// The HDD Info page's nine values for member slot `slot`, each starting with one blank.
struct HddInfo {
  std::string card, channel, cylinders, heads, sectors, model, serial, size;
  std::optional<std::string> udma;  // nullopt: no mode bit set
};
HddInfo hddInfo(const ArrayRecord& record, int slot);

// " UDMA 0" .. " UDMA 6" from the mode-bits byte (first match wins; 6 only for 0x7F).
std::optional<std::string> udmaText(std::uint8_t bits);

}  // namespace raidmon
