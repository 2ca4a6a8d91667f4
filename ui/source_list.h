#pragma once
// The source folder list: one folder per row, in the order added, one column as wide as the list.
#include <QTableWidget>
#include <string>
#include <vector>

namespace pelimor {

class SourceFolderList : public QTableWidget {
  Q_OBJECT

 public:
  explicit SourceFolderList(QWidget* parent = nullptr);

  std::vector<std::string> folders() const;
  // The rows whose box is ticked: reference folders, searched but never selected or changed.
  std::vector<std::string> referenceFolders() const;
  // Ticks the rows whose text is one of `folders`, and clears the others.
  void setReferenceFolders(const std::vector<std::string>& folders);
  // Replaces every row; the first row, if any, is selected.
  void setFolders(const std::vector<std::string>& folders);
  void appendFolder(const std::string& folder);
  // Removes every selected row; the others keep their order.
  void removeSelectedRows();
  bool hasSelectedRow() const;
  void selectOnly(int row);

 signals:
  // A row's selection, focus or text changed, or rows came or went.
  void rowsChanged();
};

}  // namespace pelimor
