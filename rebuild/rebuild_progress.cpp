#include "rebuild/rebuild_progress.h"

#include <algorithm>

namespace raidmon {

int rebuildPercent(std::uint64_t lba, std::uint64_t size) {
  if (size == 0) return 100;
  const std::uint64_t totalMB = size / kSectorsPerMB;
  const std::uint64_t doneMB = lba / kSectorsPerMB;
  const double ratio = totalMB > 0 ? static_cast<double>(doneMB) / static_cast<double>(totalMB)
                                   : static_cast<double>(lba) / static_cast<double>(size);
  return std::clamp(static_cast<int>(ratio * 100), 0, 100);
}

std::string rebuildProgressText(std::uint64_t lba, std::uint64_t size) {
  return "  Total : " + std::to_string(size / kSectorsPerMB) + "  /  " +
         std::to_string(lba / kSectorsPerMB) + "   MB     " + std::to_string(rebuildPercent(lba, size)) + " %";
}

}  // namespace raidmon
