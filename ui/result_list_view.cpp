#include "ui/result_list_view.h"

#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <optional>

namespace pelimor {

namespace {
constexpr int kGroupColumn = static_cast<int>(ResultColumn::Group);
constexpr int kPathColumn = static_cast<int>(ResultColumn::Path);
constexpr int kDesignWidths[kResultColumnCount] = {45, 275, 397, 75, 85};
using Mark = ResultTableModel::Mark;

// Paints a row as selected when its flag says so.
class SelectedRowDelegate : public QStyledItemDelegate {
 public:
  SelectedRowDelegate(const ResultTableModel* model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (!model_->isSelected(index.row())) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    QStyleOptionViewItem selected(option);
    selected.state |= QStyle::State_Selected;
    QStyledItemDelegate::paint(painter, selected, index);
  }

 private:
  const ResultTableModel* model_;
};
}  // namespace

ResultListView::ResultListView(QWidget* parent) : QTableView(parent), model_(new ResultTableModel(this)) {
  setObjectName(QStringLiteral("resultList"));
  setModel(model_);
  setItemDelegate(new SelectedRowDelegate(model_, this));
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setContextMenuPolicy(Qt::CustomContextMenu);

  // Every row is one line high; a million rows must not be measured one by one.
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

  QHeaderView* header = horizontalHeader();
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int column = 0; column < kResultColumnCount; ++column) setColumnWidth(column, kDesignWidths[column]);
  fitGroupColumn();
  connect(header, &QHeaderView::sectionClicked, this, &ResultListView::sortByColumn);
  connect(header, &QHeaderView::sectionResized, this, [this](int column) {
    if (column != kPathColumn) fitPathColumn();
  });

  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &ResultListView::listChanged);
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    anchor_ = -1;
    pressedRow_ = -1;
    emit listChanged();
  });
  connect(model_, &QAbstractItemModel::dataChanged, this, &ResultListView::listChanged);
}

void ResultListView::installRows(std::vector<ResultRow> rows) {
  horizontalHeader()->setSortIndicatorShown(false);
  model_->setRows(std::move(rows));
}

void ResultListView::clearRows() { installRows({}); }

int ResultListView::firstSelectedRow() const {
  const std::optional<std::size_t> first = session().firstSelected();
  return first ? static_cast<int>(*first) : -1;
}

int ResultListView::focusedRow() const {
  const QModelIndex current = selectionModel()->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void ResultListView::setFocusedRow(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  const int column = std::max(currentIndex().column(), 0);
  selectionModel()->setCurrentIndex(model_->index(row, column), QItemSelectionModel::NoUpdate);
}

void ResultListView::removeFlaggedRows(const std::vector<bool>& remove) {
  const int focused = focusedRow();
  int newFocus = -1;
  for (int row = 0, kept = 0; row <= focused; ++row) {
    const bool removed = static_cast<std::size_t>(row) < remove.size() && remove[static_cast<std::size_t>(row)];
    if (row == focused && !removed) newFocus = kept;
    if (!removed) ++kept;
  }
  const int scroll = verticalScrollBar()->value();
  model_->removeFlagged(remove);
  setFocusedRow(newFocus);
  verticalScrollBar()->setValue(scroll);
}

void ResultListView::sortByColumn(int column) {
  if (column < 0 || column >= kResultColumnCount) return;
  const int focused = focusedRow();
  const int scroll = verticalScrollBar()->value();
  const std::vector<std::size_t> order = model_->sortByColumn(static_cast<ResultColumn>(column));
  int newFocus = -1;
  for (std::size_t i = 0; i < order.size() && focused >= 0; ++i) {
    if (static_cast<int>(order[i]) == focused) newFocus = static_cast<int>(i);
  }
  setFocusedRow(newFocus);
  verticalScrollBar()->setValue(scroll);
  showSortIndicator();
}

void ResultListView::reorderRows(const std::vector<std::size_t>& order, const SortState& sort) {
  model_->setSortState(sort);
  model_->reorder(order);
  model_->clearSelection();
  showSortIndicator();
}

void ResultListView::showSortIndicator() {
  // The arrow points the way the values grow: up for ascending, down for descending. Qt's header
  // draws Qt::AscendingOrder as a downward arrow in the Fusion style on Linux, but as an upward one
  // in the Windows styles (and in Fusion anywhere else).
#ifdef Q_OS_LINUX
  const Qt::SortOrder upward = Qt::DescendingOrder;
#else
  const Qt::SortOrder upward = Qt::AscendingOrder;
#endif
  const Qt::SortOrder downward = upward == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  const SortState& sort = sortState();
  horizontalHeader()->setSortIndicator(static_cast<int>(sort.column), sort.descending ? downward : upward);
  horizontalHeader()->setSortIndicatorShown(true);
}

void ResultListView::fitPathColumn() {
  if (fittingPath_) return;
  fittingPath_ = true;
  updateGeometries();  // the vertical scroll bar, if the rows need one, narrows the client area
  int others = 0;
  for (int column = 0; column < kResultColumnCount; ++column) {
    if (column != kPathColumn) others += columnWidth(column);
  }
  setColumnWidth(kPathColumn, std::max(viewport()->width() - others, kMinimumPathWidth));
  fittingPath_ = false;
}

void ResultListView::fitGroupColumn() {
  // Seven digits: the group numbers of a few million files.
  const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 8;
  const int width = fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + margins;
  setColumnWidth(kGroupColumn, std::max(width, kDesignWidths[kGroupColumn]));
}

bool ResultListView::viewportEvent(QEvent* event) {
  const bool handled = QTableView::viewportEvent(event);
  if (event->type() == QEvent::Resize) fitPathColumn();
  return handled;
}

void ResultListView::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) fitGroupColumn();
}

// Qt's selection model is kept empty: every change of the selection goes through the model's
// flags below, and Qt's own handlers only move the current row.
QItemSelectionModel::SelectionFlags ResultListView::selectionCommand(const QModelIndex&, const QEvent*) const {
  return QItemSelectionModel::NoUpdate;
}

void ResultListView::setSelection(const QRect&, QItemSelectionModel::SelectionFlags) {}

void ResultListView::selectOnly(int row) { model_->mark(row, row, Mark::Select, false, true); }

int ResultListView::rowAtHeight(int y) const {
  if (model_->rowCount() == 0) return -1;
  const int row = rowAt(std::max(y, 0));
  return row >= 0 ? row : model_->rowCount() - 1;
}

// The rules below are those of Qt's extended selection in a table that selects whole rows.
void ResultListView::mousePressEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  const QModelIndex index = indexAt(position);
  const int row = index.isValid() ? index.row() : -1;
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool control = event->modifiers() & Qt::ControlModifier;
  const bool right = event->button() == Qt::RightButton;
  const bool wasSelected = row >= 0 && model_->isSelected(row);

  // A press on a selected row, or off the rows, leaves the selection to the release; Shift or
  // Ctrl with the right button leave it alone.
  const bool keep = ((shift || control) && right) || (!shift && !control && wasSelected) || row < 0;
  const bool range = !keep && shift;
  pressedRow_ = row;
  selectOnRelease_ = keep;
  if (!range) {
    anchor_ = row;
    pressedListY_ = position.y() + verticalOffset();
  } else if (anchor_ < 0) {
    anchor_ = focusedRow();
  }

  QTableView::mousePressEvent(event);  // the current row, the pressed and double-click signals
  if (row < 0) {
    model_->settle();
  } else if (range) {
    model_->mark(anchor_ < 0 ? row : anchor_, row, Mark::Select, true);
  } else if (!keep && control) {
    dragMark_ = wasSelected ? Mark::Deselect : Mark::Select;
    model_->mark(row, row, dragMark_, false);
  } else if (!keep) {
    selectOnly(row);
  }
}

void ResultListView::mouseMoveEvent(QMouseEvent* event) {
  QTableView::mouseMoveEvent(event);  // the current row follows, the list scrolls at its edges
  const QModelIndex index = indexAt(event->position().toPoint());
  if (!(event->buttons() & Qt::LeftButton) || !index.isValid() || state() != DragSelectingState) return;
  const int from = rowAtHeight(pressedListY_ - verticalOffset());
  if (event->modifiers() & Qt::ControlModifier) {
    model_->mark(from, index.row(), dragMark_, true);
  } else {
    model_->mark(from, index.row(), Mark::Select, true, !(event->modifiers() & Qt::ShiftModifier));
  }
}

void ResultListView::mouseReleaseEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  const int row = index.isValid() ? index.row() : -1;
  const bool modifiers = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
  const bool right = event->button() == Qt::RightButton;
  if (selectOnRelease_ && state() != DragSelectingState && !modifiers && (!right || row < 0)) {
    // A click on a selected row keeps that row alone; a click off the rows clears the selection.
    if (row < 0) {
      model_->clearSelection();
    } else if (row == pressedRow_ && model_->isSelected(row)) {
      selectOnly(row);
    }
  }
  selectOnRelease_ = false;
  dragMark_ = Mark::Toggle;
  QTableView::mouseReleaseEvent(event);
}

void ResultListView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
    event->accept();
    return;
  }
  Qt::KeyboardModifiers modifiers = event->modifiers();
  const int key = event->key();
  if (key == Qt::Key_Space || key == Qt::Key_Select) {
    // Space selects the focused row, Ctrl+Space toggles it.
    const int focused = focusedRow();
    const bool toggle = key == Qt::Key_Select || (modifiers & Qt::ControlModifier);
    if (focused >= 0) {
      model_->mark(focused, focused, toggle ? Mark::Toggle : Mark::Select, false);
    } else {
      model_->settle();
    }
    if (key == Qt::Key_Space) keyboardSearch(event->text());
    event->accept();
    return;
  }
  static const QHash<int, CursorAction> kMoves = {{Qt::Key_Up, MoveUp},         {Qt::Key_Down, MoveDown},
                                                  {Qt::Key_Left, MoveLeft},     {Qt::Key_Right, MoveRight},
                                                  {Qt::Key_Home, MoveHome},     {Qt::Key_End, MoveEnd},
                                                  {Qt::Key_PageUp, MovePageUp}, {Qt::Key_PageDown, MovePageDown},
                                                  {Qt::Key_Tab, MoveNext},      {Qt::Key_Backtab, MovePrevious}};
  const bool tab = key == Qt::Key_Tab || key == Qt::Key_Backtab;
  if (!kMoves.contains(key) || (tab && !tabKeyNavigation())) {
    QTableView::keyPressEvent(event);
    return;
  }
  const CursorAction action = kMoves.value(key);
  if (key == Qt::Key_Backtab) modifiers &= ~Qt::ShiftModifier;

  const QModelIndex current = currentIndex();
  const QModelIndex next = moveCursor(action, modifiers);
  if (!next.isValid() || next == current) {
    event->ignore();
    return;
  }
  // Ctrl moves the focus alone, Shift stretches a range from the anchor, a plain key selects the
  // row it lands on.
  const bool control = modifiers & Qt::ControlModifier;
  if (control && !style()->styleHint(QStyle::SH_ItemView_MovementWithoutUpdatingSelection, nullptr, this)) {
    event->ignore();
    return;
  }
  selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
  if (!control && (modifiers & Qt::ShiftModifier)) {
    if (anchor_ < 0) anchor_ = current.isValid() ? current.row() : next.row();
    model_->mark(anchor_, next.row(), Mark::Select, true);
  } else {
    anchor_ = next.row();
    if (!control) selectOnly(next.row());
  }
  event->accept();
}

void ResultListView::keyboardSearch(const QString& search) {
  const QModelIndex before = currentIndex();
  QTableView::keyboardSearch(search);
  if (currentIndex().isValid() && currentIndex() != before) selectOnly(currentIndex().row());
}

}  // namespace pelimor
