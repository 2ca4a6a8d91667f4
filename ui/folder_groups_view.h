#pragma once
// The Folders tab: the groups of folders holding the same tree, one row per folder, and the switch
// that makes searches look for them. Choosing folders here selects their files in the file list.
#include <QWidget>
#include <string>
#include <vector>

#include "search/folder_group.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace pelimor {

class FolderGroupsView : public QWidget {
  Q_OBJECT

 public:
  explicit FolderGroupsView(QWidget* parent = nullptr);

  // The last search's groups (none when it did not look for them).
  void showGroups(std::vector<FolderGroup> groups);
  const std::vector<FolderGroup>& groups() const { return groups_; }
  // One flag per twin, in the order twinRows gives them: the folders chosen in the list.
  std::vector<bool> chosenTwins() const;

  // Files were removed or put back since the search: the groups are let go, with a word why.
  void markStale();

  void setFindFolders(bool on);
  bool findFolders() const;

 signals:
  void findFoldersChanged(bool on);
  // "Select files": the files below the chosen folders are to be selected in the file list.
  void selectFilesRequested();
  void openFolderRequested(const std::string& path);

 private:
  void updateSelectButton();
  // Open Folder and Copy Path in the list's menu, for the focused row.
  void buildPathEntries();
  // The focused row's path to the clipboard; with several rows selected, theirs.
  void copyPaths();
  // The path of the twin shown in row `row`, as the file system holds it.
  std::string twinPath(int row) const;

  QCheckBox* findFolders_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QLabel* staleNote_ = nullptr;
  QPushButton* selectButton_ = nullptr;
  std::vector<FolderGroup> groups_;
};

}  // namespace pelimor
