// CD playback on generated disc images, played on ALSA's file plugin: the
// bytes that reach the "card" are compared with the disc's own sectors.
#include "../acs/AlsaTestCard.h"
#include "../platform/CdImageFixture.h"
#include "CdTestDrives.h"
#include "app/CdPlayback.h"
#include "app/CloseSequence.h"
#include "app/DriveControl.h"

#include <fcntl.h>
#include <unistd.h>

#include <optional>

namespace {

// Waits, running the main thread's events, until the condition holds.
bool WaitEvents(const std::function<bool()>& condition) {
  QElapsedTimer timer;
  timer.start();
  while (!condition())
    if (timer.elapsed() > 60000)
      return false;
    else
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return true;
}

// The "fifo" card, shut until Open(): a play on it gets no further than the
// buffers it can queue. Each play opens the pipe anew.
class TGatedCard {
 public:
  TGatedCard() : thread_([this] { Run(); }) {}
  ~TGatedCard() { Finish(); }
  void Open() { open_ = true; }
  QByteArray Finish() {
    finishing_ = open_ = true;
    for (; !ended_; QThread::msleep(1)) {  // meets a reader waiting in open()
      const int fd = ::open(Fifo().constData(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
    }
    if (thread_.joinable()) thread_.join();
    return data_;
  }

 private:
  static QByteArray Fifo() { return QFile::encodeName(TAlsaTestCard::FifoPath()); }
  void Run() {
    for (int fd; !finishing_ && (fd = ::open(Fifo().constData(), O_RDONLY)) >= 0; ::close(fd)) {
      char chunk[4096];
      for (ssize_t n = 1; n > 0;) {
        while (!open_) QThread::usleep(200);
        if ((n = ::read(fd, chunk, sizeof chunk)) > 0) data_.append(chunk, n);
      }
    }
    ended_ = true;
  }
  std::atomic<bool> open_{false}, finishing_{false}, ended_{false};
  QByteArray data_;
  std::thread thread_;
};

TDiscDescription Tracks(std::initializer_list<int64_t> sectors, int64_t firstGap = 0) {
  TDiscDescription disc;
  for (int64_t s : sectors) disc.Tracks.push_back({s, 0, TTrackContent::Ramp});
  disc.Tracks.front().GapSectors = firstGap;
  return disc;
}

class PlaybackTest : public TCdImageFixture {
 protected:
  void TearDown() override {
    if (handle_ != 0) CloseCDHandle(handle_);
    TCdImageFixture::TearDown();
  }
  void Load(const TDiscDescription& disc) {
    if (handle_ != 0) CloseCDHandle(handle_);
    TAlsaTestCard::Clear();
    disc_ = disc;
    AddImage("disc", disc);
    handle_ = OpenDriveByProduct("disc");
    ASSERT_NE(handle_, 0);
  }
  // The disc's bytes for sectors [from, to) counted from track 1's start.
  QByteArray Sectors(int64_t from, int64_t to) const {
    QByteArray bytes;
    for (int64_t s = from; s < to; ++s) bytes += ImageSector(disc_, Layout().TrackStarts[0] + s);
    return bytes;
  }
  QByteArray Track(size_t n) const {  // from 1
    const TDiscLayout l = Layout();
    const int64_t end = n < l.TrackStarts.size() ? l.TrackStarts[n] : l.LeadOut;
    return Sectors(l.TrackStarts[n - 1] - l.TrackStarts[0], end - l.TrackStarts[0]);
  }
  TDiscLayout Layout() const { return LayoutOf(disc_); }
  // Plays on the gated card from the start.
  void UseGatedCard() { playback_.Player().SetOutputChannel(WaveOutDeviceNames().indexOf("fifo")); }
  void Play(int row) {
    selected_ = row;
    playback_.PlayExecute();
  }
  bool Reading() {
    return WaitEvents([&] { return playback_.Player().BytesRead() > 0; });
  }
  bool Ended() {
    return WaitEvents([&] { return !playback_.Playing(); });
  }

  TDiscDescription disc_;
  int32_t handle_ = 0;
  int selected_ = -1;
  QString status_;
  TCdPlayback playback_{{[this] { return selected_; },
                         [this] { return static_cast<int>(disc_.Tracks.size()); },
                         [](int row) { return "Track" + QString::number(row + 1); },
                         [this] { return handle_; }, [] { return QString("Virtual disc"); },
                         [this](const QString& text) { status_ = text; }, [] {}}};
};

}  // namespace

TEST_F(PlaybackTest, CardGetsTheDiscsSamplesOfTheRange) {
  struct Case {
    int64_t firstGap;
    int32_t from, to;  // to -1: the end of the disc
  } cases[] = {
      {0, 0, 13},   // more than one read, the last one short
      {0, 7, 17},   // one full read off a ten-sector boundary
      {0, 95, -1},  // across a track change up to the lead-out
      {30, 3, 26},  // audio before track 1: sector 0 is still track 1's start
  };
  for (const Case& c : cases) {
    Load(Tracks({40, 60}, c.firstGap));
    TCdPlayer player;
    std::vector<TCdNotify> notices;
    player.OnNotify = [&](TCdNotify n) { notices.push_back(n); };
    player.Open(handle_);
    EXPECT_EQ(player.TrackPosition(2), 40);
    EXPECT_EQ(player.DiscEnd(), 100);
    player.Play(c.from, c.to);
    ASSERT_TRUE(WaitEvents([&] { return !notices.empty(); }));
    EXPECT_EQ(notices, std::vector<TCdNotify>{TCdNotify::Successful}) << c.from;
    EXPECT_EQ(TAlsaTestCard::Played(), Sectors(c.from, c.to < 0 ? 100 : c.to)) << c.from;
  }
}

TEST_F(PlaybackTest, UnreadableSectorEndsThePlayWithAFailureNotice) {
  QFile bad(DiscsFolder() + "/disc.bad");
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("52-53\n");
  bad.close();
  Load(Tracks({40, 60}));
  TCdPlayer player;
  std::vector<TCdNotify> notices;
  player.OnNotify = [&](TCdNotify n) { notices.push_back(n); };
  player.Open(handle_);
  player.Play(40, -1);
  ASSERT_TRUE(WaitEvents([&] { return !notices.empty(); }));
  EXPECT_EQ(notices, std::vector<TCdNotify>{TCdNotify::Failure});
  EXPECT_FALSE(player.Busy());
  // Everything before the read that failed, nothing after it.
  EXPECT_EQ(TAlsaTestCard::Played(), Sectors(40, 50));
}

TEST_F(PlaybackTest, RowPlaysToTheNextTracksStartAndTheLastToTheLeadOut) {
  for (int row : {1, 2}) {
    Load(Tracks({30, 45, 25}));
    Play(row);
    EXPECT_EQ(status_, "Play Track" + QString::number(row + 1));
    EXPECT_TRUE(playback_.StopEnabled());
    ASSERT_TRUE(Ended()) << row;
    EXPECT_EQ(TAlsaTestCard::Played(), Track(row + 1)) << row;
    EXPECT_EQ(status_, "Virtual disc");
    EXPECT_FALSE(playback_.Player().IsOpen());
  }
}

TEST_F(PlaybackTest, PlayPausePlayContinuesWhereItPaused) {
  Load(Tracks({20, 400, 20}));
  TGatedCard card;
  UseGatedCard();
  Play(1);
  ASSERT_TRUE(Reading());
  playback_.PauseExecute();
  EXPECT_FALSE(playback_.PauseEnabled());
  // The card plays out what was queued, and the play stays halted there.
  card.Open();
  ASSERT_TRUE(WaitEvents([&] { return playback_.Player().QueuedBuffers() == 0; }));
  EXPECT_TRUE(playback_.Player().IsPaused());
  EXPECT_LT(playback_.Player().BytesRead(), Track(2).size());
  Play(2);  // resumes the paused track, whichever row is selected
  EXPECT_TRUE(playback_.PauseEnabled());
  ASSERT_TRUE(Ended());
  EXPECT_EQ(card.Finish(), Track(2));
}

TEST_F(PlaybackTest, PlayOnAnotherRowWhilePlayingStartsThatRow) {
  Load(Tracks({20, 3000, 20, 20, 30}));
  TGatedCard card;
  UseGatedCard();
  Play(1);
  ASSERT_TRUE(Reading());
  card.Open();
  Play(4);
  EXPECT_EQ(status_, "Play Track5");
  ASSERT_TRUE(Ended());
  // What row 2 had played when it was cut off, then all of row 5.
  const QByteArray played = card.Finish();
  const QByteArray row2Part = played.left(played.size() - Track(5).size());
  EXPECT_EQ(played.mid(row2Part.size()), Track(5));
  EXPECT_GT(row2Part.size(), 0);
  EXPECT_LT(row2Part.size(), Track(2).size());
  EXPECT_EQ(row2Part, Track(2).left(row2Part.size()));
}

TEST_F(PlaybackTest, DataTrackIsNeverPlayedAndAFailedPlayKeepsStopEnabled) {
  TDiscDescription disc = Tracks({30, 20, 40});
  disc.Tracks[2].Content = TTrackContent::Data;
  Load(disc);
  Play(1);  // ends where the data begins
  ASSERT_TRUE(Ended());
  EXPECT_EQ(TAlsaTestCard::Played(), Track(2));
  TAlsaTestCard::Clear();
  Play(2);
  EXPECT_FALSE(playback_.Player().Busy());
  EXPECT_TRUE(playback_.StopEnabled());
  EXPECT_EQ(status_, "Play Track3");
  playback_.StopExecute();
  EXPECT_EQ(status_, "Virtual disc");
  EXPECT_TRUE(TAlsaTestCard::Played().isEmpty());
}

TEST_F(PlaybackTest, EjectAndCloseOnADiscImageDoNothing) {
  Load(Tracks({30, 20}));
  const QString before = CdMediaSignature(handle_);
  EjectCDExecute(handle_);
  CloseCDExecute(handle_);
  EXPECT_EQ(CdMediaSignature(handle_), before);
  CDTOC toc{};
  EXPECT_EQ(ReadTOC(handle_, &toc), 1);
}

TEST_F(PlaybackTest, ClosingStopsPlaybackBeforeTheDriveIsClosed) {
  Load(Tracks({30, 3000}));
  TGatedCard card;
  UseGatedCard();
  Play(1);
  ASSERT_TRUE(Reading());
  card.Open();
  TCloseInput input;
  input.CDHandle = std::exchange(handle_, 0);
  input.Playing = playback_.Playing();
  std::optional<bool> driveOpenAtStop;
  input.StopPlayer = [&] {
    driveOpenAtStop = !CdMediaSignature(input.CDHandle).isEmpty();
    playback_.StopExecute();
  };
  RunCloseSequence(input);
  EXPECT_EQ(driveOpenAtStop, std::optional<bool>(true));
  EXPECT_FALSE(playback_.Player().IsOpen());
  const QByteArray played = card.Finish();
  EXPECT_EQ(played, Track(2).left(played.size()));
}

TEST(VolumeControlTest, PavucontrolElseAlsamixerInATerminal) {
  QStringList installed = {"pavucontrol", "x-terminal-emulator"};
  auto find = [&](const QString& name) { return installed.contains(name) ? "/b/" + name : ""; };
  EXPECT_EQ(VolumeControlCall(find).Program, "/b/pavucontrol");
  EXPECT_TRUE(VolumeControlCall(find).Arguments.isEmpty());
  installed.removeFirst();
  EXPECT_EQ(VolumeControlCall(find).Program, "/b/x-terminal-emulator");
  EXPECT_EQ(VolumeControlCall(find).Arguments, QStringList({"-e", "alsamixer"}));
}
