#include "ui/source_list.h"

#include <QHeaderView>
#include <algorithm>

#include "ui/text_bytes.h"

namespace pelimor {

namespace {
constexpr int kFolderRole = Qt::UserRole;  // the folder's bytes, exactly as given
}

SourceFolderList::SourceFolderList(QWidget* parent) : QTableWidget(0, 1, parent) {
  setObjectName(QStringLiteral("sourceList"));
  horizontalHeader()->hide();
  horizontalHeader()->setStretchLastSection(true);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &SourceFolderList::rowsChanged);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &SourceFolderList::rowsChanged);
  connect(model(), &QAbstractItemModel::rowsInserted, this, &SourceFolderList::rowsChanged);
  connect(model(), &QAbstractItemModel::rowsRemoved, this, &SourceFolderList::rowsChanged);
  connect(model(), &QAbstractItemModel::dataChanged, this, &SourceFolderList::rowsChanged);
}

std::vector<std::string> SourceFolderList::folders() const {
  std::vector<std::string> result;
  result.reserve(static_cast<std::size_t>(rowCount()));
  for (int row = 0; row < rowCount(); ++row)
    result.push_back(item(row, 0)->data(kFolderRole).toByteArray().toStdString());
  return result;
}

std::vector<std::string> SourceFolderList::referenceFolders() const {
  std::vector<std::string> result;
  for (int row = 0; row < rowCount(); ++row)
    if (item(row, 0)->checkState() == Qt::Checked)
      result.push_back(item(row, 0)->data(kFolderRole).toByteArray().toStdString());
  return result;
}

void SourceFolderList::setReferenceFolders(const std::vector<std::string>& folders) {
  for (int row = 0; row < rowCount(); ++row) {
    const std::string folder = item(row, 0)->data(kFolderRole).toByteArray().toStdString();
    const bool reference = std::find(folders.begin(), folders.end(), folder) != folders.end();
    item(row, 0)->setCheckState(reference ? Qt::Checked : Qt::Unchecked);
  }
}

void SourceFolderList::setFolders(const std::vector<std::string>& folders) {
  setRowCount(0);
  for (const std::string& folder : folders) appendFolder(folder);
  if (rowCount() > 0) selectOnly(0);
}

void SourceFolderList::appendFolder(const std::string& folder) {
  auto* cell = new QTableWidgetItem(shownPathText(folder));
  cell->setData(kFolderRole, QByteArray(folder.data(), static_cast<qsizetype>(folder.size())));
  cell->setToolTip(cell->text() + tr("\nTicked: a reference folder, searched but never selected or changed"));
  cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
  cell->setCheckState(Qt::Unchecked);
  const int row = rowCount();
  insertRow(row);
  setItem(row, 0, cell);
}

void SourceFolderList::removeSelectedRows() {
  // From the bottom up, so that the positions still to visit do not move.
  for (int row = rowCount() - 1; row >= 0; --row) {
    if (selectionModel()->isRowSelected(row, QModelIndex())) removeRow(row);
  }
}

bool SourceFolderList::hasSelectedRow() const { return selectionModel()->hasSelection(); }

void SourceFolderList::selectOnly(int row) {
  setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace pelimor
