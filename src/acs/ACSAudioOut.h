#pragma once

// Sound-card output: a sink that plays the PCM of its Input on a playback
// device (WaveOutDevice.h, over ALSA).
//
// Three threads meet here: the owner (Run, Stop, Pause, BaseChannel,
// Volume), the worker (DoOutput, Done: reads the input and queues buffers)
// and the device thread (hands played buffers back). The queued count and
// the finished list are shared by the worker and the device thread under
// listLock_.

#include "acs/ACSClasses.h"
#include "acs/WaveOutDevice.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class TAudioOut : public TACSOutput {
 public:
  // Bytes of PCM per queued buffer, and how many buffers beyond the one
  // playing are kept queued (so at most nine are on the device).
  static constexpr int32_t kBufferSize = 8192;
  static constexpr int32_t kBuffersAhead = 8;

  explicit TAudioOut(QObject* owner = nullptr);
  ~TAudioOut() override;

  // The device number: an index into WaveOutDeviceNames(). Raises "Component
  // is buisy" while busy and "Channel n is not available" for a number
  // outside the list; with no devices listed it becomes 0 (ALSA's
  // "default"). Owning thread.
  int32_t BaseChannel() const { return FBaseChannel; }
  void SetBaseChannel(int32_t channel);
  // 255 plays samples as they are; lower values scale them by Volume / 255.
  // Any thread; applies from the next buffer.
  uint8_t Volume() const { return FVolume.load(); }
  void SetVolume(uint8_t volume) { FVolume = volume; }

  // Buffers on the device now, and the most there were at once and in all
  // during the current (or last) job. Any thread.
  int32_t QueuedCount() const;
  int32_t PeakQueued() const;
  int32_t BuffersWritten() const;

 protected:
  // Opens the device with the input's format; a device that cannot be
  // opened leaves the input flushed and raises.
  void Prepare() override;
  // Releases played buffers, then tops the device up to nine buffers (at
  // most nine new ones per step, so Stop is seen even on a device that
  // takes data faster than it is read).
  bool DoOutput(bool abort) override;
  // Waits until every queued buffer has played, closes the device and
  // flushes the input.
  void Done() override;

 private:
  void BufferDone(std::unique_ptr<TWaveBuffer> buffer);
  void ReleaseFinished();
  void ApplyVolume(std::vector<uint8_t>& data, uint8_t volume) const;

  int32_t FBaseChannel = 0;
  std::atomic<uint8_t> FVolume{255};
  int bitsPerSample_ = 16;
  int frameBytes_ = 4;
  // Bytes of a frame that has not fully arrived; they lead the next buffer.
  std::vector<uint8_t> carry_;

  mutable std::mutex listLock_;
  std::condition_variable drained_;
  int32_t queued_ = 0;
  int32_t peakQueued_ = 0;
  int32_t written_ = 0;
  std::vector<std::unique_ptr<TWaveBuffer>> finished_;
  std::unique_ptr<TWaveOutDevice> device_;
};
