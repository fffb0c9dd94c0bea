#include "monitor/drive_position.h"

#include <array>

namespace raidmon {

std::string_view positionName(int position) {
  static constexpr std::array<std::string_view, 4> kNames = {
      "Primary Master", "Primary Slave", "Secondary Master", "Secondary Slave"};
  return validPosition(position) ? kNames[static_cast<std::size_t>(position - 1)]
                                 : std::string_view{};
}

std::string locationText(int card, int position) {
  if (!validCard(card) || !validPosition(position)) return {};
  std::string text = "Card ";
  text += static_cast<char>('0' + card);
  text += ' ';
  text += positionName(position);
  return text;
}

}  // namespace raidmon
