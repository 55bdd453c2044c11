#pragma once

// The single-instance guard. The first instance holds a per-user lock named
// after the application title and, once its window is shown, listens on a
// local channel of the same name; a later instance asks it there to come
// forward and ends.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>

#include "platform/InstanceLock.h"

class QLocalServer;

class TInstanceGuard : public QObject {
  Q_OBJECT

public:
  enum class TRole { First, Second };

  // Takes the lock called Title. When another instance holds it, asks that
  // one to come forward (waiting at most TimeoutMs for it to answer) and
  // returns TRole::Second: the caller then ends with exit code 0. A lock
  // that cannot be created for another reason counts as the first instance.
  TRole Check(const std::string& Title, int TimeoutMs = 2000);

  // First instance only: from now on, requests bring Window forward.
  bool Listen(QWidget* Window);

protected:
  // Notes the state Window had before it was last minimised, and sees a
  // restore through.
  bool eventFilter(QObject* Watched, QEvent* Event) override;

signals:
  // A later instance asked this one to come forward.
  void activationRequested();

private:
  void OnNewConnection();

  std::string title_;
  std::unique_ptr<platform::InstanceLock> lock_;
  QLocalServer* server_ = nullptr;
  QPointer<QWidget> window_;
  Qt::WindowStates restoreTo_ = Qt::WindowNoState;
  bool restoring_ = false;  // a restore asked for and not yet seen through
};

// Brings Window forward: nothing when it is hidden; restores it when it is
// minimised, to RestoreTo (the state it had before: maximised, say, as
// SW_RESTORE does); otherwise raises and activates it.
void BringForward(QWidget* Window, Qt::WindowStates RestoreTo = Qt::WindowNoState);

// The request a later instance sends.
inline constexpr char kActivateRequest[] = "activate\n";
