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

#include "platform/folders.h"
#include "settings/options_record.h"
#include "ui/filter_controls.h"
#include "ui/form_qvr.h"
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
  void init() { Options = OptionsRecord{}; }

  void hasItsCaptionAndControls() {
    TFormQVR form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Pelimor 3.0"));
    QCOMPARE(test::child<QLabel>(form, "Label1")->text(), QStringLiteral("Source"));
    QCOMPARE(form.ButtonChangeSourceAdd->text(), QStringLiteral("Add"));
    QCOMPARE(form.ButtonChangeSourceRemove->text(), QStringLiteral("Remove"));
    QCOMPARE(test::child<QLabel>(form, "Label2")->text(), QStringLiteral("Size, Kb >"));
    QCOMPARE(test::child<QLabel>(form, "Label3")->text(), QStringLiteral("Type"));
    QCOMPARE(test::child<QLabel>(form, "Label4")->text(), QStringLiteral("Mask"));
    QStringList sizes, types;
    for (int i = 0; i < form.ComboBoxSize->count(); ++i) sizes << form.ComboBoxSize->itemText(i);
    for (int i = 0; i < form.ComboBoxType->count(); ++i) types << form.ComboBoxType->itemText(i);
    QCOMPARE(sizes, (QStringList{"0", "1", "10", "50", "100", "500", "1000"}));
    QCOMPARE(types, (QStringList{"All", "Images", "Audio", "Video", "Custom"}));
    QVERIFY(!form.ComboBoxSize->isEditable());
    QVERIFY(!form.ComboBoxType->isEditable());
  }

  void toolbarHoldsTheSixActions() {
    TFormQVR form;
    QCOMPARE(test::child<QToolBar>(form, "ToolBar1")->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(test::child<QToolBar>(form, "ToolBar1")->iconSize(), QSize(32, 32));
    QStringList order;
    for (QAction* action : test::child<QToolBar>(form, "ToolBar1")->actions())
      order << (action->isSeparator() ? QStringLiteral("|") : action->text());
    QCOMPARE(order, (QStringList{"Search", "Select", "|", "Delete", "Move", "|", "Print", "Help"}));

    struct Expected {
      QAction* action;
      const char* hint;
      QList<QKeySequence> keys;
    };
    const QString moveHint =
        QStringLiteral("Move selected files to \"%1\" directory").arg(shownPathText(platform::removedFilesFolder()));
    const Expected expected[] = {
        {form.actions().ActionSearch,
         "Search for duplicates",
         {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}},
        {form.actions().ActionSelect, "Safely select duplicates from this folder in all groups", {}},
        {form.actions().ActionDelete, "Delete selected", {QKeySequence(Qt::Key_Delete)}},
        {form.actions().ActionMove, nullptr, {}},
        {form.actions().ActionPrint, "Print", {QKeySequence(Qt::CTRL | Qt::Key_P)}},
        {form.actions().ActionHelp, "Help", {QKeySequence(Qt::Key_F1)}},
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
    TFormQVR form;
    QCOMPARE(test::child<QToolButton>(form, "ToolButton3")->defaultAction(), form.actions().ActionHelp);
    QCOMPARE(test::child<QToolButton>(form, "ToolButton3")->popupMode(), QToolButton::MenuButtonPopup);
    QCOMPARE(test::child<QToolButton>(form, "ToolButton3")->menu(), form.PopupMenuHelp);
    QStringList items;
    for (QAction* action : form.PopupMenuHelp->actions()) items << action->text();
    QCOMPARE(items, (QStringList{"Help", "Visit QVR Web Site", "Feedback (any comments, wishes)", "About"}));
    QCOMPARE(form.PopupMenuHelp->actions().first()->shortcut(), QKeySequence(Qt::Key_F1));
  }

  void resultListHasItsColumns() {
    TFormQVR form;
    ResultListView* list = form.ListViewDup;
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
    TFormQVR form;
    QCOMPARE(test::child<QLabel>(form, "StatusPanel0")->width(), 100);
    QCOMPARE(test::child<QLabel>(form, "StatusPanel1")->width(), 100);
    QCOMPARE(test::child<QLabel>(form, "StatusPanel2")->width(), 125);
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Groups: "));
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Files: "));
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Selected files:"));
    QCOMPARE(test::child<QLabel>(form, "StatusPanel0")->parentWidget(), form.statusBar());
  }

  void widerWindowWidensListsAndMovesSourceButtons() {
    TFormQVR form;
    test::showActive(form);
    QCOMPARE(form.size(), QSize(784, 564));
    const QWidget* stretching[] = {form.ListViewSource, form.EditMask, form.ListViewDup};
    const QWidget* moving[] = {test::child<QLabel>(form, "Label1"), form.ButtonChangeSourceAdd,
                               form.ButtonChangeSourceRemove};
    const QWidget* staying[] = {test::child<QLabel>(form, "Label2"), test::child<QLabel>(form, "Label3"),
                                test::child<QLabel>(form, "Label4"), form.ComboBoxSize, form.ComboBoxType};
    std::vector<QRect> before;
    for (const QWidget* w : stretching) before.push_back(placeOf(w, &form));
    for (const QWidget* w : moving) before.push_back(placeOf(w, &form));
    for (const QWidget* w : staying) before.push_back(placeOf(w, &form));

    form.resize(form.width() + 100, form.height());
    QTest::qWait(0);
    std::size_t i = 0;
    for (const QWidget* w : stretching) {
      const QRect now = placeOf(w, &form), was = before[i++];
      QCOMPARE(now.topLeft(), was.topLeft());
      QCOMPARE(now.width(), was.width() + 100);
      QCOMPARE(now.height(), was.height());
    }
    for (const QWidget* w : moving) QCOMPARE(placeOf(w, &form), before[i++].translated(100, 0));
    for (const QWidget* w : staying) {
      const QRect now = placeOf(w, &form), was = before[i++];
      QCOMPARE(now.topLeft(), was.topLeft());
      if (!qobject_cast<const QLabel*>(w)) QCOMPARE(now.size(), was.size());  // a label's spare width shows nothing
    }
  }

  void tallerWindowGrowsOnlyTheResultList() {
    TFormQVR form;
    test::showActive(form);
    const QWidget* others[] = {form.ListViewSource,
                               form.EditMask,
                               test::child<QLabel>(form, "Label1"),
                               form.ButtonChangeSourceAdd,
                               form.ButtonChangeSourceRemove,
                               form.ComboBoxSize,
                               form.ComboBoxType,
                               test::child<QLabel>(form, "Label2")};
    std::vector<QRect> before;
    for (const QWidget* w : others) before.push_back(placeOf(w, &form));
    const QRect list = placeOf(form.ListViewDup, &form);
    const int statusBottomGap = form.height() - placeOf(form.statusBar(), &form).bottom();

    form.resize(form.width(), form.height() + 100);
    QTest::qWait(0);
    for (std::size_t i = 0; i < before.size(); ++i) QCOMPARE(placeOf(others[i], &form), before[i]);
    const QRect grown = placeOf(form.ListViewDup, &form);
    QCOMPARE(grown.topLeft(), list.topLeft());
    QCOMPARE(grown.width(), list.width());
    QCOMPARE(grown.height(), list.height() + 100);
    QCOMPARE(form.height() - placeOf(form.statusBar(), &form).bottom(), statusBottomGap);
  }

  void tabOrderFollowsTheDesign() {
    TFormQVR form;
    test::showActive(form);
    form.ListViewSource->setFocus();
    const QWidget* order[] = {
        form.ButtonChangeSourceAdd, form.ButtonChangeSourceRemove, form.EditMask, form.ComboBoxSize, form.ListViewDup,
        form.ComboBoxType};
    for (const QWidget* next : order) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), next);
    }
  }

  void shortcutsWorkWhicheverControlHasTheFocus() {
    test::PrivateDesktop desktop;  // Print writes and opens its report
    TFormQVR form;
    test::showActive(form);
    QSignalSpy del(form.actions().ActionDelete, &QAction::triggered);
    QSignalSpy print(form.actions().ActionPrint, &QAction::triggered);
    QSignalSpy help(form.actions().ActionHelp, &QAction::triggered);
    form.ListViewSource->setFocus();
    test::answerNextMessageBox(QMessageBox::Ok);  // Delete on the empty result list
    QTest::keyClick(form.ListViewSource, Qt::Key_Delete);
    QCOMPARE(del.count(), 1);
    QCOMPARE(form.sourceFolders().size(), std::size_t(1));  // the key did not reach the list
    test::showActive(form);
    form.ListViewDup->setFocus();
    QTest::keyClick(form.ListViewDup, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(print.count(), 1);
    form.ComboBoxType->setFocus();
    QTest::keyClick(form.ComboBoxType, Qt::Key_F1);
    QCOMPARE(help.count(), 1);
  }

  void toolbarButtonsTakeNoFocus() {
    TFormQVR form;
    for (QAction* action : test::child<QToolBar>(form, "ToolBar1")->actions()) {
      if (QWidget* button = test::child<QToolBar>(form, "ToolBar1")->widgetForAction(action);
          button && !action->isSeparator()) {
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
      }
    }
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
