#include "ui/wait_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "search/search_progress.h"
#include "ui/seconds_caption.h"
#include "ui/segoe_font.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
constexpr int kClientWidth = 368;
constexpr int kProgressPeriodMs = 250;  // counters move faster than the clock
}  // namespace

WaitDialog::WaitDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("waitDialog"));
  setWindowTitle(tr("Please wait some minutes"));
  setModal(true);

  timeLabel_ = new QLabel(QStringLiteral("00:15"), this);
  timeLabel_->setObjectName(QStringLiteral("timeLabel"));
  timeLabel_->setAlignment(Qt::AlignCenter);
  QFont timeFont = timeLabel_->font();
  timeFont.setPointSize(12);
  timeLabel_->setFont(timeFont);
  applySegoeFont(*this);
  applySegoeFont(*timeLabel_);

  phaseLabel_ = new QLabel(this);
  phaseLabel_->setObjectName(QStringLiteral("phaseLabel"));
  phaseLabel_->setAlignment(Qt::AlignCenter);
  folderLabel_ = new QLabel(this);
  folderLabel_->setObjectName(QStringLiteral("folderLabel"));
  folderLabel_->setAlignment(Qt::AlignCenter);
  folderLabel_->setTextFormat(Qt::PlainText);  // a folder's name is never markup
  // A long path must not widen the fixed dialog.
  folderLabel_->setMinimumWidth(1);
  folderLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName(QStringLiteral("progressBar"));
  progressBar_->setTextVisible(false);

  cancelButton_ = new QPushButton(tr("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("cancelButton"));
  cancelButton_->setFixedWidth(113);
  cancelButton_->setAutoDefault(false);
  connect(cancelButton_, &QPushButton::clicked, this, &WaitDialog::cancel);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 12, 24, 14);
  layout->setSpacing(6);
  layout->addWidget(timeLabel_);
  layout->addWidget(phaseLabel_);
  layout->addWidget(folderLabel_);
  layout->addWidget(progressBar_);
  layout->addSpacing(4);
  layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);
  setFixedSize(kClientWidth, layout->sizeHint().height());

  // Ticks for the whole life of the dialog, shown or not.
  clock_ = new QTimer(this);
  clock_->setObjectName(QStringLiteral("clock"));
  clock_->setInterval(1000);
  connect(clock_, &QTimer::timeout, this, &WaitDialog::tick);
  clock_->start();

  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressPeriodMs);
  connect(progressTimer_, &QTimer::timeout, this, &WaitDialog::showProgress);
}

void WaitDialog::watchProgress(const SearchProgress* progress) {
  progress_ = progress;
  showProgress();
}

void WaitDialog::finish() {
  if (isVisible()) done(QDialog::Rejected);
}

void WaitDialog::tick() {
  ++waitSeconds_;
  timeLabel_->setText(secondsCaption(waitSeconds_));
  setWindowTitle(tr("Please wait some minutes - ") + currentMask_);
}

void WaitDialog::cancel() {
  emit cancelRequested();
  done(QDialog::Rejected);
}

void WaitDialog::showEvent(QShowEvent* event) {
  waitSeconds_ = 0;
  timeLabel_->setText(secondsCaption(0));
  cancelButton_->setFocus();
  showProgress();
  progressTimer_->start();
  // Centred on the main window.
  if (QWidget* owner = parentWidget()) move(owner->geometry().center() - rect().center());
  QDialog::showEvent(event);
}

void WaitDialog::hideEvent(QHideEvent* event) {
  progressTimer_->stop();
  QDialog::hideEvent(event);
}

void WaitDialog::keyPressEvent(QKeyEvent* event) {
  // Cancel is not the dialog's cancel button: Esc neither presses it nor closes the dialog.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  // Enter presses the focused Cancel, as it presses any focused button; but not the repeats of
  // an Enter still held down from starting the search.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    if (!event->isAutoRepeat() && cancelButton_->hasFocus()) cancelButton_->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void WaitDialog::closeEvent(QCloseEvent* event) {
  // No title-bar buttons, and no Alt+F4 either: the user closes it with Cancel. A close from
  // the program itself (the application quitting) goes through.
  if (event->spontaneous()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void WaitDialog::showProgress() {
  const QLocale locale;
  if (!progress_) {
    phaseLabel_->clear();
    folderLabel_->clear();
    progressBar_->setRange(0, 1);
    progressBar_->setValue(0);
    return;
  }
  const SearchPhase phase = progress_->phase();
  const QString place = shownPathText(progress_->currentFolder());
  folderLabel_->setText(folderLabel_->fontMetrics().elidedText(place, Qt::ElideMiddle, kClientWidth - 48));
  folderLabel_->setToolTip(place);
  if (phase == SearchPhase::Comparing || phase == SearchPhase::Done) {
    const std::uint64_t total = progress_->bytesToRead();
    const std::uint64_t done = std::min(progress_->bytesRead(), total);
    phaseLabel_->setText(tr("Comparing files: %1 of %2")
                             .arg(locale.formattedDataSize(static_cast<qint64>(done)),
                                  locale.formattedDataSize(static_cast<qint64>(total))));
    progressBar_->setRange(0, 1000);
    progressBar_->setValue(
        total == 0 ? 1000 : static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 1000.0));
  } else {
    phaseLabel_->setText(
        tr("Looking through folders: %1 files").arg(locale.toString(static_cast<qulonglong>(progress_->filesSeen()))));
    progressBar_->setRange(0, 0);  // no total is known while walking
  }
}

}  // namespace pelimor
