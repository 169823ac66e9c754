#include "../acs/AlsaTestCard.h"
#include "ScriptedDialogs.h"
#include "app/MainActions.h"
#include "tools/OggPlayer.h"
#include "tools/OggPlayerForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

#include <cstring>

namespace {

// An Ogg file made by sox and oggenc: `seconds` of a tone, the left
// channel at 440 Hz and the right at 1500 Hz.
QString MakeOgg(const QString& name, int seconds, int rate = 44100) {
  const QString wav = TAlsaTestCard::Folder() + "/player.wav";
  const QString ogg = TAlsaTestCard::Folder() + "/" + name;
  EXPECT_EQ(QProcess::execute(
                "sox", {"-n", "-r", QString::number(rate), "-c", "2", "-b", "16", wav, "synth",
                        QString::number(seconds), "sine", "440", "sine", "1500", "gain", "-3"}),
            0);
  EXPECT_EQ(QProcess::execute("oggenc", {"-Q", "-q", "0", "-o", ogg, wav}), 0);
  return ogg;
}

// Lets the posted events of the worker arrive until the condition holds.
bool Until(const std::function<bool()>& condition, int timeoutMs = 60000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents();
    QThread::msleep(2);
  }
  return true;
}

bool PlayedToTheEnd(TOggPlayer& player) {
  return Until([&] { return player.View().OpenEnabled && player.AudioOut1.Status() == osIdle; });
}

// Largest absolute sample of one channel of 16-bit stereo.
int Peak(const QByteArray& pcm, int channel) {
  int peak = 0;
  for (qsizetype at = channel * 2; at + 1 < pcm.size(); at += 4) {
    int16_t s;
    std::memcpy(&s, pcm.constData() + at, 2);
    peak = std::max(peak, std::abs(int(s)));
  }
  return peak;
}

}  // namespace

TEST(OggPlayerTexts, ClockSeekAndJump) {
  EXPECT_EQ(PlayerClockText(185), "3:05");
  EXPECT_EQ(PlayerClockText(0), "0:00");
  EXPECT_EQ(PlayerClockText(59), "0:59");
  EXPECT_EQ(PlayerClockText(6000), "100:00");
  EXPECT_EQ(SeekJump(50, 20), 30);
  EXPECT_EQ(SeekJump(10, 70), -60);
  EXPECT_EQ(SeekElapsedMs(185, 50), 185 * 500);
}

TEST(OggPlayerDisplay, GreenBarsOnBlack) {
  QImage image(128, 80, QImage::Format_RGB32);
  image.fill(Qt::white);
  std::array<double, TSoundIndicator::kBands> levels{};
  levels[0] = 10.4;  // rounds to 10
  levels[5] = 79.6;  // rounds to 80, the full height
  levels[31] = 0.4;  // rounds to 0: no bar
  DrawLevelBars(image, levels);
  const QRgb green = qRgb(0, 0x80, 0), black = qRgb(0, 0, 0);
  EXPECT_EQ(image.pixel(0, 79), green);
  EXPECT_EQ(image.pixel(1, 70), green);
  EXPECT_EQ(image.pixel(0, 69), black);  // the 11th row from the bottom
  EXPECT_EQ(image.pixel(2, 79), black);  // 2 wide
  EXPECT_EQ(image.pixel(20, 0), green);
  EXPECT_EQ(image.pixel(124, 79), black);
  EXPECT_EQ(image.pixel(127, 0), black);
}

TEST(OggPlayer, RefusesFilesThatAreNotOgg) {
  const QString ogg = MakeOgg("real.ogg", 1);
  const QString renamed = TAlsaTestCard::Folder() + "/real.wav";
  QFile::copy(ogg, renamed);
  const QString text = TAlsaTestCard::Folder() + "/text.ogg";
  QFile f(text);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("not an ogg stream at all");
  f.close();
  for (const QString& path : {renamed, text, TAlsaTestCard::Folder() + "/missing.ogg"}) {
    TOggPlayer player;
    EXPECT_EQ(player.OpenAndPlay(path), TOggOpenResult::NotValid) << path.toStdString();
    EXPECT_EQ(player.View().FileName, "OGG");
    EXPECT_TRUE(player.View().OpenEnabled);
    EXPECT_EQ(player.AudioOut1.Status(), osIdle);
  }
}

TEST(OggPlayer, ShowsNameRateAndTotalThenEndsAtDone) {
  const QString ogg = MakeOgg("song.ogg", 185, 8000);
  const QString upper = TAlsaTestCard::Folder() + "/SONG.OGG";
  QFile::copy(ogg, upper);
  struct Case {
    QString path, name;
  } cases[] = {{ogg, "song"}, {upper, "SONG"}};
  for (const Case& c : cases) {
    TOggPlayer player;
    TAlsaTestCard::Clear();
    ASSERT_EQ(player.OpenAndPlay(c.path), TOggOpenResult::Started);
    EXPECT_EQ(player.View().FileName, c.name);
    EXPECT_EQ(player.View().SampleRate, "8000 bps");
    EXPECT_EQ(player.View().TotalTime, "3:05");
    EXPECT_FALSE(player.View().OpenEnabled);
    EXPECT_TRUE(player.View().SeekEnabled);
    EXPECT_TRUE(player.View().LevelTimerOn);
    EXPECT_TRUE(player.View().ClockTimerOn);
    ASSERT_TRUE(PlayedToTheEnd(player));
    EXPECT_FALSE(player.View().SeekEnabled);
    EXPECT_FALSE(player.View().ClockTimerOn);
    EXPECT_TRUE(player.View().LevelTimerOn);    // keeps drawing the last levels
    EXPECT_GT(player.View().SeekPosition, 50);  // follows the output's progress
    // The whole song reached the card, the right channel halved at 0.5.
    EXPECT_EQ(TAlsaTestCard::Played().size(), 185 * 8000 * 4);
  }
}

TEST(OggPlayer, ClockCountsHalfSecondsUpToTheTotal) {
  const QString ogg = MakeOgg("clock.ogg", 2);
  TOggPlayer player;
  ASSERT_EQ(player.OpenAndPlay(ogg), TOggOpenResult::Started);
  player.ClockTick();
  EXPECT_EQ(player.ElapsedMs(), 500);
  EXPECT_EQ(player.View().CurrentTime, "0:00");
  player.ClockTick();
  EXPECT_EQ(player.View().CurrentTime, "0:01");
  player.ClockTick();
  player.ClockTick();
  EXPECT_EQ(player.ElapsedMs(), 2000);
  player.ClockTick();  // at the total: nothing changes
  EXPECT_EQ(player.ElapsedMs(), 2000);
  EXPECT_EQ(player.View().CurrentTime, "0:02");
  PlayedToTheEnd(player);
}

TEST(OggPlayer, SeekJumpsByTheDifferenceAndSetsTheClock) {
  const QString ogg = MakeOgg("seek.ogg", 30);
  TOggPlayer player;
  TAlsaTestCard::Clear();
  ASSERT_EQ(player.OpenAndPlay(ogg), TOggOpenResult::Started);
  player.PauseResume();
  ASSERT_EQ(player.AudioOut1.Status(), osPaused);
  QThread::msleep(50);  // the worker finishes the step it was in
  const int progress = player.AudioOut1.Progress();
  player.SeekMoved(50);
  EXPECT_EQ(player.VorbisIn1.Jump(), 50 - progress);
  EXPECT_EQ(player.ElapsedMs(), 30 * 500);
  player.PauseResume();
  ASSERT_TRUE(PlayedToTheEnd(player));
  // Played: what came before the seek and the second half.
  const double share = double(TAlsaTestCard::Played().size()) / (30.0 * 44100 * 4);
  EXPECT_NEAR(share, 0.5 + progress / 100.0, 0.03);
}

TEST(OggPlayer, StopWhilePausedResumesFirst) {
  const QString ogg = MakeOgg("pause.ogg", 30);
  TOggPlayer player;
  ASSERT_EQ(player.OpenAndPlay(ogg), TOggOpenResult::Started);
  player.PauseResume();
  EXPECT_EQ(player.AudioOut1.Status(), osPaused);
  EXPECT_FALSE(player.View().ClockTimerOn);
  player.Stop();
  // A paused worker never sees a stop: only a resumed one ends the job.
  ASSERT_TRUE(PlayedToTheEnd(player));
  EXPECT_LT(player.View().SeekPosition, 100);
  player.PauseResume();  // nothing to pause or resume now
  EXPECT_FALSE(player.View().ClockTimerOn);
  EXPECT_EQ(player.AudioOut1.Status(), osIdle);
}

TEST(OggPlayer, BalanceEndsSilenceOneChannel) {
  const QString ogg = MakeOgg("balance.ogg", 2);
  struct Case {
    int position, silent, loud;
  } cases[] = {{0, 1, 0}, {10, 0, 1}};
  for (const Case& c : cases) {
    TOggPlayer player;
    player.BalanceMoved(c.position);
    TAlsaTestCard::Clear();
    ASSERT_EQ(player.OpenAndPlay(ogg), TOggOpenResult::Started);
    ASSERT_TRUE(PlayedToTheEnd(player));
    const QByteArray played = TAlsaTestCard::Played();
    ASSERT_EQ(played.size(), 2 * 44100 * 4);
    EXPECT_EQ(Peak(played, c.silent), 0) << c.position;
    EXPECT_GT(Peak(played, c.loud), 10000) << c.position;
  }
}

TEST(OggPlayer, CloseWaitsForTheWorkerWithoutBlockingItsEvents) {
  const QString ogg = MakeOgg("close.ogg", 30);
  TOggPlayer player;
  bool changed = false;
  QObject::connect(&player, &TOggPlayer::Changed, [&] { changed = true; });
  ASSERT_EQ(player.OpenAndPlay(ogg), TOggOpenResult::Started);
  player.PauseResume();
  changed = false;
  player.CloseWait();
  EXPECT_EQ(player.AudioOut1.Status(), osIdle);
  EXPECT_FALSE(changed);  // the done event is posted, not run inside the wait
  ASSERT_TRUE(Until([&] { return player.View().OpenEnabled; }));
}

TEST(OggPlayer, CardThatCannotOpenLeavesThePlayerReady) {
  const QString ogg = MakeOgg("broken.ogg", 1);
  TOggPlayer player;
  player.AudioOut1.SetBaseChannel(static_cast<int>(WaveOutDeviceNames().indexOf("broken")));
  ASSERT_EQ(player.OpenAndPlay(ogg), TOggOpenResult::Started);
  ASSERT_TRUE(Until([&] { return player.View().OpenEnabled; }));
  EXPECT_FALSE(player.View().SeekEnabled);
  EXPECT_FALSE(player.VorbisIn1.Busy());
  player.AudioOut1.SetBaseChannel(0);
  ASSERT_EQ(player.OpenAndPlay(ogg), TOggOpenResult::Started);
  EXPECT_TRUE(PlayedToTheEnd(player));
}

TEST(OggPlayerWindow, OpenButtonAsksForAnOggAndShowsItsState) {
  const QString ogg = MakeOgg("window.ogg", 1);
  TScriptedDialogs dialogs;
  TfrmOggPlayer form;
  EXPECT_EQ(form.windowTitle(), "Ogg Player");
  EXPECT_EQ(form.lFileName->text(), "OGG");
  EXPECT_FALSE(form.ScrollBar1->isEnabled());

  dialogs.OpenAnswers.push_back({TAlsaTestCard::Folder() + "/text.txt"});
  form.BitBtn1->click();
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text, "Ogg file is not valid.");
  ASSERT_EQ(dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(dialogs.FileRequests[0].Filter, "Sound file(*.ogg)|*.ogg| Any file(*.*)|*.*");
  EXPECT_TRUE(dialogs.FileRequests[0].FileName.isEmpty());

  dialogs.OpenAnswers.push_back({ogg});
  form.BitBtn1->click();
  EXPECT_EQ(form.lFileName->text(), "window");
  EXPECT_EQ(form.lSampleRate->text(), "44100 bps");
  EXPECT_FALSE(form.BitBtn1->isEnabled());
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_TRUE(form.Timer2->isActive());
  ASSERT_TRUE(Until([&] { return form.BitBtn1->isEnabled(); }));
  EXPECT_FALSE(form.Timer2->isActive());
  EXPECT_FALSE(form.ScrollBar1->isEnabled());
  EXPECT_EQ(form.ScrollBar1->value(), form.Player().View().SeekPosition);
  EXPECT_GT(form.ScrollBar1->value(), 0);
}

TEST(OggPlayerWindow, OpensFromTheActionsMenu) {
  QMainWindow window;
  const TMainActions a = CreateMainActions(&window);
  EXPECT_TRUE(a.ActionsMenu->actions().contains(a.OggPlayer));
  QString shown;
  QTimer::singleShot(0, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      shown = modal->windowTitle();
      modal->close();
    }
  });
  a.OggPlayer->trigger();
  EXPECT_EQ(shown, "Ogg Player");
}
