#include "platform/WindowMessages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

TWindowMessage::TWindowMessage(int message, intptr_t wParam, intptr_t lParam,
                               std::unique_ptr<TProcessInfo> info)
    : QEvent(TypeFor(message)),
      message_(message),
      wParam_(wParam),
      lParam_(lParam),
      info_(std::move(info)) {}

QEvent::Type TWindowMessage::TypeFor(int message) {
  return static_cast<QEvent::Type>(QEvent::User + message);
}

void PostWindowMessage(QObject* window, int message, intptr_t wParam, intptr_t lParam) {
  if (!window) return;
  QCoreApplication::postEvent(window, new TWindowMessage(message, wParam, lParam));
}

void PostProcessInfo(QObject* window, const TProcessInfo& info) {
  if (!window) return;
  auto record = std::make_unique<TProcessInfo>(info);
  const auto address = reinterpret_cast<intptr_t>(record.get());
  QCoreApplication::postEvent(window,
                              new TWindowMessage(WM_PROCESS_INFO, 0, address, std::move(record)));
}

void SendProcessInfo(QObject* window, const TProcessInfo& info) {
  if (!window) return;
  auto deliver = [window, info] {
    auto record = std::make_unique<TProcessInfo>(info);
    const auto address = reinterpret_cast<intptr_t>(record.get());
    TWindowMessage message(WM_PROCESS_INFO, 0, address, std::move(record));
    QCoreApplication::sendEvent(window, &message);
  };
  if (window->thread() == QThread::currentThread()) {
    deliver();
  } else {
    QMetaObject::invokeMethod(window, deliver, Qt::BlockingQueuedConnection);
  }
}
