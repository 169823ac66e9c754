#include "settings/SharedRoutines.h"

#include "SettingsFixture.h"

#include <QDir>
#include <QElapsedTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

TEST(FormatTwoDigitsTest, PadsOnlySingleDigits) {
  EXPECT_EQ(FormatTwoDigits(0), "00");
  EXPECT_EQ(FormatTwoDigits(7), "07");
  EXPECT_EQ(FormatTwoDigits(10), "10");
  EXPECT_EQ(FormatTwoDigits(100), "100");
}

TEST(WithTrailingBackslashTest, AppendsOneSeparator) {
  EXPECT_EQ(WithTrailingBackslash("/music"), "/music/");
  EXPECT_EQ(WithTrailingBackslash("/music/"), "/music/");
  EXPECT_EQ(WithTrailingBackslash("/"), "/");
  EXPECT_EQ(WithTrailingBackslash(""), "");
}

TEST(WaitMillisecondsTest, WaitsAtLeastTheTime) {
  QElapsedTimer t;
  t.start();
  WaitMilliseconds(15);
  EXPECT_GE(t.elapsed(), 15);
}

using FileRoutinesTest = TProgramFolderTest;

TEST_F(FileRoutinesTest, FileInUseWhenAnotherHolderLocksIt) {
  EXPECT_FALSE(IsFileInUse(Path("missing.wav")));
  WriteFile("a.wav", "data");
  EXPECT_FALSE(IsFileInUse(Path("a.wav")));
  const int fd = ::open(QFile::encodeName(Path("a.wav")).constData(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_TRUE(IsFileInUse(Path("a.wav")));
  ::close(fd);
  EXPECT_FALSE(IsFileInUse(Path("a.wav")));
  // A folder cannot be opened for writing.
  EXPECT_TRUE(IsFileInUse(dir_.path()));
}

TEST_F(FileRoutinesTest, SizeIsTheTrue64BitSize) {
  EXPECT_EQ(GetFileSizeOrMinusOne(Path("missing")), -1);
  EXPECT_EQ(GetFileSizeOrMinusOne(""), -1);
  WriteFile("small", "12345");
  EXPECT_EQ(GetFileSizeOrMinusOne(Path("small")), 5);
  QFile big(Path("big"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  const qint64 size = 5LL * 1024 * 1024 * 1024 + 3;  // sparse, takes no disk
  ASSERT_TRUE(big.resize(size));
  big.close();
  EXPECT_EQ(GetFileSizeOrMinusOne(Path("big")), size);
}

TEST_F(FileRoutinesTest, RelativePathsAreTakenFromTheCurrentFolder) {
  WriteFile("rel.txt", "abc");
  const QString old = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  EXPECT_EQ(GetFileSizeOrMinusOne("rel.txt"), 3);
  QDir::setCurrent(old);
}

}  // namespace
