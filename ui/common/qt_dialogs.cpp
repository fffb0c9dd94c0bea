#include "ui/common/qt_dialogs.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <exception>

#include "ui/common/qt_text.h"

namespace raidmon {

namespace {

// Where guarded() reports an error (null: a box of its own).
Dialogs* gGuardedErrors = nullptr;

}  // namespace

// Every box shows its text as it stands: a file name or a controller text is never
// read as markup.
void QtDialogs::errorBox(std::string_view text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), qs(text), QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
}

bool QtDialogs::confirmBox(std::string_view text, bool withCancel) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), qs(text),
                  withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  return box.exec() == QMessageBox::Ok;
}

void QtDialogs::messageBox(std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), qs(text), QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void QtDialogs::errorNotice(std::string_view text) {
  auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Error"), qs(text), QMessageBox::Ok, parent_);
  box->setObjectName("ErrorNoticeBox");
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  box->setWindowModality(Qt::NonModal);
  box->show();
}

std::optional<std::string> QtDialogs::inputBox(std::string_view caption, std::string_view prompt,
                                               std::string_view defaultText) {
  bool ok = false;
  const QString answer = QInputDialog::getText(parent_, qs(caption), qs(prompt), QLineEdit::Normal,
                                               qs(defaultText), &ok);
  if (!ok) return std::nullopt;
  return str(answer);
}

GuardedErrorsTo::GuardedErrorsTo(Dialogs* dialogs) : previous_(gGuardedErrors) { gGuardedErrors = dialogs; }

GuardedErrorsTo::~GuardedErrorsTo() { gGuardedErrors = previous_; }

namespace {

void reportGuardedError(std::string_view text) {
  try {
    if (gGuardedErrors != nullptr) {
      gGuardedErrors->errorBox(text);
    } else {
      QtDialogs(nullptr).errorBox(text);
    }
  } catch (...) {
    // The report itself failed; the event loop must still not see an exception.
  }
}

}  // namespace

void guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    reportGuardedError(e.what());
  } catch (...) {
    reportGuardedError("Unexpected error");
  }
}

}  // namespace raidmon
