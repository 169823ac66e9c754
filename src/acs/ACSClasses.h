#pragma once

// Core of the audio stream framework: sources (TACSInput), filters
// (TACSConverter) and sinks (TACSOutput). A chain is pulled by the sink's
// own worker thread, which calls the sink's DoOutput step by step; the sink
// calls GetData on its Input, a converter on its own Input, back to the
// source.
//
// Threads, in short:
//  - The owning (UI) thread creates and destroys components, wires Input,
//    sets events and properties, and calls Run, Stop, Pause, Resume, Status,
//    Progress and the format getters of file inputs.
//  - The worker thread of a sink runs Prepare's successors: DoOutput, Done,
//    WhenDone and every GetData of the chain, and calls the events
//    OnProgress, OnDone and OnThreadException. Handlers that touch windows
//    must post to them.
//  - Events and Input are set while the sink is idle (Input may also be
//    swapped live, see SetInput).
//
// PCM between components: interleaved frames, left first, little-endian;
// 16-bit samples signed, 8-bit unsigned with 128 as silence; 1 or 2 channels.

#include <QIODevice>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Usage errors of the framework carry one of its fixed English messages.
class EACSException : public std::exception {
 public:
  explicit EACSException(const QString& message)
      : message_(message), utf8_(message.toStdString()) {}
  const QString& Message() const { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  QString message_;
  std::string utf8_;
};

// Called inside a catch block whose error goes no further: logs what was
// caught, with where, under the stream framework's logging category.
void LogSwallowedException(const char* where);

// The text of any exception that reaches OnThreadException.
QString ExceptionMessage(const std::exception& e);

// Abstract source. Lifecycle: idle -> Init -> busy (GetData ...) -> Flush ->
// idle. Init twice without Flush is a usage error for file inputs ("The
// component is buisy"); Flush on an idle input is harmless.
class TACSInput : public QObject {
 public:
  explicit TACSInput(QObject* owner = nullptr);
  ~TACSInput() override;

  virtual int GetBitsPerSample() = 0;
  virtual int GetChannels() = 0;
  virtual int GetSampleRate() = 0;
  // Whole seconds of audio; 0 when unknown.
  virtual int GetTotalTime() { return 0; }
  // Copies at most bufferSize bytes of PCM into buffer and returns the
  // count. A short count does not mean the end; 0 means the end. Worker
  // thread, between Init and Flush.
  virtual int32_t GetData(uint8_t* buffer, int32_t bufferSize) = 0;
  // Flush with its exceptions swallowed, then not busy. Any state.
  virtual void Reset();
  // Prepares reading: afterwards Busy and Position 0.
  virtual void Init() = 0;
  // Ends reading: afterwards not Busy.
  virtual void Flush() = 0;

  int BitsPerSample() { return GetBitsPerSample(); }
  int Channels() { return GetChannels(); }
  int SampleRate() { return GetSampleRate(); }
  int TotalTime() { return GetTotalTime(); }
  // Bytes delivered since Init. Safe to read from any thread.
  int32_t Position() const { return FPosition.load(); }
  // Bytes this input delivers in total; -1 when open-ended. Any thread.
  int32_t Size() const { return FSize.load(); }
  bool Busy() const { return FBusy.load(); }

 protected:
  std::atomic<int32_t> FPosition{0};
  std::atomic<int32_t> FSize{0};
  std::atomic<bool> FBusy{false};
  // 1-based cursor and last valid index of the read-ahead buffer; empty
  // when BufStart > BufEnd.
  int32_t BufStart = 1;
  int32_t BufEnd = 0;
};

// A source that reads a byte stream. The stream is either opened by the
// component (and owned by it) or assigned by the user (never owned).
class TACSStreamedInput : public TACSInput {
 public:
  explicit TACSStreamedInput(QObject* owner = nullptr);

  QIODevice* Stream() const { return FStream; }
  // Reads from the given stream instead of a file; the caller keeps
  // ownership and must keep it alive while this input uses it.
  void SetStream(QIODevice* stream);
  bool StreamAssigned() const { return FStreamAssigned; }
  bool Seekable() const { return FSeekable; }
  void SetSeekable(bool seekable) { FSeekable = seekable; }

 protected:
  QIODevice* FStream = nullptr;
  bool FStreamAssigned = false;
  bool FSeekable = true;
};

// A source that reads a file, with a start/end window in samples, looping
// and a pending relative jump.
//
// OpenFile / CloseFile are reference-counted: only the call that raises the
// open count from 0 opens and parses the file, only the call that lowers it
// from 1 closes it. Implementations hold FOpenLock while they touch the
// count, because the owning thread may ask a format getter while the worker
// reads. The format getters and Valid open and close the file themselves
// (when Seekable), so they can be asked at any time, also before Init.
class TACSFileIn : public TACSStreamedInput {
 public:
  explicit TACSFileIn(QObject* owner = nullptr);

  int GetBitsPerSample() override;
  int GetChannels() override;
  int GetSampleRate() override;
  // Size / bytes per second, rounded; 0 for an unknown format.
  int GetTotalTime() override;
  // Raises "The component is buisy" when busy and "The file name is not
  // assigned" without a file or stream; opens the file, seeks to
  // StartSample and sizes the window StartSample..EndSample.
  void Init() override;
  // Closes the file; not busy afterwards.
  void Flush() override;
  // The base Reset, then the file is closed however often it was opened.
  void Reset() override;

  virtual void OpenFile() = 0;
  virtual void CloseFile() = 0;
  // Positions the stream at the sample (per channel); false when that is
  // not possible.
  virtual bool Seek(int32_t sampleNum) = 0;

  const QString& FileName() const { return FFileName; }
  void SetFileName(const QString& name) { FFileName = name; }
  // The file was recognised and is supported. False without a file name
  // and stream, and for a file that cannot be opened.
  bool Valid();
  // A pending move in percent of the whole, applied by the reader on its
  // next refill; 0 = none. Any thread.
  int32_t Jump() const { return FJump.load(); }
  void SetJump(int32_t percent) { FJump.store(percent); }
  bool Loop() const { return FLoop; }
  void SetLoop(bool loop) { FLoop = loop; }
  int32_t StartSample() const { return FStartSample; }
  void SetStartSample(int32_t sample) { FStartSample = sample; }
  // -1 reads to the end.
  int32_t EndSample() const { return FEndSample; }
  void SetEndSample(int32_t sample) { FEndSample = sample; }
  // Samples per channel in the whole file, known once opened.
  int32_t TotalSamples() const { return FTotalSamples; }

 protected:
  QString FFileName;
  std::atomic<int32_t> FJump{0};
  int32_t FOpened = 0;
  std::recursive_mutex FOpenLock;
  bool FValid = false;
  int32_t FBPS = 0;
  int32_t FSR = 0;
  int32_t FChan = 0;
  int32_t FTime = 0;
  bool FLoop = false;
  int32_t FStartSample = 0;
  int32_t FEndSample = -1;
  int32_t FTotalSamples = 0;
};

// A filter: an input that pulls from another input.
class TACSConverter : public TACSInput {
 public:
  explicit TACSConverter(QObject* owner = nullptr);
  ~TACSConverter() override;

  TACSInput* Input() const { return FInput.load(); }
  // Wires the upstream input. Idle: stored. Busy (a live swap): the new
  // input is Init'ed, swapped in between two GetData calls, and the old one
  // Flushed. Setting itself is ignored. When the input is destroyed, Input
  // becomes nullptr (a busy converter then delivers the end of the stream).
  virtual void SetInput(TACSInput* input);
  // Clears InputLock here and down a chain of converters.
  void UnlockInput();

 protected:
  // GetData of Input under InputLock; 0 (the end) when there is no input.
  int32_t ReadInput(uint8_t* buffer, int32_t bufferSize);

  std::atomic<bool> InputLock{false};
  std::atomic<TACSInput*> FInput{nullptr};

 private:
  QMetaObject::Connection inputGone_;
};

enum TOutputStatus { osBusy = 0, osPaused = 1, osIdle = 2 };
enum TFileOutputMode { foRewrite = 0, foAppend = 1 };

using TOutputDoneEvent = std::function<void(QObject* Sender)>;
using TOutputProgressEvent = std::function<void(QObject* Sender)>;
using TThreadExceptionEvent = std::function<void(QObject* Sender, const std::exception& E)>;

// The worker of one output. It is created parked and parks again at a step
// boundary when asked (Pause) or when a job ends with SuspendWhenIdle set;
// it never stops in the middle of a step. The owner ends it with End(),
// which returns once the thread has finished.
class TACSThread {
 public:
  using StepRoutine = std::function<bool(bool abort)>;
  using DoneRoutine = std::function<void()>;
  using ExceptionRoutine = std::function<void(const std::exception&)>;

  TACSThread(StepRoutine step, DoneRoutine done, ExceptionRoutine exception);
  ~TACSThread();

  // Park at the next step boundary. Any thread.
  void Suspend();
  // Leave the park. Any thread.
  void Resume();
  bool Suspended() const;
  // True on the worker itself (its events may start or stop their sink).
  bool IsWorker() const { return std::this_thread::get_id() == thread_.get_id(); }
  // Sets ExitRequested, wakes the worker and joins it. After the loop the
  // worker makes one last step with abort set, unless skipLastStep (the
  // owner is already half destroyed). Owning thread; idempotent.
  void End(bool skipLastStep);

  std::atomic<bool> SuspendWhenIdle{true};
  std::atomic<bool> StopRequested{false};
  std::atomic<int32_t> Delay{0};

 private:
  void Execute();
  void SuspendSelf(uint64_t resumeGeneration);

  StepRoutine step_;
  DoneRoutine done_;
  ExceptionRoutine exception_;
  std::atomic<bool> exitRequested_{false};
  std::atomic<bool> skipLastStep_{false};
  // Held by the worker for each step.
  std::mutex criticalSection_;
  mutable std::mutex parkMutex_;
  std::condition_variable parkCv_;
  bool suspended_ = true;
  uint64_t resumeGeneration_ = 0;
  std::thread thread_;
};

// Abstract sink with its worker thread.
//
// Run (owning thread) calls Prepare, which opens the sink and Inits the
// input; the worker then calls DoOutput until it returns false, then
// WhenDone (Done, then OnDone). Done is called exactly once per successful
// Run. A failure of Prepare is not raised from Run: it arrives through
// OnThreadException and Busy stays false.
//
// Concrete sinks must call EndWorker() first thing in their destructor, so
// the worker never steps into a half-destroyed object.
class TACSOutput : public QObject {
 public:
  explicit TACSOutput(QObject* owner = nullptr);
  ~TACSOutput() override;

  TACSInput* Input() const { return FInput.load(); }
  // Idle: stored. Busy: live swap as for converters. When the input is
  // destroyed, Input becomes nullptr and a running job sees the end of data.
  virtual void SetInput(TACSInput* input);

  // Starts a job. Raises "Component is buisy" when Busy and "Input is not
  // assigned" without Input. Run, Stop, Pause and Resume are for the owning
  // thread or this sink's own events; any other thread ends the program.
  void Run();
  // Ends the job through the normal end (Done, OnDone) at the next step;
  // does nothing visible while the worker is paused.
  void Stop();
  void Pause();
  void Resume();
  // Percent of the direct input consumed: 0 without input or with Size 0,
  // -1 for an open-ended input. Any thread.
  int Progress() const;
  TOutputStatus Status() const;
  bool Busy() const { return FBusy.load(); }
  // Milliseconds slept before each step (values up to 5 mean none);
  // values above 100 are ignored.
  int32_t Delay() const { return FThread->Delay.load(); }
  void SetDelay(int32_t ms);
  bool SuspendWhenIdle() const { return FThread->SuspendWhenIdle.load(); }
  void SetSuspendWhenIdle(bool suspend) { FThread->SuspendWhenIdle.store(suspend); }

  // Called on the worker thread. Set them while idle.
  TOutputDoneEvent OnDone;
  TOutputProgressEvent OnProgress;
  TThreadExceptionEvent OnThreadException;

 protected:
  // One step; true = call again, false = finished. Worker thread. Returns
  // true at once while no job runs (CanOutput false).
  virtual bool DoOutput(bool abort) = 0;
  // Finishes the sink and Flushes the input. Worker thread (or the thread
  // that reports a failure).
  virtual void Done() = 0;
  // Opens the sink and Inits the input. Owning thread, inside Run.
  virtual void Prepare() = 0;

  // Ends the worker for good; finishes a running job (Done, without OnDone)
  // so no file is left unfinished. Idempotent.
  void EndWorker();
  // Calls OnProgress when Progress changed since the last report.
  void ReportProgress();
  // GetData of Input under InputLock; 0 (the end) when there is no input.
  int32_t ReadInput(uint8_t* buffer, int32_t bufferSize);

  std::atomic<bool> CanOutput{false};
  int32_t LastProgress = 0;
  std::atomic<bool> FBusy{false};
  std::atomic<bool> InputLock{false};
  std::atomic<TACSInput*> FInput{nullptr};
  std::unique_ptr<TACSThread> FThread;

 private:
  void WhenDone();
  void ThreadException(const std::exception& e);

  QMetaObject::Connection inputGone_;
  bool workerEnded_ = false;
};

// A sink that writes a byte stream, opened by the component or assigned by
// the user (never owned then).
class TACSStreamedOutput : public TACSOutput {
 public:
  explicit TACSStreamedOutput(QObject* owner = nullptr);

  QIODevice* Stream() const { return FStream; }
  void SetStream(QIODevice* stream);
  bool StreamAssigned() const { return FStreamAssigned; }

 protected:
  QIODevice* FStream = nullptr;
  bool FStreamAssigned = false;
};

// A sink that writes a file.
class TACSFileOut : public TACSStreamedOutput {
 public:
  explicit TACSFileOut(QObject* owner = nullptr);

  const QString& FileName() const { return FFileName; }
  void SetFileName(const QString& name) { FFileName = name; }
  TFileOutputMode FileMode() const { return FFileMode; }
  // The base keeps foRewrite; sinks that can append store the value.
  virtual void SetFileMode(TFileOutputMode mode);

 protected:
  QString FFileName;
  TFileOutputMode FFileMode = foRewrite;
};

// Takes a one-byte lock flag for the lifetime of the guard (spins; the
// holders keep it for one GetData call only).
class TInputLockGuard {
 public:
  explicit TInputLockGuard(std::atomic<bool>& flag);
  ~TInputLockGuard();
  TInputLockGuard(const TInputLockGuard&) = delete;
  TInputLockGuard& operator=(const TInputLockGuard&) = delete;

 private:
  std::atomic<bool>& flag_;
};
