// Texts anyone can write (settings, skins, file names) shown as they stand, and an
// unattended run that records every box and shows none.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "platform/program_dir.h"
#include "support/program_assets.h"
#include "support/temp_dir.h"
#include "support/transcript_file.h"
#include "ui/forms.h"

namespace raidmon {
namespace {

namespace fs = std::filesystem;

// A program directory with the built assets and, optionally, a QZ133.ini.
fs::path programDirWith(const test::TempDir& temp, const std::string& settings) {
  test::copyBuiltAssets(temp.path(), /*logo=*/true);
  if (!settings.empty()) std::ofstream(temp / "QZ133.ini") << settings;
  return temp.path();
}

// The whole program minus main(), with the options an unattended run gives.
struct Program {
  Program(const std::string& settings, FormsOptions options)
      : controller(emu::parseScenario(emu::defaultScenarioText()).value()),
        storage(controller),
        link(storage),
        dir(programDirWith(temp, settings)),
        monitor(link, packet, kOsFamilyNt, dir.string() + "/") {
    forms = std::make_unique<Forms>(monitor, options);
    forms->showMain();
    QApplication::processEvents();
  }
  ~Program() { forms.reset(); }
  test::TempDir temp{"raidmon_untrusted"};  // first in, last out: outlives the forms
  emu::Controller controller;
  emu::EmulatedNtStorage storage;
  DirectPortLink link;
  SharedPacket packet;
  fs::path dir;
  Monitor monitor;
  std::unique_ptr<Forms> forms;
};

std::vector<QWidget*> allForms(Forms& f) {
  return {f.statusWindow.get(), f.noticeBox.get(), f.flashDialog.get(), f.debugWindow.get(),
          f.monitorDialog.get(), f.scanBusWindow.get()};
}

// Closes any modal box that opens while it lives and counts it: an unattended run must
// never open one.
struct ModalWatch {
  ModalWatch() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        ++opened;
        texts << box->text();
        box->done(QMessageBox::Ok);
      }
    });
    timer.start(5);
  }
  QTimer timer;
  int opened = 0;
  QStringList texts;
};

TEST(UntrustedTextTest, SettingsTextsAreShownAsTheyStand) {
  const std::string company = R"(<b>ACME</b><img src="/dev/zero">)";
  const std::string homepage = R"(<a href="file:///bin/sh">http://www.korvane.example</a>)";
  Program p("[OEM]\nCompany=" + company + "\nProduct=<i>K4</i>\nHomepage=" + homepage +
                "\nGUI_VERSION=<font size=100>1</font>\n",
            {});
  MonitorDialog& dialog = *p.forms->monitorDialog;
  dialog.Info_Tab_Note->setCurrentIndex(3);  // the About page is drawn
  QApplication::processEvents();
  EXPECT_EQ(dialog.OEM_C_Label->text().toStdString(), company);
  EXPECT_EQ(dialog.OEM_P_Label->text(), "<i>K4</i>");
  EXPECT_EQ(dialog.OEM_G_Label->text(), "<font size=100>1</font>");
  // No label of any form reads its text as markup.
  for (QWidget* form : allForms(*p.forms)) {
    for (QLabel* label : form->findChildren<QLabel*>()) {
      EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    }
  }
  // The home page opens only as a web address the program checks, never as a link
  // written in the file.
  QStringList opened;
  dialog.openUrl = [&](const QString& url) { opened << url; };
  dialog.OEM_H_LabelClick();
  EXPECT_TRUE(opened.isEmpty());

  ModalWatch watch;
  QtDialogs(nullptr).errorBox("<b>Cannot open file</b>");
  guarded([] { throw std::runtime_error("<img src=\"/dev/zero\">"); });
  EXPECT_EQ(watch.texts, (QStringList{"<b>Cannot open file</b>", "<img src=\"/dev/zero\">"}));
  for (QMessageBox* box : qApp->findChildren<QMessageBox*>()) EXPECT_EQ(box->textFormat(), Qt::PlainText);
}

TEST(UntrustedTextTest, AnUnattendedRunRecordsEveryBoxAndShowsNone) {
  test::TempDir temp("raidmon_untrusted");
  const std::string transcriptFile = temp.file("transcript.txt");
  Transcript transcript(transcriptFile);
  ASSERT_TRUE(transcript.ok());
  ModalWatch watch;
  {
    // A start-up skin that does not load: the error is recorded, no box appears.
    test::TempDir programDir("raidmon_untrusted");
    const fs::path dir = programDirWith(programDir, "");
    std::ofstream(dir / "skins/default/Small_Ata2.ini") << "[HOTAREAINFO]\nCount=1\n1=A, 1 , 2, 3, 4\n";
    emu::Controller controller(emu::parseScenario(emu::defaultScenarioText()).value());
    emu::EmulatedNtStorage storage(controller);
    DirectPortLink link(storage);
    SharedPacket packet;
    Monitor monitor(link, packet, kOsFamilyNt, dir.string() + "/");
    Forms forms(monitor, FormsOptions{&transcript, true});
    forms.showMain();
    QApplication::processEvents();
    EXPECT_EQ(forms.statusWindow->findChildren<QMessageBox*>().size(), 0u);

    // The tray command without its icon fails inside its guarded handler.
    fs::remove(dir / "tavrix.ico");
    forms.statusWindow->action(MenuItem::GUITrayIcon1)->trigger();
    // Tray-In while a rebuild runs, and the tray command on a desktop without a tray.
    monitor.setRebuildState(RebuildState::Running);
    forms.statusWindow->U_buttonClick();
    monitor.setRebuildState(RebuildState::Idle);
    fs::copy_file(programDirectory() + "tavrix.ico", dir / "tavrix.ico", fs::copy_options::overwrite_existing);
    forms.statusWindow->setTrayAvailableCheck([] { return false; });
    forms.statusWindow->action(MenuItem::GUITrayIcon1)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(qApp->findChildren<QMessageBox*>().size(), 0u);
  }
  EXPECT_EQ(watch.opened, 0) << watch.texts.join(" | ").toStdString();
  std::vector<std::string> kinds;
  for (const std::string& rest : test::TranscriptFile(transcriptFile).lines()) {
    if (rest.rfind("trace", 0) != 0 && rest.rfind("row", 0) != 0 && rest.rfind("notice", 0) != 0) {
      kinds.push_back(rest);
    }
  }
  ASSERT_EQ(kinds.size(), 4u);
  EXPECT_EQ(kinds[0].rfind("error\t'1 ' is not a valid integer value (skin ", 0), 0u) << kinds[0];
  EXPECT_EQ(kinds[1].rfind("error\tCannot open file \"", 0), 0u) << kinds[1];
  EXPECT_NE(kinds[1].find("tavrix.ico"), std::string::npos);
  EXPECT_EQ(kinds[2], "box\tRebuild Processing");
  EXPECT_EQ(kinds[3], std::string("message\t") + kNoNotificationArea);
}

// A one-frame GIF of `side` x `side` pixels whose image data is only "clear, end".
QByteArray gifOf(int side) {
  QByteArray g("GIF89a");
  auto le16 = [&g](int v) {
    g.append(char(v & 0xFF));
    g.append(char((v >> 8) & 0xFF));
  };
  le16(side);
  le16(side);
  g.append(char(0x80)).append(char(0)).append(char(0));     // two-colour table follows
  g.append(QByteArray("\0\0\0\xFF\xFF\xFF", 6));              // black, white
  g.append(char(0x2C));
  le16(0);
  le16(0);
  le16(side);
  le16(side);
  g.append(char(0)).append(char(2));                          // no local table; code size 2
  g.append(char(1)).append(char(0x2C)).append(char(0));      // clear, end of information
  g.append(char(0x3B));
  return g;
}

TEST(UntrustedTextTest, IndicatorAnimationsAreReadWithinTheirLimits) {
  test::TempDir temp("raidmon_gif");
  const fs::path dir = temp.path();
  auto write = [&](const char* name, const QByteArray& bytes) {
    std::ofstream(dir / name, std::ios::binary).write(bytes.constData(), bytes.size());
    return QString::fromStdString((dir / name).string());
  };
  IndicatorClock clock;
  GifIndicator gif("C1_PM", &clock);
  EXPECT_TRUE(gif.load(write("small.gif", gifOf(10))));
  // 25 million pixels in one frame (a GIF Qt reads as such): more than an indicator
  // may keep decoded.
  QByteArray huge = gifOf(5000);
  QBuffer buffer(&huge);
  EXPECT_EQ(QImageReader(&buffer).size(), QSize(5000, 5000));
  EXPECT_FALSE(gif.load(write("huge.gif", huge)));
  ASSERT_EQ(::mkfifo((dir / "fifo.gif").c_str(), 0600), 0);
  EXPECT_FALSE(gif.load(QString::fromStdString((dir / "fifo.gif").string())));  // at once, not waiting
  EXPECT_TRUE(gif.load(QString::fromStdString(programDirectory() + "s_Green.gif")));
}

}  // namespace
}  // namespace raidmon
