#include "TagTestFiles.h"
#include "tags/Id3Tag.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

using namespace tagtest;

namespace {

class Id3BadInput : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString TaggedFile(const QString& name) {
    const QString path = Path(name);
    EXPECT_TRUE(WriteBytes(path, AudioBytes(400) + RawTag("Original", "", "", "", "", 17)));
    return path;
  }
  static Tid3tag NewTag() {
    Tid3tag tag;
    tag.SetTitle("New");
    return tag;
  }

  QTemporaryDir dir_;
};

// Runs `body` in a child process and returns its result code (shifted into
// the exit status). When `asNobody`, the child first gives up root, so
// permission checks apply even when the tests run as root.
int InChild(bool asNobody, const std::function<uint16_t()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (asNobody && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(99);
    const uint16_t result = body();
    _exit(result >> 8);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) << 8 : -1;
}

}  // namespace

TEST_F(Id3BadInput, MissingFileGives256AndCreatesNothing) {
  const QString path = Path("missing.mp3");
  Tid3tag tag = NewTag();
  EXPECT_EQ(tag.ReadTag(path), 0x100);
  EXPECT_EQ(tag.Title(), "New");
  EXPECT_EQ(tag.WriteTag(path), 0x100);
  EXPECT_EQ(tag.WriteTag("="), 0x100);
  tag.RemoveTag();
  EXPECT_FALSE(QFileInfo::exists(path));
  Tid3tag fresh;
  EXPECT_EQ(fresh.WriteTag("="), 0x100);  // no file name yet
  EXPECT_EQ(fresh.WriteTag(""), 0x100);
}

TEST_F(Id3BadInput, DirectoryIsNotAFile) {
  const QString path = Path("folder.mp3");
  ASSERT_TRUE(QDir().mkdir(path));
  Tid3tag tag = NewTag();
  EXPECT_EQ(tag.ReadTag(path), 0x100);
  EXPECT_EQ(tag.WriteTag(path), 0x100);
  tag.RemoveTag();
  EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(Id3BadInput, FifoIsRefusedWithoutBlocking) {
  const QString path = Path("pipe.mp3");
  ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
  Tid3tag tag = NewTag();
  EXPECT_EQ(tag.ReadTag(path), 0x100);
  EXPECT_EQ(tag.WriteTag(path), 0x100);
  tag.RemoveTag();
}

TEST_F(Id3BadInput, ReadOnlyFileReadsButRefusesWriteAndRemove) {
  const QString path = TaggedFile("readonly.mp3");
  const QByteArray before = ReadBytes(path);
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  Tid3tag tag;
  ASSERT_EQ(tag.ReadTag(path), 0);
  EXPECT_TRUE(tag.FileProtected());
  EXPECT_EQ(tag.Title(), "Original");
  tag.SetTitle("Changed");
  EXPECT_EQ(tag.WriteTag("="), 0x200);
  tag.RemoveTag();
  EXPECT_EQ(ReadBytes(path), before);

  // The protection is taken from the file at write time, not from the read.
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
  EXPECT_EQ(tag.WriteTag("="), 0);
}

TEST_F(Id3BadInput, ForeignUsersFileIsProtected) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to own a file of another user";
  const QString path = TaggedFile("foreign.mp3");
  const QByteArray before = ReadBytes(path);
  ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
  ::chmod(QFile::encodeName(path).constData(), 0644);  // root's, writable by root only
  EXPECT_EQ(InChild(true, [&] { return NewTag().WriteTag(path); }), 0x200);
  // Reading works and reports the protection.
  EXPECT_EQ(InChild(true,
                    [&] {
                      Tid3tag tag;
                      const uint16_t read = tag.ReadTag(path);
                      return uint16_t(read | (tag.FileProtected() ? 0x200 : 0));
                    }),
            0x200);
  EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(Id3BadInput, UnreadableFileCannotBeOpened) {
  const QString path = TaggedFile("unreadable.mp3");
  ::chmod(QFile::encodeName(dir_.path()).constData(), 0777);
  ::chmod(QFile::encodeName(path).constData(), 0222);  // write only
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
  }
  EXPECT_EQ(InChild(true, [&] { return Tid3tag().ReadTag(path); }), 0x100);
}

TEST_F(Id3BadInput, SymbolicLinkActsOnItsTarget) {
  const QString target = TaggedFile("target.mp3");
  const QString link = Path("link.mp3");
  ASSERT_TRUE(QFile::link(target, link));
  Tid3tag tag;
  ASSERT_EQ(tag.ReadTag(link), 0);
  EXPECT_EQ(tag.Title(), "Original");
  tag.SetTitle("Through link");
  ASSERT_EQ(tag.WriteTag("="), 0);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(QFileInfo(target).size(), 528);
  Tid3tag reader;
  ASSERT_EQ(reader.ReadTag(target), 0);
  EXPECT_EQ(reader.Title(), "Through link");

  const QString dangling = Path("dangling.mp3");
  ASSERT_TRUE(QFile::link(Path("nowhere.mp3"), dangling));
  EXPECT_EQ(tag.ReadTag(dangling), 0x100);
  EXPECT_EQ(tag.WriteTag(dangling), 0x100);
  EXPECT_FALSE(QFileInfo::exists(Path("nowhere.mp3")));
}

TEST_F(Id3BadInput, FileRemovedBetweenCalls) {
  const QString path = TaggedFile("vanishing.mp3");
  Tid3tag tag;
  ASSERT_EQ(tag.ReadTag(path), 0);
  ASSERT_TRUE(QFile::remove(path));
  EXPECT_EQ(tag.WriteTag("="), 0x100);
  tag.RemoveTag();
  EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(Id3BadInput, FileLockedByAnotherWriterIsLeftAlone) {
  const QString path = TaggedFile("locked.mp3");
  const QByteArray before = ReadBytes(path);
  const int holder = ::open(QFile::encodeName(path).constData(), O_RDWR);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  Tid3tag tag = NewTag();
  EXPECT_EQ(tag.WriteTag(path), 0x100);
  tag.RemoveTag();
  EXPECT_EQ(tag.ReadTag(path), 0);  // reading stays possible
  EXPECT_EQ(ReadBytes(path), before);
  ::close(holder);
  EXPECT_EQ(tag.WriteTag(path), 0);
}

TEST_F(Id3BadInput, FailedAppendLeavesTheFileAsItWas) {
  const QString path = Path("full.mp3");
  ASSERT_TRUE(WriteBytes(path, AudioBytes(1000)));
  // A file size limit just past the end makes the append fail half way.
  const int result = InChild(false, [&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1050, 1050};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    return NewTag().WriteTag(path);
  });
  EXPECT_EQ(result, 0x400);
  EXPECT_EQ(ReadBytes(path), AudioBytes(1000));
}

TEST_F(Id3BadInput, TooShortForATagEvenWithTagMagic) {
  const QString path = Path("tiny.mp3");
  ASSERT_TRUE(WriteBytes(path, RawTag("Cut", "", "", "", "", 1).left(127)));
  Tid3tag tag;
  EXPECT_EQ(tag.ReadTag(path), 0x1000);
  tag.RemoveTag();
  EXPECT_EQ(QFileInfo(path).size(), 127);
  const QString empty = Path("empty.mp3");
  ASSERT_TRUE(WriteBytes(empty, {}));
  EXPECT_EQ(tag.ReadTag(empty), 0x1000);
  EXPECT_EQ(tag.WriteTag("="), 0);
  EXPECT_EQ(QFileInfo(empty).size(), 128);
}
