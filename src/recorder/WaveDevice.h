#pragma once

// The recorder's wave-audio device: one PCM WAV file held in memory, that
// can be recorded into from ALSA's capture device (from a position,
// overwriting what follows), played on ALSA's playback device, sought, and
// saved back to its file. Times are milliseconds.
//
// Threads: every public call comes from the owner's thread. Recording and
// playback run on the device's own worker, which is the only other thread
// that touches the samples (under lock_).

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

struct _snd_pcm;

enum class TWaveMode { NotOpen, Stopped, Playing, Paused, Recording };

// A device operation that failed; the text names the file or ALSA's reason.
class EWaveDeviceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TWaveDevice {
 public:
  // ALSA device names; "default" for both unless told otherwise.
  explicit TWaveDevice(QString captureName = "default", QString playbackName = "default");
  ~TWaveDevice();
  TWaveDevice(const TWaveDevice&) = delete;
  TWaveDevice& operator=(const TWaveDevice&) = delete;

  // Reads a PCM WAV file (8 or 16 bits, mono or stereo) whole; a file that
  // is not one raises and leaves the device closed.
  void Open(const QString& path);
  // Stops what runs and forgets the samples (unsaved audio is dropped).
  void Close();
  bool IsOpen() const { return Mode() != TWaveMode::NotOpen; }
  const QString& FileName() const { return path_; }

  int64_t Length() const;
  int64_t Position() const;
  TWaveMode Mode() const { return mode_.load(); }
  int SampleRate() const { return rate_; }
  int Channels() const { return channels_; }
  int BitsPerSample() const { return bits_; }

  // Moves the position, clamped to 0..Length; stops what runs first.
  void Seek(int64_t ms);
  // Records from `ms` (clamped), overwriting the samples there and growing
  // the file past its end. Stop keeps everything captured until then.
  void Record(int64_t ms);
  // Plays from `ms` to the end; the mode returns to Stopped by itself.
  void Play(int64_t ms);
  // Halts playback where it is (Play resumes from a position).
  void Pause();
  // Ends recording or playback; the position stays where it got.
  void Stop();
  // Writes the file: header and every sample, replacing the old file only
  // once the new one is complete.
  void Save();

  // The samples as they are now (tests, and the recorder's save).
  std::vector<uint8_t> Samples() const;

 private:
  int FrameBytes() const { return channels_ * bits_ / 8; }
  int64_t MsToByte(int64_t ms) const;
  _snd_pcm* OpenPcm(const QString& name, bool capture);
  void Join();
  void CaptureLoop(_snd_pcm* pcm);
  void PlaybackLoop(_snd_pcm* pcm);

  QString captureName_;
  QString playbackName_;
  QString path_;
  int rate_ = 0;
  int channels_ = 0;
  int bits_ = 0;
  mutable std::mutex lock_;
  std::vector<uint8_t> data_;
  int64_t position_ = 0;  // bytes, under lock_
  std::atomic<TWaveMode> mode_{TWaveMode::NotOpen};
  std::atomic<bool> stopRequested_{false};
  std::thread worker_;
};
