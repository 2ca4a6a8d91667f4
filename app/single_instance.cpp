#include "app/single_instance.h"

#include <QDir>
#include <QLocalSocket>

#include "platform/folders.h"

namespace pelimor {

namespace {
constexpr char kLockName[] = "PelimorMutex.lock";
constexpr char kSocketName[] = "PelimorMutex.socket";
constexpr char kShowRequest[] = "show\n";
constexpr char kShownAnswer[] = "done\n";
constexpr int kTimeoutMs = 2000;
}  // namespace

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), folder_(folder.isEmpty() ? QString::fromStdString(platform::runtimeFolder()) : folder) {}

SingleInstance::~SingleInstance() { release(); }

void SingleInstance::release() {
  if (server_) server_->close();
  server_.reset();
  if (lock_) lock_->unlock();
  lock_.reset();
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
  if (takeLock(0)) return true;
  // Another instance holds the lock. Ask it to come forward; if it is still starting and does not
  // listen yet, end silently all the same once its lock stays taken.
  QLocalSocket socket;
  socket.connectToServer(QDir(folder_).filePath(kSocketName));
  if (socket.waitForConnected(kTimeoutMs)) {
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kTimeoutMs);
    // The answer says the window was brought forward. None comes from an instance whose window
    // has just closed: it lets its lock go in a moment, and this start runs in its place.
    const bool answered = socket.waitForReadyRead(kTimeoutMs) && socket.readLine() == kShownAnswer;
    socket.disconnectFromServer();
    if (answered) return false;
  }
  return takeLock(kTimeoutMs);
}

bool SingleInstance::takeLock(int timeoutMs) {
  lock_ = std::make_unique<QLockFile>(QDir(folder_).filePath(kLockName));
  // A lock left by a killed instance names a process that no longer runs; QLockFile takes it over.
  if (!lock_->tryLock(timeoutMs)) {
    lock_.reset();
    return false;
  }
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

void SingleInstance::acceptRequests() {
  while (QLocalSocket* client = server_->nextPendingConnection()) {
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
      if (!client->canReadLine()) return;
      if (client->readLine() == kShowRequest) {
        emit showRequested();
        client->write(kShownAnswer);
        client->flush();
      }
      client->disconnectFromServer();
    });
  }
}

}  // namespace pelimor
