#include "ui/form_wait.h"

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

TFormWait::TFormWait(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("FormWait"));
  setWindowTitle(QStringLiteral("Please wait some minutes"));
  setModal(true);

  LabelTime = new QLabel(QStringLiteral("00:15"), this);
  LabelTime->setObjectName(QStringLiteral("LabelTime"));
  LabelTime->setAlignment(Qt::AlignCenter);
  QFont timeFont = LabelTime->font();
  timeFont.setPointSize(12);
  LabelTime->setFont(timeFont);
  ApplySegoeFont(*this);
  ApplySegoeFont(*LabelTime);

  LabelPhase = new QLabel(this);
  LabelPhase->setObjectName(QStringLiteral("LabelPhase"));
  LabelPhase->setAlignment(Qt::AlignCenter);
  LabelFolder = new QLabel(this);
  LabelFolder->setObjectName(QStringLiteral("LabelFolder"));
  LabelFolder->setAlignment(Qt::AlignCenter);
  // A long path must not widen the fixed dialog.
  LabelFolder->setMinimumWidth(1);
  LabelFolder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setTextVisible(false);

  ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
  ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
  ButtonCancel->setFixedWidth(113);
  ButtonCancel->setAutoDefault(false);
  connect(ButtonCancel, &QPushButton::clicked, this, &TFormWait::ButtonCancelClick);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 12, 24, 14);
  layout->setSpacing(6);
  layout->addWidget(LabelTime);
  layout->addWidget(LabelPhase);
  layout->addWidget(LabelFolder);
  layout->addWidget(ProgressBar1);
  layout->addSpacing(4);
  layout->addWidget(ButtonCancel, 0, Qt::AlignHCenter);
  setFixedSize(kClientWidth, layout->sizeHint().height());

  // Ticks for the whole life of the dialog, shown or not.
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &TFormWait::Timer1Timer);
  Timer1->start();

  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressPeriodMs);
  connect(progressTimer_, &QTimer::timeout, this, &TFormWait::showProgress);
}

void TFormWait::watchProgress(const SearchProgress* progress) {
  progress_ = progress;
  showProgress();
}

void TFormWait::finish() {
  if (isVisible()) done(QDialog::Rejected);
}

void TFormWait::Timer1Timer() {
  ++WaitSeconds;
  LabelTime->setText(SecondsToCaption(WaitSeconds));
  setWindowTitle(QStringLiteral("Please wait some minutes - ") + currentMask_);
}

void TFormWait::ButtonCancelClick() {
  emit cancelRequested();
  done(QDialog::Rejected);
}

void TFormWait::showEvent(QShowEvent* event) {
  WaitSeconds = 0;
  LabelTime->setText(SecondsToCaption(0));
  ButtonCancel->setFocus();
  showProgress();
  progressTimer_->start();
  // Centred on the main window.
  if (QWidget* owner = parentWidget()) move(owner->geometry().center() - rect().center());
  QDialog::showEvent(event);
}

void TFormWait::hideEvent(QHideEvent* event) {
  progressTimer_->stop();
  QDialog::hideEvent(event);
}

void TFormWait::keyPressEvent(QKeyEvent* event) {
  // Cancel is not the dialog's cancel button: Esc neither presses it nor closes the dialog.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  // Enter presses the focused Cancel, as it presses any focused button; but not the repeats of
  // an Enter still held down from starting the search.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    if (!event->isAutoRepeat() && ButtonCancel->hasFocus()) ButtonCancel->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TFormWait::closeEvent(QCloseEvent* event) {
  // No title-bar buttons, and no Alt+F4 either: the user closes it with Cancel. A close from
  // the program itself (the application quitting) goes through.
  if (event->spontaneous()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TFormWait::showProgress() {
  const QLocale locale;
  if (!progress_) {
    LabelPhase->clear();
    LabelFolder->clear();
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    return;
  }
  const SearchPhase phase = progress_->phase();
  const QString place = shownPathText(progress_->currentFolder());
  LabelFolder->setText(LabelFolder->fontMetrics().elidedText(place, Qt::ElideMiddle, kClientWidth - 48));
  LabelFolder->setToolTip(place);
  if (phase == SearchPhase::Comparing || phase == SearchPhase::Done) {
    const std::uint64_t total = progress_->bytesToRead();
    const std::uint64_t done = std::min(progress_->bytesRead(), total);
    LabelPhase->setText(QStringLiteral("Comparing files: %1 of %2")
                            .arg(locale.formattedDataSize(static_cast<qint64>(done)),
                                 locale.formattedDataSize(static_cast<qint64>(total))));
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->setValue(
        total == 0 ? 1000 : static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 1000.0));
  } else {
    LabelPhase->setText(QStringLiteral("Looking through folders: %1 files")
                            .arg(locale.toString(static_cast<qulonglong>(progress_->filesSeen()))));
    ProgressBar1->setRange(0, 0);  // no total is known while walking
  }
}

}  // namespace pelimor
