#include "monitor/array_info.h"

#include <algorithm>

#include "monitor/drive_position.h"

namespace raidmon {

std::string FormatSizeGB(std::uint64_t bytes) {
  // Digits are cut: one decimal from ten gigabytes on, two below.
  const bool oneDecimal = bytes >= 10'000'000'000ULL;
  const std::uint64_t scaled = oneDecimal ? bytes / 100'000'000ULL : bytes / 10'000'000ULL;
  const std::uint64_t unit = oneDecimal ? 10 : 100;
  std::string fraction = std::to_string(scaled % unit);
  if (!oneDecimal && fraction.size() < 2) fraction.insert(0, 1, '0');
  return std::to_string(scaled / unit) + "." + fraction + "GB";
}

std::string FormatSizeGBSectors(std::uint64_t sectors) { return FormatSizeGB(sectors * 512); }

std::string_view positionShortName(int position) {
  static constexpr std::array<std::string_view, 4> kNames = {"PM", "PS", "SM", "SS"};
  return position >= 0 && position < 4 ? kNames[static_cast<std::size_t>(position)]
                                       : std::string_view{};
}

namespace {

std::uint64_t memberBytes(const ArrayRecord& r, int slot) {
  return static_cast<std::uint64_t>(r.memberIdentity[static_cast<std::size_t>(slot)].totalSectors()) * 512;
}

std::string blank(std::string_view text) { return " " + std::string(text); }

}  // namespace

ModeInfo modeInfo(const ArrayRecord& r) {
  ModeInfo info;
  int highest = 0;
  for (int slot = 0; slot < 4; ++slot) {
    const std::uint8_t v = r.memberSlots[static_cast<std::size_t>(slot)];
    if (v != kSlotEnd) highest = std::max<int>(highest, v);
  }
  info.order = blank(std::to_string(highest + 1));
  info.physical = blank(std::to_string(r.number));

  std::uint64_t smallest = memberBytes(r, 0);
  std::uint64_t sum = smallest;
  for (int slot = 1; slot < kMaxMembers; ++slot) {
    if (r.memberSlots[static_cast<std::size_t>(slot)] == kSlotEnd) break;
    const std::uint64_t size = memberBytes(r, slot);
    smallest = std::min(smallest, size);
    sum += size;
  }
  const std::uint64_t arraySize = static_cast<std::uint64_t>(r.size) * 512;
  auto sized = [](std::uint64_t bytes) { return blank(FormatSizeGB(bytes)); };
  switch (r.kind) {
    case 1: {
      std::uint64_t first = 0;
      for (int slot = 0; slot < 4 && first == 0; ++slot) first = memberBytes(r, slot);
      info.totalSize = sized(first);
      info.baseSize = info.totalSize;
      break;
    }
    case 2: info.totalSize = sized(smallest * 2); info.baseSize = sized(smallest); break;
    case 3: info.totalSize = sized(smallest * 4); info.baseSize = sized(smallest); break;
    case 4: info.totalSize = sized(arraySize); info.baseSize = sized(arraySize); break;
    case 5: info.totalSize = sized(arraySize * 2); info.baseSize = sized(arraySize); break;
    case 6: info.totalSize = sized(arraySize * 4); info.baseSize = sized(arraySize); break;
    case 7: info.totalSize = sized(sum); info.baseSize = sized(sum); break;
    default:  // RAID 5 and ATAPI: no capacity the monitor can vouch for
      info.totalSize = " None";
      info.baseSize = " None";
      break;
  }
  return info;
}

ArrayLayout arrayLayout(const ArrayRecord& r) {
  ArrayLayout l;
  auto box = [&](int index, int slot) {
    ArrayLayout::Item& b = l.boxes[static_cast<std::size_t>(index)];
    b.visible = true;
    b.text = " Card " + std::to_string(r.memberCard[static_cast<std::size_t>(slot)]) + " " +
             std::string(positionShortName(r.memberPosition[static_cast<std::size_t>(slot)]));
  };
  auto row1 = [&](std::string_view text) { l.rowLabel1 = {true, std::string(text)}; };
  switch (r.kind) {
    case 2:
      row1("RAID 0:");
      box(0, 0);
      box(1, 1);
      break;
    case 3:
      row1("RAID 0:");
      for (int i = 0; i < 4; ++i) box(i, i);
      break;
    case 4:
      row1("RAID 1:");
      box(0, 0);
      l.arrows[0] = true;
      l.rowLabel2TextEmptied = true;
      box(4, 1);
      break;
    case 5:
      row1("RAID 0:");
      box(0, 0);
      box(1, 1);
      l.arrows[0] = l.arrows[1] = true;
      l.centres[0] = true;
      l.rowLabel2 = {true, "RAID 0:"};
      box(4, 2);
      box(5, 3);
      break;
    case 6:
      row1("RAID 0:");
      for (int i = 0; i < 4; ++i) box(i, i);
      l.arrows = {true, true, true, true};
      l.centres[1] = true;
      l.rowLabel2 = {true, "RAID 0:"};
      for (int i = 0; i < 4; ++i) box(4 + i, 4 + i);
      break;
    default:
      break;
  }
  return l;
}

std::optional<std::string> udmaText(std::uint8_t bits) {
  if (bits == 0x7F) return " UDMA 6";
  for (int mode = 5; mode >= 0; --mode) {
    if (bits & (1u << mode)) return " UDMA " + std::to_string(mode);
  }
  return std::nullopt;
}

HddInfo hddInfo(const ArrayRecord& r, int slot) {
  HddInfo info;
  if (slot < 0 || slot >= kMaxMembers) return info;
  const auto s = static_cast<std::size_t>(slot);
  const IdentityRecord& id = r.memberIdentity[s];
  info.card = blank(std::to_string(r.memberCard[s]));
  info.channel = blank(positionName(r.memberPosition[s] + 1));
  info.cylinders = blank(std::to_string(id.cylinders()));
  info.heads = blank(std::to_string(id.heads()));
  info.sectors = blank(std::to_string(id.sectorsPerTrack()));
  info.model = blank(id.model());
  std::string serial = id.serial();
  serial.erase(std::remove(serial.begin(), serial.end(), ' '), serial.end());
  info.serial = blank(serial);
  info.size = blank(FormatSizeGBSectors(id.totalSectors()));
  info.udma = udmaText(id.udmaBits());
  return info;
}

}  // namespace raidmon
