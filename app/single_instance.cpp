#include "app/single_instance.h"

#include <QDir>
#include <QLocalSocket>

#include "platform/folders.h"

namespace pelimor {

namespace {
constexpr char kLockName[] = "PelimorMutex.lock";
constexpr char kSocketName[] = "PelimorMutex.socket";
constexpr char kShowRequest[] = "show\n";
constexpr int kTimeoutMs = 2000;
}  // namespace

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), folder_(folder.isEmpty() ? QString::fromStdString(platform::runtimeFolder()) : folder) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
  if (lock_) lock_->unlock();
}

bool SingleInstance::claim() {
  switch (systemRule_.claim([this] { emit showRequested(); })) {
    case platform::InstanceClaim::Claimed:
      return true;
    case platform::InstanceClaim::AnotherRuns:
      return false;
    case platform::InstanceClaim::NoSystemRule:
      break;
  }
  lock_ = std::make_unique<QLockFile>(QDir(folder_).filePath(kLockName));
  // A lock left by a killed instance names a process that no longer runs; QLockFile takes it over.
  if (lock_->tryLock(0)) {
    const QString socketPath = QDir(folder_).filePath(kSocketName);
    QLocalServer::removeServer(socketPath);  // a socket file left by a killed instance
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (server_->listen(socketPath)) {
      connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptRequests);
    } else {
      server_.reset();  // still the one instance, just not reachable by later starts
    }
    return true;
  }
  lock_.reset();
  // Another instance holds the lock. Ask it to come forward; if it is still starting and does not
  // listen yet, end silently all the same.
  QLocalSocket socket;
  socket.connectToServer(QDir(folder_).filePath(kSocketName));
  if (socket.waitForConnected(kTimeoutMs)) {
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kTimeoutMs);
    socket.waitForReadyRead(kTimeoutMs);  // the answer says the window was brought forward
    socket.disconnectFromServer();
  }
  return false;
}

void SingleInstance::acceptRequests() {
  while (QLocalSocket* client = server_->nextPendingConnection()) {
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
      if (!client->canReadLine()) return;
      if (client->readLine() == kShowRequest) {
        emit showRequested();
        client->write("done\n");
        client->flush();
      }
      client->disconnectFromServer();
    });
  }
}

}  // namespace pelimor
