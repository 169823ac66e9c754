#include "app/CdPlayer.h"

#include "platform/CdDrives.h"
#include "platform/MainThread.h"

#include <QLoggingCategory>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <string>

namespace {
Q_LOGGING_CATEGORY(lcCdPlayer, "trackwell.app.cdplayer")
}

TCdPlayer::TCdPlayer(QObject* parent)
    : QObject(parent), input_(std::make_unique<TCDIn>()), output_(std::make_unique<TAudioOut>()) {
  output_->SetInput(input_.get());
  // Both run on the worker (or, for a sound card that will not open, inside
  // Run); the notice itself is handed to the main thread.
  output_->OnDone = [this](QObject*) { PostNotice(jobGeneration_.load(), TCdNotify::Successful); };
  output_->OnThreadException = [this](QObject*, const std::exception& e) {
    qCWarning(lcCdPlayer) << "CD playback failed:" << e.what();
    PostNotice(jobGeneration_.load(), TCdNotify::Failure);
  };
}

TCdPlayer::~TCdPlayer() {
  pendingGeneration_ = 0;
  StopOutput();
}

void TCdPlayer::Open(int32_t cdHandle) {
  ExpectMainThread(Q_FUNC_INFO);
  Close();
  TCdLayout layout;
  if (cdHandle == 0 || !CdReadLayout(cdHandle, &layout) || layout.Tracks.empty())
    throw ECdPlayerError("There is no readable disc in the drive");
  layout_ = std::move(layout);
  handle_ = cdHandle;
}

void TCdPlayer::RequireOpen() const {
  if (!IsOpen()) throw ECdPlayerError("The CD player is not open");
}

int TCdPlayer::TrackCount() const {
  RequireOpen();
  return static_cast<int>(layout_.Tracks.size());
}

int32_t TCdPlayer::TrackPosition(int track) const {
  RequireOpen();
  if (track < 1 || track > TrackCount())
    throw ECdPlayerError("Track " + std::to_string(track) + " is not on the disc");
  return static_cast<int32_t>(layout_.Tracks[track - 1].StartLsn - layout_.Tracks[0].StartLsn);
}

int32_t TCdPlayer::DiscEnd() const {
  RequireOpen();
  return static_cast<int32_t>(layout_.LeadOutLsn - layout_.Tracks[0].StartLsn);
}

void TCdPlayer::Play(int32_t from, int32_t to) {
  ExpectMainThread(Q_FUNC_INFO);
  RequireOpen();
  const int32_t discEnd = DiscEnd();
  if (to < 0 || to > discEnd) to = discEnd;
  if (from < 0 || from >= discEnd || to < from)
    throw ECdPlayerError("The range " + std::to_string(from) + " to " + std::to_string(to) +
                         " is not on the disc");
  // Data sectors through a sound card are full-scale noise: the range stops
  // at the first data track it would reach.
  for (int track = TrackCount(); track >= 1; --track) {
    const int32_t start = TrackPosition(track);
    if (layout_.Tracks[track - 1].IsAudio) {
      if (start <= from) break;
      continue;
    }
    if (start <= from)
      throw ECdPlayerError("Track " + std::to_string(track) + " is not an audio track");
    to = std::min(to, start);
  }

  EndPendingPlay(TCdNotify::Superseded);
  StopOutput();
  input_->SetCDHandle(handle_);
  input_->SetRange(from, to);
  pendingGeneration_ = ++lastGeneration_;
  jobGeneration_ = pendingGeneration_;
  output_->Run();
}

void TCdPlayer::Pause() {
  ExpectMainThread(Q_FUNC_INFO);
  RequireOpen();
  if (output_->Status() == osBusy) output_->Pause();
}

void TCdPlayer::Resume() {
  ExpectMainThread(Q_FUNC_INFO);
  RequireOpen();
  if (output_->Status() == osPaused) output_->Resume();
}

void TCdPlayer::Stop() {
  ExpectMainThread(Q_FUNC_INFO);
  RequireOpen();
  EndPendingPlay(TCdNotify::Aborted);
  StopOutput();
}

void TCdPlayer::Close() {
  ExpectMainThread(Q_FUNC_INFO);
  if (!IsOpen()) return;
  EndPendingPlay(TCdNotify::Aborted);
  StopOutput();
  handle_ = 0;
  layout_ = TCdLayout{};
}

bool TCdPlayer::Busy() const { return output_->Status() != osIdle; }

bool TCdPlayer::IsPaused() const { return output_->Status() == osPaused; }

int32_t TCdPlayer::Position() const { return input_->CurrentSector(); }

bool TCdPlayer::DoorOpen(int32_t cdHandle) { return CdOpenTray(cdHandle); }

bool TCdPlayer::DoorClosed(int32_t cdHandle) { return CdCloseTray(cdHandle); }

void TCdPlayer::SetOutputChannel(int32_t channel) { output_->SetBaseChannel(channel); }

void TCdPlayer::StopOutput() {
  if (output_->Status() == osIdle) return;
  // A parked worker never sees the request: ask first, then wake it, so it
  // reads nothing more before ending.
  output_->Stop();
  output_->Resume();
  // Done lets the queued buffers play out, under half a second of audio.
  while (output_->Status() != osIdle) QThread::msleep(1);
}

void TCdPlayer::EndPendingPlay(TCdNotify notice) {
  if (pendingGeneration_ == 0) return;
  pendingGeneration_ = 0;
  QMetaObject::invokeMethod(
      this, [this, notice] { Deliver(notice); }, Qt::QueuedConnection);
}

void TCdPlayer::PostNotice(uint64_t generation, TCdNotify notice) {
  QMetaObject::invokeMethod(
      this,
      [this, generation, notice] {
        if (generation == 0 || generation != pendingGeneration_) return;
        pendingGeneration_ = 0;
        Deliver(notice);
      },
      Qt::QueuedConnection);
}

void TCdPlayer::Deliver(TCdNotify notice) {
  if (OnNotify) OnNotify(notice);
}
