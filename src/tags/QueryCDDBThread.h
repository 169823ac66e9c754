#pragma once

// The freedb query: the options it hands the drive library, the run on a
// worker thread (TQueryCDDBThread) and the result it hands back to its
// window on the main thread with message 0x469.
//
// Threads: RunCddbQuery and the thread touch no window and no settings;
// they work on copies and deliver a TCddbResult through a TCddbHandOver.
// The window applies it (ApplyCddbResult) on the main thread when wParam 7
// arrives. Stop abandons the hand-over: the thread finishes its current
// library call, sees it is abandoned and ends without posting.

#include "settings/CDInfo.h"
#include "settings/OptionsSetting.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QObject;

// wParam of message 0x469.
inline constexpr int kCddbNoMatch = 6;   // lParam: the library's last error code
inline constexpr int kCddbFinished = 7;  // lParam 0; the result waits in the hand-over

// The identity in hello; e-mail-shaped as servers expect.
inline constexpr const char* kCddbIdentity = "anonymous@trackwell.invalid";
// The client in hello: the program and its version.
QByteArray CddbProgramText();

struct TCddbOption {
  int32_t Code = 0;
  QByteArray Text;
  int32_t Number = 0;
};

// The options set before a query, in order: 0 server, 6 script, 4 identity,
// 3 program, 8 empty; with the proxy on, then 2 (number 1), 5 (the port,
// 80 when the port text is not a port number) and 1 the proxy address.
std::vector<TCddbOption> CddbOptionsFor(const TQueryCDDB& settings);

struct TCddbRequest {
  uint8_t FirstTrack = 0;
  uint8_t LastTrack = 0;
  int32_t DriveHandle = 0;
  TQueryCDDB Settings;
};

// What a query found.
struct TCddbResult {
  int WParam = kCddbFinished;
  int32_t LastError = 0;  // with kCddbNoMatch
  std::optional<QString> Artist;
  std::optional<QString> Album;
  std::optional<QString> Year;
  std::optional<int32_t> Genre;  // index into the genre table, -1 unknown
  // One per track-list row (first..last track) when an entry held titles;
  // empty otherwise. A row whose title the entry lacks keeps its title.
  std::vector<std::optional<QString>> Titles;
};

// Runs the whole query through the drive library: options, CDDBQuery, then
// each match's entry until one holds titles. The disc fields of every entry
// read count in order; the titles come from the first entry that has the
// first row's title (TTITLE0). No match, a failing query call and matches
// none of whose entries could be read end with kCddbNoMatch. Stops between
// library calls once abandoned() returns true. Any thread.
TCddbResult RunCddbQuery(const TCddbRequest& request,
                         const std::function<bool()>& abandoned = nullptr);

// Where the titles go: the main window's track list.
struct TCddbTitleTarget {
  std::function<void()> AlignTitlesLeft;
  std::function<void(int row, const QString& title)> SetTitle;
};

// Writes a finished result: Artist, Album, Year and Genre of info (the
// fields found; Comment and the track slots untouched) and the rows'
// titles. Main thread only.
void ApplyCddbResult(const TCddbResult& result, TCDInfo& info, const TCddbTitleTarget& target);

// Shared by a query thread and the window it reports to, so it outlives
// both.
class TCddbHandOver {
 public:
  explicit TCddbHandOver(QObject* window) : window_(window) {}

  // Window thread: later messages are dropped and the thread ends at its
  // next step. Call before the window goes away.
  void Abandon();
  bool Abandoned() const;
  // Window thread, on wParam 7: the result, once.
  std::optional<TCddbResult> TakeResult();

  // Worker: keeps the result and posts 0x469 unless abandoned.
  void Deliver(TCddbResult result);

 private:
  mutable std::mutex mutex_;
  QObject* window_;
  std::optional<TCddbResult> result_;
};

// The worker thread of one query. Starts on creation and frees itself when
// it ends.
class TQueryCDDBThread {
 public:
  // Main thread: copies the request and starts. The hand-over is the only
  // link to the running thread.
  static std::shared_ptr<TCddbHandOver> Start(const TCddbRequest& request, QObject* window);

  // Waits for every query thread still running (an abandoned one ends
  // within the library's time-out). Runs when the application object is
  // destroyed, so none is left inside the library at exit.
  static void WaitForAll();

 private:
  TQueryCDDBThread(const TCddbRequest& request, std::shared_ptr<TCddbHandOver> handOver);
  void Execute();

  uint8_t FirstTrack;
  uint8_t LastTrack;
  int32_t DriveHandle;
  std::shared_ptr<TCddbHandOver> Window;
  TQueryCDDB Settings;
};
