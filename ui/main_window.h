#pragma once
// The main window: toolbar, source folders, filters, result list and status bar. It starts the
// searches and hands their results to the result list; the result actions work on the list's
// session.
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/notice_text.h"
#include "results/action_journal.h"
#include "results/file_removal.h"
#include "results/keep_rules.h"
#include "search/skipped_file.h"
#include "search/unique_file.h"
#include "settings/options_record.h"
#include "settings/preferences_file.h"
#include "ui/main_actions.h"
#include "ui/search_worker.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace pelimor {

namespace test {
class MainWindowDriver;
}

class AboutBox;
class CompletionSound;
class FilterControls;
class FolderGroupsView;
class MaskEdit;
class PreviewPane;
class ResultListView;
class SourceFolderList;
class WaitDialog;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Where the settings come from: the files in the data folder, read at start and written at
  // close (the program), or only the record in memory, no file touched (tests, tools).
  enum class Settings { InMemory, FromFiles };

  explicit MainWindow(QWidget* parent = nullptr);
  // Starts from `options`; an empty record (version 0) takes the defaults. With
  // Settings::FromFiles, Options.cfg replaces it.
  explicit MainWindow(Settings settings, const OptionsRecord& options = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Another start asked for this window: show, restore, raise and activate it.
  void bringForward();

  // Where the user guide and the sound are, with a trailing '/'.
  const std::string& programFolder() const { return programFolder_; }
  // With a trailing '/'; empty without settings files.
  const std::string& dataFolder() const { return dataFolder_; }
  // The settings of this run: the filters write their choices here, and the close saves them.
  const OptionsRecord& options() const { return options_; }

  // The source folders in list order (what Source.cfg holds).
  std::vector<std::string> sourceFolders() const;
  // Replaces the source rows; the first row, if any, is selected.
  void setSourceFolders(const std::vector<std::string>& folders);

  // True while a cancelled search is still grouping what it found: the list is not to be touched.
  bool searchFinishing() const;

  // What the search runs on its thread; runDuplicateSearch by default.
  void setSearchEngine(SearchEngine engine) { engine_ = std::move(engine); }

  // An action on files that ends sooner than this shows no progress dialog.
  void setActionProgressDelay(int milliseconds) { actionProgressDelayMs_ = milliseconds; }

  // The toolbar's actions.
  QAction* action(MainAction which) const { return actions_.get(which); }

 public slots:
  // Rewrites the status bar panels from the result list; cheap enough for every change.
  void updateStatusBar();

 signals:
  // A search has ended and its rows (if any) are in the list; also after a cancelled one.
  void searchCompleted();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void search();
  void selectSafely();
  void deleteSelected();
  void moveSelected();
  void trashSelected();
  // Puts back the files of this window's last Move or Move to Trash.
  void undoLastAction();
  // Each selected file becomes a hard link to its group's first unselected file.
  void replaceSelectedWithHardLinks();
  void printReport();
  void showHelp();
  void showWebSite();
  void writeFeedback();
  void showAbout();
  // Esc anywhere in the window.
  void minimize();

  void addSourceFolder();
  void removeSourceFolders();
  // Names and patterns a search passes over, and hidden folders.
  void editExclusions();
  void updateRemoveButton();

  void openSelectedFile();
  // The focused row's folder on the desktop, with the file selected in it where the file manager can.
  void openContainingFolder();
  // The focused row's path to the clipboard; with several rows selected, theirs, one a line.
  void copyPaths();
  // Selects in the file list the files below the folders chosen in the Folders tab.
  void selectFilesOfChosenFolders();
  // Shows the list's menu entries only when there are rows and a selection.
  void prepareResultMenu();

 private:
  friend class test::MainWindowDriver;

  void buildToolBar();
  void buildClientArea();
  void buildStatusBar();
  void buildMenus();
  // Open Containing Folder and Copy Path, at the top of the list's menu; then their keys and state.
  void buildPathEntries();
  void connectPathEntries();
  // The Select menu, on the Select button's arrow and in the list's context menu.
  void buildSelectMenu();
  // "Look for" (identical files or similar pictures) and "Likeness", beside the mask.
  void buildSearchModeControls(QWidget* client);
  // The mode and likeness as preferences_ say; the likeness only for pictures.
  void showSearchMode();
  // What the mode controls ask of the next search.
  void setSearchMode(SearchRequest& request) const;
  // For a row of a group of similar pictures, the path of its group's first row in the list, when
  // that is another picture; else empty.
  QString comparedPictureOf(std::size_t row) const;
  // Replaces the list's selection by what `change` makes of it; says how many groups it left.
  void changeSelection(
      const std::function<SelectionChange(const std::vector<ResultRow>&, const std::vector<bool>&)>& change);
  void connectHandlers();
  void start(Settings settings);
  // The start with settings files, run before the dialogs exist.
  void startFromSettingsFiles();
  // Saves both settings files when they are in use. False keeps the window open.
  bool saveSettings();

  void searchWorkerFinished();
  void finishSearch();
  void reportSearchProblems();
  void watchCacheSave();
  void stopSearchAndWait();
  // For the actions that read or change the result list: tells the user and returns true while
  // searchFinishing().
  bool refuseWhileSearchFinishing();
  // Runs Delete, Move or the links off the window's thread, with a progress dialog once it takes
  // longer than a moment, and puts the outcome into the list.
  void runFileAction(FileAction action);
  // When the journal can't record the action: asks, without waiting here, whether to go on without
  // a record, and acts only on Yes.
  void askToActWithoutRecord(FileAction action, const std::string& journalPath, std::error_code problem);
  // The action itself, recorded in the journal at `journalPath` (empty: none).
  void actOnSelection(FileAction action, const std::string& journalPath);
  // Runs `work` off the window's thread, holding the window's input, with a progress dialog titled
  // `title` once it takes longer than a moment. What `work` threw, as text; empty when nothing.
  QString runWithProgress(const QString& title, ActionProgress& progress, const std::function<void()>& work);
  // "Ask before Delete and Move": true when the user goes on (or was not to be asked).
  bool confirmRemoval(FileAction action);
  // Keeps what Undo needs of a finished Move or Move to Trash.
  void rememberForUndo(FileAction action, const RemovalResult& result);
  // The removal settings' entries, ticked as preferences_ says.
  void showRemovalSettings();
  // Shows or hides the preview pane, as the user or the settings say.
  void setPreviewShown(bool shown);
  // The focused row's file on the preview pane, when it is shown.
  void updatePreview();

  MainActions actions_;
  OptionsRecord options_;
  Preferences preferences_;  // Pelimor.conf; its reference folders are the source list's ticks
  std::string programFolder_;
  std::string dataFolder_;

  QMenu* helpMenu_ = nullptr;
  QAction* webSiteEntry_ = nullptr;
  QAction* feedbackEntry_ = nullptr;
  QAction* aboutEntry_ = nullptr;
  QMenu* resultMenu_ = nullptr;
  QAction* openFolderEntry_ = nullptr;
  QAction* copyPathEntry_ = nullptr;
  QAction* safeSelectEntry_ = nullptr;
  QAction* hardLinksEntry_ = nullptr;
  QAction* trashEntry_ = nullptr;
  QAction* undoEntry_ = nullptr;
  QAction* previewEntry_ = nullptr;
  QMenu* selectMenu_ = nullptr;
  // On the arrows of Delete and Move: the settings of Delete, Move and Move to Trash.
  QMenu* removalMenu_ = nullptr;
  QAction* deleteToTrashEntry_ = nullptr;
  QAction* askBeforeRemovalEntry_ = nullptr;
  QAction* moveKeepsFoldersEntry_ = nullptr;
  QAction* removeEmptyFoldersEntry_ = nullptr;

  QToolBar* toolBar_ = nullptr;
  QToolButton* helpButton_ = nullptr;  // Help, with its drop-down menu

  QLabel* sourceLabel_ = nullptr;
  SourceFolderList* sourceList_ = nullptr;
  QPushButton* addSourceButton_ = nullptr;
  QPushButton* removeSourceButton_ = nullptr;
  QPushButton* exclusionsButton_ = nullptr;

  QLabel* sizeLabel_ = nullptr;
  QLabel* typeLabel_ = nullptr;
  QLabel* maskLabel_ = nullptr;
  QComboBox* sizeList_ = nullptr;
  QComboBox* typeList_ = nullptr;
  MaskEdit* maskEdit_ = nullptr;
  QLabel* searchModeLabel_ = nullptr;
  QComboBox* searchModeList_ = nullptr;
  QLabel* similarityLabel_ = nullptr;
  QComboBox* similarityList_ = nullptr;
  // The keep rules that only groups of similar pictures need, shown while the list holds them.
  std::vector<QAction*> pictureRuleEntries_;
  FilterControls* filters_ = nullptr;

  ResultListView* resultList_ = nullptr;
  // The file list, and beside it the folders that hold the same tree.
  QTabWidget* resultTabs_ = nullptr;
  QSplitter* resultSplitter_ = nullptr;  // the result tabs, and the preview pane beside them
  PreviewPane* previewPane_ = nullptr;
  FolderGroupsView* folderView_ = nullptr;

  // Groups, files, selected files, and what the selected files take.
  std::array<QLabel*, 4> statusPanels_{};
  // Beside the panels: says when the list holds only part of a search (it was cancelled).
  QLabel* searchNote_ = nullptr;

  AboutBox* aboutBox_ = nullptr;
  WaitDialog* waitDialog_ = nullptr;

  SearchEngine engine_;
  std::unique_ptr<SearchWorker> worker_;
  QString pendingFailure_;
  std::vector<SkippedFile> pendingSkipped_;
  std::vector<SkippedFile> pendingSkippedFolders_;
  // The last search's files in reference folders that have no copy: Print offers to list them.
  std::vector<UniqueFile> filesWithNoCopy_;
  std::vector<NoticeText> pendingWarnings_;  // the engine's, such as a checksum cache passed over
  CompletionSound* sound_ = nullptr;
  Settings settings_ = Settings::InMemory;
  bool closeRefused_ = false;
  ActionProgress* runningAction_ = nullptr;  // while an action on files runs
  bool closeAfterAction_ = false;            // the window was closed meanwhile
  int actionProgressDelayMs_ = 500;
  // The folders the rows in the list came from: Move keeps paths below them, and none of them is
  // removed for being empty.
  std::vector<std::string> searchedFolders_;
  // This window's last Move or Move to Trash, for Undo: its number in the journal, and the rows it
  // took from the list (empty once another search replaced the list).
  struct UndoableAction {
    std::uint64_t number = 0;
    JournalKind kind = JournalKind::Move;
    std::vector<ResultRow> rows;
  };
  std::optional<UndoableAction> lastAction_;
};

// The warning after a search that passed over folders (first) or files (then), each with its reason:
// the first 20 of each, then how many more.
QString skippedFilesText(const std::vector<SkippedFile>& skipped, const std::vector<SkippedFile>& folders = {});

}  // namespace pelimor
