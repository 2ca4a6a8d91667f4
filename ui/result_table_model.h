#pragma once
// The result list's rows, in the order the list shows them. Views read them through the usual
// model interface; the window's actions read and change them through the methods below.
#include <QAbstractTableModel>
#include <QColor>
#include <vector>

#include "search/result_row.h"

namespace pelimor {

class ResultTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const std::vector<ResultRow>& rows() const { return rows_; }

  // Each of these resets the model: views drop their selection and current row.
  void setRows(std::vector<ResultRow> rows);
  // Row i becomes the row that stood at order[i]; order is a permutation of all positions.
  void reorder(const std::vector<std::size_t>& order);
  // Drops every row whose flag is set; the others keep their order.
  void removeFlagged(const std::vector<bool>& remove);

  // Odd groups white, even groups pale green.
  static QColor groupBackground(std::uint32_t group);
  static QString cellText(const ResultRow& row, int column);

 private:
  std::vector<ResultRow> rows_;
};

}  // namespace pelimor
