#include "tools/OggPlayer.h"

#include "platform/MainThread.h"
#include "settings/SharedRoutines.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPainter>
#include <QThread>

#include <cmath>

namespace {
Q_LOGGING_CATEGORY(lcOggPlayer, "trackwell.tools.oggplayer")
}

int32_t SeekJump(int percent, int progress) { return percent - progress; }

int32_t SeekElapsedMs(int32_t totalTime, int percent) { return totalTime * percent * 10; }

QString PlayerClockText(int32_t seconds) {
  return QString("%1:%2").arg(seconds / 60).arg(FormatTwoDigits(seconds % 60));
}

void DrawLevelBars(QImage& image, std::span<const double, TSoundIndicator::kBands> levels) {
  QPainter painter(&image);
  painter.setPen(Qt::black);
  painter.setBrush(Qt::black);
  painter.drawRect(image.rect());
  QPen green(QColor(0x00, 0x80, 0x00));
  green.setWidth(2);
  green.setCapStyle(Qt::FlatCap);
  painter.setPen(green);
  const int bottom = image.height();
  for (int i = 0; i < TSoundIndicator::kBands; ++i) {
    const long height = std::lround(levels[i]);
    if (height <= 0) continue;
    painter.drawLine(QPointF(4 * i + 1, bottom), QPointF(4 * i + 1, bottom - double(height)));
  }
}

TOggPlayer::TOggPlayer(QObject* parent) : QObject(parent) {
  SoundIndicator1.SetInput(&VorbisIn1);
  StereoBalance1.SetInput(&SoundIndicator1);
  StereoBalance1.SetBalance(0.5f);
  AudioOut1.SetInput(&StereoBalance1);
  AudioOut1.SetVolume(255);
  AudioOut1.SetSuspendWhenIdle(true);

  // The worker's events post to this object; a post still pending when the
  // player is destroyed is dropped with it.
  AudioOut1.OnProgress = [this](QObject*) {
    const int progress = AudioOut1.Progress();
    QMetaObject::invokeMethod(
        this,
        [this, progress] {
          view_.SeekPosition = progress;
          emit Changed();
        },
        Qt::QueuedConnection);
  };
  AudioOut1.OnDone = [this](QObject*) {
    QMetaObject::invokeMethod(
        this, [this] { Ended(); }, Qt::QueuedConnection);
  };
  AudioOut1.OnThreadException = [this](QObject*, const std::exception& e) {
    // The sound card refused the file (or the file broke): the player must
    // not stay stuck as if it played.
    qCWarning(lcOggPlayer) << "playback failed:" << ExceptionMessage(e);
    QMetaObject::invokeMethod(
        this, [this] { Ended(); }, Qt::QueuedConnection);
  };
}

TOggPlayer::~TOggPlayer() {
  // The output goes first (its worker pulls through the others).
  CloseWait();
}

void TOggPlayer::Ended() {
  view_.OpenEnabled = true;
  view_.SeekEnabled = false;
  view_.ClockTimerOn = false;
  emit Changed();
}

TOggOpenResult TOggPlayer::OpenAndPlay(const QString& path) {
  ExpectMainThread(Q_FUNC_INFO);
  // The worker reads the file while the output is busy.
  if (AudioOut1.Busy()) return TOggOpenResult::Busy;
  VorbisIn1.SetFileName(path);
  if (!path.toUpper().endsWith(".OGG") || !VorbisIn1.Valid()) return TOggOpenResult::NotValid;
  try {
    view_.OpenEnabled = false;
    const QString name = QFileInfo(path).fileName();
    view_.FileName = name.left(name.size() - 4);
    AudioOut1.Run();
    view_.LevelTimerOn = true;
    view_.ClockTimerOn = true;
    elapsedMs_ = 0;
    view_.SampleRate = QString::number(VorbisIn1.SampleRate()) + " bps";
    totalTime_ = VorbisIn1.TotalTime();
    view_.TotalTime = PlayerClockText(totalTime_);
    view_.SeekEnabled = true;
  } catch (const std::exception& e) {
    qCWarning(lcOggPlayer) << "starting playback:" << e.what();
  }
  emit Changed();
  return TOggOpenResult::Started;
}

void TOggPlayer::PauseResume() {
  ExpectMainThread(Q_FUNC_INFO);
  // Resuming an idle output would start the clock over silence.
  if (!AudioOut1.Busy()) return;
  if (AudioOut1.Status() != osBusy) {
    AudioOut1.Resume();
    view_.ClockTimerOn = true;
  } else {
    AudioOut1.Pause();
    view_.ClockTimerOn = false;
  }
  emit Changed();
}

void TOggPlayer::Stop() {
  ExpectMainThread(Q_FUNC_INFO);
  if (AudioOut1.Status() == osPaused) AudioOut1.Resume();
  AudioOut1.Stop();
  view_.ClockTimerOn = false;
  emit Changed();
}

void TOggPlayer::SeekMoved(int percent) {
  ExpectMainThread(Q_FUNC_INFO);
  if (!view_.SeekEnabled) return;
  VorbisIn1.SetJump(SeekJump(percent, AudioOut1.Progress()));
  elapsedMs_ = SeekElapsedMs(totalTime_, percent);
  view_.SeekPosition = percent;
  emit Changed();
}

void TOggPlayer::BalanceMoved(int position) {
  ExpectMainThread(Q_FUNC_INFO);
  StereoBalance1.SetBalance(static_cast<float>(position) / 10.0f);
}

void TOggPlayer::ClockTick() {
  ExpectMainThread(Q_FUNC_INFO);
  if (elapsedMs_ >= totalTime_ * 1000) return;
  elapsedMs_ += kClockIntervalMs;
  view_.CurrentTime = PlayerClockText(elapsedMs_ / 1000);
  emit Changed();
}

void TOggPlayer::DrawLevels(QImage& image) {
  ExpectMainThread(Q_FUNC_INFO);
  std::array<double, TSoundIndicator::kBands> levels;
  SoundIndicator1.GetLevels(levels);
  DrawLevelBars(image, levels);
}

void TOggPlayer::CloseWait() {
  ExpectMainThread(Q_FUNC_INFO);
  if (AudioOut1.Status() == osPaused) AudioOut1.Resume();
  AudioOut1.Stop();
  // The worker's last events only post, so a plain wait cannot block them.
  while (AudioOut1.Status() != osIdle) QThread::msleep(5);
}
