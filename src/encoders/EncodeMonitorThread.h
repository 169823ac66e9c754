#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class TChildProcessRunner;

// Watches one child of a runner: peeks at its output pipes and waits for it
// to exit, on a thread of its own. Everything else - the reads, the parsing,
// the end of the run - is handed to the main thread as a queued call that
// the monitor waits for, so it works with whatever event loop the main
// thread runs (a modal window's, or a test pumping events).
//
// The thread frees itself when its work ends. The runner keeps a shared
// reference only to tell it to terminate and to wait for it at the end.
// After Terminate() no call it has queued touches the runner any more, so
// the runner may be destroyed at any time after telling it.
class TEncodeMonitorThread : public std::enable_shared_from_this<TEncodeMonitorThread> {
 public:
  // Starts watching. The monitor keeps its own copies of the pipe ends, so
  // the runner may close its own at any time; it reaps the child when it ends.
  static std::shared_ptr<TEncodeMonitorThread> Create(TChildProcessRunner* runner, pid_t child,
                                                      int stdOutRead, int stdErrRead);
  ~TEncodeMonitorThread();

  // Main thread. The monitor stops after the call in progress, queues
  // nothing more and makes no queued call reach the runner.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }

  // Waits until the thread has ended (child reaped, pipes closed), at most
  // timeoutMs. Never waits on the main thread's event loop.
  bool WaitUntilFinished(int timeoutMs);
  bool Finished() const;

 private:
  TEncodeMonitorThread(TChildProcessRunner* runner, pid_t child, int out, int err);
  void Execute();
  // One look at both pipes; true when either had data (handed to the runner).
  bool PassOverPipes();
  // True once the child has exited; failed tells whether it ended with a
  // non-zero exit code or by a signal.
  bool ChildHasExited(bool& failed) const;
  // Runs fn on the main thread and waits for it, unless terminated first.
  void CallOnMainThread(std::function<void(TChildProcessRunner&)> fn);

  TChildProcessRunner* runner_;  // dereferenced on the main thread only, while not terminated
  pid_t child_;
  int out_;
  int err_;
  std::atomic<bool> terminated_{false};
  mutable std::mutex mutex_;
  std::condition_variable finishedChanged_;
  bool finished_ = false;
};

// The monitors of the two runners, by the names their runners know them by.
using TMp3EncodeThread = TEncodeMonitorThread;
using TWMAEncodeThread = TEncodeMonitorThread;
