#include "app/qt/CheckRunning.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QWindowStateChangeEvent>

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
  if (window_) window_->removeEventFilter(this);
  window_ = Window;
  if (window_) {
    restoreTo_ = window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
    window_->installEventFilter(this);
  }
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
        restoring_ = window_ && window_->isMinimized();
        BringForward(window_, restoreTo_);
        emit activationRequested();
      }
    });
  }
}

bool TInstanceGuard::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched != window_ || Event->type() != QEvent::WindowStateChange)
    return QObject::eventFilter(Watched, Event);
  constexpr Qt::WindowStates kShape = Qt::WindowMaximized | Qt::WindowFullScreen;
  const Qt::WindowStates now = window_->windowState();
  const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(Event)->oldState();
  if (now & Qt::WindowMinimized) return false;
  if (restoring_) {
    // Qt restores by taking the maximised state off and putting it back,
    // which a window manager may see as "no longer maximised": it is put
    // back once more when the window is up again.
    restoring_ = false;
    if ((now & kShape) != restoreTo_) window_->setWindowState(restoreTo_ | Qt::WindowActive);
    return false;
  }
  // The shape the window rests in while it is shown; what the window
  // manager reports on its way into or out of minimising says nothing.
  if (!(before & Qt::WindowMinimized)) restoreTo_ = now & kShape;
  return false;
}

void BringForward(QWidget* Window, Qt::WindowStates RestoreTo) {
  if (Window == nullptr || !Window->isVisible()) return;
  if (Window->isMinimized()) {
    Window->setWindowState(RestoreTo | Qt::WindowActive);
  } else {
    Window->raise();
    Window->activateWindow();
  }
}
