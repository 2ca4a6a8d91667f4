#pragma once
// The sound at the end of a search that found duplicates: Dupe.wav from the program folder.
#include <QObject>
#include <QString>

class QSoundEffect;

namespace pelimor {

class CompletionSound : public QObject {
  Q_OBJECT

 public:
  // `folder` holds Dupe.wav; the program folder by default. A parent widget owns the error box.
  explicit CompletionSound(QObject* parent = nullptr, const QString& folder = QString());

  // Starts the sound and returns at once. No Dupe.wav is no error, and neither is a missing sound
  // device; a Dupe.wav that can't be opened shows the error box, and the caller goes on.
  void play();

  QString soundFile() const;
  // The file of the sound last started, empty before the first.
  QString playing() const;

 private:
  QString folder_;
  QString playing_;
  QSoundEffect* effect_ = nullptr;  // made on first use, so a run without the file never opens a device
};

}  // namespace pelimor
