#include "recorder/WaveDevice.h"

#include "acs/WaveHeader.h"
#include "platform/UserFile.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSaveFile>

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {
Q_LOGGING_CATEGORY(lcWaveDevice, "trackwell.recorder.wavedevice")

// Larger files are not taken into memory.
constexpr int64_t kMaxDataBytes = int64_t(1) << 31;
// Frames moved per ALSA call: 20 ms.
constexpr int kChunksPerSecond = 50;

QString AlsaReason(int err) { return QString::fromUtf8(snd_strerror(err)); }
}  // namespace

TWaveDevice::TWaveDevice(QString captureName, QString playbackName)
    : captureName_(std::move(captureName)), playbackName_(std::move(playbackName)) {}

TWaveDevice::~TWaveDevice() { Close(); }

void TWaveDevice::Open(const QString& path) {
  Close();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw EWaveDeviceError("Cannot open " + path.toStdString());
  const TWaveHeader h = ParseWaveHeader(file);
  if (h.Type != wtPCM || (h.BitsPerSample != 8 && h.BitsPerSample != 16) ||
      (h.Channels != 1 && h.Channels != 2) || h.SampleRate == 0)
    throw EWaveDeviceError(path.toStdString() + " is not an 8- or 16-bit PCM WAV file");
  const int frame = h.Channels * h.BitsPerSample / 8;
  // A data size past the file's end (a recording cut short) counts as far
  // as the file goes, in whole frames.
  int64_t bytes = std::min<int64_t>(h.DataSize, file.size() - h.DataOffset);
  if (bytes > kMaxDataBytes) throw EWaveDeviceError(path.toStdString() + " is too large");
  bytes -= std::max<int64_t>(bytes, 0) % frame;
  std::vector<uint8_t> data(size_t(std::max<int64_t>(bytes, 0)));
  if (!data.empty() &&
      file.read(reinterpret_cast<char*>(data.data()), qint64(data.size())) != qint64(data.size()))
    throw EWaveDeviceError("Cannot read " + path.toStdString());
  std::lock_guard guard(lock_);
  data_ = std::move(data);
  position_ = 0;
  path_ = path;
  rate_ = int(h.SampleRate);
  channels_ = h.Channels;
  bits_ = h.BitsPerSample;
  mode_ = TWaveMode::Stopped;
}

void TWaveDevice::Close() {
  Join();
  std::lock_guard guard(lock_);
  data_.clear();
  position_ = 0;
  path_.clear();
  mode_ = TWaveMode::NotOpen;
}

int64_t TWaveDevice::Length() const {
  std::lock_guard guard(lock_);
  if (rate_ == 0) return 0;
  return int64_t(data_.size()) / FrameBytes() * 1000 / rate_;
}

int64_t TWaveDevice::Position() const {
  std::lock_guard guard(lock_);
  if (rate_ == 0) return 0;
  return position_ / FrameBytes() * 1000 / rate_;
}

int64_t TWaveDevice::MsToByte(int64_t ms) const {
  const int64_t at = std::max<int64_t>(ms, 0) * rate_ / 1000 * FrameBytes();
  return std::min<int64_t>(at, int64_t(data_.size()));
}

void TWaveDevice::Seek(int64_t ms) {
  if (!IsOpen()) return;
  Stop();
  std::lock_guard guard(lock_);
  position_ = MsToByte(ms);
}

void TWaveDevice::Join() {
  if (!worker_.joinable()) return;
  stopRequested_ = true;
  worker_.join();
  stopRequested_ = false;
}

void TWaveDevice::Stop() {
  if (!IsOpen()) return;
  Join();
  mode_ = TWaveMode::Stopped;
}

void TWaveDevice::Pause() {
  if (Mode() != TWaveMode::Playing) return;
  Join();
  mode_ = TWaveMode::Paused;
}

_snd_pcm* TWaveDevice::OpenPcm(const QString& name, bool capture) {
  snd_pcm_t* pcm = nullptr;
  int err = snd_pcm_open(&pcm, name.toUtf8().constData(),
                         capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, 0);
  if (err >= 0) {
    err = snd_pcm_set_params(pcm, bits_ == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE,
                             SND_PCM_ACCESS_RW_INTERLEAVED, unsigned(channels_), unsigned(rate_), 1,
                             200000);
    if (err < 0) snd_pcm_close(pcm);
  }
  if (err < 0)
    throw EWaveDeviceError(QString("Cannot open %1 for %2: %3")
                               .arg(name, capture ? "recording" : "playback", AlsaReason(err))
                               .toStdString());
  return pcm;
}

void TWaveDevice::Record(int64_t ms) {
  if (!IsOpen()) throw EWaveDeviceError("The device is not open");
  Stop();
  snd_pcm_t* pcm = OpenPcm(captureName_, true);
  {
    std::lock_guard guard(lock_);
    position_ = MsToByte(ms);
  }
  mode_ = TWaveMode::Recording;
  worker_ = std::thread([this, pcm] { CaptureLoop(pcm); });
}

void TWaveDevice::CaptureLoop(_snd_pcm* pcm) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const int frame = FrameBytes();
  const int64_t chunk = std::max(1, rate_ / kChunksPerSecond);
  std::vector<uint8_t> buffer(size_t(chunk * frame));
  int64_t got = 0;
  int64_t stopDue = -1;
  auto due = [&] {
    const auto us =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    return int64_t(us) * rate_ / 1000000;
  };
  for (;;) {
    // Never ahead of the clock: a source that delivers faster than real
    // time (a file) records as long as the user lets it. At Stop, what was
    // due until then is still read, so nothing said before it is lost.
    if (stopDue < 0 && stopRequested_) {
      stopDue = due();
      snd_pcm_nonblock(pcm, 1);
    }
    const int64_t target = stopDue >= 0 ? stopDue : due();
    const int64_t want = std::min(chunk, target - got);
    if (want <= 0) {
      if (stopDue >= 0) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    snd_pcm_sframes_t n = snd_pcm_readi(pcm, buffer.data(), snd_pcm_uframes_t(want));
    if (n == -EAGAIN) {
      if (stopDue >= 0) break;
      continue;
    }
    if (n < 0) {
      const int err = snd_pcm_recover(pcm, int(n), 1);
      if (err < 0) {
        qCWarning(lcWaveDevice) << "recording ended by ALSA:" << AlsaReason(err);
        break;
      }
      continue;
    }
    const size_t bytes = size_t(n) * size_t(frame);
    std::lock_guard guard(lock_);
    if (position_ + int64_t(bytes) > kMaxDataBytes) {
      qCWarning(lcWaveDevice) << "recording ended at the largest file size";
      break;
    }
    if (size_t(position_) + bytes > data_.size()) data_.resize(size_t(position_) + bytes);
    std::memcpy(data_.data() + position_, buffer.data(), bytes);
    position_ += int64_t(bytes);
    got += n;
  }
  snd_pcm_close(pcm);
}

void TWaveDevice::Play(int64_t ms) {
  if (!IsOpen()) throw EWaveDeviceError("The device is not open");
  Stop();
  snd_pcm_t* pcm = OpenPcm(playbackName_, false);
  {
    std::lock_guard guard(lock_);
    position_ = MsToByte(ms);
  }
  mode_ = TWaveMode::Playing;
  worker_ = std::thread([this, pcm] { PlaybackLoop(pcm); });
}

void TWaveDevice::PlaybackLoop(_snd_pcm* pcm) {
  const int frame = FrameBytes();
  const size_t chunk = size_t(std::max(1, rate_ / kChunksPerSecond)) * size_t(frame);
  std::vector<uint8_t> buffer;
  bool ended = false;
  while (!stopRequested_) {
    {
      std::lock_guard guard(lock_);
      const size_t left = data_.size() - size_t(position_);
      buffer.assign(data_.begin() + position_, data_.begin() + position_ + std::min(left, chunk));
    }
    if (buffer.empty()) {
      ended = true;
      break;
    }
    const snd_pcm_uframes_t frames = buffer.size() / size_t(frame);
    snd_pcm_sframes_t n = snd_pcm_writei(pcm, buffer.data(), frames);
    if (n < 0) {
      const int err = snd_pcm_recover(pcm, int(n), 1);
      if (err < 0) {
        qCWarning(lcWaveDevice) << "playback ended by ALSA:" << AlsaReason(err);
        ended = true;
        break;
      }
      continue;
    }
    std::lock_guard guard(lock_);
    position_ += int64_t(n) * frame;
  }
  if (ended)
    snd_pcm_drain(pcm);
  else
    snd_pcm_drop(pcm);
  snd_pcm_close(pcm);
  if (ended) mode_ = TWaveMode::Stopped;
}

std::vector<uint8_t> TWaveDevice::Samples() const {
  std::lock_guard guard(lock_);
  return data_;
}

void TWaveDevice::Save() {
  if (!IsOpen()) throw EWaveDeviceError("The device is not open");
  const std::vector<uint8_t> data = Samples();
  QSaveFile file(path_);
  const QByteArray header = PcmWaveHeader(channels_, rate_, bits_, uint32_t(data.size()));
  if (!file.open(QIODevice::WriteOnly) || file.write(header) != header.size() ||
      file.write(reinterpret_cast<const char*>(data.data()), qint64(data.size())) !=
          qint64(data.size()) ||
      !CommitWhole(file))
    throw EWaveDeviceError("Cannot write " + path_.toStdString() + ": " +
                           file.errorString().toStdString());
}
