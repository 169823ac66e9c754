#pragma once

// Small real components for driving the stream core in tests: a source
// that generates a known byte pattern (optionally holding each GetData at a
// gate the test opens) and a sink that collects what it pulls in memory.

#include "acs/ACSClasses.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

// The byte at position i of the generated stream.
inline uint8_t PatternByte(int64_t i) { return uint8_t((i * 7 + i / 251) & 0xFF); }

class TPatternInput : public TACSInput {
 public:
  // total < 0: announces Size -1 and delivers -total bytes.
  explicit TPatternInput(int32_t total, int32_t chunk = 1000, QObject* owner = nullptr)
      : TACSInput(owner),
        total_(total < 0 ? -total : total),
        openEnded_(total < 0),
        chunk_(chunk) {}

  int GetBitsPerSample() override { return 16; }
  int GetChannels() override { return 2; }
  int GetSampleRate() override { return 44100; }

  void Init() override {
    ++inits;
    FBusy = true;
    FPosition = 0;
    FSize = openEnded_ ? -1 : total_;
  }
  void Flush() override {
    ++flushes;
    FBusy = false;
  }
  int32_t GetData(uint8_t* buffer, int32_t bufferSize) override {
    if (!FBusy) throw EACSException("The Stream is not opened");
    WaitAtGate();
    ++calls;
    if (throwAt >= 0 && calls.load() > throwAt) throw EACSException("pattern failure");
    const int32_t pos = FPosition.load();
    int32_t n = std::min({bufferSize, chunk_, total_ - pos});
    if (n <= 0) return 0;
    for (int32_t i = 0; i < n; ++i) buffer[i] = PatternByte(pos + i);
    FPosition = pos + n;
    return n;
  }

  // Holds every GetData until Release() allows more calls.
  void CloseGate() {
    std::lock_guard g(m_);
    gated_ = true;
    allowed_ = 0;
  }
  void Release(int calls = 1) {
    std::lock_guard g(m_);
    allowed_ += calls;
    cv_.notify_all();
  }
  void OpenGate() {
    std::lock_guard g(m_);
    gated_ = false;
    cv_.notify_all();
  }
  // Waits until some GetData sits at the gate.
  bool WaitUntilWaiting(int timeoutMs = 10000) {
    std::unique_lock g(m_);
    return cv_.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return waiting_ > 0; });
  }

  std::atomic<int> inits{0}, flushes{0}, calls{0};
  int throwAt = -1;

 private:
  void WaitAtGate() {
    std::unique_lock g(m_);
    ++waiting_;
    cv_.notify_all();
    cv_.wait(g, [&] { return !gated_ || allowed_ > 0; });
    if (gated_) --allowed_;
    --waiting_;
  }

  int32_t total_;
  bool openEnded_;
  int32_t chunk_;
  std::mutex m_;
  std::condition_variable cv_;
  bool gated_ = false;
  int allowed_ = 0;
  int waiting_ = 0;
};

class TMemorySink : public TACSOutput {
 public:
  explicit TMemorySink(QObject* owner = nullptr) : TACSOutput(owner) {}
  ~TMemorySink() override { EndWorker(); }

  QByteArray Data() const {
    std::lock_guard g(m_);
    return data_;
  }

  std::atomic<int> dones{0}, prepares{0}, steps{0};
  bool failPrepare = false;
  int failStepAt = -1;

 protected:
  void Prepare() override {
    ++prepares;
    if (failPrepare) throw EACSException("prepare failure");
    Input()->Init();
    std::lock_guard g(m_);
    data_.clear();
  }
  bool DoOutput(bool abort) override {
    if (!CanOutput) return true;
    ReportProgress();
    if (abort) return false;
    if (++steps == failStepAt) throw std::runtime_error("step failure");
    uint8_t buffer[4096];
    const int32_t n = ReadInput(buffer, sizeof buffer);
    std::lock_guard g(m_);
    data_.append(reinterpret_cast<const char*>(buffer), n);
    return n > 0;
  }
  void Done() override {
    ++dones;
    if (Input()) Input()->Flush();
  }

 private:
  mutable std::mutex m_;
  QByteArray data_;
};

// Waits for a condition set by a worker thread.
template <typename Pred>
bool WaitUntil(Pred pred, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
