#pragma once

// The Ogg player's logic, apart from its window (OggPlayerForm.h): the
// chain TVorbisIn -> TSoundIndicator -> TStereoBalance -> TAudioOut and the
// state every control shows. The window forwards clicks and timer ticks
// here and redraws from View() on Changed.
//
// Main thread only, except the output's events: those run on its worker
// and only post their changes back to this object's thread, so nothing the
// main thread does (the wait on close included) can hold them up.

#include "acs/ACSAudioOut.h"
#include "acs/ACSConverters.h"
#include "acs/ACSIndicator.h"
#include "acs/ACSVorbis.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <span>

// What the controls show.
struct TOggPlayerView {
  QString FileName = QStringLiteral("OGG");
  QString SampleRate = QStringLiteral("bps");
  QString CurrentTime = QStringLiteral("0:00");
  QString TotalTime = QStringLiteral("0:00");
  bool OpenEnabled = true;
  bool SeekEnabled = false;
  int SeekPosition = 0;  // 0..100
  bool LevelTimerOn = false;
  bool ClockTimerOn = false;
};

// Busy: a file still plays (the open button is disabled then).
enum class TOggOpenResult { Started, NotValid, Busy };

class TOggPlayer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kLevelIntervalMs = 50;
  static constexpr int kClockIntervalMs = 500;

  explicit TOggPlayer(QObject* parent = nullptr);
  ~TOggPlayer() override;

  const TOggPlayerView& View() const { return view_; }
  int32_t ElapsedMs() const { return elapsedMs_; }

  // Plays the file when its name ends in ".ogg" (any case) and the reader
  // takes it; NotValid leaves everything as it was. Errors while starting
  // are logged and leave the window as far as it got.
  TOggOpenResult OpenAndPlay(const QString& path);
  // Paused: resume and restart the clock; playing: pause and stop it.
  // Nothing while no file plays.
  void PauseResume();
  // Ends playback (resuming a paused output first, or it would never see
  // the request); the done event follows.
  void Stop();
  // The user moved the seek bar to p percent.
  void SeekMoved(int percent);
  // The balance slider, 0..10.
  void BalanceMoved(int position);
  // The 500 ms clock.
  void ClockTick();
  // The 50 ms level display: the image black, one green bar per band.
  void DrawLevels(QImage& image);
  // Window closing: stops playback and waits until the output is idle.
  void CloseWait();

  TVorbisIn VorbisIn1;
  TSoundIndicator SoundIndicator1;
  TStereoBalance StereoBalance1;
  TAudioOut AudioOut1;

 signals:
  void Changed();

 private:
  void Ended();

  TOggPlayerView view_;
  int32_t elapsedMs_ = 0;
  int32_t totalTime_ = 0;
};

// How far a seek to `percent` jumps the reader while the output reports
// `progress`, and where the clock goes (milliseconds).
int32_t SeekJump(int percent, int progress);
int32_t SeekElapsedMs(int32_t totalTime, int percent);
// "m:ss": minutes with as many digits as needed, seconds two digits.
QString PlayerClockText(int32_t seconds);
// Black image, then for band i a green (0x008000) line 2 wide at x = 4 i
// from the bottom up by the rounded level.
void DrawLevelBars(QImage& image, std::span<const double, TSoundIndicator::kBands> levels);
