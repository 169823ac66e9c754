#include "acs/ACSClasses.h"

#include "platform/MainThread.h"

#include <QLoggingCategory>

#include <chrono>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcAcs, "trackwell.acs")

void LogSwallowedException(const char* where) {
  try {
    throw;
  } catch (const std::exception& e) {
    qCWarning(lcAcs) << where << "ignored:" << ExceptionMessage(e);
  } catch (...) {
    qCWarning(lcAcs) << where << "ignored an unknown error";
  }
}

QString ExceptionMessage(const std::exception& e) {
  if (auto* acs = dynamic_cast<const EACSException*>(&e)) return acs->Message();
  return QString::fromUtf8(e.what());
}

// ---------------------------------------------------------------- TInputLockGuard

TInputLockGuard::TInputLockGuard(std::atomic<bool>& flag) : flag_(flag) {
  while (flag_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
}

TInputLockGuard::~TInputLockGuard() { flag_.store(false, std::memory_order_release); }

// ---------------------------------------------------------------- TACSInput

TACSInput::TACSInput(QObject* owner) : QObject(owner) {}

TACSInput::~TACSInput() = default;

void TACSInput::Reset() {
  try {
    Flush();
  } catch (...) {
    LogSwallowedException(Q_FUNC_INFO);
  }
  FBusy = false;
}

// ---------------------------------------------------------------- TACSStreamedInput

TACSStreamedInput::TACSStreamedInput(QObject* owner) : TACSInput(owner) {}

void TACSStreamedInput::SetStream(QIODevice* stream) {
  FStream = stream;
  FStreamAssigned = stream != nullptr;
}

// ---------------------------------------------------------------- TACSFileIn

TACSFileIn::TACSFileIn(QObject* owner) : TACSStreamedInput(owner) {}

int TACSFileIn::GetBitsPerSample() {
  if (!FSeekable) return FBPS;
  std::lock_guard guard(FOpenLock);
  OpenFile();
  const int value = FBPS;
  CloseFile();
  return value;
}

int TACSFileIn::GetChannels() {
  if (!FSeekable) return FChan;
  std::lock_guard guard(FOpenLock);
  OpenFile();
  const int value = FChan;
  CloseFile();
  return value;
}

int TACSFileIn::GetSampleRate() {
  if (!FSeekable) return FSR;
  std::lock_guard guard(FOpenLock);
  OpenFile();
  const int value = FSR;
  CloseFile();
  return value;
}

bool TACSFileIn::Valid() {
  if (!FStreamAssigned && FFileName.isEmpty()) return false;
  if (!FSeekable) return FValid;
  std::lock_guard guard(FOpenLock);
  try {
    OpenFile();
  } catch (const std::exception&) {
    return false;
  }
  const bool value = FValid;
  CloseFile();
  return value;
}

int TACSFileIn::GetTotalTime() {
  std::lock_guard guard(FOpenLock);
  OpenFile();
  int result = 0;
  if (FSR != 0 && FChan != 0 && FBPS / 8 != 0) {
    const double bytesPerSecond = double(FSR) * FChan * (FBPS / 8);
    result = int(std::nearbyint(double(Size()) / bytesPerSecond));
  }
  CloseFile();
  return result;
}

void TACSFileIn::Init() {
  if (FBusy) throw EACSException("The component is buisy");
  if (!FStreamAssigned && FFileName.isEmpty()) throw EACSException("The file name is not assigned");
  OpenFile();
  if (FStartSample != 0) Seek(FStartSample);
  if (FStartSample != 0 || FEndSample != -1) {
    // The window is bounded by the file: an end past the last sample or a
    // start past the end must not announce bytes that do not exist.
    int64_t end = FEndSample == -1 ? FTotalSamples : FEndSample;
    if (FTotalSamples > 0 && end > FTotalSamples) end = FTotalSamples;
    int64_t samples = end - int64_t(FStartSample);
    if (samples < 0) samples = 0;
    int64_t bytes = samples * (FBPS / 8) * FChan;
    if (bytes > std::numeric_limits<int32_t>::max()) bytes = std::numeric_limits<int32_t>::max();
    FSize = int32_t(bytes);
  }
  FBusy = true;
  BufStart = 1;
  BufEnd = 0;
  FPosition = 0;
}

void TACSFileIn::Flush() {
  CloseFile();
  FBusy = false;
}

void TACSFileIn::Reset() {
  TACSInput::Reset();
  std::lock_guard guard(FOpenLock);
  // Close for real rather than just forgetting the count, so no stream is
  // left open behind a count of 0.
  while (FOpened > 0) {
    try {
      CloseFile();
    } catch (...) {
      LogSwallowedException(Q_FUNC_INFO);
      FOpened = 0;
    }
  }
}

// ---------------------------------------------------------------- TACSConverter

TACSConverter::TACSConverter(QObject* owner) : TACSInput(owner) {}

TACSConverter::~TACSConverter() { QObject::disconnect(inputGone_); }

namespace {

// The live-swap protocol shared by converters and outputs. Whether a job
// runs is read once the reader is held off: waiting for the lock can take
// as long as the job takes to end (the worker may win the lock again and
// again), and a job that ended meanwhile has flushed its input already.
void SwapInput(QObject* self, std::atomic<TACSInput*>& slot, std::atomic<bool>& lock,
               QMetaObject::Connection& gone, TACSInput* input, const std::atomic<bool>& busyFlag,
               bool oldAlive, const std::function<void()>& onGone) {
  TACSInput* old = nullptr;
  bool busy = false;
  {
    TInputLockGuard guard(lock);
    old = slot.load();
    busy = busyFlag.load();
    if (busy && input) input->Init();
    slot.store(input);
  }
  QObject::disconnect(gone);
  if (input)
    gone = QObject::connect(input, &QObject::destroyed, self, onGone, Qt::DirectConnection);
  if (busy && old && oldAlive && old != input) old->Flush();
}

}  // namespace

void TACSConverter::SetInput(TACSInput* input) {
  if (input == this) return;
  SwapInput(this, FInput, InputLock, inputGone_, input, FBusy, true, [this] {
    // The input is being destroyed: it must not be flushed any more.
    SwapInput(this, FInput, InputLock, inputGone_, nullptr, FBusy, false, {});
  });
}

void TACSConverter::UnlockInput() {
  InputLock = false;
  if (auto* next = dynamic_cast<TACSConverter*>(FInput.load())) next->UnlockInput();
}

int32_t TACSConverter::ReadInput(uint8_t* buffer, int32_t bufferSize) {
  TInputLockGuard guard(InputLock);
  TACSInput* input = FInput.load();
  return input ? input->GetData(buffer, bufferSize) : 0;
}

// ---------------------------------------------------------------- TACSThread

TACSThread::TACSThread(StepRoutine step, DoneRoutine done, ExceptionRoutine exception)
    : step_(std::move(step)), done_(std::move(done)), exception_(std::move(exception)) {
  thread_ = std::thread([this] { Execute(); });
}

TACSThread::~TACSThread() { End(true); }

void TACSThread::Suspend() {
  std::lock_guard guard(parkMutex_);
  suspended_ = true;
}

void TACSThread::Resume() {
  std::lock_guard guard(parkMutex_);
  ++resumeGeneration_;
  if (suspended_) {
    suspended_ = false;
    parkCv_.notify_all();
  }
}

bool TACSThread::Suspended() const {
  std::lock_guard guard(parkMutex_);
  return suspended_;
}

void TACSThread::End(bool skipLastStep) {
  if (!thread_.joinable()) return;
  skipLastStep_ = skipLastStep;
  {
    std::lock_guard guard(parkMutex_);
    exitRequested_ = true;
    parkCv_.notify_all();
  }
  thread_.join();
}

void TACSThread::SuspendSelf(uint64_t resumeGeneration) {
  std::lock_guard guard(parkMutex_);
  // A Resume that came while the job was being finished (a new Run from an
  // OnDone handler) wins over parking.
  if (resumeGeneration_ == resumeGeneration) suspended_ = true;
}

void TACSThread::Execute() {
  while (true) {
    uint64_t generation;
    {
      std::unique_lock park(parkMutex_);
      parkCv_.wait(park, [this] { return !suspended_ || exitRequested_; });
      if (exitRequested_) break;
      generation = resumeGeneration_;
    }
    std::lock_guard section(criticalSection_);
    const int32_t delay = Delay.load();
    if (delay > 5) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    try {
      if (!step_(StopRequested.load())) {
        StopRequested = false;
        done_();
        if (SuspendWhenIdle) SuspendSelf(generation);
      }
    } catch (const std::exception& e) {
      StopRequested = false;
      exception_(e);
      if (SuspendWhenIdle) SuspendSelf(generation);
    } catch (...) {
      // Anything else must not end the process from a worker thread.
      StopRequested = false;
      exception_(EACSException("Unknown error"));
      if (SuspendWhenIdle) SuspendSelf(generation);
    }
  }
  if (!skipLastStep_) {
    try {
      step_(true);
    } catch (...) {
      LogSwallowedException(Q_FUNC_INFO);
    }
  }
  exitRequested_ = false;
}

// ---------------------------------------------------------------- TACSOutput

TACSOutput::TACSOutput(QObject* owner) : QObject(owner) {
  FThread = std::make_unique<TACSThread>([this](bool abort) { return DoOutput(abort); },
                                         [this] { WhenDone(); },
                                         [this](const std::exception& e) { ThreadException(e); });
}

TACSOutput::~TACSOutput() {
  QObject::disconnect(inputGone_);
  // A concrete sink has normally ended the worker already; here the sink's
  // own part is gone, so the worker must not step into it again.
  if (!workerEnded_) FThread->End(true);
}

void TACSOutput::EndWorker() {
  if (workerEnded_) return;
  workerEnded_ = true;
  FThread->End(false);
  if (FBusy) {
    // Destroyed in the middle of a job (paused or running): finish the sink
    // so its file is complete, but raise no events into a dying owner.
    CanOutput = false;
    try {
      Done();
    } catch (...) {
      LogSwallowedException(Q_FUNC_INFO);
    }
    FBusy = false;
  }
}

void TACSOutput::SetInput(TACSInput* input) {
  SwapInput(this, FInput, InputLock, inputGone_, input, FBusy, true,
            [this] { SwapInput(this, FInput, InputLock, inputGone_, nullptr, FBusy, false, {}); });
}

void TACSOutput::Run() {
  if (!FThread->IsWorker()) ExpectOwningThread(this, Q_FUNC_INFO);
  if (FBusy) throw EACSException("Component is buisy");
  if (!FInput.load()) throw EACSException("Input is not assigned");
  InputLock = false;
  try {
    Prepare();
    FBusy = true;
    FThread->StopRequested = false;
    CanOutput = true;
    FThread->Resume();
  } catch (const std::exception& e) {
    ThreadException(e);
  }
}

void TACSOutput::Stop() {
  if (!FThread->IsWorker()) ExpectOwningThread(this, Q_FUNC_INFO);
  FThread->StopRequested = true;
}

void TACSOutput::Pause() {
  if (!FThread->IsWorker()) ExpectOwningThread(this, Q_FUNC_INFO);
  FThread->Suspend();
}

void TACSOutput::Resume() {
  if (!FThread->IsWorker()) ExpectOwningThread(this, Q_FUNC_INFO);
  FThread->Resume();
}

int TACSOutput::Progress() const {
  TACSInput* input = FInput.load();
  if (!input) return 0;
  const int32_t size = input->Size();
  if (size == 0) return 0;
  if (size < 0) return -1;
  return int(std::nearbyint(double(input->Position()) / double(size) * 100.0));
}

TOutputStatus TACSOutput::Status() const {
  if (!FBusy) return osIdle;
  return FThread->Suspended() ? osPaused : osBusy;
}

void TACSOutput::SetDelay(int32_t ms) {
  if (ms <= 100) FThread->Delay = ms;
}

void TACSOutput::ReportProgress() {
  const int progress = Progress();
  if (progress != LastProgress) {
    LastProgress = progress;
    if (OnProgress) OnProgress(this);
  }
}

int32_t TACSOutput::ReadInput(uint8_t* buffer, int32_t bufferSize) {
  TInputLockGuard guard(InputLock);
  TACSInput* input = FInput.load();
  return input ? input->GetData(buffer, bufferSize) : 0;
}

void TACSOutput::WhenDone() {
  if (!FBusy) return;
  CanOutput = false;
  Done();
  FBusy = false;
  if (OnDone) OnDone(this);
}

void TACSOutput::ThreadException(const std::exception& e) {
  InputLock = false;
  if (Status() != osIdle) {
    if (auto* converter = dynamic_cast<TACSConverter*>(FInput.load())) {
      try {
        converter->UnlockInput();
      } catch (...) {
        LogSwallowedException(Q_FUNC_INFO);
      }
    }
    try {
      Done();
    } catch (...) {
      LogSwallowedException(Q_FUNC_INFO);
    }
  }
  CanOutput = false;
  FBusy = false;
  if (OnThreadException) OnThreadException(this, e);
}

// ---------------------------------------------------------------- streamed / file outputs

TACSStreamedOutput::TACSStreamedOutput(QObject* owner) : TACSOutput(owner) {}

void TACSStreamedOutput::SetStream(QIODevice* stream) {
  FStream = stream;
  FStreamAssigned = stream != nullptr;
}

TACSFileOut::TACSFileOut(QObject* owner) : TACSStreamedOutput(owner) {}

void TACSFileOut::SetFileMode(TFileOutputMode) { FFileMode = foRewrite; }
