#pragma once

#include <QEvent>
#include <QString>

#include <cstdint>
#include <memory>

class QObject;

// The window messages that workers use to reach windows. A message is a
// custom QEvent posted (or sent) to the receiving window; Qt deletes a
// delivered event, and with it the TProcessInfo it carries.

inline constexpr int WM_RIP_ERROR = 0x465;        // lParam 1: extract failed, 2: TOC unreadable
inline constexpr int WM_PROCESS_INFO = 0x466;     // carries a TProcessInfo
inline constexpr int WM_QUERY_CDDB_DONE = 0x469;  // freedb thread to its progress window

// Progress or the end of a job step (codes 999, 1000, 2000, 3000, 4000, 5000).
struct TProcessInfo {
  int32_t Code = 0;
  QString Elapsed;
  QString Estimated;
  int32_t Status = 0;
};

class TWindowMessage final : public QEvent {
 public:
  TWindowMessage(int message, intptr_t wParam, intptr_t lParam,
                 std::unique_ptr<TProcessInfo> info = nullptr);

  // The QEvent type that carries the given window message number.
  static QEvent::Type TypeFor(int message);

  int Message() const { return message_; }
  intptr_t WParam() const { return wParam_; }
  intptr_t LParam() const { return lParam_; }
  // The carried record of a WM_PROCESS_INFO; the event owns it.
  TProcessInfo* Info() const { return info_.get(); }
  std::unique_ptr<TProcessInfo> TakeInfo() { return std::move(info_); }

 private:
  int message_;
  intptr_t wParam_;
  intptr_t lParam_;
  std::unique_ptr<TProcessInfo> info_;
};

// Queues a message for the window; returns at once. Any thread.
void PostWindowMessage(QObject* window, int message, intptr_t wParam, intptr_t lParam);
void PostProcessInfo(QObject* window, const TProcessInfo& info);

// Delivers the message and returns when the window has handled it: direct on
// the window's own thread, a blocking queued call from any other thread.
void SendProcessInfo(QObject* window, const TProcessInfo& info);
