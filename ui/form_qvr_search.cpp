// The window's side of a search: snapshot the filters, run the engine on its own thread behind the
// modal wait dialog, and put the result into the list on the main thread.
#include <QApplication>
#include <QLabel>

#include "results/action_notice.h"
#include "ui/completion_sound.h"
#include "ui/filter_controls.h"
#include "ui/form_qvr.h"
#include "ui/form_wait.h"
#include "ui/notices.h"
#include "ui/result_list_view.h"
#include "ui/source_list.h"
#include "ui/text_bytes.h"

namespace pelimor {

void TFormQVR::ActionSearchExecute() {
  if (refuseWhileSearchFinishing()) return;

  SearchRequest request;
  const QString sizeText = Filters->sizeText();
  if (!minimumSizeFromKilobytes(bytesOf(sizeText), request.minimumSize)) {
    showErrorBox(this, QStringLiteral("'%1' is not a valid integer value").arg(sizeText));
    return;
  }
  request.sourceFolders = ListViewSource->folders();
  request.maskText = Filters->maskText();

  StatusSearchNote->clear();
  pendingFailure_.clear();
  pendingSkipped_.clear();
  worker_ = std::make_unique<SearchWorker>(std::move(request), engine_);
  connect(worker_.get(), &SearchWorker::finished, this, &TFormQVR::searchWorkerFinished);
  connect(FormWait, &TFormWait::cancelRequested, worker_.get(), &SearchWorker::cancel, Qt::UniqueConnection);
  FormWait->setCurrentMask(EditMask->text());
  FormWait->watchProgress(&worker_->progress());
  worker_->start();
  // The last search's rows are let go of while this one already walks: on a large list that
  // takes a while, and the worker never looks at the list.
  ListViewDup->clearRows();

  // The worker's end can only be delivered inside this modal loop, so it always finds the dialog
  // open, however quickly the search ends.
  FormWait->exec();
  FormWait->watchProgress(nullptr);
  if (worker_->wasAborted()) return;  // the window closed meanwhile
  finishSearchOnWindow();
}

void TFormQVR::searchWorkerFinished() {
  SearchResult result = worker_->takeResult();
  pendingFailure_ = worker_->failureText();
  pendingSkipped_ = std::move(result.skipped);
  pendingSkippedFolders_ = std::move(result.skippedFolders);
  if (result.cancelled)
    StatusSearchNote->setText(QStringLiteral("Search cancelled: the list holds what was found until then."));
  ListViewDup->installRows(std::move(result.rows));
  ListViewDup->fitPathColumn();
  if (FormWait->isVisible()) {
    FormWait->finish();  // ActionSearchExecute goes on from its modal loop
    return;
  }
  // A cancelled search whose dialog closed long ago: its groups just appear.
  StatuBarUpdate();
  reportSearchProblems();
  emit searchCompleted();
}

void TFormQVR::finishSearchOnWindow() {
  if (!ListViewDup->rows().empty()) {
    sound_->play();
    ListViewDup->selectRows({true});
    ListViewDup->setFocusedRow(0);
    ListViewDup->setFocus();
  }
  StatuBarUpdate();
  if (searchFinishing()) {  // cancelled: the rest comes with the worker's end
    StatusSearchNote->setText(QStringLiteral("Search cancelled: grouping what was found until then\u2026"));
    return;
  }
  reportSearchProblems();
  emit searchCompleted();
}

void TFormQVR::reportSearchProblems() {
  if (!pendingFailure_.isEmpty()) showErrorBox(this, std::exchange(pendingFailure_, QString()));
  if (!pendingSkipped_.empty() || !pendingSkippedFolders_.empty()) {
    const QString text = skippedFilesText(pendingSkipped_, pendingSkippedFolders_);
    pendingSkipped_.clear();
    pendingSkippedFolders_.clear();
    showNotice(this, DialogKind::Warning, text);
  }
}

bool TFormQVR::searchFinishing() const { return worker_ && worker_->isRunning(); }

bool TFormQVR::refuseWhileSearchFinishing() {
  if (!searchFinishing()) return false;
  showNotice(this, DialogKind::Information,
             QStringLiteral("The previous search is still finishing. Please try again in a moment."));
  return true;
}

void TFormQVR::stopSearchAndWait() {
  if (!worker_) return;
  FormWait->watchProgress(nullptr);
  if (worker_->isRunning()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    worker_->abortAndWait();
    QApplication::restoreOverrideCursor();
  }
  FormWait->finish();
}

namespace {
void appendListed(QString& text, const std::vector<SkippedFile>& skipped) {
  for (std::size_t i = 0; i < skipped.size() && i < kListedInNotice; ++i) {
    text += QStringLiteral("\n") + shownPathText(skipped[i].path);
    if (!skipped[i].reason.empty()) text += QStringLiteral(" (") + QString::fromStdString(skipped[i].reason) + u')';
  }
  text += QString::fromStdString(moreListedText(skipped.size()));
}
}  // namespace

QString skippedFilesText(const std::vector<SkippedFile>& skipped, const std::vector<SkippedFile>& folders) {
  QString text;
  if (!folders.empty()) {
    text = folders.size() == 1 ? QStringLiteral("1 folder was not searched:\n")
                               : QStringLiteral("%1 folders were not searched:\n").arg(folders.size());
    appendListed(text, folders);
    if (skipped.empty()) return text;
    text += QStringLiteral("\n\n");
  }
  text += skipped.size() == 1
              ? QStringLiteral("1 file could not be read and was left out of the comparison:\n")
              : QStringLiteral("%1 files could not be read and were left out of the comparison:\n").arg(skipped.size());
  appendListed(text, skipped);
  return text;
}

}  // namespace pelimor
