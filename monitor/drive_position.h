// Drive positions: card 1..4 and position 1..4 (Primary/Secondary Master/Slave),
// the card-major 16-entry index shared by every table, and the location texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace raidmon {

inline constexpr int kCards = 4;
inline constexpr int kPositions = 4;
inline constexpr int kEntries = kCards * kPositions;
// Every card is compared, evaluated and announced, and lights its lamps where the skin
// has sockets for it.
inline constexpr int kWatchedCards = kCards;
// The scan form's panels and the debugging grids show cards 1 and 2.
inline constexpr int kPanelCards = 2;

constexpr int entryIndex(int card, int position) { return 4 * (card - 1) + (position - 1); }
constexpr int channelOf(int position) { return position <= 2 ? 1 : 2; }
constexpr bool validCard(int card) { return card >= 1 && card <= kCards; }
constexpr bool validPosition(int position) { return position >= 1 && position <= kPositions; }

// A drive's place: card 1..4 and position 1..4, counted from 1 as everywhere in the
// monitor. The configuration's member records and the rebuild requests carry the
// position counted from 0, a transfer request the card too; fromWire(), wirePosition()
// and wireCard() are the only conversions. A card of 0 means no drive chosen.
struct DrivePosition {
  int card = 0;
  int position = 0;

  static constexpr DrivePosition fromWire(int card, int wirePosition) {
    return {card, wirePosition + 1};
  }
  // The position as the controller counts it; a position not chosen goes out as 0,
  // as the request has always carried it.
  constexpr std::uint8_t wirePosition() const {
    return static_cast<std::uint8_t>(position >= 1 ? position - 1 : 0);
  }
  // The card as a transfer request counts it (0..3).
  constexpr std::uint8_t wireCard() const { return static_cast<std::uint8_t>(card - 1); }
  constexpr int entry() const { return entryIndex(card, position); }
  constexpr int channel() const { return channelOf(position); }
  constexpr bool valid() const { return validCard(card) && validPosition(position); }
  constexpr bool operator==(const DrivePosition&) const = default;
};

// "Primary Master", "Primary Slave", "Secondary Master", "Secondary Slave" for 1..4,
// empty for anything else.
std::string_view positionName(int position);

// "Card 2 Secondary Slave"; empty when card or position is out of range.
std::string locationText(int card, int position);

}  // namespace raidmon
