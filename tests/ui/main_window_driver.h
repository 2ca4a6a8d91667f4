#pragma once
// The windows' parts, reached the way a test needs them: the widgets to press keys into and
// click, the dialogs, and the few steps a user can't take directly.
#include <QString>

#include "ui/about_box.h"
#include "ui/main_window.h"
#include "ui/wait_dialog.h"

class QLabel;
class QProgressBar;
class QTabWidget;
class QTimer;

namespace pelimor {
class FolderGroupsView;
}

namespace pelimor::test {

class MainWindowDriver {
 public:
  explicit MainWindowDriver(MainWindow& window) : window_(window) {}

  MainWindow& window() const { return window_; }

  SourceFolderList* sourceList() const { return window_.sourceList_; }
  QPushButton* addSourceButton() const { return window_.addSourceButton_; }
  QPushButton* removeSourceButton() const { return window_.removeSourceButton_; }
  QPushButton* exclusionsButton() const { return window_.exclusionsButton_; }
  QComboBox* sizeList() const { return window_.sizeList_; }
  QComboBox* typeList() const { return window_.typeList_; }
  MaskEdit* maskEdit() const { return window_.maskEdit_; }
  QComboBox* searchModeList() const { return window_.searchModeList_; }
  QComboBox* similarityList() const { return window_.similarityList_; }
  ResultListView* resultList() const { return window_.resultList_; }
  QTabWidget* resultTabs() const { return window_.resultTabs_; }
  FolderGroupsView* folderView() const { return window_.folderView_; }

  QLabel* sourceLabel() const { return window_.sourceLabel_; }
  QLabel* sizeLabel() const { return window_.sizeLabel_; }
  QLabel* typeLabel() const { return window_.typeLabel_; }
  QLabel* maskLabel() const { return window_.maskLabel_; }

  QToolBar* toolBar() const { return window_.toolBar_; }
  QToolButton* helpButton() const { return window_.helpButton_; }
  QMenu* helpMenu() const { return window_.helpMenu_; }
  QAction* webSiteEntry() const { return window_.webSiteEntry_; }
  QAction* feedbackEntry() const { return window_.feedbackEntry_; }
  QAction* aboutEntry() const { return window_.aboutEntry_; }
  QMenu* resultMenu() const { return window_.resultMenu_; }
  QAction* safeSelectEntry() const { return window_.safeSelectEntry_; }
  QAction* hardLinksEntry() const { return window_.hardLinksEntry_; }
  QAction* undoEntry() const { return window_.undoEntry_; }
  QAction* deleteToTrashEntry() const { return window_.deleteToTrashEntry_; }
  QAction* askBeforeRemovalEntry() const { return window_.askBeforeRemovalEntry_; }
  QMenu* selectMenu() const { return window_.selectMenu_; }

  // Groups, files, selected files, selected size.
  QLabel* statusPanel(int panel) const;
  QString statusText(int panel) const;
  QLabel* searchNote() const { return window_.searchNote_; }

  WaitDialog* waitDialog() const { return window_.waitDialog_; }
  AboutBox* aboutBox() const { return window_.aboutBox_; }

  // Sets the type or size as the program does, then runs what the user's choice runs.
  void chooseType(int index) const;
  void chooseSize(int index) const;
  // What a right-click on the result list does to its menu before showing it.
  void prepareResultMenu() const { window_.prepareResultMenu(); }
  // What the Remove button runs, whether the button is enabled or not.
  void removeSourceFolders() const { window_.removeSourceFolders(); }

 private:
  MainWindow& window_;
};

class WaitDialogDriver {
 public:
  explicit WaitDialogDriver(WaitDialog& dialog) : dialog_(dialog) {}

  QLabel* timeLabel() const { return dialog_.timeLabel_; }
  QLabel* phaseLabel() const { return dialog_.phaseLabel_; }
  QLabel* folderLabel() const { return dialog_.folderLabel_; }
  QProgressBar* progressBar() const { return dialog_.progressBar_; }
  QPushButton* cancelButton() const { return dialog_.cancelButton_; }
  QTimer* clock() const { return dialog_.clock_; }
  // One tick of the dialog's clock, without waiting a second for it.
  void tick() const { dialog_.tick(); }

 private:
  WaitDialog& dialog_;
};

class AboutBoxDriver {
 public:
  explicit AboutBoxDriver(AboutBox& box) : box_(box) {}

  AboutPicture* picture() const { return box_.picture_; }

 private:
  AboutBox& box_;
};

}  // namespace pelimor::test
