#include "ui/main_window.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "pelimor_version.h"
#include "platform/folders.h"
#include "results/folder_selection.h"
#include "search/mask_presets.h"
#include "ui/completion_sound.h"
#include "ui/desktop_open.h"
#include "ui/exclusions_dialog.h"
#include "ui/filter_controls.h"
#include "ui/folder_browser.h"
#include "ui/folder_groups_view.h"
#include "ui/preview_pane.h"
#include "ui/result_list_view.h"
#include "ui/source_list.h"
#include "ui/text_bytes.h"
#include "ui/wait_dialog.h"

namespace pelimor {

namespace {
constexpr int kClientWidth = 784;
constexpr int kClientHeight = 564;
constexpr int kSourceListHeight = 63;
constexpr int kSourceButtonWidth = 57;
constexpr std::array<int, 4> kPanelWidths = {100, 100, 125, 160};
}  // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(Settings::InMemory, {}, parent) {}

MainWindow::MainWindow(Settings settings, const OptionsRecord& options, QWidget* parent)
    : QMainWindow(parent), actions_(this), options_(options) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QString::fromLatin1(kNameAndVersion));
  setWindowIcon(action(MainAction::Search)->icon());

  buildMenus();
  buildToolBar();
  buildClientArea();
  buildSelectMenu();
  buildStatusBar();

  sound_ = new CompletionSound(this);
  connectHandlers();
  setSourceFolders({platform::defaultSourceFolder()});
  resize(kClientWidth, kClientHeight);

  // The window's own start runs before the dialogs exist; then the About box, then the wait dialog.
  start(settings);
  waitDialog_ = new WaitDialog(this);
}

MainWindow::~MainWindow() { stopSearchAndWait(); }

void MainWindow::buildMenus() {
  helpMenu_ = new QMenu(this);
  helpMenu_->setObjectName(QStringLiteral("helpMenu"));
  helpMenu_->addAction(action(MainAction::Help));  // shows F1 beside it
  webSiteEntry_ = helpMenu_->addAction(tr("Visit QVR Web Site"));
  webSiteEntry_->setObjectName(QStringLiteral("webSiteEntry"));
  feedbackEntry_ = helpMenu_->addAction(tr("Feedback (any comments, wishes)"));
  feedbackEntry_->setObjectName(QStringLiteral("feedbackEntry"));
  aboutEntry_ = helpMenu_->addAction(tr("About"));
  aboutEntry_->setObjectName(QStringLiteral("aboutEntry"));

  resultMenu_ = new QMenu(this);
  resultMenu_->setObjectName(QStringLiteral("resultMenu"));
  buildPathEntries();
  safeSelectEntry_ = resultMenu_->addAction(tr("Safely Select Duplicates From This Folder in All Groups"));
  safeSelectEntry_->setObjectName(QStringLiteral("safeSelectEntry"));
  hardLinksEntry_ = resultMenu_->addAction(tr("Replace Selected With Hard Links"));
  hardLinksEntry_->setObjectName(QStringLiteral("hardLinksEntry"));
  trashEntry_ = resultMenu_->addAction(action(MainAction::Trash)->icon(), action(MainAction::Trash)->text());
  trashEntry_->setObjectName(QStringLiteral("trashEntry"));
  undoEntry_ = new QAction(tr("Undo Move"), this);
  undoEntry_->setObjectName(QStringLiteral("undoEntry"));
  undoEntry_->setShortcut(QKeySequence::Undo);
  undoEntry_->setShortcutContext(Qt::WindowShortcut);
  undoEntry_->setEnabled(false);
  addAction(undoEntry_);  // Ctrl+Z works with the menu closed
  resultMenu_->addAction(undoEntry_);
  previewEntry_ = new QAction(tr("Preview"), this);
  previewEntry_->setObjectName(QStringLiteral("previewEntry"));
  previewEntry_->setCheckable(true);
  previewEntry_->setShortcut(Qt::Key_F3);
  previewEntry_->setShortcutContext(Qt::WindowShortcut);
  addAction(previewEntry_);
  resultMenu_->addAction(previewEntry_);

  removalMenu_ = new QMenu(this);
  removalMenu_->setObjectName(QStringLiteral("removalMenu"));
  const auto setting = [this](const char* name, const QString& caption) {
    QAction* entry = removalMenu_->addAction(caption);
    entry->setObjectName(QLatin1String(name));
    entry->setCheckable(true);
    return entry;
  };
  deleteToTrashEntry_ = setting("deleteToTrashEntry", tr("Delete sends files to the Trash"));
  askBeforeRemovalEntry_ = setting("askBeforeRemovalEntry", tr("Ask before Delete and Move"));
  moveKeepsFoldersEntry_ = setting("moveKeepsFoldersEntry", tr("Move keeps the folders"));
  removeEmptyFoldersEntry_ = setting("removeEmptyFoldersEntry", tr("Remove folders left empty"));
}

void MainWindow::showRemovalSettings() {
  deleteToTrashEntry_->setChecked(preferences_.deleteToTrash);
  askBeforeRemovalEntry_->setChecked(preferences_.askBeforeRemoval);
  moveKeepsFoldersEntry_->setChecked(preferences_.moveKeepsFolders);
  removeEmptyFoldersEntry_->setChecked(preferences_.removeEmptyFolders);
}

void MainWindow::buildToolBar() {
  toolBar_ = addToolBar(QStringLiteral("ToolBar1"));  // its title as it always was, whoever shows it
  toolBar_->setObjectName(QStringLiteral("toolBar"));
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
  toolBar_->setIconSize(QSize(32, 32));
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolBar_->addAction(action(MainAction::Search));
  toolBar_->addAction(action(MainAction::Select));
  toolBar_->addSeparator();
  toolBar_->addAction(action(MainAction::Delete));
  toolBar_->addAction(action(MainAction::Move));
  toolBar_->addAction(action(MainAction::Trash));
  toolBar_->addSeparator();
  toolBar_->addAction(action(MainAction::Print));
  toolBar_->addAction(action(MainAction::Help));
  for (QAction* each : toolBar_->actions()) {
    if (QWidget* button = toolBar_->widgetForAction(each)) button->setMinimumWidth(47);
  }
  // The Help button's body runs Help; its arrow opens the menu.
  helpButton_ = qobject_cast<QToolButton*>(toolBar_->widgetForAction(action(MainAction::Help)));
  helpButton_->setObjectName(QStringLiteral("helpButton"));
  helpButton_->setMenu(helpMenu_);
  helpButton_->setPopupMode(QToolButton::MenuButtonPopup);
  // Delete's and Move's arrows open their settings.
  for (const MainAction removal : {MainAction::Delete, MainAction::Move}) {
    auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(action(removal)));
    button->setMenu(removalMenu_);
    button->setPopupMode(QToolButton::MenuButtonPopup);
  }
}

void MainWindow::buildClientArea() {
  auto* client = new QWidget(this);
  setCentralWidget(client);

  sourceList_ = new SourceFolderList(client);
  sourceLabel_ = new QLabel(tr("Source"), client);
  sourceLabel_->setObjectName(QStringLiteral("sourceLabel"));
  addSourceButton_ = new QPushButton(tr("Add"), client);
  addSourceButton_->setObjectName(QStringLiteral("addSourceButton"));
  removeSourceButton_ = new QPushButton(tr("Remove"), client);
  removeSourceButton_->setObjectName(QStringLiteral("removeSourceButton"));
  exclusionsButton_ = new QPushButton(tr("Exclusions"), client);
  exclusionsButton_->setObjectName(QStringLiteral("exclusionsButton"));
  exclusionsButton_->setToolTip(tr("Names and patterns never searched, and hidden folders"));
  for (QPushButton* button : {addSourceButton_, removeSourceButton_, exclusionsButton_}) {
    button->setMinimumWidth(kSourceButtonWidth);
    button->setAutoDefault(false);
  }

  sizeLabel_ = new QLabel(tr("Size, Kb >"), client);
  sizeLabel_->setObjectName(QStringLiteral("sizeLabel"));
  typeLabel_ = new QLabel(tr("Type"), client);
  typeLabel_->setObjectName(QStringLiteral("typeLabel"));
  maskLabel_ = new QLabel(tr("Mask"), client);
  maskLabel_->setObjectName(QStringLiteral("maskLabel"));
  sizeList_ = new QComboBox(client);
  sizeList_->setObjectName(QStringLiteral("sizeList"));
  for (const std::string_view size : kMinimumSizeKilobytes) sizeList_->addItem(QString::fromLatin1(size));
  sizeList_->setCurrentIndex(static_cast<int>(kDefaultSizeIndex));
  fitToLongestItem(sizeList_);
  typeList_ = new QComboBox(client);
  typeList_->setObjectName(QStringLiteral("typeList"));
  for (const std::string_view type : kTypeNames)
    typeList_->addItem(QCoreApplication::translate("FileTypes", type.data()));
  typeList_->setCurrentIndex(static_cast<int>(kDefaultTypeIndex));
  fitToLongestItem(typeList_);
  maskEdit_ = new MaskEdit(client);
  maskEdit_->setText(QStringLiteral("*.*"));
  maskEdit_->setReadOnly(true);
  filters_ = new FilterControls(sizeList_, typeList_, maskEdit_, options_, this);
  buildSearchModeControls(client);

  resultList_ = new ResultListView(client);
  resultTabs_ = new QTabWidget(client);
  resultTabs_->setObjectName(QStringLiteral("resultTabs"));
  resultTabs_->setDocumentMode(true);
  folderView_ = new FolderGroupsView(resultTabs_);
  resultTabs_->addTab(resultList_, tr("Files"));
  resultTabs_->addTab(folderView_, tr("Folders"));
  resultSplitter_ = new QSplitter(Qt::Horizontal, client);
  resultSplitter_->setObjectName(QStringLiteral("resultSplitter"));
  resultSplitter_->setChildrenCollapsible(false);
  previewPane_ = new PreviewPane(resultSplitter_);
  resultSplitter_->addWidget(resultTabs_);
  resultSplitter_->addWidget(previewPane_);
  resultSplitter_->setStretchFactor(0, 1);
  previewPane_->hide();

  // Wider window: the lists and the mask field widen, the source buttons move right.
  // Taller window: only the result list grows.
  auto* sourceButtons = new QVBoxLayout;
  sourceButtons->setSpacing(3);
  sourceButtons->addWidget(sourceLabel_);
  sourceButtons->addWidget(addSourceButton_);
  sourceButtons->addWidget(removeSourceButton_);
  sourceButtons->addWidget(exclusionsButton_);
  sourceButtons->addStretch(1);
  sourceList_->setFixedHeight(std::max(kSourceListHeight, sourceButtons->sizeHint().height()));
  auto* sourceRow = new QHBoxLayout;
  sourceRow->setSpacing(15);
  sourceRow->addWidget(sourceList_, 1);
  sourceRow->addLayout(sourceButtons);

  auto* filters = new QGridLayout;
  filters->setHorizontalSpacing(12);
  filters->setVerticalSpacing(3);
  filters->addWidget(sizeLabel_, 0, 0);
  filters->addWidget(typeLabel_, 0, 1);
  filters->addWidget(maskLabel_, 0, 2);
  filters->addWidget(sizeList_, 1, 0);
  filters->addWidget(typeList_, 1, 1);
  filters->addWidget(maskEdit_, 1, 2);
  filters->addWidget(searchModeLabel_, 0, 3);
  filters->addWidget(searchModeList_, 1, 3);
  filters->addWidget(similarityLabel_, 0, 4);
  filters->addWidget(similarityList_, 1, 4);
  filters->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(16, 12, 7, 6);
  layout->setSpacing(6);
  layout->addLayout(sourceRow);
  layout->addLayout(filters);
  layout->addSpacing(14);
  layout->addWidget(resultSplitter_, 1);

  QWidget::setTabOrder(sourceList_, addSourceButton_);
  QWidget::setTabOrder(addSourceButton_, removeSourceButton_);
  QWidget::setTabOrder(removeSourceButton_, exclusionsButton_);
  QWidget::setTabOrder(exclusionsButton_, maskEdit_);
  QWidget::setTabOrder(maskEdit_, sizeList_);
  QWidget::setTabOrder(sizeList_, resultList_);
  QWidget::setTabOrder(resultList_, typeList_);
  QWidget::setTabOrder(typeList_, searchModeList_);
  QWidget::setTabOrder(searchModeList_, similarityList_);
}

void MainWindow::buildStatusBar() {
  static const char* const kStartTexts[4] = {QT_TR_NOOP("Groups: "), QT_TR_NOOP("Files: "),
                                             QT_TR_NOOP("Selected files:"), QT_TR_NOOP("Selected size: ")};
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("statusBar"));
  for (std::size_t panel = 0; panel < statusPanels_.size(); ++panel) {
    statusPanels_[panel] = new QLabel(tr(kStartTexts[panel]), bar);
    statusPanels_[panel]->setObjectName(QStringLiteral("statusPanel%1").arg(panel));
    statusPanels_[panel]->setFixedWidth(kPanelWidths[panel]);
    bar->addWidget(statusPanels_[panel]);
  }
  searchNote_ = new QLabel(bar);
  searchNote_->setObjectName(QStringLiteral("searchNote"));
  bar->addWidget(searchNote_, 1);
}

void MainWindow::connectHandlers() {
  connect(action(MainAction::Search), &QAction::triggered, this, &MainWindow::search);
  connect(action(MainAction::Select), &QAction::triggered, this, &MainWindow::selectSafely);
  connect(action(MainAction::Delete), &QAction::triggered, this, &MainWindow::deleteSelected);
  connect(action(MainAction::Move), &QAction::triggered, this, &MainWindow::moveSelected);
  connect(action(MainAction::Print), &QAction::triggered, this, &MainWindow::printReport);
  connect(action(MainAction::Help), &QAction::triggered, this, &MainWindow::showHelp);
  connect(webSiteEntry_, &QAction::triggered, this, &MainWindow::showWebSite);
  connect(feedbackEntry_, &QAction::triggered, this, &MainWindow::writeFeedback);
  connect(aboutEntry_, &QAction::triggered, this, &MainWindow::showAbout);
  connect(safeSelectEntry_, &QAction::triggered, action(MainAction::Select), &QAction::trigger);
  connect(hardLinksEntry_, &QAction::triggered, this, &MainWindow::replaceSelectedWithHardLinks);
  connect(action(MainAction::Trash), &QAction::triggered, this, &MainWindow::trashSelected);
  connect(trashEntry_, &QAction::triggered, action(MainAction::Trash), &QAction::trigger);
  connect(undoEntry_, &QAction::triggered, this, &MainWindow::undoLastAction);
  connect(removalMenu_, &QMenu::aboutToShow, this, &MainWindow::showRemovalSettings);
  const std::pair<QAction*, bool Preferences::*> settings[] = {
      {deleteToTrashEntry_, &Preferences::deleteToTrash},
      {askBeforeRemovalEntry_, &Preferences::askBeforeRemoval},
      {moveKeepsFoldersEntry_, &Preferences::moveKeepsFolders},
      {removeEmptyFoldersEntry_, &Preferences::removeEmptyFolders}};
  for (const auto& [entry, member] : settings)
    connect(entry, &QAction::toggled, this, [this, member = member](bool on) { preferences_.*member = on; });

  connect(addSourceButton_, &QPushButton::clicked, this, &MainWindow::addSourceFolder);
  connect(removeSourceButton_, &QPushButton::clicked, this, &MainWindow::removeSourceFolders);
  connect(exclusionsButton_, &QPushButton::clicked, this, &MainWindow::editExclusions);
  connect(sourceList_, &SourceFolderList::rowsChanged, this, &MainWindow::updateRemoveButton);

  connect(folderView_, &FolderGroupsView::findFoldersChanged, this,
          [this](bool on) { preferences_.findFolderTwins = on; });
  connect(folderView_, &FolderGroupsView::selectFilesRequested, this, &MainWindow::selectFilesOfChosenFolders);
  connect(folderView_, &FolderGroupsView::openFolderRequested, this,
          [this](const std::string& path) { openOnDesktop(this, fileUrlOf(path), tr("the folder")); });
  connect(resultList_, &ResultListView::listChanged, this, &MainWindow::updateStatusBar);
  connect(resultList_, &ResultListView::listChanged, this, &MainWindow::updatePreview);
  connect(previewEntry_, &QAction::toggled, this, &MainWindow::setPreviewShown);
  connect(resultList_, &QAbstractItemView::doubleClicked, this, &MainWindow::openSelectedFile);
  connect(resultList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    prepareResultMenu();
    resultMenu_->popup(resultList_->viewport()->mapToGlobal(position));
  });
  connectPathEntries();
}

std::vector<std::string> MainWindow::sourceFolders() const { return sourceList_->folders(); }

void MainWindow::setSourceFolders(const std::vector<std::string>& folders) { sourceList_->setFolders(folders); }

void MainWindow::updateStatusBar() {
  const ResultSession& session = resultList_->session();
  const std::vector<ResultRow>& rows = session.rows();
  statusPanels_[0]->setText(tr("Groups: ") + QString::number(session.groupCount()));
  statusPanels_[1]->setText(tr("Files: ") + QString::number(rows.size()));
  statusPanels_[2]->setText(tr("Selected files: ") + QString::number(session.selectedCount()));
  statusPanels_[3]->setText(tr("Selected size: ") + binarySizeText(session.selectedBytes()));
}

void MainWindow::addSourceFolder() {
  std::string folder;
  if (browseForFolder(this, tr("Select source folder"), platform::defaultSourceFolder(), folder)) {
    sourceList_->appendFolder(folder);
  }
  if (sourceList_->rowCount() == 1) {
    sourceList_->selectOnly(0);
    removeSourceButton_->setEnabled(true);
  }
}

void MainWindow::removeSourceFolders() { sourceList_->removeSelectedRows(); }

void MainWindow::editExclusions() {
  ExclusionsDialog dialog(preferences_, this);
  if (dialog.exec() == QDialog::Accepted) preferences_ = dialog.edited(preferences_);
}

void MainWindow::updateRemoveButton() { removeSourceButton_->setEnabled(sourceList_->hasSelectedRow()); }

void MainWindow::openSelectedFile() {
  const int row = resultList_->firstSelectedRow();
  if (row < 0) return;
  // A notice when no program could be started; what the program then does is its own business.
  openOnDesktop(this, fileUrlOf(resultList_->session().rows()[static_cast<std::size_t>(row)].path), tr("the file"));
}

void MainWindow::selectFilesOfChosenFolders() {
  const std::vector<ResultRow> twins = twinRows(folderView_->groups());
  const std::vector<bool> chosen = folderView_->chosenTwins();
  changeSelection([&](const std::vector<ResultRow>& rows, const std::vector<bool>& selected) {
    SelectionChange change{selected, 0};
    selectFilesOfTwins(rows, change.selected, twins, chosen);
    return change;
  });
  resultTabs_->setCurrentWidget(resultList_);
  resultList_->setFocus();
}

void MainWindow::prepareResultMenu() {
  const ResultSession& session = resultList_->session();
  const bool anySelected = !session.empty() && session.selectedCount() > 0;
  safeSelectEntry_->setVisible(anySelected);
  hardLinksEntry_->setVisible(anySelected);
  trashEntry_->setVisible(anySelected);
  selectMenu_->menuAction()->setVisible(!session.empty());
}

}  // namespace pelimor
