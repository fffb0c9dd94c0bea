// Drive positions: card 1..4 and position 1..4 (Primary/Secondary Master/Slave),
// the card-major 16-entry index shared by every table, and the location texts.
#pragma once

#include <string>
#include <string_view>

namespace raidmon {

inline constexpr int kCards = 4;
inline constexpr int kPositions = 4;
inline constexpr int kEntries = kCards * kPositions;
inline constexpr int kWatchedCards = 2;  // cards 1 and 2 carry indicators and are compared

constexpr int entryIndex(int card, int position) { return 4 * (card - 1) + (position - 1); }
constexpr int channelOf(int position) { return position <= 2 ? 1 : 2; }
constexpr bool validCard(int card) { return card >= 1 && card <= kCards; }
constexpr bool validPosition(int position) { return position >= 1 && position <= kPositions; }

// "Primary Master", "Primary Slave", "Secondary Master", "Secondary Slave" for 1..4,
// empty for anything else.
std::string_view positionName(int position);

// "Card 2 Secondary Slave"; empty when card or position is out of range.
std::string locationText(int card, int position);

}  // namespace raidmon
