// The configuration block and the monitor's model built from it: the array table,
// the model position table, the flash chip codes, and the decoding tables.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/drive_position.h"
#include "monitor/state_codes.h"
#include "monitor/status_block.h"
#include "protocol/control_packet.h"

namespace raidmon {

inline constexpr int kArrayRecords = 16;
inline constexpr int kMaxMembers = 8;
inline constexpr std::uint8_t kSlotEnd = 9;  // member slot terminator
inline constexpr int kCapacityValues = 8;
inline constexpr std::size_t kIdentitySize = 96;

// Configuration block data offsets.
inline constexpr std::size_t kCfgValue0 = 0;
inline constexpr std::size_t kCfgValue4 = 4;
inline constexpr std::size_t kCfgBytes9 = 9;
inline constexpr std::size_t kCfgCapacity = 16;
inline constexpr std::size_t kCfgEntries = 48;
inline constexpr std::size_t kCfgIdentity = 256;
inline constexpr std::size_t kCfgFlashDevice = 1792;
inline constexpr std::size_t kCfgFlashMaker = 1793;

// Position entry kinds.
inline constexpr std::uint8_t kKindNone = 0;
inline constexpr std::uint8_t kKindSingle = 1;
inline constexpr std::uint8_t kKindRaid1 = 4;
inline constexpr std::uint8_t kKindRaid01Four = 5;
inline constexpr std::uint8_t kKindRaid01Eight = 6;
inline constexpr std::uint8_t kKindAtapi = 9;

// A 96-byte drive identity record.
struct IdentityRecord {
  std::array<std::uint8_t, kIdentitySize> bytes{};

  std::uint16_t cylinders() const { return loadLe16(&bytes[0]); }
  std::uint16_t heads() const { return loadLe16(&bytes[2]); }
  std::uint16_t sectorsPerTrack() const { return loadLe16(&bytes[4]); }
  std::string serial() const { return std::string(reinterpret_cast<const char*>(&bytes[12]), 20); }
  std::string model() const { return std::string(reinterpret_cast<const char*>(&bytes[40]), 40); }
  std::uint32_t totalSectors() const { return loadLe32(&bytes[80]); }
  std::uint8_t udmaBits() const { return bytes[88]; }
};

struct ArrayRecord {
  std::uint32_t size = 0;
  std::uint8_t kind = 0;
  std::uint8_t number = 0;
  std::uint8_t arrayNodeIndex = 0;
  std::array<std::uint8_t, kMaxMembers + 1> memberSlots{};
  std::array<std::uint8_t, kMaxMembers> memberNodeIndex{};
  std::array<std::uint8_t, kMaxMembers> memberPosition{};  // position - 1
  std::array<std::uint8_t, kMaxMembers> memberCard{};      // card 1..4
  std::array<IdentityRecord, kMaxMembers> memberIdentity{};

  // Number of members: slots before the first terminator (at most 8).
  int memberCount() const;
};

// One 3-byte position entry: kind, array id (received) or array number (model), member.
struct PositionEntry {
  std::uint8_t kind = 0;
  std::uint8_t array = 0;
  std::uint8_t member = 0;
};

// What the caller wants from a parse besides the model.
struct ParseOptions {
  // Set the card count to the highest card that holds an array member (the count from
  // the configuration, used on the 9x family and while no other rule gave a count).
  bool updateCardCount = false;
};

using TraceFn = std::function<void(std::string_view)>;

class DriveModel {
 public:
  // Turns the configuration block in `packet` into the array table, the flash codes
  // and (when options.updateCardCount) the card count. Array records start afresh;
  // the model position table keeps its contents across parses, except that a position
  // received as kind 0 is kind 0 in the model too (it never takes a member slot). The
  // result does not depend on where an entry stands relative to its array's drives.
  // Entries naming an array, member or capacity value outside the tables are skipped
  // with a trace note. The caller parses only a block the controller really sent.
  void parseConfiguration(const ControlPacket& packet, ParseOptions options,
                          std::uint8_t& cardCount, const TraceFn& trace = {});

  const ArrayRecord& array(int n) const { return arrays_[static_cast<std::size_t>(n)]; }
  ArrayRecord& array(int n) { return arrays_[static_cast<std::size_t>(n)]; }
  int highestArray() const { return highestArray_; }
  void resetHighestArray() { highestArray_ = 0; }

  const std::array<PositionEntry, kEntries>& modelPositions() const { return modelPositions_; }
  const std::array<PositionEntry, kEntries>& receivedEntries() const { return received_; }
  const std::array<std::uint32_t, kCapacityValues>& capacityList() const { return capacity_; }
  std::uint8_t flashDevice() const { return flashDevice_; }
  std::uint8_t flashMaker() const { return flashMaker_; }
  std::uint32_t controllerValue0() const { return value0_; }
  std::uint16_t controllerValue4() const { return value4_; }
  const std::array<std::uint8_t, 4>& controllerBytes9() const { return bytes9_; }

  // The array record and member slot of the drive at an entry index, when the model
  // position table maps it to a used record within the tables and that slot holds this
  // position's own drive (never the slot of another drive).
  struct Member {
    int array;
    int slot;
  };
  std::optional<Member> memberAt(int entry) const;

 private:
  void readControllerValues(const ControlPacket& packet);
  void readEntries(const ControlPacket& packet);
  void numberArrays();
  int buildArrayRecords(const ControlPacket& packet, const TraceFn& trace);
  void addMember(const ControlPacket& packet, int card, int pos, const PositionEntry& entry,
                 std::size_t& nextCapacity, const TraceFn& trace);
  std::array<ArrayRecord, kArrayRecords> arrays_{};
  int highestArray_ = 0;
  std::array<PositionEntry, kEntries> modelPositions_{};
  std::array<PositionEntry, kEntries> received_{};
  std::array<std::uint32_t, kCapacityValues> capacity_{};
  std::uint8_t flashDevice_ = 0;
  std::uint8_t flashMaker_ = 0;
  std::uint32_t value0_ = 0;
  std::uint16_t value4_ = 0;
  std::array<std::uint8_t, 4> bytes9_{};
};

// Mode tree text and image of a kind: "ATA", "RAID 0", "RAID1", "RAID 0+1", "JBOD",
// "RAID 5", "ATAPI"; nullopt for kind 0 and kinds above 9 (no array node).
struct ModeName {
  std::string_view text;
  NodeImage image;
};
std::optional<ModeName> modeName(std::uint8_t kind);

// The flash chip's name from its maker and device codes; nullopt where the label is
// to keep what it showed (known maker, unknown device); "No BIOS" for unknown makers.
std::optional<std::string_view> flashChipName(std::uint8_t maker, std::uint8_t device);

// Number of cards 1..4 with at least one position whose I_Here is 1.
std::uint8_t countCards(const DisplayTables& tables);

}  // namespace raidmon
