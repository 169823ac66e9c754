// The audio writers' staged output: the target changes only on Commit, whole,
// and nothing is left beside it either way.
#include "FileSizeLimit.h"
#include "platform/StagedFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

QByteArray Contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// a.wav in dir, holding "old": the file a staged output replaces.
QString OldTarget(const QTemporaryDir& dir) {
  const QString target = dir.filePath("a.wav");
  WriteFile(target, "old");
  return target;
}

QStringList Entries(const QTemporaryDir& dir) {
  return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(StagedFile, TargetChangesOnlyOnCommitAndKeepsItsPermissions) {
  QTemporaryDir dir;
  const QString target = OldTarget(dir);
  ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
  TStagedFile file(target);
  ASSERT_TRUE(file.Open());
  file.write("new contents");
  EXPECT_EQ(Contents(target), "old");
  EXPECT_EQ(Entries(dir), QStringList{"a.wav"});  // the new file has no name yet
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(Contents(target), "new contents");
  EXPECT_EQ(Entries(dir), QStringList{"a.wav"});
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(StagedFile, DiscardedOrAbandonedFilesLeaveNothing) {
  QTemporaryDir dir;
  const QString target = OldTarget(dir);
  {
    TStagedFile file(target);
    ASSERT_TRUE(file.Open());
    file.write("partial");
    file.Discard();
    EXPECT_FALSE(file.Commit());
  }
  { TStagedFile(dir.filePath("b.wav")).Open(); }  // destroyed uncommitted
  EXPECT_EQ(Contents(target), "old");
  EXPECT_EQ(Entries(dir), QStringList{"a.wav"});
  EXPECT_FALSE(TStagedFile(dir.filePath("missing/c.wav")).Open());
}

TEST(StagedFile, AFullDiskFailsTheCommitAndKeepsTheTarget) {
  QTemporaryDir dir;
  const QString target = OldTarget(dir);
  TStagedFile file(target);
  ASSERT_TRUE(file.Open());
  {
    TFileSizeLimit full(1000);
    file.write(QByteArray(5000, 'x'));  // buffered: the failure shows on flush
    EXPECT_FALSE(file.Commit());
  }
  EXPECT_EQ(Contents(target), "old");
  EXPECT_EQ(Entries(dir), QStringList{"a.wav"});
}

// Small writes are gathered into large ones; a seek back (a header
// patched at the end) and the size see every byte written before them.
TEST(StagedFile, GatheredWritesLandInOrder) {
  QTemporaryDir dir;
  const QString target = dir.filePath("a.wav");
  QByteArray expected;
  for (int i = 0; i < 700; ++i) expected += QByteArray(1000, char('a' + i % 26));
  expected += QByteArray(TStagedFile::kWritePiece, 'z');  // one piece written whole
  TStagedFile file(target);
  ASSERT_TRUE(file.Open());
  for (int i = 0; i < 700; ++i) ASSERT_EQ(file.write(expected.mid(i * 1000, 1000)), 1000);
  ASSERT_EQ(file.write(expected.right(TStagedFile::kWritePiece)), TStagedFile::kWritePiece);
  ASSERT_EQ(file.write("tail"), 4);
  expected += "tail";
  EXPECT_EQ(file.size(), expected.size());
  ASSERT_TRUE(file.seek(4));
  ASSERT_EQ(file.write("SIZE"), 4);
  expected.replace(4, 4, "SIZE");
  ASSERT_TRUE(file.seek(file.size()));
  ASSERT_TRUE(file.Commit());
  EXPECT_TRUE(Contents(target) == expected);
}

TEST(StagedFile, WritingThroughALinkReplacesTheFileItPointsTo) {
  QTemporaryDir dir;
  const QString real = dir.filePath("real.wav"), link = dir.filePath("link.wav");
  WriteFile(real, "old");
  ASSERT_TRUE(QFile::link(real, link));
  TStagedFile file(link);
  ASSERT_TRUE(file.Open());
  file.write("new");
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(Contents(real), "new");
  EXPECT_TRUE(QFileInfo(link).isSymLink());
}

}  // namespace
