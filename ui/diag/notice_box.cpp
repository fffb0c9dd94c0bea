#include "ui/diag/notice_box.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>

#include "ui/common/qt_text.h"

namespace raidmon {

NoticeBox::NoticeBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("Msgbox_form");
  setWindowTitle(QStringLiteral("Gui Message Box"));
  setModal(false);
  setFixedSize(313, 138);
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::Box);
  frame->setFrameShadow(QFrame::Sunken);
  frame->setGeometry(8, 8, 297, 84);
  QFont bold = font();
  bold.setBold(true);
  bold.setPixelSize(13);
  auto line = [&](const char* name, int top) {
    auto* l = new QLabel(frame);
    l->setObjectName(name);
    l->setFont(bold);
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(4, top, 289, 22);
    return l;
  };
  Msg1 = line("Msg1", 4);
  Msg2 = line("Msg2", 30);
  msg3 = line("msg3", 56);
  msg4 = new QLabel(this);
  msg4->setObjectName("msg4");
  msg4->hide();
  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  OKBtn->setGeometry(119, 102, 75, 25);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName("Cancel");
  CancelBtn->hide();
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::close);
  plainTextLabels(this);  // texts from files and the controller are never markup
}

void NoticeBox::setNoticeLine(int line, std::string_view text) {
  QLabel* labels[] = {Msg1, Msg2, msg3};
  if (line >= 1 && line <= 3) labels[line - 1]->setText(qs(text));
}

void NoticeBox::showNotice() {
  if (const QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect g = s->geometry();
    move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
  }
  show();
  raise();
  activateWindow();
}

void NoticeBox::FormClose() {
  Msg1->clear();
  Msg2->clear();
  msg3->clear();
}

void NoticeBox::closeEvent(QCloseEvent* e) {
  FormClose();
  QDialog::closeEvent(e);
}

void NoticeBox::done(int r) {
  FormClose();
  QDialog::done(r);
}

}  // namespace raidmon
