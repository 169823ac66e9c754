#pragma once

// A memory source and a memory sink for driving the converters the way a
// sink's worker does, with control over how the source splits its data.

#include "acs/ACSClasses.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

class TMemoryInput : public TACSInput {
 public:
  TMemoryInput(int bits, int channels, int rate, QByteArray data, QObject* owner = nullptr)
      : TACSInput(owner), bits_(bits), channels_(channels), rate_(rate), data_(std::move(data)) {}

  int GetBitsPerSample() override { return bits_; }
  int GetChannels() override { return channels_; }
  int GetSampleRate() override { return rate_; }
  void Init() override {
    ++inits;
    requests.clear();
    FBusy = true;
    FPosition = 0;
    FSize = openEnded ? -1 : static_cast<int32_t>(data_.size());
  }
  void Flush() override {
    ++flushes;
    FBusy = false;
  }
  int32_t GetData(uint8_t* buffer, int32_t bufferSize) override {
    if (!FBusy) throw EACSException("The Stream is not opened");
    requests.push_back(bufferSize);
    const int32_t pos = FPosition.load();
    int32_t n = std::min<int32_t>(bufferSize, static_cast<int32_t>(data_.size()) - pos);
    if (chunk) n = std::min(n, chunk(static_cast<int>(requests.size())));
    if (n <= 0) return 0;
    std::memcpy(buffer, data_.constData() + pos, static_cast<size_t>(n));
    FPosition = pos + n;
    return n;
  }

  // Most bytes handed out by the n-th call (1-based); none = as asked.
  std::function<int32_t(int)> chunk;
  bool openEnded = false;
  std::vector<int32_t> requests;
  int inits = 0;
  int flushes = 0;

 private:
  int bits_, channels_, rate_;
  QByteArray data_;
};

// Collects everything it pulls.
class TMemoryOutput : public TACSOutput {
 public:
  using TACSOutput::TACSOutput;
  ~TMemoryOutput() override { EndWorker(); }

  QByteArray data;
  int bits = 0, channels = 0, rate = 0;

  // Waits (bounded, generously) for the job to end.
  bool WaitIdle(int timeoutMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (Status() != osIdle) {
      if (timer.elapsed() > timeoutMs) return false;
      QThread::msleep(2);
    }
    return true;
  }

 protected:
  void Prepare() override {
    Input()->Init();
    bits = Input()->BitsPerSample();
    channels = Input()->Channels();
    rate = Input()->SampleRate();
    data.clear();
  }
  bool DoOutput(bool abort) override {
    if (!CanOutput) return true;
    ReportProgress();
    if (abort) return false;
    uint8_t buffer[65536];
    const int32_t n = ReadInput(buffer, sizeof buffer);
    if (n <= 0) return false;
    data.append(reinterpret_cast<const char*>(buffer), n);
    return true;
  }
  void Done() override {
    if (Input()) Input()->Flush();
  }
};

inline QByteArray Samples16(const std::vector<int16_t>& s) {
  return QByteArray(reinterpret_cast<const char*>(s.data()), static_cast<qsizetype>(s.size() * 2));
}

inline std::vector<int16_t> ToSamples16(const QByteArray& b) {
  std::vector<int16_t> s(static_cast<size_t>(b.size()) / 2);
  std::memcpy(s.data(), b.constData(), s.size() * 2);
  return s;
}

inline std::vector<int16_t> SineWave(size_t frames, int channels, double hz, int rate,
                                     double amplitude) {
  std::vector<int16_t> v(frames * channels);
  for (size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      v[i * channels + c] = static_cast<int16_t>(
          std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / rate)));
  return v;
}

// Pulls an input to its end with requests of `request` bytes.
inline QByteArray Drain(TACSInput& input, int32_t request = 4096) {
  QByteArray out;
  std::vector<uint8_t> buffer(static_cast<size_t>(request));
  for (;;) {
    const int32_t n = input.GetData(buffer.data(), request);
    if (n <= 0) break;
    out.append(reinterpret_cast<const char*>(buffer.data()), n);
  }
  return out;
}
