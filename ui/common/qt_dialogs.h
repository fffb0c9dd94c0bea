// Modal message and input dialogs for the core, and the guard that keeps exceptions
// from leaving a Qt event handler.
#pragma once

#include <QWidget>
#include <functional>

#include "monitor/monitor_views.h"

namespace raidmon {

class QtDialogs final : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void errorBox(std::string_view text) override;
  bool confirmBox(std::string_view text, bool withCancel) override;
  void messageBox(std::string_view text) override;
  std::optional<std::string> inputBox(std::string_view caption, std::string_view prompt,
                                      std::string_view defaultText) override;
  // A box of its own ("ErrorNoticeBox") that closes and deletes itself on OK.
  void errorNotice(std::string_view text) override;

 private:
  QWidget* parent_;
};

// Runs a handler; an exception is shown in an error box instead of leaving the
// event loop: through the dialogs a GuardedErrorsTo names (so that an unattended run
// records it and shows nothing), else in a box of its own. Nothing escapes.
void guarded(const std::function<void()>& handler);

// While it lives, guarded() reports errors through `dialogs`; GUI thread only.
class GuardedErrorsTo {
 public:
  explicit GuardedErrorsTo(Dialogs* dialogs);
  ~GuardedErrorsTo();
  GuardedErrorsTo(const GuardedErrorsTo&) = delete;
  GuardedErrorsTo& operator=(const GuardedErrorsTo&) = delete;

 private:
  Dialogs* previous_;
};

}  // namespace raidmon
