#include "monitor/drive_model.h"

#include <algorithm>
#include <string>

namespace raidmon {

int ArrayRecord::memberCount() const {
  int n = 0;
  while (n < kMaxMembers && memberSlots[static_cast<std::size_t>(n)] != kSlotEnd) ++n;
  return n;
}

namespace {

void note(const TraceFn& trace, const std::string& text) {
  if (trace) trace(text);
}

// Lowest array id over all received entries, scanning each card until an id of 0.
std::uint8_t lowestArrayId(const std::array<PositionEntry, kEntries>& entries) {
  int lowest = 300;
  for (int card = 1; card <= kCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      const std::uint8_t id = entries[static_cast<std::size_t>(entryIndex(card, pos))].array;
      if (id == 0) {
        lowest = 0;
        break;
      }
      lowest = std::min<int>(lowest, id);
    }
  }
  return static_cast<std::uint8_t>(lowest);
}

}  // namespace

void DriveModel::parseConfiguration(const ControlPacket& packet, ParseOptions options,
                                    std::uint8_t& cardCount, const TraceFn& trace) {
  readControllerValues(packet);
  readEntries(packet);
  numberArrays();
  const int highestCard = buildArrayRecords(packet, trace);
  if (options.updateCardCount && highestCard > 0) {
    cardCount = static_cast<std::uint8_t>(highestCard);
  }
}

// Controller values, capacity list and flash codes.
void DriveModel::readControllerValues(const ControlPacket& packet) {
  value0_ = packet.data32(kCfgValue0);
  value4_ = packet.data16(kCfgValue4);
  for (std::size_t i = 0; i < bytes9_.size(); ++i) bytes9_[i] = packet.data8(kCfgBytes9 + i);
  for (std::size_t i = 0; i < capacity_.size(); ++i)
    capacity_[i] = packet.data32(kCfgCapacity + 4 * i);
  flashDevice_ = packet.data8(kCfgFlashDevice);
  flashMaker_ = packet.data8(kCfgFlashMaker);
}

// The received entries; working array numbers relative to the lowest id.
void DriveModel::readEntries(const ControlPacket& packet) {
  for (int e = 0; e < kEntries; ++e) {
    const std::size_t off = kCfgEntries + 3 * static_cast<std::size_t>(e);
    received_[static_cast<std::size_t>(e)] = {packet.data8(off), packet.data8(off + 1),
                                              packet.data8(off + 2)};
  }
  const std::uint8_t lowest = lowestArrayId(received_);
  for (int e = 0; e < kEntries; ++e) {
    modelPositions_[static_cast<std::size_t>(e)].array =
        static_cast<std::uint8_t>(received_[static_cast<std::size_t>(e)].array - lowest);
  }
}

// Numbers the arrays in order of first appearance. Every entry of a multi-drive array
// shares its id; each single drive is an array of its own, even when another single
// drive or an array carries the same id. No array is dropped for the value of its id.
// An array claims every other entry with its id wherever that entry stands, before or
// after the array's first drive, so the result does not depend on the order of the
// positions.
void DriveModel::numberArrays() {
  std::array<bool, kEntries> taken{};
  int counter = -1;
  for (int e = 0; e < kEntries; ++e) {
    const PositionEntry& entry = received_[static_cast<std::size_t>(e)];
    if (entry.kind == kKindNone || taken[static_cast<std::size_t>(e)]) continue;
    ++counter;
    const auto number = static_cast<std::uint8_t>(counter);
    if (entry.kind == kKindSingle) {
      modelPositions_[static_cast<std::size_t>(e)] = {entry.kind, number, entry.member};
      taken[static_cast<std::size_t>(e)] = true;
      continue;
    }
    for (int f = 0; f < kEntries; ++f) {
      const PositionEntry& other = received_[static_cast<std::size_t>(f)];
      if (taken[static_cast<std::size_t>(f)] || other.array != entry.array ||
          other.kind == kKindSingle) {
        continue;
      }
      modelPositions_[static_cast<std::size_t>(f)] = {other.kind, number, other.member};
      taken[static_cast<std::size_t>(f)] = true;
    }
  }
  // A position the controller reports without a drive (kind 0) describes no member any
  // more: whatever kind it had before, it takes no slot in any array record.
  for (int e = 0; e < kEntries; ++e) {
    if (received_[static_cast<std::size_t>(e)].kind == kKindNone) {
      modelPositions_[static_cast<std::size_t>(e)].kind = kKindNone;
    }
  }
}

// The array records, built afresh from the model position table; returns the highest
// card with a member.
int DriveModel::buildArrayRecords(const ControlPacket& packet, const TraceFn& trace) {
  arrays_ = {};
  highestArray_ = 0;
  std::size_t nextCapacity = 0;
  int highestCard = 0;
  for (int card = 1; card <= kCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      const PositionEntry& entry = modelPositions_[static_cast<std::size_t>(entryIndex(card, pos))];
      if (entry.kind == kKindNone) continue;
      if (entry.array >= kArrayRecords || entry.member >= kMaxMembers) {
        note(trace, "Config entry skipped: " + locationText(card, pos) + " array " +
                        std::to_string(entry.array) + " member " + std::to_string(entry.member));
        continue;
      }
      addMember(packet, card, pos, entry, nextCapacity, trace);
      highestCard = card;
    }
  }
  return highestCard;
}

// One drive into its array's record: its slot, place, the array's size from the
// capacity list (mirrored kinds, once) and its identity.
void DriveModel::addMember(const ControlPacket& packet, int card, int pos, const PositionEntry& entry,
                           std::size_t& nextCapacity, const TraceFn& trace) {
  const int n = entry.array;
  const std::size_t m = entry.member;
  ArrayRecord& rec = arrays_[static_cast<std::size_t>(n)];
  rec.kind = entry.kind;
  rec.number = static_cast<std::uint8_t>(n);
  highestArray_ = std::max(highestArray_, n);
  rec.memberSlots[m] = static_cast<std::uint8_t>(m);
  rec.memberCard[m] = static_cast<std::uint8_t>(card);
  rec.memberPosition[m] = static_cast<std::uint8_t>(pos - 1);
  if (m > 0 && rec.memberSlots[m - 1] == kSlotEnd) rec.memberSlots[m - 1] = 0;
  if (rec.memberSlots[m + 1] == 0) rec.memberSlots[m + 1] = kSlotEnd;
  if ((rec.kind == kKindRaid1 || rec.kind == kKindRaid01Four || rec.kind == kKindRaid01Eight) &&
      rec.size == 0) {
    if (nextCapacity < capacity_.size()) {
      rec.size = capacity_[nextCapacity++];
    } else {
      note(trace, "Config capacity list exhausted for array " + std::to_string(n));
    }
  }
  // Identity: fields as they stand, the model text turned into reading order.
  const std::size_t src = kCfgIdentity + kIdentitySize * static_cast<std::size_t>(entryIndex(card, pos));
  IdentityRecord& id = rec.memberIdentity[m];
  std::copy_n(packet.data() + src, kIdentitySize, id.bytes.begin());
  for (std::size_t i = 40; i < 80; i += 2) {
    const std::uint8_t first = packet.data()[src + i];
    if (first == 0) continue;
    id.bytes[i] = packet.data()[src + i + 1];
    id.bytes[i + 1] = first;
  }
}

std::optional<DriveModel::Member> DriveModel::memberAt(int entry) const {
  if (entry < 0 || entry >= kEntries) return std::nullopt;
  const PositionEntry& p = modelPositions_[static_cast<std::size_t>(entry)];
  if (p.kind == kKindNone || p.array >= kArrayRecords || p.member >= kMaxMembers) {
    return std::nullopt;
  }
  const ArrayRecord& rec = arrays_[p.array];
  if (rec.kind == kKindNone || rec.memberSlots[p.member] != p.member) return std::nullopt;
  // The slot must hold this position's own drive: another entry naming the same array
  // and member index may have taken it over.
  const int card = entry / kPositions + 1;
  const int position = entry % kPositions;
  if (rec.memberCard[p.member] != card || rec.memberPosition[p.member] != position) {
    return std::nullopt;
  }
  return Member{p.array, p.member};
}

std::optional<ModeName> modeName(std::uint8_t kind) {
  switch (kind) {
    case 1: return ModeName{"ATA", NodeImage::Array};
    case 2:
    case 3: return ModeName{"RAID 0", NodeImage::Array};
    case 4: return ModeName{"RAID1", NodeImage::Array};
    case 5:
    case 6: return ModeName{"RAID 0+1", NodeImage::Array};
    case 7: return ModeName{"JBOD", NodeImage::Array};
    case 8: return ModeName{"RAID 5", NodeImage::Array};
    case 9: return ModeName{"ATAPI", NodeImage::Disc};
    default: return std::nullopt;
  }
}

std::optional<std::string_view> flashChipName(std::uint8_t maker, std::uint8_t device) {
  switch (maker) {
    case 0x01:
      if (device == 0x20) return "AMD(AM29F010B)";
      return std::nullopt;
    case 0x1F: return device == 0x01 ? "Atmel(AT29C512)" : "Atmel(AT29LV512)";
    case 0x40: return "SyncMOS(F29C51001T)";
    case 0xC2: return "MXIC(29F001B)";
    case 0xDA:
      if (device == 0xC1) return "Winbond(W29C010)";
      return std::nullopt;
    default: return "No BIOS";
  }
}

std::uint8_t countCards(const DisplayTables& tables) {
  std::uint8_t count = 0;
  for (int card = 1; card <= kCards; ++card) {
    for (int pos = 1; pos <= kPositions; ++pos) {
      if (tables.I_Here[static_cast<std::size_t>(entryIndex(card, pos))] == 1) {
        ++count;
        break;
      }
    }
  }
  return count;
}

}  // namespace raidmon
