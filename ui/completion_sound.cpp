#include "ui/completion_sound.h"

#include <QFileInfo>
#include <QUrl>
#include <QWidget>
#ifdef PELIMOR_QT_MULTIMEDIA
#include <QSoundEffect>
#endif

#include "platform/file_reader.h"
#include "platform/folders.h"
#include "platform/system_shell.h"
#include "settings/settings_error.h"
#include "ui/notices.h"
#include "ui/text_bytes.h"

namespace pelimor {

CompletionSound::CompletionSound(QObject* parent, const QString& folder)
    : QObject(parent), folder_(folder.isEmpty() ? shownText(platform::programDataFolder()) : folder) {
  if (!folder_.endsWith(u'/')) folder_ += u'/';
}

QString CompletionSound::soundFile() const { return folder_ + QStringLiteral("Dupe.wav"); }

QString CompletionSound::playing() const { return playing_; }

void CompletionSound::play() {
  const QString file = soundFile();
  if (!QFileInfo(file).isFile()) return;
  // QSoundEffect loads in the background and only says "error" later, for a bad file and for a
  // missing device alike; a file we can't even open is told to the user now.
  const std::string path = bytesOf(file);
  if (const std::error_code error = platform::FileReader().open(path)) {
    showErrorBox(qobject_cast<QWidget*>(parent()), shownNotice(cannotOpenFileText(path, error.value())));
    return;
  }
  playing_ = file;
  // The system's own player where it has one; a sound that doesn't start is no error either way.
  if (platform::playSoundFile(path)) return;
#ifdef PELIMOR_QT_MULTIMEDIA
  if (!effect_) effect_ = new QSoundEffect(this);
  effect_->stop();
  effect_->setSource(QUrl::fromLocalFile(file));
  effect_->play();
#endif
}

}  // namespace pelimor
