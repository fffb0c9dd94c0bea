// The state of the status window's pop-up menu (captions, visibility, enabled and
// check marks), owned by the core so that commands and tests read one truth.
#pragma once

#include <array>
#include <string_view>

#include "monitor/monitor_views.h"

namespace raidmon {

class MenuModel {
 public:
  MenuModel();

  const MenuItemState& item(MenuItem i) const { return items_[index(i)]; }
  bool checked(MenuItem i) const { return item(i).checked; }

  void setVisible(MenuItem i, bool on);
  void setEnabled(MenuItem i, bool on);
  void setChecked(MenuItem i, bool on);
  void setCaption(MenuItem i, std::string_view caption);

  // The view that mirrors the menu; every change and refresh() is pushed to it.
  void attach(MenuView* view) { view_ = view; }
  // Pushes every item to the view.
  void refresh() const;

 private:
  static std::size_t index(MenuItem i) { return static_cast<std::size_t>(i); }
  void push(MenuItem i) const;

  std::array<MenuItemState, kMenuItemCount> items_;
  MenuView* view_ = nullptr;
};

}  // namespace raidmon
