#include "ui/background_job.h"

namespace pelimor {

BackgroundJob::BackgroundJob(std::function<void()> work, QObject* parent) : QObject(parent), work_(std::move(work)) {}

BackgroundJob::~BackgroundJob() { wait(); }

void BackgroundJob::start() {
  running_ = true;
  thread_ = std::thread([this] {
    work_();
    // Queued to this object's thread; dropped if the object is gone by then.
    QMetaObject::invokeMethod(this, &BackgroundJob::threadEnded, Qt::QueuedConnection);
  });
}

void BackgroundJob::threadEnded() {
  if (thread_.joinable()) thread_.join();
  if (!running_) return;  // waited for meanwhile: nobody listens any more
  running_ = false;
  emit finished();
}

void BackgroundJob::wait() {
  if (thread_.joinable()) thread_.join();
  running_ = false;
}

}  // namespace pelimor
