#include "ui/completion_sound.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

#include "platform/folders.h"
#include "ui/text_bytes.h"

namespace pelimor {

CompletionSound::CompletionSound(QObject* parent) : QObject(parent) {}

QString CompletionSound::soundFile() { return shownText(platform::programFolder()) + QStringLiteral("Dupe.wav"); }

void CompletionSound::play() {
  const QString file = soundFile();
  if (!QFileInfo(file).isFile()) return;
  if (!player_) {
    player_ = new QMediaPlayer(this);
    output_ = new QAudioOutput(this);
    player_->setAudioOutput(output_);
  }
  player_->stop();
  player_->setSource(QUrl::fromLocalFile(file));
  player_->play();
}

}  // namespace pelimor
