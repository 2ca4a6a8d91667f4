// The list's entries for where a file lies: its folder opened on the desktop, its path copied.
#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include "ui/desktop_open.h"
#include "ui/main_window.h"
#include "ui/result_list_view.h"

namespace pelimor {

namespace {
QAction* pathEntry(QMenu* menu, const QString& text, const char* name, const QKeySequence& shortcut) {
  QAction* entry = menu->addAction(text);
  entry->setObjectName(QLatin1String(name));
  entry->setShortcut(shortcut);
  entry->setShortcutContext(Qt::WidgetShortcut);  // the list's row, so only with the list focused
  entry->setEnabled(false);
  return entry;
}
}  // namespace

void MainWindow::buildPathEntries() {
  openFolderEntry_ = pathEntry(resultMenu_, tr("Open Containing Folder"), "openFolderEntry",
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  copyPathEntry_ =
      pathEntry(resultMenu_, tr("Copy Path"), "copyPathEntry", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  resultMenu_->addSeparator();
}

void MainWindow::connectPathEntries() {
  resultList_->addAction(openFolderEntry_);
  resultList_->addAction(copyPathEntry_);
  connect(openFolderEntry_, &QAction::triggered, this, &MainWindow::openContainingFolder);
  connect(copyPathEntry_, &QAction::triggered, this, &MainWindow::copyPaths);
  connect(resultList_, &ResultListView::listChanged, this, [this] {
    const bool focused = resultList_->focusedRow() >= 0;
    openFolderEntry_->setEnabled(focused);
    copyPathEntry_->setEnabled(focused);
  });
}

void MainWindow::openContainingFolder() {
  const int row = resultList_->focusedRow();
  if (row < 0 || refuseWhileSearchFinishing()) return;
  showInFolder(this, resultList_->rows()[static_cast<std::size_t>(row)].path, tr("the folder"));
}

void MainWindow::copyPaths() {
  const int focused = resultList_->focusedRow();
  if (focused < 0 || refuseWhileSearchFinishing()) return;
  std::vector<std::string> paths;
  for (const std::size_t row : rowsToCopy(resultList_->selectedRows(), static_cast<std::size_t>(focused)))
    paths.push_back(resultList_->rows()[row].path);
  copyPathsToClipboard(paths);
}

}  // namespace pelimor
