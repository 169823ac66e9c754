// CD playback on generated disc images, played on ALSA's file plugin: the
// bytes that reach the "card" are compared with the disc's own sectors.
#include "../acs/AlsaTestCard.h"
#include "../platform/CdImageFixture.h"
#include "CdTestDrives.h"
#include "acs/WaveOutDevice.h"
#include "app/CdPlayback.h"
#include "app/CloseSequence.h"
#include "app/DriveControl.h"
#include "settings/OptionsSetting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

namespace {

// Waits, running the main thread's events, until the condition holds.
bool WaitEvents(const std::function<bool()>& condition) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > 60000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// The paced card ("fifo"): it takes no more than it is allowed, so a test
// decides how far a play gets. Each play opens the pipe anew.
class TPacedCard {
 public:
  TPacedCard() : thread_([this] { Run(); }) {}
  ~TPacedCard() { Finish(); }
  void Allow(int64_t bytes) { allowance_ = bytes; }
  void AllowAll() { allowance_ = INT64_MAX; }
  int64_t Taken() const { return taken_; }
  QByteArray Finish() {
    finishing_ = true;
    AllowAll();
    // Meets a reader waiting in open() so it can see the end.
    while (!ended_) {
      const int fd =
          ::open(QFile::encodeName(TAlsaTestCard::FifoPath()).constData(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
      QThread::msleep(1);
    }
    if (thread_.joinable()) thread_.join();
    return data_;
  }

 private:
  void Run() {
    while (!finishing_) {
      const int fd = ::open(QFile::encodeName(TAlsaTestCard::FifoPath()).constData(), O_RDONLY);
      if (fd < 0) break;
      char chunk[4096];
      while (true) {
        while (taken_ >= allowance_) QThread::usleep(200);
        const int64_t room = std::min<int64_t>(sizeof chunk, allowance_ - taken_);
        const ssize_t n = ::read(fd, chunk, static_cast<size_t>(room));
        if (n <= 0) break;
        data_.append(chunk, n);
        taken_ += n;
      }
      ::close(fd);
    }
    ended_ = true;
  }

  std::atomic<int64_t> allowance_{0};
  std::atomic<int64_t> taken_{0};
  std::atomic<bool> finishing_{false};
  std::atomic<bool> ended_{false};
  QByteArray data_;
  std::thread thread_;
};

int FifoChannel() { return static_cast<int>(WaveOutDeviceNames().indexOf("fifo")); }

class PlaybackTest : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    TAlsaTestCard::Clear();
  }
  void TearDown() override {
    if (handle_ != 0) CloseCDHandle(handle_);
    TCdImageFixture::TearDown();
  }

  int32_t Load(const TDiscDescription& disc) {
    disc_ = disc;
    AddImage("disc", disc);
    handle_ = OpenDriveByProduct("disc");
    EXPECT_NE(handle_, 0);
    return handle_;
  }

  // The disc's bytes for sectors [from, to) counted from track 1's start.
  QByteArray Sectors(int64_t from, int64_t to) const {
    const int64_t base = LayoutOf(disc_).TrackStarts.front();
    QByteArray bytes;
    for (int64_t s = from; s < to; ++s) bytes += ImageSector(disc_, base + s);
    return bytes;
  }
  QByteArray Track(int track) const {  // from 1
    const TDiscLayout layout = LayoutOf(disc_);
    const int64_t base = layout.TrackStarts.front();
    const int64_t end = track < static_cast<int>(layout.TrackStarts.size())
                            ? layout.TrackStarts[track]
                            : layout.LeadOut;
    return Sectors(layout.TrackStarts[track - 1] - base, end - base);
  }

  // The main window's side of the commands: rows, selection, status text.
  TPlaybackView View() {
    TPlaybackView view;
    view.SelectedRow = [this] { return selected_; };
    view.RowCount = [this] { return static_cast<int>(disc_.Tracks.size()); };
    view.RowTitle = [](int row) { return "Track" + QString::number(row + 1); };
    view.CDHandle = [this] { return handle_; };
    view.DriveText = [] { return QString("Virtual disc"); };
    view.SetStatusText = [this](const QString& text) { status_ = text; };
    view.StateChanged = [] {};
    return view;
  }

  TDiscDescription disc_;
  int32_t handle_ = 0;
  int selected_ = -1;
  QString status_;
};

TDiscDescription Tracks(std::initializer_list<int64_t> sectors, int64_t firstGap = 0) {
  TDiscDescription disc;
  for (int64_t s : sectors) {
    TTrackDescription t;
    t.Content = TTrackContent::Ramp;
    t.Sectors = s;
    disc.Tracks.push_back(t);
  }
  disc.Tracks.front().GapSectors = firstGap;
  return disc;
}

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
    TAlsaTestCard::Clear();
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
    player.Close();
    CloseCDHandle(handle_);
    handle_ = 0;
  }
}

TEST_F(PlaybackTest, RowPlaysToTheNextTracksStartAndTheLastToTheLeadOut) {
  for (int row : {1, 2}) {
    Load(Tracks({30, 45, 25}));
    TAlsaTestCard::Clear();
    TCdPlayback playback(View());
    selected_ = row;
    playback.PlayExecute();
    EXPECT_EQ(status_, "Play Track" + QString::number(row + 1));
    EXPECT_TRUE(playback.StopEnabled());
    ASSERT_TRUE(WaitEvents([&] { return !playback.Playing(); })) << row;
    EXPECT_EQ(TAlsaTestCard::Played(), Track(row + 1)) << row;
    EXPECT_EQ(status_, "Virtual disc");
    EXPECT_FALSE(playback.Player().IsOpen());
    CloseCDHandle(handle_);
    handle_ = 0;
  }
}

TEST_F(PlaybackTest, PlayPausePlayContinuesWhereItPaused) {
  Load(Tracks({20, 400, 20}));
  TPacedCard card;  // outlives the play, which it has to take to its end
  TCdPlayback playback(View());
  playback.Player().SetOutputChannel(FifoChannel());
  selected_ = 1;
  playback.PlayExecute();
  ASSERT_TRUE(WaitEvents([&] { return playback.Player().BytesRead() > 0; }));
  playback.PauseExecute();
  EXPECT_TRUE(playback.Paused());
  EXPECT_FALSE(playback.PauseEnabled());
  // The card plays out what was queued, and the play stays halted there.
  card.AllowAll();
  ASSERT_TRUE(WaitEvents([&] { return playback.Player().QueuedBuffers() == 0; }));
  EXPECT_TRUE(playback.Player().IsPaused());
  EXPECT_LT(playback.Player().BytesRead(), Track(2).size());

  selected_ = 2;  // Play resumes the paused track, whichever row is selected
  playback.PlayExecute();
  EXPECT_TRUE(playback.PauseEnabled());
  ASSERT_TRUE(WaitEvents([&] { return !playback.Playing(); }));
  EXPECT_EQ(card.Finish(), Track(2));
}

TEST_F(PlaybackTest, PlayOnAnotherRowWhilePlayingStartsThatRow) {
  Load(Tracks({20, 3000, 20, 20, 30}));
  TPacedCard card;  // outlives the play, which it has to take to its end
  TCdPlayback playback(View());
  playback.Player().SetOutputChannel(FifoChannel());
  selected_ = 1;
  playback.PlayExecute();
  ASSERT_TRUE(WaitEvents([&] { return playback.Player().BytesRead() > 0; }));
  card.AllowAll();
  selected_ = 4;
  playback.PlayExecute();
  EXPECT_EQ(status_, "Play Track5");
  ASSERT_TRUE(WaitEvents([&] { return !playback.Playing(); }));
  const QByteArray played = card.Finish();
  const QByteArray row5 = Track(5);
  ASSERT_GT(played.size(), row5.size());
  // What row 2 had played when it was cut off, then all of row 5.
  EXPECT_TRUE(played.endsWith(row5));
  const QByteArray row2Part = played.left(played.size() - row5.size());
  EXPECT_LT(row2Part.size(), Track(2).size());
  EXPECT_EQ(row2Part, Track(2).left(row2Part.size()));
}

TEST_F(PlaybackTest, DataTrackIsNeverPlayed) {
  TDiscDescription disc = Tracks({30, 20, 40});
  disc.Tracks[2].Content = TTrackContent::Data;
  Load(disc);
  TCdPlayback playback(View());
  // The audio track before it ends where the data begins.
  selected_ = 1;
  playback.PlayExecute();
  ASSERT_TRUE(WaitEvents([&] { return !playback.Playing(); }));
  EXPECT_EQ(TAlsaTestCard::Played(), Track(2));
  // The data row is refused; as with any failed play, Stop stays enabled.
  TAlsaTestCard::Clear();
  selected_ = 2;
  playback.PlayExecute();
  EXPECT_FALSE(playback.Player().Busy());
  EXPECT_TRUE(playback.StopEnabled());
  EXPECT_EQ(status_, "Play Track3");
  playback.StopExecute();
  EXPECT_EQ(status_, "Virtual disc");
  EXPECT_TRUE(TAlsaTestCard::Played().isEmpty());
}

TEST_F(PlaybackTest, FailedPlayKeepsStopEnabledUntilStop) {
  TCdPlayback playback(View());  // no drive: handle 0
  disc_ = Tracks({10});
  selected_ = 0;
  playback.PlayExecute();
  EXPECT_TRUE(playback.StopEnabled());
  EXPECT_EQ(status_, "Play Track1");
  playback.PauseExecute();  // swallowed as well
  playback.StopExecute();
  EXPECT_FALSE(playback.Playing());
  EXPECT_EQ(status_, "Virtual disc");
}

TEST_F(PlaybackTest, EjectAndCloseOnADiscImageDoNothing) {
  Load(Tracks({30, 20}));
  const QString before = CdMediaSignature(handle_);
  EjectCDExecute(handle_);
  CloseCDExecute(handle_);
  EXPECT_FALSE(TCdPlayer::DoorOpen(handle_));
  EXPECT_EQ(CdMediaSignature(handle_), before);
  CDTOC toc{};
  EXPECT_EQ(ReadTOC(handle_, &toc), 1);
  EXPECT_EQ(toc.LastTrack, 2);
}

TEST_F(PlaybackTest, ClosingStopsPlaybackBeforeTheDriveIsClosed) {
  Load(Tracks({30, 3000}));
  TPacedCard card;  // outlives the play, which it has to take to its end
  TCdPlayback playback(View());
  playback.Player().SetOutputChannel(FifoChannel());
  selected_ = 1;
  playback.PlayExecute();
  ASSERT_TRUE(WaitEvents([&] { return playback.Player().BytesRead() > 0; }));
  card.AllowAll();
  TCloseInput input;
  input.CDHandle = handle_;
  input.Playing = playback.Playing();
  std::optional<bool> driveOpenAtStop;
  input.StopPlayer = [&] {
    driveOpenAtStop = !CdMediaSignature(handle_).isEmpty();
    playback.StopExecute();
  };
  RunCloseSequence(input);
  handle_ = 0;  // closed by the sequence
  EXPECT_EQ(driveOpenAtStop, std::optional<bool>(true));
  EXPECT_FALSE(playback.Player().Busy());
  EXPECT_FALSE(playback.Player().IsOpen());
  const QByteArray played = card.Finish();
  EXPECT_EQ(played, Track(2).left(played.size()));
}

TEST(VolumeControlTest, PavucontrolElseAlsamixerInATerminal) {
  struct Case {
    QStringList installed;
    TProgramCall expected;
  } cases[] = {
      {{"pavucontrol", "x-terminal-emulator"}, {"/bin/pavucontrol", {}}},
      {{"x-terminal-emulator"}, {"/bin/x-terminal-emulator", {"-e", "alsamixer"}}},
      {{}, {"x-terminal-emulator", {"-e", "alsamixer"}}},
  };
  for (const Case& c : cases) {
    const TProgramCall call = VolumeControlCall([&c](const QString& name) {
      return c.installed.contains(name) ? "/bin/" + name : QString();
    });
    EXPECT_EQ(call.Program, c.expected.Program);
    EXPECT_EQ(call.Arguments, c.expected.Arguments);
  }
}
