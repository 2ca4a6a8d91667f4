#pragma once
// The main window: toolbar, source folders, filters, result list and status bar. It starts the
// searches and hands their results to the result list; the result actions work on that list.
#include <QMainWindow>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "results/file_removal.h"
#include "search/skipped_file.h"
#include "ui/main_actions.h"
#include "ui/search_worker.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QToolBar;
class QToolButton;

namespace pelimor {

class CompletionSound;
class FilterControls;
class MaskEdit;
class ResultListView;
class SourceFolderList;
class TFormAbout;
class TFormWait;

class TFormQVR : public QMainWindow {
  Q_OBJECT

 public:
  // Where the settings come from: the files in the data folder, read at start and written at
  // close (the program), or only the Options record in memory, no file touched (tests, tools).
  enum class Settings { InMemory, FromFiles };

  explicit TFormQVR(QWidget* parent = nullptr);
  explicit TFormQVR(Settings settings, QWidget* parent = nullptr);
  ~TFormQVR() override;

  // The start sequence, run by the constructor with Settings::FromFiles before the dialogs exist.
  void FormCreate();
  // The close sequence: saves both settings files. False keeps the window open.
  bool FormClose();
  // Another start asked for this window: show, restore, raise and activate it.
  void bringForward();

  std::string ProgramFolder;  // with a trailing '/'
  std::string DataFolder;     // with a trailing '/'; empty without settings files

  // The source folders in list order (what Source.cfg holds).
  std::vector<std::string> sourceFolders() const;
  // Replaces the source rows; the first row, if any, is selected.
  void setSourceFolders(const std::vector<std::string>& folders);

  // Rewrites the status bar panels from the result list; cheap enough for every change.
  void StatuBarUpdate();
  QString statusPanelText(int panel) const;

  // True while a cancelled search is still grouping what it found: the list is not to be touched.
  bool searchFinishing() const;
  // For the actions that read or change the result list: tells the user and returns true while
  // searchFinishing().
  bool refuseWhileSearchFinishing();

  // Writes the HTML report of the result list, in the list's order; throws ReportError.
  void SaveHTMLfile(const std::string& fileName);

  // What the search runs on its thread; runDuplicateSearch by default.
  void setSearchEngine(SearchEngine engine) { engine_ = std::move(engine); }

  // An action on files that ends sooner than this shows no progress dialog.
  void setActionProgressDelay(int milliseconds) { actionProgressDelayMs_ = milliseconds; }

  // The toolbar's six actions.
  const MainActions& actions() const { return actions_; }

  // Menus.
  QMenu* PopupMenuHelp = nullptr;
  QAction* VisitQVRWebSite1 = nullptr;
  QAction* Feedbackanycommentswishes1 = nullptr;
  QAction* About1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* SafelySelectDuplicatesFromThisFolderinAllGroups1 = nullptr;
  QAction* ReplaceSelectedWithHardLinks1 = nullptr;

  // Source folders.
  SourceFolderList* ListViewSource = nullptr;
  QPushButton* ButtonChangeSourceAdd = nullptr;
  QPushButton* ButtonChangeSourceRemove = nullptr;

  // Filters.
  QComboBox* ComboBoxSize = nullptr;
  QComboBox* ComboBoxType = nullptr;
  MaskEdit* EditMask = nullptr;
  FilterControls* Filters = nullptr;

  // Results.
  ResultListView* ListViewDup = nullptr;

  TFormAbout* FormAbout = nullptr;
  TFormWait* FormWait = nullptr;

 public slots:
  void ActionSearchExecute();
  void ActionSelectExecute();
  void ActionDeleteExecute();
  void ActionMoveExecute();
  // Each selected file becomes a hard link to its group's first unselected file.
  void ReplaceSelectedWithHardLinks1Click();
  void ActionPrintExecute();
  void ActionHelpExecute();
  void VisitQVRWebSite1Click();
  void Feedbackanycommentswishes1Click();
  void About1Click();
  // Esc anywhere in the window.
  void FormKeyPress();

  void ButtonChangeSourceAddClick();
  void ButtonChangeSourceRemoveClick();
  void ListViewSourceChange();

  void ListViewDupChange();
  void ListViewDupDblClick();
  void PopupMenu1Popup();

 signals:
  // A search has ended and its rows (if any) are in the list; also after a cancelled one.
  void searchCompleted();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildToolBar();
  void buildClientArea();
  void buildStatusBar();
  void buildMenus();
  void connectHandlers();
  void startShell(Settings settings);

  void searchWorkerFinished();
  void finishSearchOnWindow();
  void reportSearchProblems();
  void stopSearchAndWait();
  // Runs Delete, Move or the links off the window's thread, with a progress dialog once it takes
  // longer than a moment, and puts the outcome into the list.
  void runFileAction(FileAction action);

  MainActions actions_;
  // Laid out and written by the window alone; tests find them by their object names.
  QToolBar* ToolBar1 = nullptr;
  QToolButton* ToolButton3 = nullptr;  // Help, with its drop-down menu
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  // Groups, files, selected files, and what the selected files take.
  std::array<QLabel*, 4> StatusPanels{};
  // Beside the panels: says when the list holds only part of a search (it was cancelled).
  QLabel* StatusSearchNote = nullptr;

  SearchEngine engine_;
  std::unique_ptr<SearchWorker> worker_;
  QString pendingFailure_;
  std::vector<SkippedFile> pendingSkipped_;
  std::vector<SkippedFile> pendingSkippedFolders_;
  CompletionSound* sound_ = nullptr;
  Settings settings_ = Settings::InMemory;
  bool closeRefused_ = false;
  ActionProgress* runningAction_ = nullptr;  // while an action on files runs
  bool closeAfterAction_ = false;            // the window was closed meanwhile
  int actionProgressDelayMs_ = 500;
};

// The warning text listing files a search could not read: the first 20, then how many more.
// The warning after a search that passed over folders (first) or files (then), each with its reason.
QString skippedFilesText(const std::vector<SkippedFile>& skipped, const std::vector<SkippedFile>& folders = {});

}  // namespace pelimor
