// Open Containing Folder and Copy Path in the result list's menu: the paths on the clipboard, and
// the folder shown by the file manager over D-Bus or, without one, opened through the desktop.
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#ifdef PELIMOR_TEST_DBUS
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusPendingCallWatcher>
#endif

#include "ui/desktop_open.h"
#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/result_list_view.h"
#include "ui/text_bytes.h"
#include "ui_test_support.h"

using namespace pelimor;

namespace {
// A name the file system holds as bytes that are no UTF-8 (Windows names are always Unicode).
#ifdef _WIN32
const std::string kOddFolder = "C:/data/odd \xc3\xa4 %#";
const QByteArray kOddFolderUrl = "file:///C:/data/odd%20%C3%A4%20%25%23";
#else
const std::string kOddFolder = "/data/odd \xff\xfe %#";
const QByteArray kOddFolderUrl = "file:///data/odd%20%FF%FE%20%25%23";
#endif
const std::string kOddFile = kOddFolder + "/x y.txt";
const QByteArray kOddFileUrl = kOddFolderUrl + "/x%20y.txt";
const std::string kPlainFile = kOddFolder.substr(0, kOddFolder.find("/odd")) + "/a.txt";

#ifdef PELIMOR_TEST_DBUS
// Stands in for the desktop's file manager on the private bus.
class FakeFileManager : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

 public:
  QStringList shown;
  bool refuse = false;

 public slots:
  void ShowItems(const QStringList& uris, const QString&) {
    shown << uris;
    if (refuse) sendErrorReply(QDBusError::Failed, QStringLiteral("no window"));
  }
};
#endif
}  // namespace

class PathEntriesTest : public QObject {
  Q_OBJECT

  static void installRows(const test::MainWindowDriver& ui) {
    ui.resultList()->installRows({test::makeRow(1, kPlainFile, 4, 1), test::makeRow(1, kOddFile, 4, 1),
                                  test::makeRow(2, kOddFolder + "/b", 4, 2), test::makeRow(2, "/c", 4, 2)});
  }

  // Open Containing Folder on the row of the file whose folder's name is no UTF-8.
  static void openOddFilesFolder(MainWindow& window) {
    const test::MainWindowDriver ui(window);
    installRows(ui);
    ui.resultList()->setFocusedRow(1);
    test::child<QAction>(window, "openFolderEntry")->trigger();
  }

 private slots:
  // Only a bus of the test's own (ui_path_entries_bus) may be asked: else none, never the user's.
  void initTestCase() {
    if (qEnvironmentVariableIsEmpty("PELIMOR_TEST_PRIVATE_BUS"))
      qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/pelimor-test-bus");
  }

  void theEntriesLeadTheMenuAndNeedAFocusedRow() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    auto* open = test::child<QAction>(window, "openFolderEntry");
    auto* copy = test::child<QAction>(window, "copyPathEntry");
    QCOMPARE(ui.resultMenu()->actions().mid(0, 2), (QList<QAction*>{open, copy}));
    QVERIFY(!open->isEnabled() && !copy->isEnabled());
    installRows(ui);
    ui.resultList()->setFocusedRow(1);
    QVERIFY(open->isEnabled() && copy->isEnabled());
    ui.resultList()->clearRows();
    QVERIFY(!open->isEnabled() && !copy->isEnabled());
  }

  void copyPathPutsTheFocusedOrTheSelectedPaths() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    installRows(ui);
    struct Case {
      std::vector<bool> selected;
      int focused;
      std::vector<std::string> paths;
      QList<QByteArray> urls;
    };
    const Case cases[] = {
        {{false, false, false, false}, 1, {kOddFile}, {kOddFileUrl}},
        {{true, false, false, false}, 1, {kOddFile}, {kOddFileUrl}},  // one selected: still the focused
        {{true, true, false, true}, 2, {kPlainFile, kOddFile, "/c"}, {"", kOddFileUrl, "file:///c"}},
    };
    for (const Case& c : cases) {
      QGuiApplication::clipboard()->clear();
      ui.resultList()->selectRows(c.selected);
      ui.resultList()->setFocusedRow(c.focused);
      ui.resultList()->setFocus();
      QTest::keyClick(ui.resultList(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
      const QMimeData* data = QGuiApplication::clipboard()->mimeData();
      QStringList lines;
      for (const std::string& path : c.paths) lines << shownPathText(path);
      QCOMPARE(data->text(), lines.join(u'\n'));
      QCOMPARE(data->urls().size(), qsizetype(c.urls.size()));
      for (qsizetype i = 0; i < c.urls.size(); ++i) {
        if (!c.urls[i].isEmpty()) QCOMPARE(data->urls()[i].toEncoded(), c.urls[i]);
      }
    }
  }

  // No file manager on the bus (or no bus): the folder itself goes to the desktop's opener.
  void withoutAFileManagerTheFolderIsOpened() {
    test::Opener opener({QStringLiteral("file")});
    MainWindow window;
    openOddFilesFolder(window);
    QTRY_COMPARE(opener.urls.size(), 1);
    QCOMPARE(opener.urls[0].toEncoded(), kOddFolderUrl);
  }

  // Past the stand-in: the system's opener gets the folder's very bytes.
  void theOpenerIsHandedTheFoldersBytes() {
#ifdef _WIN32
    QSKIP("Windows names are Unicode, and its shell opens");
#else
    QTemporaryDir programs;
    const QString opened = programs.filePath(QStringLiteral("opened"));
    const QString opener = programs.filePath(QStringLiteral("xdg-open"));
    test::writeFile(opener, "#!/bin/sh\nprintf %s \"$1\" >'" + QFile::encodeName(opened) + "'\n");
    QVERIFY(QFile::setPermissions(opener, QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(programs.path()) + ':' + path);
    replaceDesktopOpener({});
    {
      MainWindow window;
      openOddFilesFolder(window);
      QTRY_VERIFY(QFile::exists(opened));
    }
    { test::Opener nothing({}); }  // back to opening nothing
    qputenv("PATH", path);
    QFile file(opened);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray::fromStdString(kOddFolder));
#endif
  }

  void theFileManagerIsAskedToShowTheFile() {
#ifndef PELIMOR_TEST_DBUS
    QSKIP("This build asks the system's shell, not a file manager over D-Bus");
#else
    if (qEnvironmentVariableIsEmpty("PELIMOR_TEST_PRIVATE_BUS"))
      QSKIP("No bus of the test's own: ui_path_entries_bus runs this under dbus-run-session (package dbus-daemon)");
    QDBusConnection service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fileManager"));
    FakeFileManager fake;
    QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fake,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    for (const bool refuse : {false, true}) {
      fake.refuse = refuse;
      fake.shown.clear();
      test::Opener opener({QStringLiteral("file")});
      MainWindow window;
      openOddFilesFolder(window);
      QTRY_VERIFY(window.findChildren<QDBusPendingCallWatcher*>().isEmpty());  // answered
      QCOMPARE(fake.shown, QStringList{QString::fromLatin1(kOddFileUrl)});
      // Refused, the folder is opened all the same.
      QCOMPARE(opener.urls, refuse ? QList<QUrl>{QUrl::fromEncoded(kOddFolderUrl)} : QList<QUrl>{});
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("fileManager"));
#endif
  }
};

QTEST_MAIN(PathEntriesTest)
#include "path_entries_test.moc"
