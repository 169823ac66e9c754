#include "platform/MessageGate.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

std::shared_ptr<TMessageGate> TMessageGate::Create() {
  return std::shared_ptr<TMessageGate>(new TMessageGate());
}

bool TMessageGate::IsOpen() const {
  std::lock_guard lock(mutex_);
  return !closed_;
}

void TMessageGate::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

bool TMessageGate::Send(QObject* window, const TProcessInfo& info) {
  if (!window || !IsOpen()) return false;
  if (window->thread() == QThread::currentThread()) {
    SendProcessInfo(window, info);
    return true;
  }
  // The delivery state lives as long as the later of the two sides.
  struct Delivery {
    bool handled = false;
    bool abandoned = false;
  };
  auto delivery = std::make_shared<Delivery>();
  auto self = shared_from_this();
  QPointer<QObject> target(window);
  const bool queued = QMetaObject::invokeMethod(
      window,
      [self, delivery, target, info] {
        {
          std::lock_guard lock(self->mutex_);
          if (self->closed_ || delivery->abandoned) return;
        }
        if (target) SendProcessInfo(target.data(), info);
        std::lock_guard lock(self->mutex_);
        delivery->handled = true;
        self->changed_.notify_all();
      },
      Qt::QueuedConnection);
  if (!queued) return false;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return delivery->handled || closed_; });
  delivery->abandoned = !delivery->handled;
  return delivery->handled;
}
