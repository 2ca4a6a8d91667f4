#pragma once
// The sound at the end of a search that found duplicates: Dupe.wav from the program folder.
#include <QObject>
#include <QString>

class QMediaPlayer;
class QAudioOutput;

namespace pelimor {

class CompletionSound : public QObject {
  Q_OBJECT

 public:
  explicit CompletionSound(QObject* parent = nullptr);

  // Starts the sound and returns at once. No file, no sound device or a file that can't be
  // played is no error: the search's end goes on without it.
  void play();

  static QString soundFile();

 private:
  QMediaPlayer* player_ = nullptr;  // made on first use, so that a run without the file never loads a backend
  QAudioOutput* output_ = nullptr;
};

}  // namespace pelimor
