#include "acs/WaveOutDevice.h"

#include "acs/ACSClasses.h"

#include <QLoggingCategory>

#include <alsa/asoundlib.h>

#include <cerrno>

namespace {

Q_LOGGING_CATEGORY(lcWaveOut, "trackwell.acs.waveout")

// Half a second of ALSA buffer: enough to ride over the worker's pauses
// between steps, short enough that Stop is heard soon.
constexpr unsigned kLatencyMicroseconds = 500000;

QStringList ListDevices() {
  QStringList names;
  void** hints = nullptr;
  if (const int err = snd_device_name_hint(-1, "pcm", &hints); err < 0) {
    qCWarning(lcWaveOut) << "cannot list the playback devices:" << snd_strerror(err);
    return names;
  }
  for (void** hint = hints; *hint; ++hint) {
    char* name = snd_device_name_get_hint(*hint, "NAME");
    char* ioid = snd_device_name_get_hint(*hint, "IOID");
    // No IOID means the device does both directions.
    const bool output = !ioid || QByteArray(ioid) == "Output";
    if (name && output) names << QString::fromUtf8(name);
    free(name);
    free(ioid);
  }
  snd_device_name_free_hint(hints);
  if (const qsizetype at = names.indexOf("default"); at > 0) names.move(at, 0);
  return names;
}

}  // namespace

const QStringList& WaveOutDeviceNames() {
  static const QStringList names = ListDevices();
  return names;
}

int WaveOutGetNumDevs() { return static_cast<int>(WaveOutDeviceNames().size()); }

TWaveOutDevice::TWaveOutDevice(DoneCallback done) : done_(std::move(done)) {}

TWaveOutDevice::~TWaveOutDevice() { Close(); }

void TWaveOutDevice::Open(const QString& name, int bitsPerSample, int channels, int sampleRate) {
  Close();
  snd_pcm_format_t format;
  if (bitsPerSample == 16)
    format = SND_PCM_FORMAT_S16_LE;
  else if (bitsPerSample == 8)
    format = SND_PCM_FORMAT_U8;
  else
    throw EACSException(QString("The sound card cannot play %1-bit samples").arg(bitsPerSample));
  if (channels < 1 || channels > 2 || sampleRate <= 0)
    throw EACSException(
        QString("The sound card cannot play %1 channels at %2 Hz").arg(channels).arg(sampleRate));

  snd_pcm_t* pcm = nullptr;
  int err = snd_pcm_open(&pcm, name.toUtf8().constData(), SND_PCM_STREAM_PLAYBACK, 0);
  if (err >= 0) {
    err = snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED,
                             static_cast<unsigned>(channels), static_cast<unsigned>(sampleRate), 1,
                             kLatencyMicroseconds);
    if (err < 0) snd_pcm_close(pcm);
  }
  if (err < 0)
    throw EACSException(QString("Cannot open the sound card \"%1\": %2")
                            .arg(name, QString::fromUtf8(snd_strerror(err))));
  pcm_ = pcm;
  name_ = name;
  frameBytes_ = bitsPerSample / 8 * channels;
  closing_ = false;
  failed_ = false;
  thread_ = std::thread([this] { Execute(); });
}

void TWaveOutDevice::Write(std::unique_ptr<TWaveBuffer> buffer) {
  std::lock_guard guard(queueLock_);
  queue_.push_back(std::move(buffer));
  queueCv_.notify_one();
}

void TWaveOutDevice::Close() {
  if (!pcm_) return;
  {
    std::lock_guard guard(queueLock_);
    closing_ = true;
    queueCv_.notify_one();
  }
  thread_.join();  // the device thread plays the rest of the queue first
  if (snd_pcm_state(pcm_) == SND_PCM_STATE_RUNNING) {
    if (const int err = snd_pcm_drain(pcm_); err < 0)
      qCWarning(lcWaveOut) << "draining" << name_ << "failed:" << snd_strerror(err);
  }
  snd_pcm_close(pcm_);
  pcm_ = nullptr;
}

void TWaveOutDevice::Execute() {
  for (;;) {
    std::unique_ptr<TWaveBuffer> buffer;
    {
      std::unique_lock lock(queueLock_);
      queueCv_.wait(lock, [this] { return !queue_.empty() || closing_; });
      if (queue_.empty()) return;
      buffer = std::move(queue_.front());
      queue_.pop_front();
    }
    Play(*buffer);
    done_(std::move(buffer));
  }
}

void TWaveOutDevice::Play(const TWaveBuffer& buffer) {
  const uint8_t* data = buffer.Data.data();
  snd_pcm_uframes_t left = buffer.Data.size() / static_cast<size_t>(frameBytes_);
  while (left > 0) {
    snd_pcm_sframes_t n = snd_pcm_writei(pcm_, data, left);
    if (n == -EAGAIN) continue;
    // An underrun (the worker was paused, or slow) or a suspend: restart the
    // stream and go on with the same data.
    if (n < 0) n = snd_pcm_recover(pcm_, static_cast<int>(n), 1);
    if (n < 0) {
      // The buffer is given up, but still handed back, so nobody waits for it.
      if (!failed_)
        qCWarning(lcWaveOut) << "writing to" << name_ << "failed:" << snd_strerror(int(n));
      failed_ = true;
      return;
    }
    data += static_cast<size_t>(n) * static_cast<size_t>(frameBytes_);
    left -= static_cast<snd_pcm_uframes_t>(n);
  }
}
