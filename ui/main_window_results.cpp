// What the user does with a result: safe selection, delete, move and the report. The decisions
// are made in results/ over the rows and selection of the list's session; these handlers hand them
// over and put the outcome back into the list.
#include <QApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>
#include <exception>
#include <optional>

#include "platform/folders.h"
#include "results/action_undo.h"
#include "results/file_removal.h"
#include "results/group_guard.h"
#include "results/html_report.h"
#include "results/result_session.h"
#include "results/safe_selection.h"
#include "ui/action_progress_dialog.h"
#include "ui/background_job.h"
#include "ui/desktop_open.h"
#include "ui/folder_groups_view.h"
#include "ui/main_window.h"
#include "ui/notices.h"
#include "ui/result_list_view.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
void showActionNotice(QWidget* parent, const Notice& notice) {
  const QString text = shownNotice(notice.text);
  switch (notice.kind) {
    case Notice::Kind::Information:
      showNotice(parent, DialogKind::Information, text);
      break;
    case Notice::Kind::Warning:
      showNotice(parent, DialogKind::Warning, text);
      break;
    case Notice::Kind::GroupGuard: {
      QMessageBox box(QMessageBox::NoIcon, shownText(notice.title), text, QMessageBox::Ok, parent);
      execNoticeBox(box);
      break;
    }
  }
}

// Redrawn once when the handler is done, however many rows it changed.
class RepaintSuspended {
 public:
  explicit RepaintSuspended(QWidget* widget) : widget_(widget) { widget_->setUpdatesEnabled(false); }
  ~RepaintSuspended() { widget_->setUpdatesEnabled(true); }
  RepaintSuspended(const RepaintSuspended&) = delete;
  RepaintSuspended& operator=(const RepaintSuspended&) = delete;

 private:
  QWidget* widget_;
};

// While an action works off the window's thread from the list's rows, the list must stay as it
// is: the window takes no keys, clicks or shortcuts until the action ends, and goes on painting.
class InputHold : public QObject {
 public:
  explicit InputHold(QWidget* window) : window_(window) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    qApp->installEventFilter(this);
  }
  ~InputHold() override {
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
  }
  InputHold(const InputHold&) = delete;
  InputHold& operator=(const InputHold&) = delete;

 protected:
  bool eventFilter(QObject* target, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Shortcut:  // sent to the action, not to a widget
        return true;
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::Drop: {
        const auto* widget = qobject_cast<QWidget*>(target);
        return widget && widget->window() == window_;
      }
      default:
        return false;
    }
  }

 private:
  QWidget* window_;
};

// Delete, Move and Link alike: the rows whose file is gone leave the list, then the one notice, if any.
// The status bar follows the list's own change events.
void finishRemoval(QWidget* window, ResultListView& list, const RemovalResult& result) {
  if (!result.linked.empty()) {
    // Linked files are done with: what stays selected is what still needs the user. Their
    // positions are those of the rows the action was given, so before any row leaves.
    std::vector<bool> selected = list.session().selection();
    for (const LinkedFile& linked : result.linked) selected[linked.row] = false;
    list.selectRows(selected);
  }
  if (!result.refused && !result.rowsToRemove.empty()) {
    const RepaintSuspended suspended(&list);
    list.removeFlaggedRows(flagsAt(result.rowsToRemove, list.session().size()));
  }
  if (result.notice) showActionNotice(window, *result.notice);
}

// What Delete, Move or Trash did, for the status bar; empty when it did nothing. Ctrl+Z is offered
// only when Undo took the action on.
QString actionDoneText(FileAction action, const std::vector<ResultRow>& rows, const RemovalResult& result,
                       bool undoable) {
  std::size_t count = result.moved.size();
  std::uint64_t bytes = 0;
  for (const MovedFile& moved : result.moved) bytes += rows[moved.row].size;
  if (action == FileAction::Delete) {
    count = result.rowsToRemove.size() - result.alreadyGone.size();
    bytes = result.freedBytes;
  }
  if (result.refused || count == 0) return {};
  const QString files =
      QString::number(count) + QLatin1Char(' ') + (count == 1 ? MainWindow::tr("file") : MainWindow::tr("files"));
  QString text;
  switch (action) {
    case FileAction::Delete:
      return MainWindow::tr("%1 deleted, %2 freed.").arg(files, binarySizeText(bytes));
    case FileAction::Move:
      text = MainWindow::tr("%1 moved to \"%2\", %3.")
                 .arg(files, shownPathText(platform::removedFilesFolder()), binarySizeText(bytes));
      break;
    case FileAction::Trash:
      text = MainWindow::tr("%1 moved to the Trash, %2.").arg(files, binarySizeText(bytes));
      break;
    default:
      return {};
  }
  if (!undoable) return text;
  return text + QLatin1Char(' ') +
         (count == 1 ? MainWindow::tr("Ctrl+Z puts it back.") : MainWindow::tr("Ctrl+Z puts them back."));
}
}  // namespace

void MainWindow::selectSafely() {
  if (refuseWhileSearchFinishing()) return;
  const ResultSession& session = resultList_->session();
  const int focused = resultList_->focusedRow();
  const SafeSelectionResult result = safeSelection(
      session.rows(), session.selection(),
      focused < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(focused)), session.sort());
  if (result.notice) {
    showActionNotice(this, *result.notice);
    return;
  }
  {
    const RepaintSuspended suspended(resultList_);
    resultList_->reorderRows(result.order, result.sort);
    resultList_->selectRows(result.selected);
    resultList_->setFocusedRow(result.focused ? static_cast<int>(*result.focused) : -1);
  }
  if (result.focused) resultList_->scrollTo(resultList_->currentIndex());
  if (result.focusedTopRow) resultList_->setFocus();
}

QString MainWindow::runWithProgress(const QString& title, ActionProgress& progress, const std::function<void()>& work) {
  QString failure;
  BackgroundJob job([&] {
    try {
      work();
    } catch (const std::exception& error) {
      failure = QString::fromLocal8Bit(error.what());
    }
  });
  runningAction_ = &progress;
  const InputHold hold(this);
  ActionProgressDialog dialog(title, progress, this);
  QEventLoop loop;
  connect(&job, &BackgroundJob::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(actionProgressDelayMs_, &dialog, [&] {
    if (job.isRunning()) dialog.show();  // modal: set so when it was made
  });
  job.start();
  loop.exec();
  job.wait();  // the application may be quitting: the rows are not let go of before the work ends
  runningAction_ = nullptr;
  return failure;
}

bool MainWindow::confirmRemoval(FileAction action) {
  if (!preferences_.askBeforeRemoval) return true;
  const ResultSession& session = resultList_->session();
  // The group guard speaks first; asking would be for nothing.
  if (removalRefusal(session.rows(), session.selection())) return true;
  const QString files =
      tr("%1 selected %2 (%3)")
          .arg(session.selectedCount())
          .arg(session.selectedCount() == 1 ? tr("file") : tr("files"), binarySizeText(session.selectedBytes()));
  QString question;
  switch (action) {
    case FileAction::Delete:
      question = tr("Delete %1 for good?").arg(files);
      break;
    case FileAction::Move:
      question = tr("Move %1 to \"%2\"?").arg(files, shownPathText(platform::removedFilesFolder()));
      break;
    case FileAction::Trash:
      question = tr("Move %1 to the Trash?").arg(files);
      break;
    default:
      return true;
  }
  return showNotice(this, DialogKind::Confirmation, question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MainWindow::rememberForUndo(FileAction action, const RemovalResult& result) {
  if ((action != FileAction::Move && action != FileAction::Trash) || result.journalAction == 0 || result.moved.empty())
    return;
  UndoableAction undoable;
  undoable.number = result.journalAction;
  undoable.kind = action == FileAction::Move ? JournalKind::Move : JournalKind::Trash;
  const std::vector<ResultRow>& rows = resultList_->session().rows();
  for (const MovedFile& moved : result.moved) undoable.rows.push_back(rows[moved.row]);
  lastAction_ = std::move(undoable);
  undoEntry_->setText(tr(undoCaption(lastAction_->kind).c_str()));
  undoEntry_->setEnabled(true);
}

void MainWindow::runFileAction(FileAction action) {
  if (refuseWhileSearchFinishing() || runningAction_) return;
  if (action == FileAction::Delete && preferences_.deleteToTrash) action = FileAction::Trash;
  if (!confirmRemoval(action)) return;
  ActionJournal journal(defaultJournalPath());
  if (const std::error_code problem = journal.open()) return askToActWithoutRecord(action, journal.path(), problem);
  actOnSelection(action, journal.path());
}

void MainWindow::askToActWithoutRecord(FileAction action, const std::string& journalPath, std::error_code problem) {
  const QString text = shownNotice(journalProblemText(journalPath, problem)) + QStringLiteral("\n\n") +
                       tr("The record of this action can't be written, so it can't be undone. Go on anyway?");
  auto* box = new QMessageBox(QMessageBox::Warning, QCoreApplication::translate("Notices", "Confirm"), text,
                              QMessageBox::Yes | QMessageBox::No, this);
  box->setDefaultButton(QMessageBox::No);
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::finished, this, [this, action](int answer) {
    if (answer == QMessageBox::Yes && !runningAction_) actOnSelection(action, std::string());
  });
  box->open();
}

void MainWindow::actOnSelection(FileAction action, const std::string& journalPath) {
  // The input hold keeps the session as it is until the action ends.
  const std::vector<ResultRow>& rows = resultList_->session().rows();
  const std::vector<bool> selected = resultList_->session().selection();
  ActionProgress progress;
  ActionJournal journal(journalPath);
  ActionOptions options;
  options.progress = &progress;
  options.journal = &journal;
  options.sourceFolders = searchedFolders_;
  options.moveKeepsFolders = preferences_.moveKeepsFolders;
  options.removeEmptyFolders = preferences_.removeEmptyFolders;
  RemovalResult result;
  const QString failure = runWithProgress(actionProgressTitle(action), progress,
                                          [&] { result = actOnSelectedFiles(action, rows, selected, options); });
  if (!failure.isEmpty()) showErrorBox(this, failure);
  rememberForUndo(action, result);
  const bool undoable = lastAction_ && result.journalAction != 0 && lastAction_->number == result.journalAction;
  searchNote_->setText(actionDoneText(action, rows, result, undoable));
  finishRemoval(this, *resultList_, result);
  if (!result.refused && !result.rowsToRemove.empty()) folderView_->markStale();
  if (std::exchange(closeAfterAction_, false)) close();
}

void MainWindow::undoLastAction() {
  if (refuseWhileSearchFinishing() || runningAction_ || !lastAction_) return;
  ActionProgress progress;
  ActionJournal journal(defaultJournalPath());
  UndoResult result;
  const std::uint64_t number = lastAction_->number;
  std::error_code unreadable;
  const QString failure = runWithProgress(tr("Putting files back"), progress, [&] {
    std::vector<JournalRecord> records;
    if (!(unreadable = readJournal(journal.path(), records)))
      result = undoAction(records, number, &journal, &progress, platform::removedFilesFolder());
  });
  if (!failure.isEmpty()) showErrorBox(this, failure);
  if (unreadable) result.notice = Notice::warning(journalProblemText(journal.path(), unreadable));
  // Done with, or refused for good: what stays can still be undone by pelimor-find --undo.
  undoEntry_->setEnabled(false);
  searchNote_->clear();  // its Ctrl+Z is used up
  std::vector<ResultRow> back = rowsPutBack(lastAction_->rows, result.putBack);
  lastAction_.reset();
  if (!back.empty()) {
    std::vector<ResultRow> rows = resultList_->session().rows();
    std::vector<bool> selected = resultList_->session().selection();
    mergePutBackRows(rows, selected, std::move(back));
    const RepaintSuspended suspended(resultList_);
    resultList_->installRows(std::move(rows));
    resultList_->selectRows(selected);
  }
  if (result.notice) showActionNotice(this, *result.notice);
  if (std::exchange(closeAfterAction_, false)) close();
}

void MainWindow::deleteSelected() { runFileAction(FileAction::Delete); }

void MainWindow::moveSelected() { runFileAction(FileAction::Move); }

void MainWindow::trashSelected() { runFileAction(FileAction::Trash); }

void MainWindow::replaceSelectedWithHardLinks() { runFileAction(FileAction::Link); }

void MainWindow::printReport() {
  if (refuseWhileSearchFinishing()) return;
  // A folder that cannot be made shows up as the report's own failure to be created.
  platform::createFolderWithParents(platform::dataFolder());
  const std::string fileName = defaultReportFileName();
  const bool withNoCopy =
      !filesWithNoCopy_.empty() &&
      showNotice(this, DialogKind::Confirmation,
                 tr("%1 files of the reference folders have no copy elsewhere. List them in the report too?")
                     .arg(filesWithNoCopy_.size()),
                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  try {
    const std::vector<FolderGroup>& folderGroups = folderView_->groups();
    writeHtmlReport(fileName, resultList_->session().rows(), withNoCopy ? &filesWithNoCopy_ : nullptr,
                    folderGroups.empty() ? nullptr : &folderGroups);
  } catch (const ReportError& error) {
    showErrorBox(this, shownNotice(error.text()));
    return;
  }
  openOnDesktop(this, QUrl::fromLocalFile(shownText(fileName)), tr("the report"));
}

}  // namespace pelimor
