#include "emulator/drive_contents.h"

#include <algorithm>
#include <cstring>

namespace raidmon::emu {

namespace {

std::uint64_t splitMix(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void storeLe64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool rangeFits(std::uint32_t first, std::uint32_t count, std::uint32_t sectors) {
  return static_cast<std::uint64_t>(first) + count <= sectors;
}

}  // namespace

DriveContents::DriveContents(std::uint64_t seed, std::uint32_t sectorCount)
    : seed_(seed), sectorCount_(sectorCount) {}

void DriveContents::patternSector(std::uint64_t seed, std::uint64_t sector, std::uint8_t* out) {
  // The sector number and the seed lead the sector so a dump shows where bytes came
  // from; the rest is a hash stream of both.
  storeLe64(out, sector);
  storeLe64(out + 8, seed);
  std::uint64_t state = seed ^ (sector * 0xD6E8FEB86659FD93ull);
  for (std::size_t off = 16; off < kSectorSize; off += 8) storeLe64(out + off, splitMix(state));
}

void DriveContents::segments(std::uint32_t first, std::uint32_t end,
                             std::vector<Segment>& out) const {
  out.clear();
  auto it = runs_.upper_bound(first);
  if (it != runs_.begin()) {
    auto p = std::prev(it);
    if (p->second.end > first) it = p;
  }
  std::uint32_t pos = first;
  while (pos < end) {
    if (it != runs_.end() && it->first <= pos) {
      const Run& r = it->second;
      const std::uint32_t segEnd = std::min(r.end, end);
      out.push_back({pos, segEnd, r.seed, r.base + (pos - it->first), r.data});
      pos = segEnd;
      ++it;
    } else {
      const std::uint32_t gapEnd = it != runs_.end() ? std::min(it->first, end) : end;
      out.push_back({pos, gapEnd, seed_, pos, nullptr});
      pos = gapEnd;
    }
  }
}

void DriveContents::cutAt(std::uint32_t at) {
  auto it = runs_.upper_bound(at);
  if (it == runs_.begin()) return;
  --it;
  const std::uint32_t start = it->first;
  Run& left = it->second;
  if (start == at || left.end <= at) return;
  Run right = left;
  right.base = left.base + (at - start);
  left.end = at;
  runs_.emplace(at, std::move(right));
}

void DriveContents::eraseRange(std::uint32_t first, std::uint32_t end) {
  cutAt(first);
  cutAt(end);
  runs_.erase(runs_.lower_bound(first), runs_.lower_bound(end));
}

void DriveContents::insertRun(std::uint32_t start, Run run) {
  // A pattern run of this drive's own seed at its own sectors is what the gap holds.
  if (!run.data && run.seed == seed_ && run.base == start) return;
  auto [it, inserted] = runs_.emplace(start, std::move(run));
  if (!inserted) return;  // callers erase first; never overwrite silently
  auto joinable = [](std::uint32_t leftStart, const Run& l, const Run& r) {
    return l.data == r.data && (l.data || l.seed == r.seed) &&
           l.base + (l.end - leftStart) == r.base;
  };
  auto next = std::next(it);
  if (next != runs_.end() && next->first == it->second.end &&
      joinable(it->first, it->second, next->second)) {
    it->second.end = next->second.end;
    runs_.erase(next);
  }
  if (it != runs_.begin()) {
    auto prev = std::prev(it);
    if (prev->second.end == it->first && joinable(prev->first, prev->second, it->second)) {
      prev->second.end = it->second.end;
      runs_.erase(it);
    }
  }
}

bool DriveContents::readSector(std::uint32_t sector, std::uint8_t* out) const {
  if (sector >= sectorCount_) return false;
  std::vector<Segment> seg;
  segments(sector, sector + 1, seg);
  segmentSector(seg.front(), sector, out);
  return true;
}

bool DriveContents::writeSector(std::uint32_t sector, const std::uint8_t* in) {
  if (sector >= sectorCount_) return false;
  auto buf = std::make_shared<Buffer>(in, in + kSectorSize);
  eraseRange(sector, sector + 1);
  insertRun(sector, Run{sector + 1, 0, 0, std::move(buf)});
  return true;
}

bool DriveContents::copyFrom(const DriveContents& src, std::uint32_t first, std::uint32_t count) {
  if (!rangeFits(first, count, sectorCount_) || !rangeFits(first, count, src.sectorCount_)) {
    return false;
  }
  if (count == 0 || &src == this) return true;
  std::vector<Segment> seg;
  src.segments(first, first + count, seg);
  eraseRange(first, first + count);
  for (Segment& s : seg) insertRun(s.start, Run{s.end, s.seed, s.base, std::move(s.data)});
  return true;
}

bool DriveContents::sameOrigin(const Segment& a, const Segment& b, std::uint32_t at) {
  const std::uint64_t baseA = a.base + (at - a.start);
  const std::uint64_t baseB = b.base + (at - b.start);
  if (baseA != baseB || a.data != b.data) return false;
  return a.data || a.seed == b.seed;
}

void DriveContents::segmentSector(const Segment& s, std::uint32_t sector, std::uint8_t* out) {
  const std::uint64_t index = s.base + (sector - s.start);
  if (s.data) {
    std::memcpy(out, s.data->data() + index * kSectorSize, kSectorSize);
  } else {
    patternSector(s.seed, index, out);
  }
}

bool DriveContents::rangeEqual(const DriveContents& a, const DriveContents& b,
                               std::uint32_t first, std::uint32_t count) {
  if (!rangeFits(first, count, a.sectorCount_) || !rangeFits(first, count, b.sectorCount_)) {
    return false;
  }
  if (count == 0 || &a == &b) return true;
  std::vector<Segment> sa;
  std::vector<Segment> sb;
  a.segments(first, first + count, sa);
  b.segments(first, first + count, sb);
  std::uint8_t bufA[kSectorSize];
  std::uint8_t bufB[kSectorSize];
  std::size_t i = 0;
  std::size_t j = 0;
  std::uint32_t pos = first;
  while (i < sa.size() && j < sb.size()) {
    const std::uint32_t hi = std::min(sa[i].end, sb[j].end);
    if (!sameOrigin(sa[i], sb[j], pos)) {
      for (std::uint32_t s = pos; s < hi; ++s) {
        segmentSector(sa[i], s, bufA);
        segmentSector(sb[j], s, bufB);
        if (std::memcmp(bufA, bufB, kSectorSize) != 0) return false;
      }
    }
    pos = hi;
    if (sa[i].end == hi) ++i;
    if (sb[j].end == hi) ++j;
  }
  return true;
}

}  // namespace raidmon::emu
