// Runs work from other threads on the GUI thread, through the Qt event loop.
#pragma once

#include <QObject>

#include "rebuild/gui_executor.h"

namespace raidmon {

// Tasks run in the thread of `context`, in the order posted; those still queued when
// `context` is destroyed are dropped.
class QtGuiExecutor final : public GuiExecutor {
 public:
  explicit QtGuiExecutor(QObject* context) : context_(context) {}
  void post(std::function<void()> task) override;

 private:
  QObject* context_;
};

}  // namespace raidmon
