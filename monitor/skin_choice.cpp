#include "monitor/skin_choice.h"

#include <array>

#include "monitor/monitor.h"

namespace raidmon {

std::string_view smallSkinFile(int cardCount) {
  static constexpr std::array<std::string_view, 4> kFiles = {"Small_Ata.ini", "Small_Ata2.ini",
                                                             "Small_Ata3.ini", "Small_Ata4.ini"};
  if (cardCount < 1 || cardCount > 4) return {};
  return kFiles[static_cast<std::size_t>(cardCount - 1)];
}

ArraySkinChoice chooseArraySkin(int modeCode, int model, bool guiSmall) {
  ArraySkinChoice c;
  const bool knownModel = model >= 1 && model <= 4;
  auto byModel = [&](std::string_view one, std::string_view smallTwo, std::string_view two,
                     std::string_view three, std::string_view four) -> std::string_view {
    switch (model) {
      case 1: return one;
      case 2: return guiSmall ? smallTwo : two;
      case 3: return three;
      case 4: return four;
      default: return {};
    }
  };
  switch (modeCode) {
    case 0:
      c.file = byModel("skin.ini", "Small_Ata2.ini", "2skin.ini", "3skin.ini", "3skin.ini");
      c.showRebuild = true;
      c.showAutoRebuild = false;
      break;
    case 1:
      c.file = byModel("S_skin.ini", "Small_S2.ini", "2S_skin.ini", "3S_skin.ini", "4S_skin.ini");
      c.showRebuild = false;
      c.showAutoRebuild = false;
      break;
    case 2:
      c.file = byModel("M_skin.ini", "Small_M2.ini", "2M_skin.ini", "3M_skin.ini", "4M_skin.ini");
      c.showRebuild = true;
      c.showAutoRebuild = true;
      break;
    case 3:
      c.file = byModel("R_skin.ini", "Small_R2.ini", "2R_skin.ini", "3R_skin.ini", "4R_skin.ini");
      c.showRebuild = true;
      c.showAutoRebuild = true;
      break;
    case 4:
      c.file = knownModel ? "J_skin.ini" : "";
      c.showRebuild = false;
      c.showAutoRebuild = false;
      break;
    case 5:
      c.file = guiSmall ? "Small_S2.ini" : "2S_skin.ini";
      break;
    case 6:
      c.file = guiSmall ? "Small_R2.ini" : "2R_skin.ini";
      break;
    default:
      return c;
  }
  c.renameMonitorOpen = model == 1;
  return c;
}

void applyArraySkinMenu(Monitor& monitor, const ArraySkinChoice& choice) {
  if (choice.showRebuild) monitor.setMenuVisible(MenuItem::Rebuild1, *choice.showRebuild);
  if (choice.showAutoRebuild) monitor.setMenuVisible(MenuItem::Auto_Rebuild_Option, *choice.showAutoRebuild);
  if (choice.renameMonitorOpen) monitor.setMenuCaption(MenuItem::MonitorOpen1, kTavrixMonitorOpen);
}

bool trayInPrepare(Monitor& monitor, PollTimer& timer) {
  if (monitor.state().RebuildState == RebuildState::Running) return false;
  timer.setInterval(1);
  monitor.setMenuCaption(MenuItem::Small_Open, kNormalOpenCaption);
  monitor.setSmallGui(true);
  monitor.clearRebuildFlags(2);
  return true;
}

}  // namespace raidmon
