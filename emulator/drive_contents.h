// The sector contents of one emulated drive: a deterministic pattern per drive, with
// written and copied sector runs kept sparsely as references, so copies stay cheap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace raidmon::emu {

inline constexpr std::size_t kSectorSize = 512;

// Contents of a drive of `sectorCount` sectors. A sector nobody wrote holds
// patternSector(seed, sector). Written sectors and sectors copied from another drive
// are stored as runs that name where their bytes come from (a pattern of some seed
// and sector, or a shared written buffer), so copying a whole drive costs a few map
// entries and two drives can be compared run by run rather than byte by byte.
// Not thread-safe; the owning Controller serialises access.
class DriveContents {
 public:
  DriveContents(std::uint64_t seed, std::uint32_t sectorCount);

  std::uint64_t seed() const { return seed_; }
  std::uint32_t sectorCount() const { return sectorCount_; }

  // Fills `out` (512 bytes) with the sector. Returns false and leaves `out` untouched
  // when the sector lies beyond the end of the drive.
  bool readSector(std::uint32_t sector, std::uint8_t* out) const;

  // Stores 512 bytes at the sector. Returns false (nothing stored) beyond the end.
  bool writeSector(std::uint32_t sector, const std::uint8_t* in);

  // Copies `count` sectors starting at `first` from `src` to the same sectors here.
  // Returns false and changes nothing when the range passes the end of either drive.
  // Copying from itself is allowed and changes nothing.
  bool copyFrom(const DriveContents& src, std::uint32_t first, std::uint32_t count);

  // True when both drives hold the same bytes over [first, first + count). False when
  // the range passes the end of either drive. Runs with the same origin compare
  // without touching bytes; only runs of different origin are compared byte-wise.
  static bool rangeEqual(const DriveContents& a, const DriveContents& b, std::uint32_t first,
                         std::uint32_t count);

  // Number of stored runs (for tests: a whole-drive copy stays compact).
  std::size_t runCount() const { return runs_.size(); }

  // The bytes of an unwritten sector of a drive with this seed.
  static void patternSector(std::uint64_t seed, std::uint64_t sector, std::uint8_t* out);

 private:
  using Buffer = std::vector<std::uint8_t>;
  // Sectors [start, end) of a run; sector s holds, when `data` is set, sector
  // (base + s - start) of `data`, otherwise patternSector(seed, base + s - start).
  struct Run {
    std::uint32_t end = 0;
    std::uint64_t seed = 0;
    std::uint64_t base = 0;
    std::shared_ptr<const Buffer> data;
  };
  // A maximal piece of a range with one origin, as seen by readers.
  struct Segment {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint64_t seed = 0;
    std::uint64_t base = 0;  // origin index of `start`
    std::shared_ptr<const Buffer> data;
  };

  void segments(std::uint32_t first, std::uint32_t end, std::vector<Segment>& out) const;
  void cutAt(std::uint32_t at);
  void eraseRange(std::uint32_t first, std::uint32_t end);
  void insertRun(std::uint32_t start, Run run);
  static bool sameOrigin(const Segment& a, const Segment& b, std::uint32_t at);
  static void segmentSector(const Segment& s, std::uint32_t sector, std::uint8_t* out);

  std::uint64_t seed_;
  std::uint32_t sectorCount_;
  std::map<std::uint32_t, Run> runs_;  // keyed by start sector, never overlapping
};

}  // namespace raidmon::emu
