#pragma once

#include "platform/WindowMessages.h"

#include <condition_variable>
#include <memory>
#include <mutex>

class QObject;

// A blocking send from a worker thread that the receiving window can call
// off. A plain blocking send deadlocks when the window, at that moment, waits
// for the very worker that sends (Stop while a stream sink finishes). Here
// the worker waits until the window has handled the message or has closed
// the gate, whichever comes first; a message the window has not taken by
// then is dropped.
//
// Shared by the window and every pending send, so it outlives both.
class TMessageGate : public std::enable_shared_from_this<TMessageGate> {
 public:
  static std::shared_ptr<TMessageGate> Create();

  // Any thread. On the window's own thread the message is handled at once.
  // True when the window handled it.
  bool Send(QObject* window, const TProcessInfo& info);

  // Window thread. Releases every waiting sender; later sends do nothing.
  void Close();
  bool IsOpen() const;

 private:
  TMessageGate() = default;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool closed_ = false;
};
