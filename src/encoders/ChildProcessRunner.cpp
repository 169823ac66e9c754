#include "encoders/ChildProcessRunner.h"

#include "encoders/EncodeProcessError.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "settings/SharedRoutines.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

#include <string>

extern char** environ;

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool HasExited(pid_t pid) {
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return true;
  return info.si_pid != 0;
}

// Starts program with the arguments and the given standard streams; returns
// 0 and the process id, or the error number.
int SpawnChild(const QStringList& arguments, int in, int out, int err, pid_t& pid) {
  std::vector<std::string> storage;
  for (const QString& a : arguments) storage.push_back(QFile::encodeName(a).toStdString());
  std::vector<char*> argv;
  for (auto& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);

  // The child starts with no blocked signals and default handlers, whatever
  // this process has set up.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigfillset(&defaults);
  sigdelset(&defaults, SIGKILL);
  sigdelset(&defaults, SIGSTOP);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  // A bare name is looked up on PATH; a path (with "/") is taken as it is.
  const int rc = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return rc;
}

}  // namespace

TChildProcessRunner::~TChildProcessRunner() {
  if (Active) {
    Stop(0);
  } else {
    StopChild(false);
  }
  WaitForMonitors(2000);
}

void TChildProcessRunner::ForgetMonitor() {
  if (Monitor) Monitor->Terminate();
  Monitor.reset();
}

bool TChildProcessRunner::WaitForMonitors(int timeoutMs) {
  bool all = true;
  for (auto& m : startedMonitors_) all = m->WaitUntilFinished(timeoutMs) && all;
  std::erase_if(startedMonitors_, [](const auto& m) { return m->Finished(); });
  return all;
}

void TChildProcessRunner::CreatePipes() {
  struct Step {
    int* read;
    int* write;
    const char* text;
  };
  const Step steps[] = {{&StdInRead, &StdInWrite, "Error on STDIN pipe creation : "},
                        {&StdOutRead, &StdOutWrite, "Error on STDOUT pipe creation : "},
                        {&StdErrRead, &StdErrWrite, "Error on STDERR pipe creation : "}};
  for (const Step& step : steps) {
    int fds[2];
    // Close-on-exec everywhere: the child gets its ends as 0, 1 and 2 only.
    if (::pipe2(fds, O_CLOEXEC) != 0) {
      const int e = errno;
      ClosePipes();
      throw EEncodeProcessError(QString::fromLatin1(step.text), e);
    }
    *step.read = fds[0];
    *step.write = fds[1];
  }
  // Reads happen on the main thread and must never block it.
  ::fcntl(StdOutRead, F_SETFL, ::fcntl(StdOutRead, F_GETFL) | O_NONBLOCK);
  ::fcntl(StdErrRead, F_SETFL, ::fcntl(StdErrRead, F_GETFL) | O_NONBLOCK);
}

void TChildProcessRunner::ClosePipes() {
  for (int* fd : {&StdInRead, &StdInWrite, &StdOutRead, &StdOutWrite, &StdErrRead, &StdErrWrite})
    CloseFd(*fd);
}

void TChildProcessRunner::Start() {
  ExpectMainThread(Q_FUNC_INFO);
  // A run still going from an earlier job must not act on this one.
  StopChild(false);
  WaitForMonitors(0);

  if (AsksBeforeOverwrite() && QFileInfo::exists(DestFile)) {
    const TMsgResult answer = ShowMessage(QApplication::activeWindow(),
                                          DestFile + QStringLiteral(" has existed,overite it?"),
                                          TMsgIcon::Information, TMsgButtons::YesNo);
    if (answer != TMsgResult::Yes) {
      EndOfJob(0);
      return;
    }
    if (IsFileInUse(DestFile)) {
      EndOfJob(1);
      return;
    }
  }

  const QString program = LocateProgram();
  if (program.isEmpty()) return;

  CreatePipes();
  TCommandLine command;
  try {
    command = BuildCommandLine(program);
  } catch (...) {
    ClosePipes();
    throw;
  }
  ProgressColumn = 0;

  pid_t pid = 0;
  const int rc = command.Arguments.isEmpty()
                     ? EINVAL
                     : SpawnChild(command.Arguments, StdInRead, StdOutWrite, StdErrWrite, pid);
  if (rc != 0) {
    ClosePipes();
    Child = {};
    throw EEncodeProcessError(QStringLiteral("Error while creating mp3 encoding process!"), rc);
  }
  Child.ProcessId = pid;
  // The child has its own copies; keeping ours would only hide its end of file.
  CloseFd(StdInRead);
  CloseFd(StdOutWrite);
  CloseFd(StdErrWrite);
  StartTime = QDateTime::currentDateTime();
  Monitor = TEncodeMonitorThread::Create(this, pid, StdOutRead, StdErrRead);
  startedMonitors_.push_back(Monitor);
}

void TChildProcessRunner::StopChild(bool removeOutput) {
  const pid_t pid = Child.ProcessId;
  const bool running = pid > 0 && !HasExited(pid);
  // Kill before telling the monitor: it reaps the child only once told, so
  // the process id cannot have been reused here.
  if (pid > 0) ::kill(pid, SIGKILL);
  ForgetMonitor();
  ClosePipes();
  Child = {};
  if (running && removeOutput && !DestFile.isEmpty()) QFile::remove(DestFile);
}

void TChildProcessRunner::Stop(int exitCode) {
  ExpectMainThread(Q_FUNC_INFO);
  (void)exitCode;  // a killed process exits by the signal, not by a code
  if (!Active) return;
  Active = false;
  StopChild(true);
}

void TChildProcessRunner::ProcessEnded(bool childFailed) {
  ForgetMonitor();
  ClosePipes();
  Child = {};
  if (!childFailed) return EndOfJob(2);
  if (!DestFile.isEmpty() && QFile::exists(DestFile) && !QFile::remove(DestFile))
    qWarning("cannot remove the unfinished output %s", qPrintable(DestFile));
  FailedEndOfJob();
}

void TChildProcessRunner::ReadStdOut() { ReadPipe(StdOutRead, "Error reading STDOUT pipe : "); }

void TChildProcessRunner::ReadStdErr() { ReadPipe(StdErrRead, "Error reading STDERR pipe : "); }

void TChildProcessRunner::ReadPipe(int fd, const char* errorText) {
  QByteArray buffer(static_cast<qsizetype>(BytesAvailable), Qt::Uninitialized);
  ssize_t got = -1;
  do {
    got = fd < 0 ? (errno = EBADF, -1) : ::read(fd, buffer.data(), buffer.size());
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    const int e = errno;
    if (e == EAGAIN) return;  // nothing there after all
    // The run cannot be followed any more: end it rather than leave it hanging.
    StopChild(false);
    throw EEncodeProcessError(QString::fromLatin1(errorText), e);
  }
  buffer.truncate(got);
  if (!buffer.isEmpty()) ParseOutput(buffer);
}
