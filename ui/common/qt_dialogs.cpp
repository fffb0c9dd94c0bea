#include "ui/common/qt_dialogs.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <exception>

#include "ui/common/qt_text.h"

namespace raidmon {

void QtDialogs::errorBox(std::string_view text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), qs(text), QMessageBox::Ok, parent_);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
}

bool QtDialogs::confirmBox(std::string_view text, bool withCancel) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), qs(text),
                  withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent_);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  return box.exec() == QMessageBox::Ok;
}

void QtDialogs::messageBox(std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), qs(text), QMessageBox::Ok, parent_);
  box.exec();
}

std::optional<std::string> QtDialogs::inputBox(std::string_view caption, std::string_view prompt,
                                               std::string_view defaultText) {
  bool ok = false;
  const QString answer = QInputDialog::getText(parent_, qs(caption), qs(prompt), QLineEdit::Normal,
                                               qs(defaultText), &ok);
  if (!ok) return std::nullopt;
  return str(answer);
}

void guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromUtf8(e.what()));
  } catch (...) {
    QMessageBox::critical(nullptr, QStringLiteral("Error"), QStringLiteral("Unexpected error"));
  }
}

}  // namespace raidmon
