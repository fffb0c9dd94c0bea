// The rebuild page's progress text and percentage for a position in the sector range.
#pragma once

#include <cstdint>
#include <string>

namespace raidmon {

inline constexpr std::uint32_t kChunkSectors = 128;
inline constexpr std::uint64_t kSectorsPerMB = 2048;

// "  Total : <total MB>  /  <done MB>   MB     <percent> %", with done MB taken from
// `lba`, the first sector of the chunk the text reports.
std::string rebuildProgressText(std::uint64_t lba, std::uint64_t size);

// Integer part of done MB / total MB x 100. Below one megabyte of range the ratio of
// sectors is used instead, so every size gives 0..100 and the end of the range 100.
int rebuildPercent(std::uint64_t lba, std::uint64_t size);

}  // namespace raidmon
