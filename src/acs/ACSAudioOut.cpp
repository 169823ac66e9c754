#include "acs/ACSAudioOut.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
Q_LOGGING_CATEGORY(lcAudioOut, "trackwell.acs.audioout")
}

TAudioOut::TAudioOut(QObject* owner) : TACSOutput(owner) {
  device_ = std::make_unique<TWaveOutDevice>(
      [this](std::unique_ptr<TWaveBuffer> buffer) { BufferDone(std::move(buffer)); });
  // Paces the steps; nine queued buffers last far longer than this.
  SetDelay(6);
}

TAudioOut::~TAudioOut() {
  // Finishes a running job (Done plays out and closes the device) before
  // this part of the object goes.
  EndWorker();
  device_->Close();
}

void TAudioOut::SetBaseChannel(int32_t channel) {
  if (Busy()) throw EACSException("Component is buisy");
  const int count = WaveOutGetNumDevs();
  if (count == 0) {
    FBaseChannel = 0;
    return;
  }
  // A negative number would index outside the list as surely as a large one.
  if (channel < 0 || channel >= count)
    throw EACSException("Channel " + QString::number(channel) + " is not available");
  FBaseChannel = channel;
}

int32_t TAudioOut::QueuedCount() const {
  std::lock_guard guard(listLock_);
  return queued_;
}

int32_t TAudioOut::PeakQueued() const {
  std::lock_guard guard(listLock_);
  return peakQueued_;
}

int32_t TAudioOut::BuffersWritten() const {
  std::lock_guard guard(listLock_);
  return written_;
}

void TAudioOut::Prepare() {
  TACSInput* input = Input();
  input->Init();
  try {
    bitsPerSample_ = input->BitsPerSample();
    const int channels = input->Channels();
    frameBytes_ = std::max(1, bitsPerSample_ / 8 * channels);
    {
      std::lock_guard guard(listLock_);
      queued_ = 0;
      peakQueued_ = 0;
      written_ = 0;
      finished_.clear();
    }
    carry_.clear();
    const QStringList& names = WaveOutDeviceNames();
    const QString name = names.value(FBaseChannel, QStringLiteral("default"));
    device_->Open(name, bitsPerSample_, channels, input->SampleRate());
  } catch (...) {
    // Run reports the failure without calling Done, so the input is ended
    // here and a later Run can start afresh.
    try {
      input->Flush();
    } catch (const std::exception& e) {
      qCWarning(lcAudioOut) << "flushing the input after a failed open:" << e.what();
    }
    throw;
  }
}

void TAudioOut::BufferDone(std::unique_ptr<TWaveBuffer> buffer) {
  std::lock_guard guard(listLock_);
  finished_.push_back(std::move(buffer));
  --queued_;
  if (queued_ == 0) drained_.notify_all();
}

void TAudioOut::ReleaseFinished() {
  std::vector<std::unique_ptr<TWaveBuffer>> done;
  {
    std::lock_guard guard(listLock_);
    done.swap(finished_);
  }
}

void TAudioOut::ApplyVolume(std::vector<uint8_t>& data, uint8_t volume) const {
  const double gain = volume / 255.0;
  if (bitsPerSample_ == 16) {
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
      int16_t s;
      std::memcpy(&s, data.data() + i, 2);
      s = static_cast<int16_t>(std::lround(s * gain));
      std::memcpy(data.data() + i, &s, 2);
    }
  } else {
    // 8-bit samples are unsigned around 128: scaling the stored byte would
    // shift silence toward the bottom of the range (a click, not a fade).
    for (uint8_t& b : data) b = static_cast<uint8_t>(128 + std::lround((b - 128) * gain));
  }
}

bool TAudioOut::DoOutput(bool abort) {
  if (!Busy()) return true;
  if (abort || !CanOutput) return false;
  ReleaseFinished();
  for (int queuedNow = 0; queuedNow <= kBuffersAhead && QueuedCount() <= kBuffersAhead;) {
    auto buffer = std::make_unique<TWaveBuffer>();
    buffer->Data.resize(kBufferSize);
    const size_t carried = carry_.size();
    std::copy(carry_.begin(), carry_.end(), buffer->Data.begin());
    const int32_t got =
        ReadInput(buffer->Data.data() + carried, kBufferSize - static_cast<int32_t>(carried));
    if (got < 1) return false;  // the end of the input; Done follows
    // Only whole frames go to the device; the rest of a frame waits for
    // its bytes so the channels never slip.
    const size_t total = carried + static_cast<size_t>(got);
    const size_t whole = total - total % static_cast<size_t>(frameBytes_);
    carry_.assign(buffer->Data.begin() + static_cast<std::ptrdiff_t>(whole),
                  buffer->Data.begin() + static_cast<std::ptrdiff_t>(total));
    if (whole == 0) continue;
    buffer->Data.resize(whole);
    if (const uint8_t volume = FVolume.load(); volume != 255) ApplyVolume(buffer->Data, volume);
    {
      std::lock_guard guard(listLock_);
      ++queued_;
      ++written_;
      peakQueued_ = std::max(peakQueued_, queued_);
    }
    device_->Write(std::move(buffer));
    ++queuedNow;
  }
  TACSInput* input = Input();
  if (OnProgress && input && input->Size() > 0) ReportProgress();
  return true;
}

void TAudioOut::Done() {
  if (device_->IsOpen()) {
    {
      std::unique_lock lock(listLock_);
      drained_.wait(lock, [this] { return queued_ <= 0; });
    }
    ReleaseFinished();
    device_->Close();
  }
  if (!carry_.empty())
    qCWarning(lcAudioOut) << "dropped" << carry_.size() << "bytes of an incomplete last frame";
  carry_.clear();
  if (TACSInput* input = Input()) input->Flush();
}
