#include "ui/common/qt_gui_executor.h"

#include <QMetaObject>

#include "ui/common/qt_dialogs.h"

namespace raidmon {

void QtGuiExecutor::post(std::function<void()> task) {
  QMetaObject::invokeMethod(
      context_, [task = std::move(task)] { guarded(task); }, Qt::QueuedConnection);
}

}  // namespace raidmon
