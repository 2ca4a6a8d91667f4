#pragma once
// One Pelimor per user session. Where the system has a rule of its own (Windows: a named mutex and
// a window a later start finds), that rule; elsewhere the first start holds a lock file and
// listens on a local socket beside it. Either way a later start asks the first to bring its window
// forward and then ends.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

#include "platform/instance_rule.h"

namespace pelimor {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // `folder` holds PelimorMutex.lock and the socket (where the system has no rule of its own); by
  // default the user's runtime folder.
  explicit SingleInstance(const QString& folder = QString(), QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when this process is now the one instance. False when another one runs: it has been
  // asked to show itself (if it listens yet), and this process should end. One that holds the
  // lock but doesn't answer is taken to be ending, and its lock is waited for.
  bool claim();

  // This process is done being the instance (its window has closed for good): later starts run
  // on their own rather than ask it.
  void release();

 signals:
  // Another start asked this instance to show, restore, raise and activate its window.
  void showRequested();

 private:
  bool takeLock(int timeoutMs);
  void acceptRequests();
  QString folder_;
  platform::InstanceRule systemRule_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace pelimor
