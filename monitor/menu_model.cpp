#include "monitor/menu_model.h"

namespace raidmon {

MenuModel::MenuModel() {
  auto set = [this](MenuItem i, std::string_view caption, bool visible, bool enabled = true,
                    bool checked = false) {
    items_[index(i)] = MenuItemState{std::string(caption), visible, enabled, checked};
  };
  set(MenuItem::Small_Open, "GUI Small Open", false);
  set(MenuItem::MonitorOpen1, "Monitor Open", true);
  set(MenuItem::Rebuild1, "Hard Disk Rebuild", false);
  set(MenuItem::Auto_Rebuild_Option, "Auto Rebuild Check", false, true, true);
  set(MenuItem::Alwaysontop, "Always on top", true, true, true);
  set(MenuItem::FlashFileUpdate5, "Flash Update", true);
  set(MenuItem::ScanHdd, "Scan Hard Disk ", false, false);
  set(MenuItem::GUITrayIcon1, "GUI Tray Icon", true);
  set(MenuItem::N2, "-", true);
  set(MenuItem::Exit1, "Exit", true);
  set(MenuItem::RebuildComplete1, "Rebuild Complete", false);
  set(MenuItem::ScanBusForm, "Open ScanForm", false);
  set(MenuItem::LOOPTIME1, "LOOP_TIME", false);
  set(MenuItem::RebuildSizeValue1, "Rebuild_Size_Value", false);
  set(MenuItem::RebuildSizeCheck1, "Rebuild_Size_Check", false);
  set(MenuItem::DebugForm1, "Debug_Form", false);
}

void MenuModel::setVisible(MenuItem i, bool on) {
  items_[index(i)].visible = on;
  push(i);
}
void MenuModel::setEnabled(MenuItem i, bool on) {
  items_[index(i)].enabled = on;
  push(i);
}
void MenuModel::setChecked(MenuItem i, bool on) {
  items_[index(i)].checked = on;
  push(i);
}
void MenuModel::setCaption(MenuItem i, std::string_view caption) {
  items_[index(i)].caption = std::string(caption);
  push(i);
}

void MenuModel::push(MenuItem i) const {
  if (view_) view_->applyMenuItem(i, items_[index(i)]);
}

void MenuModel::refresh() const {
  for (int i = 0; i < kMenuItemCount; ++i) push(static_cast<MenuItem>(i));
}

}  // namespace raidmon
