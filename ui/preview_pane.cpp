#include "ui/preview_pane.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/background_job.h"

namespace pelimor {

namespace {
// The pictures are decoded at about this size; the label scales no further.
constexpr QSize kPictureBox(480, 480);

QString captionOf(const PreviewContent& content) {
  QString caption = QFileInfo(content.path).fileName();
  // By its name alone, on the window's thread: the type database's patterns are regular
  // expressions, whose per-thread state a loading thread would leave behind at its end.
  const QString type = QMimeDatabase().mimeTypeForFile(content.path, QMimeDatabase::MatchExtension).comment();
  if (!type.isEmpty()) caption += u'\n' + type;
  if (content.pictureSize.isValid())
    caption +=
        u'\n' + PreviewPane::tr("%1 × %2 pixels").arg(content.pictureSize.width()).arg(content.pictureSize.height());
  caption += u'\n' + QLocale().formattedDataSize(static_cast<qint64>(content.size));
  if (!content.failure.isEmpty()) caption += u'\n' + content.failure;
  return caption;
}

void showPicture(QLabel& label, const QImage& picture) {
  label.setVisible(!picture.isNull());
  label.setPixmap(picture.isNull() ? QPixmap() : QPixmap::fromImage(picture));
}
}  // namespace

PreviewPane::PreviewPane(QWidget* parent)
    : QWidget(parent),
      picture_(new QLabel(this)),
      comparedPicture_(new QLabel(this)),
      text_(new QPlainTextEdit(this)),
      caption_(new QLabel(this)) {
  setObjectName(QStringLiteral("previewPane"));
  for (QLabel* label : {picture_, comparedPicture_}) {
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumSize(1, 1);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    label->setScaledContents(false);
    label->hide();
  }
  picture_->setObjectName(QStringLiteral("previewPicture"));
  comparedPicture_->setObjectName(QStringLiteral("comparedPicture"));
  text_->setObjectName(QStringLiteral("previewText"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->hide();
  caption_->setObjectName(QStringLiteral("previewCaption"));
  caption_->setWordWrap(true);
  caption_->setTextFormat(Qt::PlainText);  // it names the file
  caption_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* pictures = new QHBoxLayout;
  pictures->addWidget(picture_, 1);
  pictures->addWidget(comparedPicture_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 0, 0, 0);
  layout->addLayout(pictures, 1);
  layout->addWidget(text_, 1);
  layout->addWidget(caption_);
}

PreviewPane::~PreviewPane() = default;  // the job's destructor waits for its reading to end

void PreviewPane::showFile(const QString& path, const QString& comparedPath) {
  const Request request{path, comparedPath};
  if (request == wanted_) return;  // the list said something changed, but not the focus
  wanted_ = request;
  if (job_ && job_->isRunning()) return;  // asked for again when the reading ends
  startLoading();
}

void PreviewPane::startLoading() {
  loading_ = wanted_;
  if (loading_.path.isEmpty()) {
    present(Loaded{});
    return;
  }
  auto result = std::make_shared<Loaded>();
  result_ = result;
  job_ = std::make_unique<BackgroundJob>([result, request = loading_] {
    result->file = loadPreviewContent(request.path, kPictureBox);
    if (!request.comparedPath.isEmpty()) result->compared = loadPreviewContent(request.comparedPath, kPictureBox);
  });
  connect(job_.get(), &BackgroundJob::finished, this, &PreviewPane::loadingEnded, Qt::QueuedConnection);
  job_->start();
}

void PreviewPane::loadingEnded() {
  if (loading_ == wanted_) {
    present(*result_);
  } else {
    startLoading();  // the focus moved on meanwhile: what was read is of no use
  }
}

void PreviewPane::present(const Loaded& loaded) {
  shown_ = loaded.file;
  const bool textShown = !loaded.file.text.isEmpty();
  showPicture(*picture_, loaded.file.picture);
  showPicture(*comparedPicture_, loaded.compared.picture);
  text_->setVisible(textShown);
  text_->setPlainText(loaded.file.text);
  caption_->setText(loaded.file.path.isEmpty() ? QString() : captionOf(loaded.file));
  emit contentShown();
}

}  // namespace pelimor
