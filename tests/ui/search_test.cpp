#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "platform/folders.h"
#include "platform/io_error_text.h"
#include "search/similarity_steps.h"
#include "ui/filter_controls.h"
#include "ui/folder_groups_view.h"
#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/result_list_view.h"
#include "ui/source_list.h"
#include "ui/text_bytes.h"
#include "ui/ui_test_support.h"
#include "ui/wait_dialog.h"

using namespace pelimor;

namespace {
// Holds the worker thread until the test opens it or the search is stopped hard.
class Gate {
 public:
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  // True when opened, false when the search was aborted first.
  bool pass(const SearchControl& control) {
    std::unique_lock lock(mutex_);
    while (!open_) {
      if (control.aborted()) return false;
      changed_.wait_for(lock, std::chrono::milliseconds(2));
    }
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

void waitUntilCancelled(const SearchControl& control) {
  while (!control.cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// A search that only ends by the hard stop, and says so.
SearchEngine runsUntilStoppedHard(std::atomic<bool>& stoppedHard) {
  return [&stoppedHard](const SearchRequest&, SearchProgress&, const SearchControl& control) {
    while (!control.aborted()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stoppedHard = true;
    return SearchResult{};
  };
}

bool isWaitDialog(QWidget* widget) { return qobject_cast<WaitDialog*>(widget) != nullptr; }

void cancelTheWaitDialog() {
  test::whenModal(isWaitDialog, [](QWidget* widget) {
    QTest::mouseClick(test::WaitDialogDriver(*static_cast<WaitDialog*>(widget)).cancelButton(), Qt::LeftButton);
  });
}

// Groups must be whole: two or more rows, one checksum and size each, numbered 1, 2, 3 ...
void verifyGroups(const std::vector<ResultRow>& rows) {
  std::map<std::uint32_t, std::vector<const ResultRow*>> groups;
  std::uint32_t last = 0;
  for (const ResultRow& row : rows) {
    QVERIFY(row.group == last || row.group == last + 1);
    last = row.group;
    groups[row.group].push_back(&row);
  }
  for (const auto& [number, members] : groups) {
    QVERIFY(members.size() >= 2);
    for (const ResultRow* member : members) {
      QCOMPARE(member->crc32, members.front()->crc32);
      QCOMPARE(member->size, members.front()->size);
    }
  }
}
}  // namespace

class SearchTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tree_;

  QString makeTree() {
    const QString root = tree_.filePath(QStringLiteral("tree"));
    test::writeFile(root + "/a/one.txt", "alpha content");
    test::writeFile(root + "/b/one copy.txt", "alpha content");
    test::writeFile(root + "/a/two.bin", QByteArray(300, 'b'));
    test::writeFile(root + "/c/two again.bin", QByteArray(300, 'b'));
    test::writeFile(root + "/c/unique.txt", "nothing like it");
    return root;
  }

  void prepare(MainWindow& window, const QString& folder) {
    window.setSourceFolders({bytesOf(folder)});
    test::MainWindowDriver(window).sizeList()->setCurrentIndex(0);  // every file above 0 bytes
    test::showActive(window);
  }

  // An engine that keeps the request it was handed and finds nothing.
  static SearchEngine recordsRequest(SearchRequest& seen) {
    return [&seen](const SearchRequest& request, SearchProgress&, const SearchControl&) {
      seen = request;
      return SearchResult{};
    };
  }

  void searchFromMaskField(MainWindow& window) {
    MaskEdit* mask = test::MainWindowDriver(window).maskEdit();
    mask->setFocus();
    QTest::keyClick(mask, Qt::Key_Return);
  }

 private slots:
  void cleanup() { test::stopAnswering(); }

  void enterInTheMaskFieldSearchesAndFillsTheList() {
    const QString root = makeTree();
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, root);
    QSignalSpy completed(&window, &MainWindow::searchCompleted);
    searchFromMaskField(window);

    QCOMPARE(completed.count(), 1);
    QVERIFY(!ui.waitDialog()->isVisible());
    const std::vector<ResultRow>& rows = ui.resultList()->rows();
    QCOMPARE(rows.size(), std::size_t(4));
    verifyGroups(rows);
    for (const ResultRow& row : rows) QVERIFY(shownText(row.path).startsWith(root));
    QCOMPARE(ui.resultList()->selectedRows(), (std::vector<bool>{true, false, false, false}));
    QCOMPARE(ui.resultList()->focusedRow(), 0);
    QCOMPARE(window.focusWidget(), ui.resultList());
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: 2"));
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: 4"));
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: 1"));
    QCOMPARE(ui.waitDialog()->currentMask(), QStringLiteral("*.*"));
  }

  void thePathColumnFillsTheRestOfTheList() {
    const QString root = makeTree();
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, root);
    ui.resultList()->setColumnWidth(int(ResultColumn::Name), 200);  // the user dragged a border
    searchFromMaskField(window);
    const int others = ui.resultList()->columnWidth(int(ResultColumn::Group)) + 200 + 75 + 85;
    QCOMPARE(ui.resultList()->columnWidth(int(ResultColumn::Path)), ui.resultList()->viewport()->width() - others);

    // As narrow as the window goes (its boxes fit their texts in the system's font): never below
    // the path's minimum.
    window.resize(400, window.height());
    test::showActive(window);
    searchFromMaskField(window);
    QCOMPARE(ui.resultList()->columnWidth(int(ResultColumn::Path)),
             std::max(ResultListView::kMinimumPathWidth, ui.resultList()->viewport()->width() - others));
  }

  void keypadEnterInAListSearchesToo() {
    const QString root = makeTree();
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, root);
    QSignalSpy completed(&window, &MainWindow::searchCompleted);
    ui.sizeList()->setFocus();
    QTest::keyClick(ui.sizeList(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(completed.count(), 1);
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(4));
  }

  // With folders asked for, a search fills the Folders tab; choosing a twin there and Select files
  // selects its files in the file list, never the last copy.
  void theFoldersTabSelectsTheFilesOfTwinFolders() {
    const QString root = tree_.filePath(QStringLiteral("twins"));
    for (const char* twin : {"/photos/trip", "/backup/trip"}) {
      test::writeFile(root + twin + "/a.jpg", "picture a");
      test::writeFile(root + twin + "/b.jpg", "picture b");
    }
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, root);
    auto* findFolders = ui.folderView()->findChild<QCheckBox*>(QStringLiteral("findFoldersBox"));
    auto* list = ui.folderView()->findChild<QTreeWidget*>(QStringLiteral("folderGroupList"));
    auto* selectFiles = ui.folderView()->findChild<QPushButton*>(QStringLiteral("selectFolderFilesButton"));
    ui.resultTabs()->setCurrentWidget(ui.folderView());
    QTest::mouseClick(findFolders, Qt::LeftButton, {}, QPoint(5, findFolders->height() / 2));
    QVERIFY(findFolders->isChecked());
    searchFromMaskField(window);
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(1), QDir::toNativeSeparators(root + "/backup"));  // each holds trip alone
    QVERIFY(!selectFiles->isEnabled());

    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));
    for (int i = 0; i < 2; ++i) {  // both twins chosen: one copy of each file stays
      list->topLevelItem(i)->setSelected(true);
      QTest::mouseClick(selectFiles, Qt::LeftButton);
      QCOMPARE(ui.resultTabs()->currentWidget(), ui.resultList());
      std::vector<std::string> selected;
      const std::vector<bool> flags = ui.resultList()->selectedRows();
      for (std::size_t row = 0; row < flags.size(); ++row)
        if (flags[row]) selected.push_back(ui.resultList()->rows()[row].path);
      std::sort(selected.begin(), selected.end());
      QCOMPARE(selected,
               (std::vector<std::string>{bytesOf(root + "/backup/trip/a.jpg"), bytesOf(root + "/backup/trip/b.jpg")}));
      ui.resultTabs()->setCurrentWidget(ui.folderView());
    }
    // Once files are gone the groups no longer say what is on disk.
    window.action(MainAction::Delete)->trigger();
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(2));
    QCOMPARE(list->topLevelItemCount(), 0);
  }

  void twoSearchesLeaveNothingOfTheFirst() {
    const QString first = makeTree();
    const QString second = tree_.filePath(QStringLiteral("second"));
    test::writeFile(second + "/x.dat", "xyz xyz");
    test::writeFile(second + "/y.dat", "xyz xyz");
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, first);
    searchFromMaskField(window);
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(4));

    window.setSourceFolders({bytesOf(second)});
    test::showActive(window);
    searchFromMaskField(window);
    const std::vector<ResultRow>& rows = ui.resultList()->rows();
    QCOMPARE(rows.size(), std::size_t(2));
    for (const ResultRow& row : rows) QVERIFY(shownText(row.path).startsWith(second));
    QCOMPARE(rows[0].group, 1u);
    QCOMPARE(rows[1].group, 1u);
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: 1"));
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: 2"));
  }

  void aSearchWithoutDuplicatesSelectsNothing() {
    const QString root = tree_.filePath(QStringLiteral("unique"));
    test::writeFile(root + "/1.txt", "one");
    test::writeFile(root + "/2.txt", "two!");
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, root);
    searchFromMaskField(window);
    QVERIFY(ui.resultList()->rows().empty());
    QCOMPARE(ui.resultList()->firstSelectedRow(), -1);
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: 0"));
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: 0"));
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: 0"));
  }

  void anEmptySourceListFindsNothing() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, makeTree());
    window.setSourceFolders({});
    searchFromMaskField(window);
    QVERIFY(!ui.waitDialog()->isVisible());
    QVERIFY(ui.resultList()->rows().empty());
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: 0"));
  }

  void everyChoiceInTheWindowReachesTheEngine() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, makeTree());
    SearchRequest seen;
    window.setSearchEngine(recordsRequest(seen));
    ui.chooseType(FilterControls::kCustomType);
    ui.maskEdit()->setText(QStringLiteral("*.txt; *.bin"));
    ui.sizeList()->setCurrentIndex(2);  // "10"
    window.setSourceFolders({"/one", "/two"});
    ui.sourceList()->setFocus();
    ui.sourceList()->selectOnly(1);
    QTest::keyClick(ui.sourceList(), Qt::Key_Space);  // ticks the row's box
    test::whenModal([](QWidget* widget) { return widget->objectName() == QStringLiteral("exclusionsDialog"); },
                    [](QWidget* dialog) {
                      dialog->findChild<QPlainTextEdit*>(QStringLiteral("exclusionPatterns"))
                          ->setPlainText(QStringLiteral("*.bak\n\n  cache/*  \n"));
                      dialog->findChild<QCheckBox*>(QStringLiteral("searchHiddenBox"))->setChecked(true);
                      dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
                    });
    ui.exclusionsButton()->click();
    test::showActive(window);                     // back from the dialog
    test::answerNextMessageBox(QMessageBox::Ok);  // neither exists
    searchFromMaskField(window);
    QCOMPARE(seen.maskText, std::string("*.txt; *.bin"));
    QCOMPARE(seen.minimumSize, std::uint64_t(10 * 1024));
    QCOMPARE(seen.sourceFolders, (std::vector<std::string>{"/one", "/two"}));
    QCOMPARE(seen.excludedNames, (std::vector<std::string>{"*.bak", "cache/*"}));
    QVERIFY(seen.searchHidden);
    QCOMPARE(seen.referenceFolders, std::vector<std::string>{"/two"});
    QCOMPARE(ui.searchNote()->text(), QStringLiteral("No duplicates found."));
    QCOMPARE(seen.mode, SearchMode::IdenticalFiles);
    if (!similarPicturesBuiltIn()) return;

    // Similar pictures, at the nearest likeness.
    QTest::keyClick(test::child<QComboBox>(window, "searchModeList"), Qt::Key_Down);
    QTest::keyClick(test::child<QComboBox>(window, "similarityList"), Qt::Key_Home);
    test::answerNextMessageBox(QMessageBox::Ok);
    window.action(MainAction::Search)->trigger();
    QCOMPARE(seen.mode, SearchMode::SimilarPictures);
    QCOMPARE(seen.pictureDistance, kSimilaritySteps.front().maxDistance);
  }

  void similarPicturesAreFoundAndKeptByTheirResolution() {
    if (!similarPicturesBuiltIn()) QSKIP("this build has no search for similar pictures");
    const QString root = tree_.filePath(QStringLiteral("pictures"));
    QDir().mkpath(root);
    QImage picture(400, 300, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), QLinearGradient(0, 0, 400, 300));
    painter.fillRect(40, 30, 160, 120, Qt::darkGreen);
    painter.setBrush(Qt::yellow);
    painter.drawEllipse(220, 120, 140, 140);
    painter.end();
    QVERIFY(picture.save(root + "/large.png"));
    QVERIFY(picture.scaled(200, 150, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .save(root + "/small.jpg", "JPEG", 80));

    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, root);
    QTest::keyClick(test::child<QComboBox>(window, "searchModeList"), Qt::Key_Down);
    searchFromMaskField(window);
    const std::vector<ResultRow>& rows = ui.resultList()->rows();
    QCOMPARE(rows.size(), std::size_t(2));
    QCOMPARE(rows[0].group, rows[1].group);
    QCOMPARE(shownText(rows[0].path), root + "/large.png");  // the most pixels lead
    QCOMPARE(rows[0].width * rows[0].height, 400u * 300u);

    // Keeping the highest resolution selects the small one.
    QMenu* select = ui.selectMenu();
    emit select->aboutToShow();
    QAction* keepResolution = nullptr;
    for (QAction* entry : select->actions())
      if (entry->text() == QStringLiteral("Keep the Highest Resolution of Each Group")) keepResolution = entry;
    QVERIFY(keepResolution && keepResolution->isVisible());
    keepResolution->trigger();
    QCOMPARE(ui.resultList()->selectedRows(), (std::vector<bool>{false, true}));
  }

  void cancelDuringALongWalkClosesAtOnceAndKeepsWholeGroups() {
    const QString root = tree_.filePath(QStringLiteral("long"));
    for (int folder = 0; folder < 40; ++folder) {
      for (int file = 0; file < 50; ++file) {
        test::writeFile(QStringLiteral("%1/d%2/f%3.dat").arg(root).arg(folder).arg(file),
                        QByteArray::number(file % 25) + QByteArray(64 + file % 25, 'q'));
      }
    }
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, root);
    QSignalSpy completed(&window, &MainWindow::searchCompleted);
    cancelTheWaitDialog();
    searchFromMaskField(window);
    QVERIFY(!ui.waitDialog()->isVisible());
    if (completed.isEmpty()) QVERIFY(completed.wait(60000));
    QVERIFY(!window.searchFinishing());
    verifyGroups(ui.resultList()->rows());
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: %1").arg(ui.resultList()->rows().size()));
  }

  void aFinishingSearchKeepsTheActionsAwayUntilItsGroupsArrive() {
    const QString root = makeTree();
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, root);
    Gate gate;
    std::atomic<int> runs{0};
    window.setSearchEngine([&](const SearchRequest& request, SearchProgress& progress, const SearchControl& control) {
      if (runs++ == 0) {
        waitUntilCancelled(control);
        if (!gate.pass(control)) return SearchResult{};
      }
      SearchControl unstopped;  // what the walk found before the Cancel: here, all of it
      SearchResult result = runDuplicateSearch(request, progress, unstopped);
      result.cancelled = control.cancelled();
      return result;
    });
    test::whenModal(isWaitDialog, [](QWidget* widget) {
      auto* wait = static_cast<WaitDialog*>(widget);
      const test::WaitDialogDriver parts(*wait);
      parts.tick();
      QCOMPARE(wait->windowTitle(), QStringLiteral("Please wait some minutes - *.*"));
      QTest::mouseClick(parts.cancelButton(), Qt::LeftButton);
    });
    QSignalSpy completed(&window, &MainWindow::searchCompleted);
    searchFromMaskField(window);

    QVERIFY(!ui.waitDialog()->isVisible());
    QVERIFY(window.searchFinishing());
    QVERIFY(completed.isEmpty());
    QVERIFY(ui.resultList()->rows().empty());
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: 0"));
    QVERIFY(ui.searchNote()->text().startsWith(QStringLiteral("Search cancelled: grouping")));

    // Search, Select, Delete, Move and Print refuse while the worker still works.
    const auto refuses = [&](const std::function<void()>& act) {
      test::showActive(window);  // a closed box leaves no window active here, unlike on a desktop
      test::SeenBox box;
      test::answerNextMessageBox(QMessageBox::Ok, &box);
      act();
      QVERIFY(box.seen);
      QCOMPARE(box.title, QStringLiteral("Information"));
      QVERIFY(box.text.contains(QStringLiteral("previous search is still finishing")));
    };
    refuses([&] { QTest::keyClick(ui.resultList(), Qt::Key_Return); });
    refuses([&] { QTest::keyClick(ui.resultList(), Qt::Key_Delete); });
    refuses([&] { window.action(MainAction::Select)->trigger(); });
    refuses([&] { window.action(MainAction::Move)->trigger(); });
    refuses([&] { QTest::keyClick(ui.resultList(), Qt::Key_P, Qt::ControlModifier); });
    QCOMPARE(runs.load(), 1);

    gate.open();
    QVERIFY(completed.wait(30000));
    QVERIFY(!window.searchFinishing());
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(4));
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: 2"));
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: 4"));
    QCOMPARE(ui.searchNote()->text(), QStringLiteral("Search cancelled: the list holds what was found until then."));

    test::showActive(window);
    searchFromMaskField(window);  // and the next search runs
    QCOMPARE(runs.load(), 2);
    QVERIFY(ui.searchNote()->text().isEmpty());
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(4));
  }

  void closingTheWindowStopsAFinishingSearchAndWaits() {
    Gate gate;  // never opened
    std::atomic<bool> stoppedHard{false};
    auto window = std::make_unique<MainWindow>();
    prepare(*window, makeTree());
    window->setSearchEngine([&](const SearchRequest&, SearchProgress& progress, const SearchControl& control) {
      waitUntilCancelled(control);
      gate.pass(control);
      progress.addFilesSeen(1);  // the progress object is still there
      stoppedHard = control.aborted();
      return SearchResult{};
    });
    cancelTheWaitDialog();
    searchFromMaskField(*window);
    QVERIFY(window->searchFinishing());
    QVERIFY(window->close());
    QVERIFY(stoppedHard);
    QVERIFY(!window->searchFinishing());
    window.reset();
    QCoreApplication::processEvents();  // a late end-of-search message finds nobody
  }

  void closingTheWindowDuringTheWaitEndsIt() {
    std::atomic<bool> stoppedHard{false};
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, makeTree());
    window.setSearchEngine(runsUntilStoppedHard(stoppedHard));
    QSignalSpy completed(&window, &MainWindow::searchCompleted);
    test::whenModal(isWaitDialog, [&window](QWidget*) { window.close(); });
    searchFromMaskField(window);
    QVERIFY(stoppedHard);
    QVERIFY(!ui.waitDialog()->isVisible());
    QVERIFY(completed.isEmpty());
    QVERIFY(ui.resultList()->rows().empty());
  }

  void quittingTheProgramDuringTheWaitStopsTheSearch() {
    std::atomic<bool> stoppedHard{false};
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, makeTree());
    window.setSearchEngine(runsUntilStoppedHard(stoppedHard));
    test::whenModal(isWaitDialog, [](QWidget*) { QApplication::closeAllWindows(); });  // what quitting does
    searchFromMaskField(window);
    QVERIFY(stoppedHard);
    QVERIFY(!window.isVisible());
    QVERIFY(!ui.waitDialog()->isVisible());
  }

  void engineWarningsFoldersNotSearchedAndFilesNotReadComeInOneWarning() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, makeTree());
    window.setSearchEngine([](const SearchRequest&, SearchProgress&, const SearchControl&) {
      SearchResult result;
      result.rows = {test::makeRow(1, "/a/x", 5, 7), test::makeRow(1, "/b/x", 5, 7)};
      for (int i = 1; i <= 25; ++i)
        result.skipped.push_back({"/locked/file" + std::to_string(i), "File access denied"});
      result.skippedFolders.push_back({"/proc", "a system folder"});
      result.warnings.push_back("the checksum cache /c was not used, it is damaged; it is made anew");
      return result;
    });
    test::SeenBox box;
    test::answerNextMessageBox(QMessageBox::Ok, &box);
    searchFromMaskField(window);
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Warning"));
    const QString shown = QDir::fromNativeSeparators(box.text);  // paths read with '\\' on Windows
    QVERIFY(
        shown.startsWith(QStringLiteral("the checksum cache /c was not used, it is damaged; it is made anew\n\n"
                                        "1 folder was not searched:\n\n/proc (a system folder)\n\n25 files could "
                                        "not be read")));
    QVERIFY(shown.contains(QStringLiteral("/locked/file1 (File access denied)")));
    QVERIFY(shown.contains(QStringLiteral("/locked/file20 ")));
    QVERIFY(!shown.contains(QStringLiteral("/locked/file21 ")));
    QVERIFY(shown.endsWith(QStringLiteral("and 5 more.")));
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(2));
    QCOMPARE(ui.resultList()->firstSelectedRow(), 0);
  }

  void sourcesThatCannotBeOpenedAreNamedInOneWarning() {
    const QString root = makeTree();
    const QString file = root + QStringLiteral("/c/unique.txt");
    const test::PrivateDesktop desktop;  // its removed-files folder is never searched
    const QString neverSearched = shownText(platform::removedFilesFolder());
    QVERIFY(QDir().mkpath(neverSearched));
    // Each source that can't be searched, with the system's reason.
    std::vector<std::pair<QString, int>> unsearchable{{tree_.filePath(QStringLiteral("gone")), ENOENT},
                                                      {file, ENOTDIR}};
#ifndef _WIN32  // Windows has no permission bits that shut the owner out
    const QString locked = tree_.filePath(QStringLiteral("locked"));
    test::writeFile(locked + QStringLiteral("/x.txt"), "alpha content");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    unsearchable.push_back({locked, EACCES});
#endif
    std::vector<std::string> sources;
    QString listed;
    for (const auto& [folder, error] : unsearchable) {
      sources.push_back(bytesOf(folder));
      listed += QStringLiteral("%1 (%2)\n").arg(folder, shownText(platform::systemErrorText(error)));
    }
    sources.insert(sources.end(), {bytesOf(root), bytesOf(neverSearched)});
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, root);
    window.setSourceFolders(sources);
    test::SeenBox box;
    test::answerNextMessageBox(QMessageBox::Ok, &box);
    {
      const test::HeldToPermissions asUser;
      searchFromMaskField(window);
    }
#ifndef _WIN32
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
#endif
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Warning"));
    const QString shown = QDir::fromNativeSeparators(box.text);  // paths read with '\\' on Windows
    QVERIFY2(shown.startsWith(QStringLiteral("%1 folders were not searched:\n\n%2%3 (it is")
                                  .arg(unsearchable.size() + 1)
                                  .arg(listed, neverSearched)),
             qPrintable(shown));
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(4));  // the searchable one was searched
  }

  void aFailedSearchShowsTheErrorAndNoRows() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, makeTree());
    ui.resultList()->installRows({test::makeRow(1, "/old/a", 1, 1), test::makeRow(1, "/old/b", 1, 1)});
    window.setSearchEngine([](const SearchRequest&, SearchProgress&, const SearchControl&) -> SearchResult {
      throw std::runtime_error("Stream read error");
    });
    test::SeenBox box;
    test::answerNextMessageBox(QMessageBox::Ok, &box);
    searchFromMaskField(window);
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Pelimor"));
    QCOMPARE(box.text, QStringLiteral("Stream read error."));
    QVERIFY(ui.resultList()->rows().empty());
    QVERIFY(!window.searchFinishing());
  }

  void anUnreadableSizeIsRefusedBeforeSearching() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    prepare(window, makeTree());
    bool ran = false;
    window.setSearchEngine([&ran](const SearchRequest&, SearchProgress&, const SearchControl&) {
      ran = true;
      return SearchResult{};
    });
    ui.sizeList()->setCurrentIndex(-1);
    test::SeenBox box;
    test::answerNextMessageBox(QMessageBox::Ok, &box);
    searchFromMaskField(window);
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Pelimor"));
    QCOMPARE(box.text, QStringLiteral("'' is not a valid integer value."));
    QVERIFY(!ran);
  }
};

QTEST_MAIN(SearchTest)
#include "search_test.moc"
