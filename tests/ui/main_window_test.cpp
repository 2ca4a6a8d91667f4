#include "ui/main_window.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "pelimor_version.h"
#include "platform/folders.h"
#include "ui/filter_controls.h"
#include "ui/main_window_driver.h"
#include "ui/result_list_view.h"
#include "ui/source_list.h"
#include "ui/text_bytes.h"
#include "ui/ui_test_support.h"

using namespace pelimor;

namespace {
QRect placeOf(const QWidget* widget, const QWidget* window) {
  return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}
}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void hasItsCaptionAndControls() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    QCOMPARE(window.windowTitle(), QString::fromLatin1(kNameAndVersion));
    QCOMPARE(ui.sourceLabel()->text(), QStringLiteral("Source"));
    QCOMPARE(ui.addSourceButton()->text(), QStringLiteral("Add"));
    QCOMPARE(ui.removeSourceButton()->text(), QStringLiteral("Remove"));
    QCOMPARE(ui.sizeLabel()->text(), QStringLiteral("Size, Kb >"));
    QCOMPARE(ui.typeLabel()->text(), QStringLiteral("Type"));
    QCOMPARE(ui.maskLabel()->text(), QStringLiteral("Mask"));
    QStringList sizes, types;
    for (int i = 0; i < ui.sizeList()->count(); ++i) sizes << ui.sizeList()->itemText(i);
    for (int i = 0; i < ui.typeList()->count(); ++i) types << ui.typeList()->itemText(i);
    QCOMPARE(sizes, (QStringList{"0", "1", "10", "50", "100", "500", "1000"}));
    QCOMPARE(types, (QStringList{"All", "Images", "Audio", "Video", "Custom"}));
    QVERIFY(!ui.sizeList()->isEditable());
    QVERIFY(!ui.typeList()->isEditable());
  }

  void toolbarHoldsItsActions() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    QCOMPARE(ui.toolBar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(ui.toolBar()->iconSize(), QSize(32, 32));
    QStringList order;
    for (QAction* action : ui.toolBar()->actions())
      order << (action->isSeparator() ? QStringLiteral("|") : action->text());
    QCOMPARE(order, (QStringList{"Search", "Select", "|", "Delete", "Move", "Move to Trash", "|", "Print", "Help"}));

    struct Expected {
      QAction* action;
      const char* hint;
      QList<QKeySequence> keys;
    };
    const QString moveHint =
        QStringLiteral("Move selected files to \"%1\" directory").arg(shownPathText(platform::removedFilesFolder()));
    const Expected expected[] = {
        {window.action(MainAction::Search),
         "Search for duplicates",
         {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}},
        {window.action(MainAction::Select), "Safely select duplicates from this folder in all groups", {}},
        {window.action(MainAction::Delete), "Delete selected", {QKeySequence(Qt::Key_Delete)}},
        {window.action(MainAction::Move), nullptr, {}},
        {window.action(MainAction::Print), "Print", {QKeySequence(Qt::CTRL | Qt::Key_P)}},
        {window.action(MainAction::Help), "Help", {QKeySequence(Qt::Key_F1)}},
    };
    for (const Expected& each : expected) {
      QCOMPARE(each.action->toolTip(), each.hint ? QString::fromLatin1(each.hint) : moveHint);
      QCOMPARE(each.action->shortcuts(), each.keys);
      QCOMPARE(each.action->shortcutContext(), Qt::WindowShortcut);
      QVERIFY(each.action->isEnabled());
      QVERIFY(!each.action->icon().pixmap(32, 32).isNull());
    }
  }

  void helpButtonHasItsDropDownMenu() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    QCOMPARE(ui.helpButton()->defaultAction(), window.action(MainAction::Help));
    QCOMPARE(ui.helpButton()->popupMode(), QToolButton::MenuButtonPopup);
    QCOMPARE(ui.helpButton()->menu(), ui.helpMenu());
    QStringList items;
    for (QAction* action : ui.helpMenu()->actions()) items << action->text();
    QCOMPARE(items, (QStringList{"Help", "Visit QVR Web Site", "Feedback (any comments, wishes)", "About"}));
    QCOMPARE(ui.helpMenu()->actions().first()->shortcut(), QKeySequence(Qt::Key_F1));
  }

  void resultListHasItsColumns() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    ResultListView* list = ui.resultList();
    const QStringList titles{"#", "Name", "Path", "Size", "CRC32"};
    const int widths[] = {45, 275, 397, 75, 85};
    QCOMPARE(list->model()->columnCount(), 5);
    for (int column = 0; column < 5; ++column) {
      QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(), titles[column]);
      if (column > 0) QCOMPARE(list->columnWidth(column), widths[column]);
    }
    QVERIFY(list->columnWidth(0) > list->fontMetrics().horizontalAdvance(QStringLiteral("2061234")));
    QVERIFY(list->showGrid());
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(list->horizontalHeader()->sectionResizeMode(2), QHeaderView::Interactive);
    QCOMPARE(list->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
  }

  void statusBarHasThreePanels() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    QCOMPARE(ui.statusPanel(0)->width(), 100);
    QCOMPARE(ui.statusPanel(1)->width(), 100);
    QCOMPARE(ui.statusPanel(2)->width(), 125);
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: "));
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: "));
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files:"));
    QCOMPARE(ui.statusPanel(0)->parentWidget(), window.statusBar());
  }

  void widerWindowWidensListsAndMovesSourceButtons() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    QCOMPARE(window.size(), QSize(784, 564));
    const QWidget* stretching[] = {ui.sourceList(), ui.maskEdit(), ui.resultList()};
    const QWidget* moving[] = {ui.sourceLabel(), ui.addSourceButton(), ui.removeSourceButton()};
    const QWidget* staying[] = {ui.sizeLabel(), ui.typeLabel(), ui.maskLabel(), ui.sizeList(), ui.typeList()};
    std::vector<QRect> before;
    for (const QWidget* w : stretching) before.push_back(placeOf(w, &window));
    for (const QWidget* w : moving) before.push_back(placeOf(w, &window));
    for (const QWidget* w : staying) before.push_back(placeOf(w, &window));

    window.resize(window.width() + 100, window.height());
    QTest::qWait(0);
    std::size_t i = 0;
    for (const QWidget* w : stretching) {
      const QRect now = placeOf(w, &window), was = before[i++];
      QCOMPARE(now.topLeft(), was.topLeft());
      QCOMPARE(now.width(), was.width() + 100);
      QCOMPARE(now.height(), was.height());
    }
    for (const QWidget* w : moving) QCOMPARE(placeOf(w, &window), before[i++].translated(100, 0));
    for (const QWidget* w : staying) {
      const QRect now = placeOf(w, &window), was = before[i++];
      QCOMPARE(now.topLeft(), was.topLeft());
      if (!qobject_cast<const QLabel*>(w)) QCOMPARE(now.size(), was.size());  // a label's spare width shows nothing
    }
  }

  void tallerWindowGrowsOnlyTheResultList() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    const QWidget* others[] = {ui.sourceList(),         ui.maskEdit(), ui.sourceLabel(), ui.addSourceButton(),
                               ui.removeSourceButton(), ui.sizeList(), ui.typeList(),    ui.sizeLabel()};
    std::vector<QRect> before;
    for (const QWidget* w : others) before.push_back(placeOf(w, &window));
    const QRect list = placeOf(ui.resultList(), &window);
    const int statusBottomGap = window.height() - placeOf(window.statusBar(), &window).bottom();

    window.resize(window.width(), window.height() + 100);
    QTest::qWait(0);
    for (std::size_t i = 0; i < before.size(); ++i) QCOMPARE(placeOf(others[i], &window), before[i]);
    const QRect grown = placeOf(ui.resultList(), &window);
    QCOMPARE(grown.topLeft(), list.topLeft());
    QCOMPARE(grown.width(), list.width());
    QCOMPARE(grown.height(), list.height() + 100);
    QCOMPARE(window.height() - placeOf(window.statusBar(), &window).bottom(), statusBottomGap);
  }

  void tabOrderFollowsTheDesign() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.sourceList()->setFocus();
    const QWidget* order[] = {ui.addSourceButton(), ui.removeSourceButton(), ui.exclusionsButton(), ui.maskEdit(),
                              ui.sizeList(),        ui.resultList(),         ui.typeList()};
    for (const QWidget* next : order) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), next);
    }
  }

  void shortcutsWorkWhicheverControlHasTheFocus() {
    test::PrivateDesktop desktop;  // Print writes and opens its report
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    QSignalSpy del(window.action(MainAction::Delete), &QAction::triggered);
    QSignalSpy print(window.action(MainAction::Print), &QAction::triggered);
    QSignalSpy help(window.action(MainAction::Help), &QAction::triggered);
    ui.sourceList()->setFocus();
    test::answerNextMessageBox(QMessageBox::Ok);  // Delete on the empty result list
    QTest::keyClick(ui.sourceList(), Qt::Key_Delete);
    QCOMPARE(del.count(), 1);
    QCOMPARE(window.sourceFolders().size(), std::size_t(1));  // the key did not reach the list
    test::showActive(window);
    ui.resultList()->setFocus();
    QTest::keyClick(ui.resultList(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(print.count(), 1);
    ui.typeList()->setFocus();
    QTest::keyClick(ui.typeList(), Qt::Key_F1);
    QCOMPARE(help.count(), 1);
  }

  void toolbarButtonsTakeNoFocus() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    for (QAction* action : ui.toolBar()->actions()) {
      if (QWidget* button = ui.toolBar()->widgetForAction(action); button && !action->isSeparator()) {
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
      }
    }
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
