#include "../acs/AlsaTestCard.h"
#include "ScriptedDialogs.h"
#include "app/MainActions.h"
#include "tools/OggPlayer.h"
#include "tools/OggPlayerForm.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <cstring>

namespace {

bool PlayedToTheEnd(TOggPlayer& player) {
  return WaitFor([&] { return player.View().OpenEnabled && player.AudioOut1.Status() == osIdle; });
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

TEST(OggPlayerParts, ClockTextSeekAndLevelBars) {
  EXPECT_EQ(PlayerClockText(185), "3:05");
  EXPECT_EQ(PlayerClockText(6000), "100:00");
  EXPECT_EQ(SeekJump(50, 20), 30);
  EXPECT_EQ(SeekElapsedMs(185, 50), 185 * 500);

  QImage image(128, 80, QImage::Format_RGB32);
  image.fill(Qt::white);
  std::array<double, TSoundIndicator::kBands> levels{};
  levels[0] = 10.4;  // 10 rows
  levels[5] = 79.6;  // the full height
  levels[31] = 0.4;  // no bar
  DrawLevelBars(image, levels);
  const QRgb green = qRgb(0, 0x80, 0), black = qRgb(0, 0, 0);
  EXPECT_EQ(image.pixel(0, 79), green);
  EXPECT_EQ(image.pixel(1, 70), green);
  EXPECT_EQ(image.pixel(0, 69), black);
  EXPECT_EQ(image.pixel(2, 79), black);  // 2 wide
  EXPECT_EQ(image.pixel(20, 0), green);
  EXPECT_EQ(image.pixel(124, 79), black);
}

TEST(OggPlayer, RefusesFilesThatAreNotOgg) {
  const QString renamed = TAlsaTestCard::Folder() + "/real.wav";
  QFile::copy(MakeTestOgg("real.ogg", 1), renamed);
  const QString text = TAlsaTestCard::Folder() + "/text.ogg";
  QFile f(text);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("not an ogg stream at all");
  f.close();
  for (const QString& path : {renamed, text}) {
    TOggPlayer player;
    EXPECT_EQ(player.OpenAndPlay(path), TOggOpenResult::NotValid) << path.toStdString();
    EXPECT_EQ(player.View().FileName, "OGG");
    EXPECT_TRUE(player.View().OpenEnabled);
  }
}

TEST(OggPlayer, ShowsNameRateTotalAndClockThenEndsAtDone) {
  const QString ogg = MakeTestOgg("song.ogg", 185, 8000);
  const QString upper = TAlsaTestCard::Folder() + "/SONG.OGG";
  QFile::copy(ogg, upper);
  for (const QString& path : {ogg, upper}) {
    TOggPlayer player;
    TAlsaTestCard::Clear();
    ASSERT_EQ(player.OpenAndPlay(path), TOggOpenResult::Started);
    EXPECT_EQ(player.View().FileName, path == ogg ? "song" : "SONG");
    EXPECT_EQ(player.View().SampleRate, "8000 bps");
    EXPECT_EQ(player.View().TotalTime, "3:05");
    EXPECT_FALSE(player.View().OpenEnabled);
    EXPECT_TRUE(player.View().SeekEnabled && player.View().ClockTimerOn);
    for (int tick = 0; tick < 371; ++tick) player.ClockTick();  // stops at the total
    EXPECT_EQ(player.ElapsedMs(), 185000);
    EXPECT_EQ(player.View().CurrentTime, "3:05");
    ASSERT_TRUE(PlayedToTheEnd(player));
    EXPECT_FALSE(player.View().SeekEnabled || player.View().ClockTimerOn);
    EXPECT_TRUE(player.View().LevelTimerOn);  // keeps drawing the last levels
    EXPECT_EQ(TAlsaTestCard::Played().size(), 185 * 8000 * 4);
  }
}

TEST(OggPlayer, SeekJumpsByTheDifferenceAndSetsTheClock) {
  TOggPlayer player;
  TAlsaTestCard::Clear();
  ASSERT_EQ(player.OpenAndPlay(MakeTestOgg("seek.ogg", 30)), TOggOpenResult::Started);
  player.PauseResume();
  ASSERT_EQ(player.AudioOut1.Status(), osPaused);
  QThread::msleep(50);  // the worker finishes the step it was in
  const int progress = player.AudioOut1.Progress();
  player.SeekMoved(50);
  // (A worker still in its last step may have moved on by one buffer.)
  const int jump = player.VorbisIn1.Jump(), after = player.AudioOut1.Progress();
  EXPECT_TRUE(jump == 50 - progress || jump == 50 - after) << jump << " " << progress;
  EXPECT_EQ(player.ElapsedMs(), 30 * 500);
  player.PauseResume();
  ASSERT_TRUE(PlayedToTheEnd(player));
  // What came before the seek, then the second half.
  const double share = double(TAlsaTestCard::Played().size()) / (30.0 * 44100 * 4);
  EXPECT_NEAR(share, 0.5 + progress / 100.0, 0.03);
}

TEST(OggPlayer, StopWhilePausedResumesFirstAndCloseDoesNotRunEventsInside) {
  TOggPlayer player;
  ASSERT_EQ(player.OpenAndPlay(MakeTestOgg("pause.ogg", 30)), TOggOpenResult::Started);
  player.PauseResume();
  EXPECT_EQ(player.AudioOut1.Status(), osPaused);
  player.Stop();  // a paused worker never sees a stop: it must be resumed
  ASSERT_TRUE(PlayedToTheEnd(player));
  player.PauseResume();  // nothing plays: nothing to resume
  EXPECT_FALSE(player.View().ClockTimerOn);

  ASSERT_EQ(player.OpenAndPlay(MakeTestOgg("close.ogg", 30)), TOggOpenResult::Started);
  player.PauseResume();
  bool changed = false;
  QObject::connect(&player, &TOggPlayer::Changed, [&] { changed = true; });
  player.CloseWait();
  EXPECT_EQ(player.AudioOut1.Status(), osIdle);
  EXPECT_FALSE(changed);  // the done event is posted, not run inside the wait
  EXPECT_TRUE(WaitFor([&] { return player.View().OpenEnabled; }));
}

TEST(OggPlayer, BalanceSilencesOneChannel) {
  const QString ogg = MakeTestOgg("balance.ogg", 2);
  for (int position : {0, 10}) {
    TOggPlayer player;
    player.BalanceMoved(position);
    TAlsaTestCard::Clear();
    ASSERT_EQ(player.OpenAndPlay(ogg), TOggOpenResult::Started);
    ASSERT_TRUE(PlayedToTheEnd(player));
    const QByteArray played = TAlsaTestCard::Played();
    EXPECT_EQ(Peak(played, position == 0 ? 1 : 0), 0) << position;
    EXPECT_GT(Peak(played, position == 0 ? 0 : 1), 10000) << position;
  }
}

TEST(OggPlayer, CardThatCannotOpenLeavesThePlayerReady) {
  const QString ogg = MakeTestOgg("broken.ogg", 1);
  TOggPlayer player;
  player.AudioOut1.SetBaseChannel(static_cast<int>(WaveOutDeviceNames().indexOf("broken")));
  ASSERT_EQ(player.OpenAndPlay(ogg), TOggOpenResult::Started);
  ASSERT_TRUE(WaitFor([&] { return player.View().OpenEnabled; }));
  EXPECT_FALSE(player.View().SeekEnabled || player.VorbisIn1.Busy());
  player.AudioOut1.SetBaseChannel(0);
  ASSERT_EQ(player.OpenAndPlay(ogg), TOggOpenResult::Started);
  EXPECT_TRUE(PlayedToTheEnd(player));
}

TEST(OggPlayerWindow, OpensFromTheMenuAsksForAnOggAndShowsItsState) {
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

  TScriptedDialogs dialogs;
  TfrmOggPlayer form;
  dialogs.OpenAnswers.push_back({TAlsaTestCard::Folder() + "/text.txt"});
  form.BitBtn1->click();
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text, "Ogg file is not valid.");
  EXPECT_EQ(dialogs.FileRequests.at(0).Filter, "Sound file(*.ogg)|*.ogg| Any file(*.*)|*.*");
  dialogs.OpenAnswers.push_back({MakeTestOgg("window.ogg", 1)});
  form.BitBtn1->click();
  EXPECT_EQ(form.lFileName->text(), "window");
  EXPECT_EQ(form.lSampleRate->text(), "44100 bps");
  EXPECT_TRUE(!form.BitBtn1->isEnabled() && form.Timer1->isActive() && form.Timer2->isActive());
  ASSERT_TRUE(WaitFor([&] { return form.BitBtn1->isEnabled(); }));
  EXPECT_FALSE(form.Timer2->isActive() || form.ScrollBar1->isEnabled());
  EXPECT_GT(form.ScrollBar1->value(), 0);
}
