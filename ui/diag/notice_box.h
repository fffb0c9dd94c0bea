// The non-blocking notice window "Gui Message Box" (the system's form Msgbox_form):
// three bold lines and an OK button.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "monitor/monitor_views.h"

namespace raidmon {

class NoticeBox final : public QDialog, public NoticeView {
  Q_OBJECT
 public:
  explicit NoticeBox(QWidget* parent = nullptr);

  QLabel* Msg1;
  QLabel* Msg2;
  QLabel* msg3;
  QLabel* msg4;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

  void setNoticeLine(int line, std::string_view text) override;
  void setNoticeOkVisible(bool visible) override { OKBtn->setVisible(visible); }
  // Shows the box without waiting, above all windows, with the focus.
  void showNotice() override;
  void closeNotice() override { close(); }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void done(int r) override;

 private:
  void FormClose();
};

}  // namespace raidmon
