// The window's side of a search: snapshot the filters, run the engine on its own thread behind the
// modal wait dialog, and put the result into the list on the main thread.
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include "results/action_notice.h"
#include "ui/completion_sound.h"
#include "ui/filter_controls.h"
#include "ui/folder_groups_view.h"
#include "ui/main_window.h"
#include "ui/notices.h"
#include "ui/result_list_view.h"
#include "ui/source_list.h"
#include "ui/text_bytes.h"
#include "ui/wait_dialog.h"

namespace pelimor {

void MainWindow::search() {
  if (refuseWhileSearchFinishing()) return;

  SearchRequest request;
  const QString sizeText = filters_->sizeText();
  if (!minimumSizeFromKilobytes(bytesOf(sizeText), request.minimumSize)) {
    showErrorBox(this, tr("'%1' is not a valid integer value").arg(sizeText));
    return;
  }
  request.sourceFolders = sourceList_->folders();
  searchedFolders_ = request.sourceFolders;
  // The rows an Undo would bring back belong to the list this search replaces.
  if (lastAction_) lastAction_->rows.clear();
  request.referenceFolders = sourceList_->referenceFolders();
  request.uniqueIn = request.referenceFolders;  // for the report, when asked for
  request.excludedNames = preferences_.exclusions;
  request.searchHidden = preferences_.searchHidden;
  request.maskText = filters_->maskText();
  request.findFolderTwins = preferences_.findFolderTwins;
  setSearchMode(request);

  searchNote_->clear();
  pendingFailure_.clear();
  pendingSkipped_.clear();
  worker_ = std::make_unique<SearchWorker>(std::move(request), engine_);
  connect(worker_.get(), &SearchWorker::finished, this, &MainWindow::searchWorkerFinished);
  connect(waitDialog_, &WaitDialog::cancelRequested, worker_.get(), &SearchWorker::cancel, Qt::UniqueConnection);
  waitDialog_->setCurrentMask(maskEdit_->text());
  waitDialog_->watchProgress(&worker_->progress());
  worker_->start();
  // The last search's rows are let go of while this one already walks: on a large list that
  // takes a while, and the worker never looks at the list.
  resultList_->clearRows();
  folderView_->showGroups({});

  // The worker's end can only be delivered inside this modal loop, so it always finds the dialog
  // open, however quickly the search ends.
  waitDialog_->exec();
  waitDialog_->watchProgress(nullptr);
  if (worker_->wasAborted()) return;  // the window closed meanwhile
  finishSearch();
}

void MainWindow::searchWorkerFinished() {
  SearchResult result = worker_->takeResult();
  pendingFailure_ = worker_->failureText();
  pendingSkipped_ = std::move(result.skipped);
  pendingSkippedFolders_ = std::move(result.skippedFolders);
  pendingWarnings_ = std::move(result.warnings);
  filesWithNoCopy_ = std::move(result.uniqueFiles);
  folderView_->showGroups(std::move(result.folderGroups));
  watchCacheSave();
  if (result.cancelled) searchNote_->setText(tr("Search cancelled: the list holds what was found until then."));
  resultList_->installRows(std::move(result.rows));
  resultList_->fitPathColumn();
  if (waitDialog_->isVisible()) {
    waitDialog_->finish();  // search() goes on from its modal loop
    return;
  }
  // A cancelled search whose dialog closed long ago: its groups just appear.
  updateStatusBar();
  reportSearchProblems();
  emit searchCompleted();
}

void MainWindow::finishSearch() {
  if (!resultList_->session().empty()) {
    sound_->play();
    resultList_->selectRows({true});
    resultList_->setFocusedRow(0);
    resultList_->setFocus();
  }
  updateStatusBar();
  if (resultList_->session().empty() && searchNote_->text().isEmpty()) searchNote_->setText(tr("No duplicates found."));
  if (searchFinishing()) {  // cancelled: the rest comes with the worker's end
    searchNote_->setText(tr("Search cancelled: grouping what was found until then\u2026"));
    return;
  }
  reportSearchProblems();
  emit searchCompleted();
}

void MainWindow::reportSearchProblems() {
  if (!pendingFailure_.isEmpty()) showErrorBox(this, std::exchange(pendingFailure_, QString()));
  QString text;
  for (const NoticeText& warning : std::exchange(pendingWarnings_, {}))
    text += shownNotice(warning) + QStringLiteral("\n");
  if (!pendingSkipped_.empty() || !pendingSkippedFolders_.empty()) {
    if (!text.isEmpty()) text += u'\n';
    text += skippedFilesText(pendingSkipped_, pendingSkippedFolders_);
    pendingSkipped_.clear();
    pendingSkippedFolders_.clear();
  }
  if (!text.isEmpty()) showNotice(this, DialogKind::Warning, text.trimmed());
}

void MainWindow::watchCacheSave() {
  // The cache is saved while the rows are shown; a failed save costs only the cache, so it is
  // said in the status bar rather than in a box nobody asked for.
  const std::shared_ptr<CacheWriting> saving = worker_->cacheWriting();
  if (!saving) return;
  auto* poll = new QTimer(this);
  poll->setInterval(200);
  connect(poll, &QTimer::timeout, this, [this, poll, weak = std::weak_ptr<CacheWriting>(saving)] {
    const std::shared_ptr<CacheWriting> writing = weak.lock();
    if (writing && !writing->done()) return;
    poll->deleteLater();
    if (!writing || writing->warnings().empty()) return;
    searchNote_->setText(shownNotice(writing->warnings().front()));
  });
  poll->start();
}

bool MainWindow::searchFinishing() const { return worker_ && worker_->isRunning(); }

bool MainWindow::refuseWhileSearchFinishing() {
  if (!searchFinishing()) return false;
  showNotice(this, DialogKind::Information,
             tr("The previous search is still finishing. Please try again in a moment."));
  return true;
}

void MainWindow::stopSearchAndWait() {
  if (!worker_) return;
  waitDialog_->watchProgress(nullptr);
  if (worker_->isRunning()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    worker_->abortAndWait();
    QApplication::restoreOverrideCursor();
  }
  waitDialog_->finish();
}

namespace {
void appendListed(QString& text, const std::vector<SkippedFile>& skipped) {
  for (std::size_t i = 0; i < skipped.size() && i < kListedInNotice; ++i) {
    text += QStringLiteral("\n") + shownPathText(skipped[i].path);
    // A reason the search marked for translation comes out in the window's language; the system's
    // own messages and reasons naming a path stay as they are.
    if (!skipped[i].reason.empty())
      text += QStringLiteral(" (") + QCoreApplication::translate("Reasons", skipped[i].reason.c_str()) + u')';
  }
  text += shownNotice(moreListedText(skipped.size()));
}
}  // namespace

QString skippedFilesText(const std::vector<SkippedFile>& skipped, const std::vector<SkippedFile>& folders) {
  QString text;
  if (!folders.empty()) {
    text = folders.size() == 1 ? MainWindow::tr("1 folder was not searched:\n")
                               : MainWindow::tr("%1 folders were not searched:\n").arg(folders.size());
    appendListed(text, folders);
    if (skipped.empty()) return text;
    text += QStringLiteral("\n\n");
  }
  text += skipped.size() == 1
              ? MainWindow::tr("1 file could not be read and was left out of the comparison:\n")
              : MainWindow::tr("%1 files could not be read and were left out of the comparison:\n").arg(skipped.size());
  appendListed(text, skipped);
  return text;
}

}  // namespace pelimor
