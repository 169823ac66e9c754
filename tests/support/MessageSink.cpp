#include "MessageSink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

bool TMessageSink::event(QEvent* e) {
  for (int message : {WM_PROCESS_INFO, WM_RIP_ERROR, WM_QUERY_CDDB_DONE}) {
    if (e->type() != TWindowMessage::TypeFor(message)) continue;
    auto* m = static_cast<TWindowMessage*>(e);
    Received r;
    r.Message = m->Message();
    r.LParam = m->LParam();
    if (m->Info()) r.Info = *m->Info();
    std::lock_guard lock(mutex_);
    received_.push_back(r);
    return true;
  }
  return QObject::event(e);
}

std::vector<TMessageSink::Received> TMessageSink::Snapshot() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::vector<TProcessInfo> TMessageSink::WithCode(int code) const {
  std::lock_guard lock(mutex_);
  std::vector<TProcessInfo> out;
  for (const auto& r : received_)
    if (r.Message == WM_PROCESS_INFO && r.Info.Code == code) out.push_back(r.Info);
  return out;
}

void TMessageSink::Clear() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

bool PumpEventsUntil(const std::function<bool()>& pred, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!pred()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}
