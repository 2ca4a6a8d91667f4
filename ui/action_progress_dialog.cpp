#include "ui/action_progress_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/segoe_font.h"
#include "ui/text_bytes.h"

namespace pelimor {

namespace {
constexpr int kClientWidth = 368;
constexpr int kProgressPeriodMs = 250;
}  // namespace

QString actionProgressTitle(FileAction action) {
  switch (action) {
    case FileAction::Delete:
      return ActionProgressDialog::tr("Deleting files");
    case FileAction::Move:
      return ActionProgressDialog::tr("Moving files");
    case FileAction::Link:
      return ActionProgressDialog::tr("Replacing files with hard links");
    case FileAction::Clone:
      return ActionProgressDialog::tr("Sharing blocks");
    case FileAction::Trash:
      return ActionProgressDialog::tr("Moving files to the Trash");
  }
  return {};
}

ActionProgressDialog::ActionProgressDialog(const QString& title, ActionProgress& progress, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), progress_(progress) {
  setObjectName(QStringLiteral("ActionProgressDialog"));
  setWindowTitle(title);
  setModal(true);
  applySegoeFont(*this);

  counts_ = new QLabel(this);
  counts_->setObjectName(QStringLiteral("counts"));
  counts_->setAlignment(Qt::AlignCenter);
  folder_ = new QLabel(this);
  folder_->setObjectName(QStringLiteral("folder"));
  folder_->setAlignment(Qt::AlignCenter);
  folder_->setTextFormat(Qt::PlainText);  // a folder's name is never markup
  folder_->setMinimumWidth(1);            // a long path must not widen the dialog
  folder_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setRange(0, 1000);
  cancelButton_ = new QPushButton(tr("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("cancel"));
  cancelButton_->setFixedWidth(113);
  cancelButton_->setAutoDefault(false);
  connect(cancelButton_, &QPushButton::clicked, this, &ActionProgressDialog::cancel);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 12, 24, 14);
  layout->setSpacing(6);
  layout->addWidget(counts_);
  layout->addWidget(folder_);
  layout->addWidget(bar_);
  layout->addSpacing(4);
  layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);
  setFixedSize(kClientWidth, layout->sizeHint().height());

  timer_ = new QTimer(this);
  timer_->setInterval(kProgressPeriodMs);
  connect(timer_, &QTimer::timeout, this, &ActionProgressDialog::showProgress);
  timer_->start();
  showProgress();
}

void ActionProgressDialog::showProgress() {
  const QLocale locale;
  const std::uint64_t files = progress_.filesTotal(), bytes = progress_.bytesTotal();
  const std::uint64_t bytesDone = std::min(progress_.bytesDone(), bytes);
  counts_->setText(tr("%1 of %2 files, %3 of %4")
                       .arg(locale.toString(static_cast<qulonglong>(progress_.filesDone())),
                            locale.toString(static_cast<qulonglong>(files)),
                            locale.formattedDataSize(static_cast<qint64>(bytesDone)),
                            locale.formattedDataSize(static_cast<qint64>(bytes))));
  const QString place = shownPathText(progress_.currentFolder());
  folder_->setText(folder_->fontMetrics().elidedText(place, Qt::ElideMiddle, kClientWidth - 48));
  folder_->setToolTip(place);
  // By files: a large file and a small one take about as long to delete.
  bar_->setValue(files == 0 ? 0 : static_cast<int>(progress_.filesDone() * 1000 / files));
}

void ActionProgressDialog::cancel() {
  progress_.cancel();
  cancelButton_->setEnabled(false);
  cancelButton_->setText(tr("Cancelling\u2026"));
}

void ActionProgressDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    cancel();
    return;
  }
  QDialog::keyPressEvent(event);
}

void ActionProgressDialog::closeEvent(QCloseEvent* event) {
  // The title bar's close is Cancel; the dialog goes when the action has stopped.
  if (event->spontaneous()) {
    event->ignore();
    cancel();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace pelimor
