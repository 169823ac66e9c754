// The media poll: an image appearing, disappearing or being replaced is an
// arrival, a removal, or both in that order.
#include "../platform/CdImageFixture.h"
#include "MessageSink.h"
#include "cd/DriveAccess.h"
#include "cd/MediaWatcher.h"
#include "platform/CdDriveLibrary.h"
#include "settings/OptionsSetting.h"

#include <QFile>
#include <QStringList>

namespace {
class MediaWatcher : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    OptionsSetting.CDInfo = TCDInfo();
    QObject::connect(&watcher, &TMediaWatcher::Arrived, [this] {
      events << "arrived";
      drive.LoadTrackList();
    });
    QObject::connect(&watcher, &TMediaWatcher::Removed, [this] {
      events << "removed";
      drive.ClearRows();
    });
  }
  void TearDown() override {
    watcher.Stop();
    for (int32_t h = 1; h <= kMaxCDHandles; ++h) CloseCDHandle(h);
    TCdImageFixture::TearDown();
  }

  void RemoveImage(const QString& name) {
    ASSERT_TRUE(QFile::remove(CuePath(name)));
    ASSERT_TRUE(QFile::remove(DiscsFolder() + "/" + name + ".bin"));
  }

  TDriveAccess drive;
  TMediaWatcher watcher{&drive};
  QStringList events;
};

TEST_F(MediaWatcher, NothingHappensWhileTheDiscStays) {
  AddImage("still", AudioDisc({2}));
  ASSERT_NE(drive.OpenDrive(0), 0);
  watcher.Start();
  watcher.PollNow();
  watcher.PollNow();
  EXPECT_TRUE(events.isEmpty());
}

TEST_F(MediaWatcher, RemovalThenArrivalOfAnImage) {
  AddImage("disc", AudioDisc({2, 3}));
  ASSERT_NE(drive.OpenDrive(0), 0);
  drive.LoadTrackList();
  watcher.Start();

  RemoveImage("disc");
  watcher.PollNow();
  EXPECT_EQ(events, QStringList{"removed"});
  EXPECT_TRUE(drive.Rows().empty());

  AddImage("disc", AudioDisc({2, 3, 4}));
  watcher.PollNow();
  EXPECT_EQ(events, (QStringList{"removed", "arrived"}));
  EXPECT_EQ(drive.Rows().size(), 3u);
  watcher.PollNow();
  EXPECT_EQ(events.size(), 2);
}

TEST_F(MediaWatcher, SwappedImageIsRemovalAndArrival) {
  AddImage("swap", AudioDisc({2}));
  ASSERT_NE(drive.OpenDrive(0), 0);
  drive.LoadTrackList();
  watcher.Start();
  AddImage("swap", AudioDisc({1, 1, 1, 1}));
  watcher.PollNow();
  EXPECT_EQ(events, (QStringList{"removed", "arrived"}));
  EXPECT_EQ(drive.Rows().size(), 4u);
}

TEST_F(MediaWatcher, MissingBinCountsAsNoDisc) {
  AddImage("half", AudioDisc({2}));
  ASSERT_NE(drive.OpenDrive(0), 0);
  watcher.Start();
  ASSERT_TRUE(QFile::remove(DiscsFolder() + "/half.bin"));
  watcher.PollNow();
  EXPECT_EQ(events, QStringList{"removed"});
}

TEST_F(MediaWatcher, AnotherDriveIsTakenAsItIs) {
  AddImage("a", AudioDisc({2}));
  AddImage("b", AudioDisc({3}));
  ASSERT_NE(drive.OpenDrive(0), 0);
  watcher.Start();
  ASSERT_NE(drive.OpenDrive(1), 0);
  watcher.PollNow();
  EXPECT_TRUE(events.isEmpty());
  RemoveImage("b");
  watcher.PollNow();
  EXPECT_EQ(events, QStringList{"removed"});
}

TEST_F(MediaWatcher, TimerPollsOnItsOwn) {
  AddImage("timed", AudioDisc({2}));
  ASSERT_NE(drive.OpenDrive(0), 0);
  watcher.Start();
  RemoveImage("timed");
  EXPECT_TRUE(PumpEventsUntil([&] { return !events.isEmpty(); }, 10000));
  EXPECT_EQ(events, QStringList{"removed"});
}
}  // namespace
