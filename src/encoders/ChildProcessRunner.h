#pragma once

#include "encoders/CommandLine.h"
#include "encoders/EncodeMonitorThread.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <vector>

class QObject;

// The child of a run: its process id, 0 when none.
struct TChildProcessInfo {
  pid_t ProcessId = 0;
};

// Runs one external encoder at a time as a child process with its standard
// streams on pipes, and reports to NotifyWindow through WM_PROCESS_INFO.
// The MP3 and the WMA runner derive from it and supply the command line,
// the output parser and the end-of-job message.
//
// Lifecycle: the caller sets SourceFile, DestFile, NotifyWindow, Encode,
// JobKind and Active = true, then calls Start, which returns at once; the
// outcome arrives as messages. Exactly one end-of-job message follows each
// Start that does not throw, unless Stop ends the run first. Start again
// for the next job; Stop at the end. All members are for the main thread.
class TChildProcessRunner {
 public:
  TChildProcessRunner() = default;
  TChildProcessRunner(const TChildProcessRunner&) = delete;
  TChildProcessRunner& operator=(const TChildProcessRunner&) = delete;
  // Stops a child that still runs and waits briefly for its monitor.
  virtual ~TChildProcessRunner();

  // Throws EEncodeProcessError when a pipe or the child cannot be created.
  void Start();
  // Ends the current child at once, posting nothing. Does nothing unless
  // Active. Linux cannot hand a killed process an exit code; the child is
  // killed with SIGKILL. The killed child's unfinished output is deleted.
  void Stop(int exitCode);
  // Called by the monitor once the child has exited and its output is read.
  // A child that failed (non-zero exit code, killed by a signal: a full
  // disk) may have left part of its output: that goes, and the end of the
  // job says the run failed.
  void ProcessEnded(bool childFailed = false);

  // Called by the monitor when BytesAvailable bytes wait on a pipe. Throw
  // EEncodeProcessError when the read fails.
  void ReadStdOut();
  void ReadStdErr();

  // Hands one chunk of the child's output (either pipe) to the parser.
  virtual void ParseOutput(const QByteArray& chunk) = 0;

  // The command line the child would be started with. program is argv[0].
  virtual TCommandLine BuildCommandLine(const QString& program) = 0;

  // The monitor of the current run, if any (tests wait for it to end).
  std::shared_ptr<TEncodeMonitorThread> CurrentMonitor() const { return Monitor; }
  // Waits until every monitor this runner started has ended.
  bool WaitForMonitors(int timeoutMs);

  int StdInRead = -1;
  int StdInWrite = -1;
  int StdOutRead = -1;
  int StdOutWrite = -1;
  int StdErrRead = -1;
  int StdErrWrite = -1;
  uint32_t BytesAvailable = 0;
  TChildProcessInfo Child;
  int32_t ProgressColumn = 0;
  std::shared_ptr<TEncodeMonitorThread> Monitor;
  QDateTime StartTime;
  QObject* NotifyWindow = nullptr;
  QString SourceFile;
  QString DestFile;
  bool Active = false;
  bool Encode = true;
  uint8_t JobKind = 0;

 protected:
  // True when an existing DestFile is asked about for this JobKind.
  virtual bool AsksBeforeOverwrite() const = 0;
  // Delivers the end-of-job message with that status (and text in Elapsed).
  virtual void EndOfJob(int32_t status, const QString& elapsed = QString()) = 0;
  // Delivers the end of a job whose child failed.
  virtual void FailedEndOfJob() = 0;
  // The program to start; empty to give up (having sent the end of job).
  virtual QString LocateProgram() = 0;

  // Kills a running child and forgets its monitor and pipes; with
  // removeOutput the unfinished DestFile of a child still running goes too.
  void StopChild(bool removeOutput);

 private:
  void CreatePipes();
  void ClosePipes();
  void ReadPipe(int fd, const char* errorText);
  void ForgetMonitor();

  std::vector<std::shared_ptr<TEncodeMonitorThread>> startedMonitors_;
};
