#pragma once
// One piece of long work on a thread of its own: a search, or an action on files. The work sees
// only what it was handed, never a widget; its end is announced on the thread that owns this
// object, through finished().
#include <QObject>
#include <functional>
#include <thread>

namespace pelimor {

class BackgroundJob : public QObject {
  Q_OBJECT

 public:
  explicit BackgroundJob(std::function<void()> work, QObject* parent = nullptr);
  ~BackgroundJob() override;  // waits for the work to end

  void start();
  // Waits for the work to end; finished() is not emitted then.
  void wait();
  // True from start() until finished() has been emitted, or wait() returned.
  bool isRunning() const { return running_; }

 signals:
  void finished();

 private:
  void threadEnded();

  std::function<void()> work_;
  std::thread thread_;
  bool running_ = false;
};

}  // namespace pelimor
