// The main window's start and close with real settings files, Esc, the help links and the sound.
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <cerrno>

#include "pelimor_version.h"
#include "platform/folders.h"
#include "platform/io_error_text.h"
#include "settings/options_record.h"
#include "ui/completion_sound.h"
#include "ui/filter_controls.h"
#include "ui/help_links.h"
#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/result_list_view.h"
#include "ui/segoe_font.h"
#include "ui/source_list.h"
#include "ui/text_bytes.h"
#include "ui/ui_test_support.h"

using namespace pelimor;

namespace {

// The error box as the user saw it.
struct ErrorBox {
  bool seen = false;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
};

void answerErrorBox(ErrorBox* box) {
  test::whenModal([](QWidget* widget) { return qobject_cast<QMessageBox*>(widget) != nullptr; },
                  [box](QWidget* widget) {
                    auto* message = qobject_cast<QMessageBox*>(widget);
                    box->seen = true;
                    box->title = message->windowTitle();
                    box->text = message->text();
                    box->icon = message->icon();
                    for (QAbstractButton* button : message->buttons()) box->buttons << button->text().remove(u'&');
                    message->button(QMessageBox::Ok)->click();
                  });
}

QByteArray readAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

QByteArray int32Bytes(std::int32_t value) {
  QByteArray bytes(4, '\0');
  auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i, bits >>= 8) bytes[i] = static_cast<char>(bits & 0xFFu);
  return bytes;
}

QByteArray sourceFileOf(const QList<QByteArray>& rows) {
  QByteArray bytes = int32Bytes(static_cast<std::int32_t>(rows.size()));
  for (const QByteArray& row : rows) bytes += int32Bytes(static_cast<std::int32_t>(row.size())) + row;
  return bytes;
}

void pickType(MainWindow& window, int index) { test::MainWindowDriver(window).chooseType(index); }

void pickSize(MainWindow& window, int index) { test::MainWindowDriver(window).chooseSize(index); }

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> home_;

  QString dataFolder() const { return shownText(platform::dataFolder()); }
  QString optionsFile() const { return dataFolder() + QStringLiteral("Options.cfg"); }
  QString sourceFile() const { return dataFolder() + QStringLiteral("Source.cfg"); }

  // A new run of the program: nothing of the last one is left in memory.
  static std::unique_ptr<MainWindow> start() { return std::make_unique<MainWindow>(MainWindow::Settings::FromFiles); }

 private slots:
  void init() {
    // Nothing here may touch the real home.
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    test::setFolderVariable(test::kHomeVariable, home_->path());
    test::setFolderVariable(test::kConfigHomeVariable, home_->path() + QStringLiteral("/config/deeper"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home_->path()));
  }

  void cleanup() {
    test::stopAnswering();
    home_.reset();
  }

  void firstStartHasTheDefaultsAndWritesThem() {
    const auto window = start();
    const test::MainWindowDriver ui(*window);
    QCOMPARE(window->dataFolder(), platform::dataFolder());
    QVERIFY(QFileInfo(dataFolder()).isDir());  // every missing level made
    QCOMPARE(window->sourceFolders(), std::vector<std::string>{platform::defaultSourceFolder()});
    QVERIFY(ui.sourceList()->hasSelectedRow());
    QCOMPARE(ui.typeList()->currentText(), QStringLiteral("All"));
    QCOMPARE(ui.sizeList()->currentText(), QStringLiteral("100"));
    QCOMPARE(ui.maskEdit()->text(), QStringLiteral("*.*"));
    QCOMPARE(window->windowState(), Qt::WindowNoState);
    QCOMPARE(window->windowTitle(), QString::fromLatin1(kNameAndVersion));

    // Options.cfg is written before the window is shown; Source.cfg only at close.
    const QByteArray options = readAll(optionsFile());
    QCOMPARE(options.size(), qsizetype(OptionsRecord::kSize));
    QCOMPARE(options.left(4), int32Bytes(OptionsRecord::kVersion));
    QVERIFY(!QFile::exists(sourceFile()));
    // The designed size, centred on the primary screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(window->frameGeometry().center(), screen.center());
  }

  void closeWritesBothFilesAndTheNextStartRestoresThem() {
    {
      const auto window = start();
      const test::MainWindowDriver ui(*window);
      window->setSourceFolders({"/data/photos", "/data/more photos", ""});
      pickType(*window, FilterControls::kCustomType);
      ui.maskEdit()->setText(QStringLiteral("*.x; *.y"));
      pickSize(*window, 2);
      test::showActive(*window);
      window->showMaximized();
      QVERIFY(window->close());
    }
    QCOMPARE(readAll(sourceFile()), sourceFileOf({"/data/photos", "/data/more photos", ""}));
    const QByteArray options = readAll(optionsFile());
    QCOMPARE(options.size(), qsizetype(OptionsRecord::kSize));
    QCOMPARE(options.at(4), char(2));

    const auto again = start();
    const test::MainWindowDriver ui(*again);
    QCOMPARE(again->sourceFolders(), (std::vector<std::string>{"/data/photos", "/data/more photos", ""}));
    QVERIFY(ui.sourceList()->hasSelectedRow());
    QCOMPARE(ui.typeList()->currentText(), QStringLiteral("Custom"));
    QCOMPARE(ui.maskEdit()->text(), QStringLiteral("*.x; *.y"));
    QVERIFY(!ui.maskEdit()->isReadOnly());
    QCOMPARE(ui.sizeList()->currentText(), QStringLiteral("10"));
    QVERIFY(again->windowState() & Qt::WindowMaximized);
    test::showActive(*again);
    QVERIFY(again->isMaximized());
  }

  void aWindowClosedMinimizedOpensNormalWhereItWas() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    {
      const auto window = start();
      test::showActive(*window);
      window->setGeometry(screen.left() + 40, screen.top() + 30, 900, 650);
      window->showMinimized();
      QVERIFY(window->close());
    }
    QCOMPARE(readAll(optionsFile()).at(4), char(0));
    const auto again = start();
    test::showActive(*again);
    QVERIFY(!again->isMinimized());
    QCOMPARE(again->geometry(), QRect(screen.left() + 40, screen.top() + 30, 900, 650));
  }

  // Minimized before it was ever on screen, as by a window manager that maps it iconic.
  void aStartMinimizedFromOutsideComesUpNormal() {
    const auto window = start();
    window->show();
    window->setWindowState(window->windowState() | Qt::WindowMinimized);
    QTRY_VERIFY(!window->isMinimized());
    test::showActive(*window);
  }

  void aNormalWindowComesBackWhereItWas() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect place;
    {
      const auto window = start();
      test::showActive(*window);
      window->setGeometry(screen.left() + 40, screen.top() + 30, 900, 640);
      place = window->frameGeometry();
      QVERIFY(window->close());
    }
    // Saved with its frame (the offscreen desktop draws one too), and fitted to it once shown.
    QCOMPARE(readAll(optionsFile()).mid(5, 16), int32Bytes(place.left()) + int32Bytes(place.top()) +
                                                    int32Bytes(place.width()) + int32Bytes(place.height()));
    QVERIFY(place.size() != QSize(900, 640));
    const auto again = start();
    test::showActive(*again);
    QCOMPARE(again->frameGeometry(), place);
    QCOMPARE(again->geometry(), QRect(screen.left() + 40, screen.top() + 30, 900, 640));
  }

  void aPlacementOffEveryScreenFallsBackToTheDesignedOne() {
    QSize designed;
    {
      const auto window = start();
      designed = window->frameGeometry().size();
    }
    QByteArray options = readAll(optionsFile());
    options.replace(5, 4, int32Bytes(-30000));  // Left
    options.replace(9, 4, int32Bytes(-30000));  // Top
    test::writeFile(optionsFile(), options);
    const auto again = start();
    QCOMPARE(again->frameGeometry().size(), designed);
    QCOMPARE(again->frameGeometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
  }

  void aStateAboveTwoCountsAsNormal() {
    { start(); }
    QByteArray options = readAll(optionsFile());
    options[4] = char(7);
    test::writeFile(optionsFile(), options);
    const auto again = start();
    QCOMPARE(again->windowState(), Qt::WindowNoState);
  }

  void aBrokenSourceFileIsShownAndTheStartGoesOnWithTheDesignedWindow() {
    QDir().mkpath(dataFolder());
    // Two rows announced, one there.
    test::writeFile(sourceFile(), int32Bytes(2) + int32Bytes(2) + QByteArray("/a"));
    ErrorBox box;
    answerErrorBox(&box);
    const auto window = start();
    const test::MainWindowDriver ui(*window);
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Pelimor"));
    QCOMPARE(box.text, QStringLiteral("Stream read error.\nFile: \"%1\"").arg(QDir::toNativeSeparators(sourceFile())));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
    // The row read whole stays; the settings were never read.
    QCOMPARE(window->sourceFolders(), std::vector<std::string>{"/a"});
    QCOMPARE(window->options().version(), 0);
    QVERIFY(!QFile::exists(optionsFile()));
    QCOMPARE(ui.typeList()->currentText(), QStringLiteral("All"));
    QCOMPARE(ui.sizeList()->currentText(), QStringLiteral("100"));
    // The dialogs are made all the same.
    QVERIFY(ui.aboutBox());
    QVERIFY(ui.waitDialog());
  }

  void aReadOnlyOptionsFileKeepsTheWindowOpenOnce() {
    const auto window = start();
    test::showActive(*window);
    window->setSourceFolders({"/kept"});
    const QByteArray optionsBefore = readAll(optionsFile());
    QVERIFY(chmod(QFile::encodeName(optionsFile()).constData(), 0444) == 0);

    ErrorBox box;
    answerErrorBox(&box);
    QVERIFY(!window->close());
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Pelimor"));
    QCOMPARE(box.text,
             QStringLiteral("File access denied.\nFile: \"%1\"").arg(QDir::toNativeSeparators(optionsFile())));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY(window->isVisible());
    // What was written before the failing step stays.
    QCOMPARE(readAll(sourceFile()), sourceFileOf({"/kept"}));
    QCOMPARE(readAll(optionsFile()), optionsBefore);

    // The user can still end the program: the next close tries once more and then closes.
    ErrorBox again;
    answerErrorBox(&again);
    QVERIFY(window->close());
    QVERIFY(again.seen);
    QVERIFY(!window->isVisible());
  }

  void anUnusableSourceFileIsReportedAndOptionsAreNotWritten() {
    const auto window = start();
    test::showActive(*window);
    const QByteArray optionsBefore = readAll(optionsFile());
    QVERIFY(QDir().mkpath(sourceFile()));  // a folder where Source.cfg belongs
    window->showMaximized();

    ErrorBox box;
    answerErrorBox(&box);
    QVERIFY(!window->close());
    QVERIFY(box.seen);
    QVERIFY2(box.text.startsWith(QStringLiteral("Cannot create file \"%1\"").arg(sourceFile())), qPrintable(box.text));
    QVERIFY(window->isVisible());
    QCOMPARE(readAll(optionsFile()), optionsBefore);

    // Once the folder is gone the close goes through.
    QVERIFY(QDir().rmdir(sourceFile()));
    QVERIFY(window->close());
    QCOMPARE(readAll(optionsFile()).at(4), char(2));
  }

  void escMinimizesFromAnyControlAndSavesNothing() {
    const auto window = start();
    const test::MainWindowDriver ui(*window);
    const QByteArray optionsBefore = readAll(optionsFile());
    QWidget* controls[] = {ui.maskEdit(), ui.sourceList(), ui.resultList(), ui.typeList()};
    for (QWidget* control : controls) {
      test::showActive(*window);
      QVERIFY(!window->isMinimized());
      control->setFocus();
      QTest::keyClick(control, Qt::Key_Escape);
      QVERIFY2(window->isMinimized(), qPrintable(control->objectName()));
      QVERIFY(window->isVisible());  // still on the taskbar
      window->showNormal();
    }
    QVERIFY(!QFile::exists(sourceFile()));
    QCOMPARE(readAll(optionsFile()), optionsBefore);
  }

  // Qt offers a drop-down's keys to its window's shortcuts too: Esc there must stop at the drop-down.
  void escInAnOpenDropDownOnlyClosesIt() {
    const auto window = start();
    const test::MainWindowDriver ui(*window);
    for (QComboBox* list : {ui.sizeList(), ui.typeList(), ui.searchModeList()}) {
      test::showActive(*window);
      list->showPopup();
      QTRY_VERIFY(QApplication::activePopupWidget());
      QTest::keyClick(window->windowHandle(), Qt::Key_Escape);  // where X sends it: the focused window
      QVERIFY2(!window->isMinimized(), qPrintable(list->objectName()));
      QTRY_VERIFY(!QApplication::activePopupWidget());
    }
  }

  void anotherStartBringsTheWindowBack() {
    const auto window = start();
    test::showActive(*window);
    window->showMaximized();
    window->showMinimized();
    window->bringForward();
    QVERIFY(!window->isMinimized());
    QVERIFY(window->isMaximized());
    QVERIFY(window->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
  }

  void f1HandsTheUserGuideToTheOpener() {
    test::Opener opener({QStringLiteral("file")});
    const auto window = start();
    const test::MainWindowDriver ui(*window);
    test::showActive(*window);
    QCOMPARE(window->programFolder(), platform::programDataFolder());
    ui.maskEdit()->setFocus();
    QTest::keyClick(ui.maskEdit(), Qt::Key_F1);
    QCOMPARE(opener.urls, QList<QUrl>{QUrl::fromLocalFile(shownText(platform::programDataFolder()) + "Help.html")});
    // The toolbar button's body runs the same action.
    window->action(MainAction::Help)->trigger();
    QCOMPARE(opener.urls.size(), 2);
    QCOMPARE(opener.urls.last(), opener.urls.first());
  }

  void theMenuLinksGoToTheProjectsPageAndItsIssues() {
    test::Opener opener({QStringLiteral("https")});
    MainWindow window;
    const test::MainWindowDriver ui(window);
    ui.webSiteEntry()->trigger();
    ui.feedbackEntry()->trigger();
    QCOMPARE(opener.urls.size(), 2);
    QCOMPARE(opener.urls[0].toEncoded(), QByteArray("https://github.com/pelimor/pelimor"));
    QCOMPARE(opener.urls[1].toEncoded(), QByteArray("https://github.com/pelimor/pelimor/issues"));
  }

  void anOpenerThatStartsNothingIsReported() {
    test::Opener refusing({});  // a desktop without an opener
    MainWindow window;
    const test::MainWindowDriver ui(window);
    const std::pair<QAction*, QString> cases[] = {{window.action(MainAction::Help), QStringLiteral("the user guide")},
                                                  {ui.webSiteEntry(), QStringLiteral("the web site")},
                                                  {ui.feedbackEntry(), QStringLiteral("the issue tracker")},
                                                  {window.action(MainAction::Print), QStringLiteral("the report")}};
    for (const auto& [action, named] : cases) {
      ErrorBox box;
      answerErrorBox(&box);
      action->trigger();
      QVERIFY2(box.seen, qPrintable(named));
      QCOMPARE(box.title, QStringLiteral("Error"));
      QVERIFY2(box.text.startsWith(QStringLiteral("No program could be started to open %1:\n").arg(named)),
               qPrintable(box.text));
      QVERIFY2(!box.text.contains(QStringLiteral("file:")), qPrintable(box.text));  // a file by its path
    }
  }

  void theFontRuleOnlyChangesForSegoeUiOnWindowsSix() {
    const QStringList installed{QStringLiteral("Tahoma"), QStringLiteral("Segoe UI")};
    QFont designed(QStringLiteral("Tahoma"), 8);
    designed.setBold(true);

    QFont font = designed;
    QVERIFY(applySegoeFont(font, true, installed));
    QCOMPARE(font.family(), QStringLiteral("Segoe UI"));
    QCOMPARE(font.pointSizeF(), 9.0);
    QVERIFY(font.bold());

    font = designed;
    QVERIFY(!applySegoeFont(font, false, installed));  // Windows 5
    QCOMPARE(font, designed);
    QVERIFY(!applySegoeFont(font, true, {QStringLiteral("Tahoma")}));  // not installed
    QCOMPARE(font, designed);

    QFont already(QStringLiteral("segoe ui"), 10);
    QVERIFY(!applySegoeFont(already, true, installed));
    QCOMPARE(already.pointSizeF(), 10.0);

    // Never here: the desktop's font stays.
    const auto window = start();
    QCOMPARE(window->font(), QApplication::font(window.get()));
  }

  void theSoundPlaysFromItsFolderAndAnUnopenableOneIsReported() {
    QTemporaryDir folder;
    QWidget owner;
    CompletionSound sound(&owner, folder.path());
    QCOMPARE(sound.soundFile(), folder.path() + QStringLiteral("/Dupe.wav"));
    sound.play();  // no file: nothing, no box
    QVERIFY(sound.playing().isEmpty());

    QVERIFY(QFile::copy(QStringLiteral(PELIMOR_SOURCE_DIR "/resources/sound/Dupe.wav"), sound.soundFile()));
    sound.play();  // with or without a sound device: no box
    QCOMPARE(sound.playing(), sound.soundFile());

    // A file that can't be opened: the box tells, and play() returns for the rest of the search's end.
#ifdef _WIN32
    // Here a program holding the file without sharing it shuts others out, not permission bits;
    // it gets the file once the sound just started has let go of it.
    const std::wstring wav = QDir::toNativeSeparators(sound.soundFile()).toStdWString();
    HANDLE holder = INVALID_HANDLE_VALUE;
    QVERIFY(QTest::qWaitFor([&] {
      holder = ::CreateFileW(wav.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      return holder != INVALID_HANDLE_VALUE;
    }));
    const int error = EBUSY;
#else
    QVERIFY(chmod(QFile::encodeName(sound.soundFile()).constData(), 0) == 0);
    const int error = EACCES;
#endif
    ErrorBox box;
    answerErrorBox(&box);
    {
      test::HeldToPermissions asUser;
      sound.play();
    }
#ifdef _WIN32
    ::CloseHandle(holder);
#endif
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Pelimor"));
    QCOMPARE(box.text, QStringLiteral("Cannot open file \"%1\". %2.")
                           .arg(sound.soundFile(), shownText(platform::systemErrorText(error))));
  }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
