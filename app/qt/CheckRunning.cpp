#include "app/qt/CheckRunning.h"

#include <QLocalServer>
#include <QLocalSocket>

#include "ui/qt/QtText.h"

namespace {

QString ChannelName(const std::string& Title) {
  return ToQString(platform::InstanceLock::ChannelAddress(Title));
}

}  // namespace

TInstanceGuard::TRole TInstanceGuard::Check(const std::string& Title, int TimeoutMs) {
  title_ = Title;
  platform::InstanceLock::Result outcome;
  lock_ = platform::InstanceLock::TryAcquire(Title, &outcome);
  if (outcome != platform::InstanceLock::Result::Held) return TRole::First;

  QLocalSocket socket;
  socket.connectToServer(ChannelName(Title));
  if (socket.waitForConnected(TimeoutMs)) {
    socket.write(kActivateRequest);
    socket.waitForBytesWritten(TimeoutMs);
    socket.disconnectFromServer();
  }
  return TRole::Second;
}

bool TInstanceGuard::Listen(QWidget* Window) {
  window_ = Window;
  const QString name = ChannelName(title_);
  if (name.isEmpty()) return false;  // no safe place for the channel
  if (server_ == nullptr) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &TInstanceGuard::OnNewConnection);
  }
  // A channel left behind by a crashed first instance is ours now: we hold
  // the lock.
  QLocalServer::removeServer(name);
  return server_->listen(name);
}

void TInstanceGuard::OnNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      const QByteArray request = socket->readAll();
      if (request.startsWith(QByteArray(kActivateRequest).trimmed())) {
        BringForward(window_);
        emit activationRequested();
      }
    });
  }
}

void BringForward(QWidget* Window) {
  if (Window == nullptr || !Window->isVisible()) return;
  if (Window->isMinimized()) {
    Window->setWindowState((Window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    Window->showNormal();
  } else {
    Window->raise();
    Window->activateWindow();
  }
}
