// Open Containing Folder and Copy Path in the result list's menu: the paths on the clipboard, and
// the folder shown by the file manager over D-Bus or, without one, opened through the desktop.
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#ifdef PELIMOR_TEST_DBUS
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusPendingCallWatcher>
#endif

#include "ui/desktop_open.h"
#include "ui/folder_groups_view.h"
#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/result_list_view.h"
#include "ui/text_bytes.h"
#include "ui_test_support.h"

using namespace pelimor;

namespace {
// A folder named by bytes that are no UTF-8 (Windows names are always Unicode), holding the rows.
#ifdef _WIN32
const std::string kFolder = "C:/data/odd \xc3\xa4 %#";
const QByteArray kFolderUrl = "file:///C:/data/odd%20%C3%A4%20%25%23";
#else
const std::string kFolder = "/data/odd \xff\xfe %#";
const QByteArray kFolderUrl = "file:///data/odd%20%FF%FE%20%25%23";
#endif
const char* const kNames[] = {"/a", "/x y.txt", "/b"};
const QByteArray kNameUrls[] = {"/a", "/x%20y.txt", "/b"};

#ifdef PELIMOR_TEST_DBUS
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

void installRows(const test::MainWindowDriver& ui) {
  std::vector<ResultRow> rows;
  for (const char* name : kNames) rows.push_back(test::makeRow(1, kFolder + name, 4, 1));
  ui.resultList()->installRows(rows);
}

// Open Containing Folder on the second row.
void openFolderOfRowTwo(MainWindow& window) {
  const test::MainWindowDriver ui(window);
  installRows(ui);
  ui.resultList()->setFocusedRow(1);
  test::child<QAction>(window, "openFolderEntry")->trigger();
}
}  // namespace

class PathEntriesTest : public QObject {
  Q_OBJECT

 private slots:
  // Only a bus of the test's own (ui_path_entries_bus) may be asked: else none, never the user's.
  void initTestCase() {
    if (qEnvironmentVariableIsEmpty("PELIMOR_TEST_PRIVATE_BUS"))
      qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/pelimor-test-bus");
  }

  void copyPathTakesTheFocusedOrTheSelectedRows() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    auto* open = test::child<QAction>(window, "openFolderEntry");
    auto* copy = test::child<QAction>(window, "copyPathEntry");
    QCOMPARE(ui.resultMenu()->actions().mid(0, 2), (QList<QAction*>{open, copy}));
    QVERIFY(!open->isEnabled() && !copy->isEnabled());  // no focused row
    installRows(ui);
    // The selection, the focus staying on the second row, and the rows copied.
    const std::pair<std::vector<bool>, std::vector<int>> cases[] = {
        {{false, false, false}, {1}}, {{true, false, false}, {1}}, {{true, false, true}, {0, 2}}};
    for (const auto& [selected, copied] : cases) {
      ui.resultList()->selectRows(selected);
      ui.resultList()->setFocusedRow(1);
      QVERIFY(open->isEnabled() && copy->isEnabled());
      ui.resultList()->setFocus();
      QTest::keyClick(ui.resultList(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
      QStringList lines;
      QList<QUrl> urls;
      for (const int row : copied) {
        lines << shownPathText(kFolder + kNames[row]);
        urls << QUrl::fromEncoded(kFolderUrl + kNameUrls[row]);
      }
      QCOMPARE(QGuiApplication::clipboard()->mimeData()->text(), lines.join(u'\n'));
      QCOMPARE(QGuiApplication::clipboard()->mimeData()->urls(), urls);
    }
    ui.resultList()->clearRows();
    QVERIFY(!open->isEnabled() && !copy->isEnabled());
  }

  // The Folders tab offers both for a twin folder: the folder itself, by its bytes.
  void theFoldersTabOpensAndCopiesTwins() {
    FolderGroupsView view;
    FolderGroup group;
    group.folders = {{kFolder + kNames[0], {}, {}}, {kFolder + kNames[1], {}, {}}};
    view.showGroups({group});
    auto* list = test::child<QTreeWidget>(view, "folderGroupList");
    list->setCurrentItem(list->topLevelItem(1));
    QSignalSpy opened(&view, &FolderGroupsView::openFolderRequested);
    test::child<QAction>(view, "openTwinEntry")->trigger();
    QCOMPARE(opened.value(0).value(0).value<std::string>(), kFolder + kNames[1]);
    test::child<QAction>(view, "copyTwinPathEntry")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->mimeData()->urls(),
             QList<QUrl>{QUrl::fromEncoded(kFolderUrl + kNameUrls[1])});
  }

#ifndef _WIN32
  // No file manager on the bus (or no bus): the folder itself goes to the system's opener (a
  // script here), by its very bytes.
  void withoutAFileManagerTheFolderIsOpened() {
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
      openFolderOfRowTwo(window);
      QTRY_VERIFY(QFile::exists(opened));
    }
    { test::Opener nothing({}); }  // back to opening nothing
    qputenv("PATH", path);
    QFile file(opened);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray::fromStdString(kFolder));
  }
#endif

#ifdef PELIMOR_TEST_DBUS
  // The file manager gets the file's URI; when it refuses, the folder is opened all the same.
  void theFileManagerIsAskedToShowTheFile() {
    if (qEnvironmentVariableIsEmpty("PELIMOR_TEST_PRIVATE_BUS"))
      QSKIP("No bus of the test's own: ui_path_entries_bus runs this under dbus-run-session (package dbus-daemon)");
    QDBusConnection service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake"));
    FakeFileManager fake;
    QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fake,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    for (const bool refuse : {false, true}) {
      fake.refuse = refuse;
      fake.shown.clear();
      test::Opener opener({QStringLiteral("file")});
      MainWindow window;
      openFolderOfRowTwo(window);
      QTRY_VERIFY(window.findChildren<QDBusPendingCallWatcher*>().isEmpty());  // answered
      QCOMPARE(fake.shown, QStringList{QString::fromLatin1(kFolderUrl + kNameUrls[1])});
      QCOMPARE(opener.urls, refuse ? QList<QUrl>{QUrl::fromEncoded(kFolderUrl)} : QList<QUrl>{});
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("fake"));
  }
#endif
};

QTEST_MAIN(PathEntriesTest)
#include "path_entries_test.moc"
