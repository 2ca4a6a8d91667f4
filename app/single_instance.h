#pragma once
// One Pelimor per user session: the first start holds a lock file and listens on a local socket
// beside it; a later start asks it to bring its window forward and then ends.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace pelimor {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // `folder` holds PelimorMutex.lock and the socket; by default the user's runtime folder.
  explicit SingleInstance(const QString& folder = QString(), QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when this process is now the one instance. False when another one runs: it has been
  // asked to show itself (if it listens yet), and this process should end.
  bool claim();

 signals:
  // Another start asked this instance to show, restore, raise and activate its window.
  void showRequested();

 private:
  void acceptRequests();
  QString folder_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace pelimor
