#include "ui/form_qvr.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/folders.h"
#include "search/mask_presets.h"
#include "ui/completion_sound.h"
#include "ui/desktop_open.h"
#include "ui/filter_controls.h"
#include "ui/folder_browser.h"
#include "ui/form_wait.h"
#include "ui/result_list_view.h"
#include "ui/source_list.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
constexpr int kClientWidth = 784;
constexpr int kClientHeight = 564;
constexpr int kSourceListHeight = 63;
constexpr int kSourceButtonWidth = 57;
constexpr std::array<int, 4> kPanelWidths = {100, 100, 125, 160};
}  // namespace

TFormQVR::TFormQVR(QWidget* parent) : TFormQVR(Settings::InMemory, parent) {}

TFormQVR::TFormQVR(Settings settings, QWidget* parent) : QMainWindow(parent), actions_(createMainActions(this)) {
  setObjectName(QStringLiteral("FormQVR"));
  setWindowTitle(QStringLiteral("Pelimor 3.0"));
  setWindowIcon(actions_.ActionSearch->icon());

  buildMenus();
  buildToolBar();
  buildClientArea();
  buildStatusBar();

  sound_ = new CompletionSound(this);
  connectHandlers();
  setSourceFolders({platform::defaultSourceFolder()});
  resize(kClientWidth, kClientHeight);

  // The window's own start runs before the dialogs exist; then the About box, then the wait dialog.
  startShell(settings);
  FormWait = new TFormWait(this);
}

TFormQVR::~TFormQVR() { stopSearchAndWait(); }

void TFormQVR::buildMenus() {
  PopupMenuHelp = new QMenu(this);
  PopupMenuHelp->setObjectName(QStringLiteral("PopupMenuHelp"));
  PopupMenuHelp->addAction(actions_.ActionHelp);  // shows F1 beside it
  VisitQVRWebSite1 = PopupMenuHelp->addAction(QStringLiteral("Visit QVR Web Site"));
  VisitQVRWebSite1->setObjectName(QStringLiteral("VisitQVRWebSite1"));
  Feedbackanycommentswishes1 = PopupMenuHelp->addAction(QStringLiteral("Feedback (any comments, wishes)"));
  Feedbackanycommentswishes1->setObjectName(QStringLiteral("Feedbackanycommentswishes1"));
  About1 = PopupMenuHelp->addAction(QStringLiteral("About"));
  About1->setObjectName(QStringLiteral("About1"));

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  SafelySelectDuplicatesFromThisFolderinAllGroups1 =
      PopupMenu1->addAction(QStringLiteral("Safely Select Duplicates From This Folder in All Groups"));
  SafelySelectDuplicatesFromThisFolderinAllGroups1->setObjectName(
      QStringLiteral("SafelySelectDuplicatesFromThisFolderinAllGroups1"));
  ReplaceSelectedWithHardLinks1 = PopupMenu1->addAction(QStringLiteral("Replace Selected With Hard Links"));
  ReplaceSelectedWithHardLinks1->setObjectName(QStringLiteral("ReplaceSelectedWithHardLinks1"));
}

void TFormQVR::buildToolBar() {
  ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
  ToolBar1->setIconSize(QSize(32, 32));
  ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  ToolBar1->addAction(actions_.ActionSearch);
  ToolBar1->addAction(actions_.ActionSelect);
  ToolBar1->addSeparator();
  ToolBar1->addAction(actions_.ActionDelete);
  ToolBar1->addAction(actions_.ActionMove);
  ToolBar1->addSeparator();
  ToolBar1->addAction(actions_.ActionPrint);
  ToolBar1->addAction(actions_.ActionHelp);
  for (QAction* action : ToolBar1->actions()) {
    if (QWidget* button = ToolBar1->widgetForAction(action)) button->setMinimumWidth(47);
  }
  // The Help button's body runs Help; its arrow opens the menu.
  ToolButton3 = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(actions_.ActionHelp));
  ToolButton3->setObjectName(QStringLiteral("ToolButton3"));
  ToolButton3->setMenu(PopupMenuHelp);
  ToolButton3->setPopupMode(QToolButton::MenuButtonPopup);
}

void TFormQVR::buildClientArea() {
  auto* client = new QWidget(this);
  setCentralWidget(client);

  ListViewSource = new SourceFolderList(client);
  Label1 = new QLabel(QStringLiteral("Source"), client);
  Label1->setObjectName(QStringLiteral("Label1"));
  ButtonChangeSourceAdd = new QPushButton(QStringLiteral("Add"), client);
  ButtonChangeSourceAdd->setObjectName(QStringLiteral("ButtonChangeSourceAdd"));
  ButtonChangeSourceRemove = new QPushButton(QStringLiteral("Remove"), client);
  ButtonChangeSourceRemove->setObjectName(QStringLiteral("ButtonChangeSourceRemove"));
  for (QPushButton* button : {ButtonChangeSourceAdd, ButtonChangeSourceRemove}) {
    button->setMinimumWidth(kSourceButtonWidth);
    button->setAutoDefault(false);
  }

  Label2 = new QLabel(QStringLiteral("Size, Kb >"), client);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label3 = new QLabel(QStringLiteral("Type"), client);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label4 = new QLabel(QStringLiteral("Mask"), client);
  Label4->setObjectName(QStringLiteral("Label4"));
  ComboBoxSize = new QComboBox(client);
  ComboBoxSize->setObjectName(QStringLiteral("ComboBoxSize"));
  for (const std::string_view size : kMinimumSizeKilobytes) ComboBoxSize->addItem(QString::fromLatin1(size));
  ComboBoxSize->setCurrentIndex(static_cast<int>(kDefaultSizeIndex));
  ComboBoxSize->setFixedWidth(65);
  ComboBoxType = new QComboBox(client);
  ComboBoxType->setObjectName(QStringLiteral("ComboBoxType"));
  for (const std::string_view type : kTypeNames) ComboBoxType->addItem(QString::fromLatin1(type));
  ComboBoxType->setCurrentIndex(static_cast<int>(kDefaultTypeIndex));
  ComboBoxType->setFixedWidth(80);
  EditMask = new MaskEdit(client);
  EditMask->setText(QStringLiteral("*.*"));
  EditMask->setReadOnly(true);
  Filters = new FilterControls(ComboBoxSize, ComboBoxType, EditMask, this);

  ListViewDup = new ResultListView(client);

  // Wider window: the lists and the mask field widen, the source buttons move right.
  // Taller window: only the result list grows.
  auto* sourceButtons = new QVBoxLayout;
  sourceButtons->setSpacing(3);
  sourceButtons->addWidget(Label1);
  sourceButtons->addWidget(ButtonChangeSourceAdd);
  sourceButtons->addWidget(ButtonChangeSourceRemove);
  sourceButtons->addStretch(1);
  ListViewSource->setFixedHeight(std::max(kSourceListHeight, sourceButtons->sizeHint().height()));
  auto* sourceRow = new QHBoxLayout;
  sourceRow->setSpacing(15);
  sourceRow->addWidget(ListViewSource, 1);
  sourceRow->addLayout(sourceButtons);

  auto* filters = new QGridLayout;
  filters->setHorizontalSpacing(12);
  filters->setVerticalSpacing(3);
  filters->addWidget(Label2, 0, 0);
  filters->addWidget(Label3, 0, 1);
  filters->addWidget(Label4, 0, 2);
  filters->addWidget(ComboBoxSize, 1, 0);
  filters->addWidget(ComboBoxType, 1, 1);
  filters->addWidget(EditMask, 1, 2);
  filters->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(16, 12, 7, 6);
  layout->setSpacing(6);
  layout->addLayout(sourceRow);
  layout->addLayout(filters);
  layout->addSpacing(14);
  layout->addWidget(ListViewDup, 1);

  QWidget::setTabOrder(ListViewSource, ButtonChangeSourceAdd);
  QWidget::setTabOrder(ButtonChangeSourceAdd, ButtonChangeSourceRemove);
  QWidget::setTabOrder(ButtonChangeSourceRemove, EditMask);
  QWidget::setTabOrder(EditMask, ComboBoxSize);
  QWidget::setTabOrder(ComboBoxSize, ListViewDup);
  QWidget::setTabOrder(ListViewDup, ComboBoxType);
}

void TFormQVR::buildStatusBar() {
  static const char* const kStartTexts[4] = {"Groups: ", "Files: ", "Selected files:", "Selected size: "};
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  for (std::size_t panel = 0; panel < StatusPanels.size(); ++panel) {
    StatusPanels[panel] = new QLabel(QString::fromLatin1(kStartTexts[panel]), bar);
    StatusPanels[panel]->setObjectName(QStringLiteral("StatusPanel%1").arg(panel));
    StatusPanels[panel]->setFixedWidth(kPanelWidths[panel]);
    bar->addWidget(StatusPanels[panel]);
  }
  StatusSearchNote = new QLabel(bar);
  StatusSearchNote->setObjectName(QStringLiteral("StatusSearchNote"));
  bar->addWidget(StatusSearchNote, 1);
}

void TFormQVR::connectHandlers() {
  connect(actions_.ActionSearch, &QAction::triggered, this, &TFormQVR::ActionSearchExecute);
  connect(actions_.ActionSelect, &QAction::triggered, this, &TFormQVR::ActionSelectExecute);
  connect(actions_.ActionDelete, &QAction::triggered, this, &TFormQVR::ActionDeleteExecute);
  connect(actions_.ActionMove, &QAction::triggered, this, &TFormQVR::ActionMoveExecute);
  connect(actions_.ActionPrint, &QAction::triggered, this, &TFormQVR::ActionPrintExecute);
  connect(actions_.ActionHelp, &QAction::triggered, this, &TFormQVR::ActionHelpExecute);
  connect(VisitQVRWebSite1, &QAction::triggered, this, &TFormQVR::VisitQVRWebSite1Click);
  connect(Feedbackanycommentswishes1, &QAction::triggered, this, &TFormQVR::Feedbackanycommentswishes1Click);
  connect(About1, &QAction::triggered, this, &TFormQVR::About1Click);
  connect(SafelySelectDuplicatesFromThisFolderinAllGroups1, &QAction::triggered, actions_.ActionSelect,
          &QAction::trigger);
  connect(ReplaceSelectedWithHardLinks1, &QAction::triggered, this, &TFormQVR::ReplaceSelectedWithHardLinks1Click);

  connect(ButtonChangeSourceAdd, &QPushButton::clicked, this, &TFormQVR::ButtonChangeSourceAddClick);
  connect(ButtonChangeSourceRemove, &QPushButton::clicked, this, &TFormQVR::ButtonChangeSourceRemoveClick);
  connect(ListViewSource, &SourceFolderList::rowsChanged, this, &TFormQVR::ListViewSourceChange);

  connect(ListViewDup, &ResultListView::listChanged, this, &TFormQVR::ListViewDupChange);
  connect(ListViewDup, &QAbstractItemView::doubleClicked, this, &TFormQVR::ListViewDupDblClick);
  connect(ListViewDup, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    PopupMenu1Popup();
    PopupMenu1->popup(ListViewDup->viewport()->mapToGlobal(position));
  });
}

std::vector<std::string> TFormQVR::sourceFolders() const { return ListViewSource->folders(); }

void TFormQVR::setSourceFolders(const std::vector<std::string>& folders) { ListViewSource->setFolders(folders); }

void TFormQVR::StatuBarUpdate() {
  const std::vector<ResultRow>& rows = ListViewDup->rows();
  StatusPanels[0]->setText(QStringLiteral("Groups: ") + QString::number(rows.empty() ? 0 : rows.back().group));
  StatusPanels[1]->setText(QStringLiteral("Files: ") + QString::number(rows.size()));
  StatusPanels[2]->setText(QStringLiteral("Selected files: ") + QString::number(ListViewDup->selectedCount()));
  StatusPanels[3]->setText(QStringLiteral("Selected size: ") + binarySizeText(ListViewDup->selectedBytes()));
}

QString TFormQVR::statusPanelText(int panel) const {
  return panel >= 0 && panel < static_cast<int>(StatusPanels.size())
             ? StatusPanels[static_cast<std::size_t>(panel)]->text()
             : QString();
}

void TFormQVR::ButtonChangeSourceAddClick() {
  std::string folder;
  if (browseForFolder(this, QStringLiteral("Select source folder"), platform::defaultSourceFolder(), folder)) {
    ListViewSource->appendFolder(folder);
  }
  if (ListViewSource->rowCount() == 1) {
    ListViewSource->selectOnly(0);
    ButtonChangeSourceRemove->setEnabled(true);
  }
}

void TFormQVR::ButtonChangeSourceRemoveClick() { ListViewSource->removeSelectedRows(); }

void TFormQVR::ListViewSourceChange() { ButtonChangeSourceRemove->setEnabled(ListViewSource->hasSelectedRow()); }

void TFormQVR::ListViewDupChange() { StatuBarUpdate(); }

void TFormQVR::ListViewDupDblClick() {
  const int row = ListViewDup->firstSelectedRow();
  if (row < 0) return;
  // A notice when no program could be started; what the program then does is its own business.
  openOnDesktop(this, QUrl::fromLocalFile(shownText(ListViewDup->rows()[static_cast<std::size_t>(row)].path)),
                QStringLiteral("the file"));
}

void TFormQVR::PopupMenu1Popup() {
  const bool anySelected = !ListViewDup->rows().empty() && ListViewDup->selectedCount() > 0;
  SafelySelectDuplicatesFromThisFolderinAllGroups1->setVisible(anySelected);
  ReplaceSelectedWithHardLinks1->setVisible(anySelected);
}

}  // namespace pelimor
