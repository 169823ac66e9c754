#pragma once

#include "platform/WindowMessages.h"

#include <QObject>

#include <functional>

#include <mutex>
#include <vector>

// Stands in for a window that receives worker messages: keeps every
// WM_PROCESS_INFO and WM_RIP_ERROR it is handed, in order.
class TMessageSink final : public QObject {
 public:
  struct Received {
    int Message = 0;
    intptr_t LParam = 0;
    TProcessInfo Info;
  };

  bool event(QEvent* e) override;

  // Processes posted events until pred() holds or timeoutMs passes.
  template <typename Pred>
  bool WaitFor(Pred pred, int timeoutMs = 10000);

  std::vector<Received> Snapshot() const;
  std::vector<TProcessInfo> WithCode(int code) const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Received> received_;
};

bool PumpEventsUntil(const std::function<bool()>& pred, int timeoutMs);

template <typename Pred>
bool TMessageSink::WaitFor(Pred pred, int timeoutMs) {
  return PumpEventsUntil([&] { return pred(); }, timeoutMs);
}
