#include "encoders/EncodeMonitorThread.h"

#include "encoders/ChildProcessRunner.h"
#include "platform/Dialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMetaObject>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <exception>
#include <thread>

namespace {

constexpr int kPollMs = 100;
// The longest wait for a child whose pipes have closed to exit, before the
// next look.
constexpr int kExitWaitMs = 5;

int DuplicateForMonitor(int fd) { return fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0); }

int PendingBytes(int fd) {
  int n = 0;
  if (fd < 0 || ::ioctl(fd, FIONREAD, &n) != 0) return 0;
  return n;
}

}  // namespace

TEncodeMonitorThread::TEncodeMonitorThread(TChildProcessRunner* runner, pid_t child, int out,
                                           int err)
    : runner_(runner),
      child_(child),
      out_(DuplicateForMonitor(out)),
      err_(DuplicateForMonitor(err)) {}

TEncodeMonitorThread::~TEncodeMonitorThread() = default;

std::shared_ptr<TEncodeMonitorThread> TEncodeMonitorThread::Create(TChildProcessRunner* runner,
                                                                   pid_t child, int stdOutRead,
                                                                   int stdErrRead) {
  std::shared_ptr<TEncodeMonitorThread> monitor(
      new TEncodeMonitorThread(runner, child, stdOutRead, stdErrRead));
  // The thread holds a reference until its work ends: it frees itself.
  std::thread([self = monitor] { self->Execute(); }).detach();
  return monitor;
}

void TEncodeMonitorThread::Terminate() { terminated_.store(true); }

bool TEncodeMonitorThread::Finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

bool TEncodeMonitorThread::WaitUntilFinished(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return finishedChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [this] { return finished_; });
}

bool TEncodeMonitorThread::ChildHasExited(bool& failed) const {
  siginfo_t info{};
  failed = false;
  // WNOWAIT: look only; the child is reaped when the monitor ends.
  if (::waitid(P_PID, static_cast<id_t>(child_), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
    return errno == ECHILD;
  if (info.si_pid == 0) return false;
  failed = info.si_code != CLD_EXITED || info.si_status != 0;
  return true;
}

void TEncodeMonitorThread::CallOnMainThread(std::function<void(TChildProcessRunner&)> fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || terminated_.load()) return;
  struct Completion {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
  };
  auto completion = std::make_shared<Completion>();
  auto self = shared_from_this();
  QMetaObject::invokeMethod(
      app,
      [self, completion, fn = std::move(fn)] {
        // Main thread: Terminate() is called here too, so this check holds
        // for the whole call.
        if (!self->terminated_.load()) {
          try {
            fn(*self->runner_);
          } catch (const std::exception& e) {
            // What the application's default handler does with an error
            // raised in an event: show its message and go on.
            ShowMessage(QApplication::activeWindow(), QString::fromStdString(e.what()),
                        TMsgIcon::Error);
          }
        }
        std::lock_guard lock(completion->mutex);
        completion->done = true;
        completion->changed.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(completion->mutex);
  while (!completion->done) {
    // Never wait for a call a terminated run no longer needs.
    if (completion->changed.wait_for(lock, std::chrono::milliseconds(kPollMs),
                                     [&] { return completion->done; }))
      break;
    if (terminated_.load()) break;
  }
}

bool TEncodeMonitorThread::PassOverPipes() {
  bool any = false;
  for (const bool isOut : {true, false}) {
    if (terminated_.load()) return any;
    const int n = PendingBytes(isOut ? out_ : err_);
    if (n <= 0) continue;
    any = true;
    CallOnMainThread([n, isOut](TChildProcessRunner& runner) {
      runner.BytesAvailable = static_cast<uint32_t>(n);
      if (isOut) {
        runner.ReadStdOut();
      } else {
        runner.ReadStdErr();
      }
    });
  }
  return any;
}

void TEncodeMonitorThread::Execute() {
  // Readable when the child has exited: the wait between its pipes closing
  // and its exit ends at once instead of after a fixed sleep.
  const int exited = static_cast<int>(::syscall(SYS_pidfd_open, child_, 0));
  while (!terminated_.load()) {
    if (PassOverPipes()) continue;
    if (terminated_.load()) break;
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, kPollMs);
    bool failed = false;
    if (ChildHasExited(failed)) {
      // Drain what the child left in the pipes, then end the run.
      while (!terminated_.load() && PassOverPipes()) {
      }
      CallOnMainThread([failed](TChildProcessRunner& runner) { runner.ProcessEnded(failed); });
      break;
    }
    if (ready > 0 && PendingBytes(out_) == 0 && PendingBytes(err_) == 0) {
      // Hung-up pipes of a child that is still exiting: do not spin.
      pollfd exit{exited, POLLIN, 0};
      if (exited < 0 || ::poll(&exit, 1, kExitWaitMs) < 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(kExitWaitMs));
    }
  }
  if (exited >= 0) ::close(exited);
  if (out_ >= 0) ::close(out_);
  if (err_ >= 0) ::close(err_);
  // Every run ends with its child killed or exited, so this does not block
  // for long; it leaves no zombie behind.
  while (::waitpid(child_, nullptr, 0) < 0 && errno == EINTR) {
  }
  std::lock_guard lock(mutex_);
  finished_ = true;
  finishedChanged_.notify_all();
}
