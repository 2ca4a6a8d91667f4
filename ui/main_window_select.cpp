// The Select menu: keep rules, invert, take a folder out, add by path pattern. Each works on the
// whole list at once in results/ and leaves every group with an unselected file.
#include <QInputDialog>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <functional>

#include "platform/paths.h"
#include "results/keep_rules.h"
#include "ui/main_window.h"
#include "ui/notices.h"
#include "ui/result_list_view.h"
#include "ui/source_list.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
struct RuleEntry {
  KeepRule rule;
  const char* caption;
};
constexpr RuleEntry kRuleEntries[] = {
    {KeepRule::Newest, QT_TRANSLATE_NOOP("pelimor::MainWindow", "Keep the Newest File of Each Group")},
    {KeepRule::Oldest, QT_TRANSLATE_NOOP("pelimor::MainWindow", "Keep the Oldest File of Each Group")},
    {KeepRule::ShortestPath, QT_TRANSLATE_NOOP("pelimor::MainWindow", "Keep the Shortest Path of Each Group")},
    {KeepRule::LongestPath, QT_TRANSLATE_NOOP("pelimor::MainWindow", "Keep the Longest Path of Each Group")},
    {KeepRule::FirstSource, QT_TRANSLATE_NOOP("pelimor::MainWindow", "Keep the File of the First Source Folder")},
    {KeepRule::LargestFile, QT_TRANSLATE_NOOP("pelimor::MainWindow", "Keep the Largest Picture of Each Group")},
    {KeepRule::HighestResolution,
     QT_TRANSLATE_NOOP("pelimor::MainWindow", "Keep the Highest Resolution of Each Group")},
};
}  // namespace

void MainWindow::buildSelectMenu() {
  selectMenu_ = new QMenu(tr("Select"), this);
  selectMenu_->setObjectName(QStringLiteral("selectMenu"));
  using Rows = std::vector<ResultRow>;
  using Flags = std::vector<bool>;
  for (const RuleEntry& entry : kRuleEntries) {
    QAction* ruleEntry = selectMenu_->addAction(tr(entry.caption), this, [this, rule = entry.rule] {
      const std::vector<std::string> sources = sourceList_->folders();
      changeSelection(
          [&](const Rows& rows, const Flags& selected) { return applyKeepRule(rows, selected, rule, sources); });
    });
    if (entry.rule == KeepRule::LargestFile || entry.rule == KeepRule::HighestResolution) {
      ruleEntry->setVisible(false);
      pictureRuleEntries_.push_back(ruleEntry);
    }
  }
  // Shown while the list holds similar pictures, whose files differ in size and pixels.
  connect(selectMenu_, &QMenu::aboutToShow, this, [this] {
    const std::vector<ResultRow>& rows = resultList_->rows();
    const bool pictures = !rows.empty() && rows.front().width > 0;
    for (QAction* ruleEntry : pictureRuleEntries_) ruleEntry->setVisible(pictures);
  });
  selectMenu_->addSeparator();
  selectMenu_->addAction(tr("Invert Selection in Each Group"), this, [this] { changeSelection(invertInGroups); });
  selectMenu_->addAction(tr("Deselect Everything in This Folder"), this, [this] {
    const int focused = resultList_->focusedRow();
    if (focused < 0) return;
    const std::string folder = platform::folderPartOf(resultList_->session().rows()[std::size_t(focused)].path);
    changeSelection([&](const Rows& rows, const Flags& selected) { return deselectFolder(rows, selected, folder); });
  });
  selectMenu_->addAction(tr("Select by Path Pattern..."), this, [this] {
    bool accepted = false;
    const QString pattern = QInputDialog::getText(
        this, tr("Select by Path Pattern"),
        tr("Also select the files whose whole path matches\n(* ? [a-z] within a name, ** across folders):"),
        QLineEdit::Normal, QStringLiteral("**/*"), &accepted);
    if (!accepted || pattern.trimmed().isEmpty()) return;
    const std::string bytes = bytesOf(pattern.trimmed());
    changeSelection([&](const Rows& rows, const Flags& selected) { return selectMatching(rows, selected, bytes); });
  });
  // Beside the Select button, on its arrow, and in the list's context menu.
  auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(action(MainAction::Select)));
  button->setMenu(selectMenu_);
  button->setPopupMode(QToolButton::MenuButtonPopup);
  resultMenu_->addMenu(selectMenu_);
}

void MainWindow::changeSelection(
    const std::function<SelectionChange(const std::vector<ResultRow>&, const std::vector<bool>&)>& change) {
  if (refuseWhileSearchFinishing() || resultList_->session().empty()) return;
  const ResultSession& session = resultList_->session();
  SelectionChange result = change(session.rows(), session.selection());
  resultList_->selectRows(result.selected);
  if (result.groupsLeftAlone > 0)
    showNotice(this, DialogKind::Information, shownNotice(groupsLeftAloneText(result.groupsLeftAlone)));
}

}  // namespace pelimor
