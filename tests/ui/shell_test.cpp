// The main window's start and close with real settings files, Esc, the help links and the sound.
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <QAbstractButton>
#include <QAction>
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

#include "platform/folders.h"
#include "platform/io_error_text.h"
#include "settings/options_record.h"
#include "ui/completion_sound.h"
#include "ui/filter_controls.h"
#include "ui/form_qvr.h"
#include "ui/help_links.h"
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

void pickType(TFormQVR& form, int index) {
  form.ComboBoxType->setCurrentIndex(index);
  form.Filters->ComboBoxTypeChange();
}

void pickSize(TFormQVR& form, int index) {
  form.ComboBoxSize->setCurrentIndex(index);
  form.Filters->ComboBoxSizeChange();
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> home_;

  QString dataFolder() const { return shownText(platform::dataFolder()); }
  QString optionsFile() const { return dataFolder() + QStringLiteral("Options.cfg"); }
  QString sourceFile() const { return dataFolder() + QStringLiteral("Source.cfg"); }

  // A new run of the program: nothing of the last one is left in memory.
  static std::unique_ptr<TFormQVR> start() {
    Options = OptionsRecord{};
    return std::make_unique<TFormQVR>(TFormQVR::Settings::FromFiles);
  }

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
    const auto form = start();
    QCOMPARE(form->DataFolder, platform::dataFolder());
    QVERIFY(QFileInfo(dataFolder()).isDir());  // every missing level made
    QCOMPARE(form->sourceFolders(), std::vector<std::string>{platform::defaultSourceFolder()});
    QVERIFY(form->ListViewSource->hasSelectedRow());
    QCOMPARE(form->ComboBoxType->currentText(), QStringLiteral("All"));
    QCOMPARE(form->ComboBoxSize->currentText(), QStringLiteral("100"));
    QCOMPARE(form->EditMask->text(), QStringLiteral("*.*"));
    QCOMPARE(form->windowState(), Qt::WindowNoState);
    QCOMPARE(form->windowTitle(), QStringLiteral("Pelimor 3.0"));

    // Options.cfg is written before the window is shown; Source.cfg only at close.
    const QByteArray options = readAll(optionsFile());
    QCOMPARE(options.size(), qsizetype(OptionsRecord::kSize));
    QCOMPARE(options.left(4), int32Bytes(OptionsRecord::kVersion));
    QVERIFY(!QFile::exists(sourceFile()));
    // The designed size, centred on the primary screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(form->frameGeometry().center(), screen.center());
  }

  void closeWritesBothFilesAndTheNextStartRestoresThem() {
    {
      const auto form = start();
      form->setSourceFolders({"/data/photos", "/data/more photos", ""});
      pickType(*form, FilterControls::kCustomType);
      form->EditMask->setText(QStringLiteral("*.x; *.y"));
      pickSize(*form, 2);
      test::showActive(*form);
      form->showMaximized();
      QVERIFY(form->close());
    }
    QCOMPARE(readAll(sourceFile()), sourceFileOf({"/data/photos", "/data/more photos", ""}));
    const QByteArray options = readAll(optionsFile());
    QCOMPARE(options.size(), qsizetype(OptionsRecord::kSize));
    QCOMPARE(options.at(4), char(2));

    const auto again = start();
    QCOMPARE(again->sourceFolders(), (std::vector<std::string>{"/data/photos", "/data/more photos", ""}));
    QVERIFY(again->ListViewSource->hasSelectedRow());
    QCOMPARE(again->ComboBoxType->currentText(), QStringLiteral("Custom"));
    QCOMPARE(again->EditMask->text(), QStringLiteral("*.x; *.y"));
    QVERIFY(!again->EditMask->isReadOnly());
    QCOMPARE(again->ComboBoxSize->currentText(), QStringLiteral("10"));
    QVERIFY(again->windowState() & Qt::WindowMaximized);
    test::showActive(*again);
    QVERIFY(again->isMaximized());
  }

  void aWindowClosedMinimizedOpensNormalWhereItWas() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    {
      const auto form = start();
      test::showActive(*form);
      form->setGeometry(screen.left() + 40, screen.top() + 30, 900, 650);
      form->showMinimized();
      QVERIFY(form->close());
    }
    QCOMPARE(readAll(optionsFile()).at(4), char(0));
    const auto again = start();
    test::showActive(*again);
    QVERIFY(!again->isMinimized());
    QCOMPARE(again->geometry(), QRect(screen.left() + 40, screen.top() + 30, 900, 650));
  }

  void aNormalWindowComesBackWhereItWas() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect place;
    {
      const auto form = start();
      test::showActive(*form);
      form->setGeometry(screen.left() + 40, screen.top() + 30, 900, 640);
      place = form->frameGeometry();
      QVERIFY(form->close());
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
      const auto form = start();
      designed = form->frameGeometry().size();
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
    const auto form = start();
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Pelimor"));
    QCOMPARE(box.text, QStringLiteral("Stream read error.\nFile: \"%1\"").arg(QDir::toNativeSeparators(sourceFile())));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
    // The row read whole stays; the settings were never read.
    QCOMPARE(form->sourceFolders(), std::vector<std::string>{"/a"});
    QCOMPARE(Options.version(), 0);
    QVERIFY(!QFile::exists(optionsFile()));
    QCOMPARE(form->ComboBoxType->currentText(), QStringLiteral("All"));
    QCOMPARE(form->ComboBoxSize->currentText(), QStringLiteral("100"));
    // The dialogs are made all the same.
    QVERIFY(form->FormAbout);
    QVERIFY(form->FormWait);
  }

  void aReadOnlyOptionsFileKeepsTheWindowOpenOnce() {
    const auto form = start();
    test::showActive(*form);
    form->setSourceFolders({"/kept"});
    const QByteArray optionsBefore = readAll(optionsFile());
    QVERIFY(chmod(QFile::encodeName(optionsFile()).constData(), 0444) == 0);

    ErrorBox box;
    answerErrorBox(&box);
    QVERIFY(!form->close());
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Pelimor"));
    QCOMPARE(box.text,
             QStringLiteral("File access denied.\nFile: \"%1\"").arg(QDir::toNativeSeparators(optionsFile())));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY(form->isVisible());
    // What was written before the failing step stays.
    QCOMPARE(readAll(sourceFile()), sourceFileOf({"/kept"}));
    QCOMPARE(readAll(optionsFile()), optionsBefore);

    // The user can still end the program: the next close tries once more and then closes.
    ErrorBox again;
    answerErrorBox(&again);
    QVERIFY(form->close());
    QVERIFY(again.seen);
    QVERIFY(!form->isVisible());
  }

  void anUnusableSourceFileIsReportedAndOptionsAreNotWritten() {
    const auto form = start();
    test::showActive(*form);
    const QByteArray optionsBefore = readAll(optionsFile());
    QVERIFY(QDir().mkpath(sourceFile()));  // a folder where Source.cfg belongs
    form->showMaximized();

    ErrorBox box;
    answerErrorBox(&box);
    QVERIFY(!form->close());
    QVERIFY(box.seen);
    QVERIFY2(box.text.startsWith(QStringLiteral("Cannot create file \"%1\"").arg(sourceFile())), qPrintable(box.text));
    QVERIFY(form->isVisible());
    QCOMPARE(readAll(optionsFile()), optionsBefore);

    // Once the folder is gone the close goes through.
    QVERIFY(QDir().rmdir(sourceFile()));
    QVERIFY(form->close());
    QCOMPARE(readAll(optionsFile()).at(4), char(2));
  }

  void escMinimizesFromAnyControlAndSavesNothing() {
    const auto form = start();
    const QByteArray optionsBefore = readAll(optionsFile());
    QWidget* controls[] = {form->EditMask, form->ListViewSource, form->ListViewDup, form->ComboBoxType};
    for (QWidget* control : controls) {
      test::showActive(*form);
      QVERIFY(!form->isMinimized());
      control->setFocus();
      QTest::keyClick(control, Qt::Key_Escape);
      QVERIFY2(form->isMinimized(), qPrintable(control->objectName()));
      QVERIFY(form->isVisible());  // still on the taskbar
      form->showNormal();
    }
    QVERIFY(!QFile::exists(sourceFile()));
    QCOMPARE(readAll(optionsFile()), optionsBefore);
  }

  void anotherStartBringsTheWindowBack() {
    const auto form = start();
    test::showActive(*form);
    form->showMaximized();
    form->showMinimized();
    form->bringForward();
    QVERIFY(!form->isMinimized());
    QVERIFY(form->isMaximized());
    QVERIFY(form->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
  }

  void f1HandsTheUserGuideToTheOpener() {
    test::Opener opener({QStringLiteral("file")});
    const auto form = start();
    test::showActive(*form);
    QCOMPARE(form->ProgramFolder, platform::programFolder());
    form->EditMask->setFocus();
    QTest::keyClick(form->EditMask, Qt::Key_F1);
    QCOMPARE(opener.urls, QList<QUrl>{QUrl::fromLocalFile(shownText(platform::programFolder()) + "Help.html")});
    // The toolbar button's body runs the same action.
    form->actions().ActionHelp->trigger();
    QCOMPARE(opener.urls.size(), 2);
    QCOMPARE(opener.urls.last(), opener.urls.first());
  }

  void theMenuLinksGoToTheWebPageAndANewMail() {
    test::Opener opener({QStringLiteral("https"), QStringLiteral("mailto")});
    TFormQVR form;
    form.VisitQVRWebSite1->trigger();
    form.Feedbackanycommentswishes1->trigger();
    QCOMPARE(opener.urls.size(), 2);
    QCOMPARE(opener.urls[0].toEncoded(), QByteArray(kWebSiteUrl));
    QCOMPARE(opener.urls[1].toEncoded(), QByteArray(kFeedbackMailUrl));
    QCOMPARE(opener.urls[1].toEncoded(), QByteArray("mailto:support@pelimor.example?subject=Pelimor%203.0"));
    QCOMPARE(opener.urls[1].scheme(), QStringLiteral("mailto"));
    QCOMPARE(opener.urls[0].scheme(), QStringLiteral("https"));
  }

  void anOpenerThatStartsNothingIsReported() {
    test::Opener refusing({});  // a desktop without an opener
    TFormQVR form;
    const std::pair<QAction*, QString> cases[] = {{form.actions().ActionHelp, QStringLiteral("the user guide")},
                                                  {form.VisitQVRWebSite1, QStringLiteral("the web site")},
                                                  {form.Feedbackanycommentswishes1, QStringLiteral("a new mail")},
                                                  {form.actions().ActionPrint, QStringLiteral("the report")}};
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
    QVERIFY(ApplySegoeFont(font, true, installed));
    QCOMPARE(font.family(), QStringLiteral("Segoe UI"));
    QCOMPARE(font.pointSizeF(), 9.0);
    QVERIFY(font.bold());

    font = designed;
    QVERIFY(!ApplySegoeFont(font, false, installed));  // Windows 5
    QCOMPARE(font, designed);
    QVERIFY(!ApplySegoeFont(font, true, {QStringLiteral("Tahoma")}));  // not installed
    QCOMPARE(font, designed);

    QFont already(QStringLiteral("segoe ui"), 10);
    QVERIFY(!ApplySegoeFont(already, true, installed));
    QCOMPARE(already.pointSizeF(), 10.0);

    // Never here: the desktop's font stays.
    const auto form = start();
    QCOMPARE(form->font(), QApplication::font(form.get()));
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
