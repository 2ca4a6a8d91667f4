#include "ui/folder_groups_view.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/desktop_open.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
enum Column { kGroupColumn, kFolderColumn, kSizeColumn, kFilesColumn };
}

FolderGroupsView::FolderGroupsView(QWidget* parent) : QWidget(parent) {
  findFolders_ = new QCheckBox(tr("Find folders that hold the same files"), this);
  findFolders_->setObjectName(QStringLiteral("findFoldersBox"));
  findFolders_->setToolTip(tr("Every file in them is compared, whatever the type, size and hidden settings"));
  findFolders_->setMinimumWidth(1);  // never what keeps the window from narrowing
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("folderGroupList"));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setHeaderLabels({tr("#"), tr("Folder"), tr("Size"), tr("Files")});
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(kFolderColumn, QHeaderView::Stretch);
  selectButton_ = new QPushButton(tr("Select files"), this);
  selectButton_->setObjectName(QStringLiteral("selectFolderFilesButton"));
  selectButton_->setToolTip(tr("Selects the files of the chosen folders in the file list, never the last copy"));
  selectButton_->setAutoDefault(false);

  staleNote_ = new QLabel(tr("Files were removed or put back since the search: search again to see which "
                             "folders are still alike."),
                          this);
  staleNote_->setWordWrap(true);
  staleNote_->hide();

  auto* top = new QHBoxLayout;
  top->addWidget(findFolders_, 1);
  top->addWidget(selectButton_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 4, 0, 0);
  layout->addLayout(top);
  layout->addWidget(staleNote_);
  layout->addWidget(list_, 1);

  connect(findFolders_, &QCheckBox::toggled, this, &FolderGroupsView::findFoldersChanged);
  connect(selectButton_, &QPushButton::clicked, this, &FolderGroupsView::selectFilesRequested);
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &FolderGroupsView::updateSelectButton);
  connect(list_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { emit openFolderRequested(twinPath(list_->indexOfTopLevelItem(item))); });
  buildPathEntries();
  updateSelectButton();
}

void FolderGroupsView::buildPathEntries() {
  auto* open = new QAction(tr("Open Folder"), list_);
  open->setObjectName(QStringLiteral("openTwinEntry"));
  auto* copy = new QAction(tr("Copy Path"), list_);
  copy->setObjectName(QStringLiteral("copyTwinPathEntry"));
  list_->addActions({open, copy});
  list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(open, &QAction::triggered, this, [this] {
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row >= 0) emit openFolderRequested(twinPath(row));
  });
  connect(copy, &QAction::triggered, this, &FolderGroupsView::copyPaths);
  connect(list_, &QTreeWidget::currentItemChanged, this, [open, copy](QTreeWidgetItem* current) {
    open->setEnabled(current != nullptr);
    copy->setEnabled(current != nullptr);
  });
  open->setEnabled(false);
  copy->setEnabled(false);
}

void FolderGroupsView::copyPaths() {
  const int focused = list_->indexOfTopLevelItem(list_->currentItem());
  if (focused < 0) return;
  std::vector<std::string> paths;
  for (const std::size_t row : rowsToCopy(chosenTwins(), static_cast<std::size_t>(focused)))
    paths.push_back(twinPath(static_cast<int>(row)));
  copyPathsToClipboard(paths);
}

void FolderGroupsView::markStale() {
  if (groups_.empty()) return;
  showGroups({});
  staleNote_->show();
}

void FolderGroupsView::showGroups(std::vector<FolderGroup> groups) {
  staleNote_->hide();
  groups_ = std::move(groups);
  list_->clear();
  QList<QTreeWidgetItem*> items;
  for (const FolderGroup& group : groups_) {
    for (const TwinFolder& folder : group.folders) {
      auto* item = new QTreeWidgetItem;
      item->setText(kGroupColumn, QString::number(group.number));
      item->setText(kFolderColumn, shownPathText(folder.path));
      item->setText(kSizeColumn, QString::number(group.bytes));
      item->setText(kFilesColumn, QString::number(group.files));
      for (const int column : {kGroupColumn, kSizeColumn, kFilesColumn})
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
      items.append(item);
    }
  }
  list_->addTopLevelItems(items);
  for (const int column : {kGroupColumn, kSizeColumn, kFilesColumn}) list_->resizeColumnToContents(column);
  updateSelectButton();
}

std::vector<bool> FolderGroupsView::chosenTwins() const {
  std::vector<bool> chosen(static_cast<std::size_t>(list_->topLevelItemCount()), false);
  for (QTreeWidgetItem* item : list_->selectedItems())
    chosen[static_cast<std::size_t>(list_->indexOfTopLevelItem(item))] = true;
  return chosen;
}

std::string FolderGroupsView::twinPath(int row) const {
  for (const FolderGroup& group : groups_) {
    if (row < static_cast<int>(group.folders.size())) return group.folders[static_cast<std::size_t>(row)].path;
    row -= static_cast<int>(group.folders.size());
  }
  return {};
}

void FolderGroupsView::setFindFolders(bool on) { findFolders_->setChecked(on); }

bool FolderGroupsView::findFolders() const { return findFolders_->isChecked(); }

void FolderGroupsView::updateSelectButton() { selectButton_->setEnabled(!list_->selectedItems().isEmpty()); }

}  // namespace pelimor
