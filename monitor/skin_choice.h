// Which skin file the status window loads: the small skin for a card count, the array
// skin for a mode code and model, and the steps of the Tray-In command before its skin.
#pragma once

#include <optional>
#include <string_view>

#include "monitor/menu_model.h"

namespace raidmon {

class Monitor;
class PollTimer;

// Skin paths are the program directory followed by this and a file name.
inline constexpr std::string_view kSkinDirectory = "skins/default/";

// "Small_Ata.ini" .. "Small_Ata4.ini" for 1..4 cards; empty for any other count.
std::string_view smallSkinFile(int cardCount);

struct ArraySkinChoice {
  std::string_view file;                   // empty: no skin is loaded
  std::optional<bool> showRebuild;         // "Hard Disk Rebuild"; nullopt: unchanged
  std::optional<bool> showAutoRebuild;     // "Auto Rebuild Check"; nullopt: unchanged
  bool renameMonitorOpen = false;          // "Tavrix Monitor Open"
};

// The array-skin table: mode codes 0..4 by model 1..4 (the two-card skin is the small
// one while the small layout is in force), 5 and 6 for any model; a model outside 1..4
// loads nothing for modes 0..4 but still sets the menu; a mode code outside 0..6
// changes nothing.
ArraySkinChoice chooseArraySkin(int modeCode, int model, bool guiSmall);

// The menu part of a choice (visibility first, then the caption).
void applyArraySkinMenu(Monitor& monitor, const ArraySkinChoice& choice);

inline constexpr std::string_view kRebuildProcessing = "Rebuild Processing";
inline constexpr std::string_view kNormalOpenCaption = "GUI Normal Open";
inline constexpr std::string_view kTavrixMonitorOpen = "Tavrix Monitor Open";

// Tray-In up to its skin choice. While a rebuild runs it does nothing and returns
// false (the caller shows kRebuildProcessing). Otherwise: the poll timer's interval
// becomes 1 ms so that the next poll cycle runs at once, Small_Open is renamed
// "GUI Normal Open", Gui_Small becomes 1 and the I_Rebuild entries of cards 1 and 2
// are cleared; returns true.
bool trayInPrepare(Monitor& monitor, PollTimer& timer);

}  // namespace raidmon
