#pragma once

// The sound card's waveform output, over ALSA. One TWaveOutDevice is one
// open playback device: buffers written to it are played in order by its
// own device thread, which hands each buffer back through the done callback
// once ALSA has taken all of it.
//
// Threads: Open, Write and Close come from one caller thread at a time (the
// sink's owner opens, its worker writes and closes); the done callback runs
// on the device thread.

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct _snd_pcm;

// One block of interleaved PCM, whole frames only.
struct TWaveBuffer {
  std::vector<uint8_t> Data;
};

// The playback devices ALSA lists, "default" first. Taken once, on first
// use, and not refreshed (devices added later are not seen). Any thread.
const QStringList& WaveOutDeviceNames();
int WaveOutGetNumDevs();

class TWaveOutDevice {
 public:
  using DoneCallback = std::function<void(std::unique_ptr<TWaveBuffer>)>;

  explicit TWaveOutDevice(DoneCallback done);
  ~TWaveOutDevice();
  TWaveOutDevice(const TWaveOutDevice&) = delete;
  TWaveOutDevice& operator=(const TWaveOutDevice&) = delete;

  // Opens the named device for interleaved PCM of 8 (unsigned) or 16
  // (signed, little-endian) bits. Raises EACSException naming the device
  // and ALSA's reason when it cannot be opened with that format.
  void Open(const QString& name, int bitsPerSample, int channels, int sampleRate);
  bool IsOpen() const { return pcm_ != nullptr; }
  // Queues a buffer; the callback gets it back once played.
  void Write(std::unique_ptr<TWaveBuffer> buffer);
  // Plays out what is queued, lets ALSA drain it, and closes. Idempotent.
  void Close();

 private:
  void Execute();
  void Play(const TWaveBuffer& buffer);

  DoneCallback done_;
  _snd_pcm* pcm_ = nullptr;
  QString name_;
  int frameBytes_ = 0;
  std::mutex queueLock_;
  std::condition_variable queueCv_;
  std::deque<std::unique_ptr<TWaveBuffer>> queue_;
  bool closing_ = false;
  bool failed_ = false;  // a write error was logged; later ones are quiet
  std::thread thread_;
};
