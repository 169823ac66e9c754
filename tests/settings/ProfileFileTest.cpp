#include "settings/ProfileFile.h"

#include "FileSizeLimit.h"
#include "SettingsFixture.h"

#include <sys/stat.h>
#include <QDir>
#include <QFileInfo>

namespace {

using ProfileFileTest = TProgramFolderTest;

TEST_F(ProfileFileTest, NamesMatchWithoutRegardToCase) {
  WriteFile("a.ini", "[Common]\nOutputFormat=3\n");
  TProfileFile f(Path("a.ini"));
  EXPECT_EQ(f.ReadInteger("COMMON", "outputformat", 0), 3);
  EXPECT_EQ(f.ReadString("common", "OUTPUTFORMAT", "x"), "3");
  EXPECT_EQ(f.ReadString("other", "OutputFormat", "x"), "x");
}

TEST_F(ProfileFileTest, IntegersAreDecimalOrHexElseDefault) {
  WriteFile("a.ini",
            "[s]\ndec=-42\nhex=0x2\nHEX=0XfF\nbig=99999999999\nword=yes\nempty=\n"
            "wrap=0xFFFFFFFF\nspaced=  17  \nhalf=12abc\n");
  TProfileFile f(Path("a.ini"));
  EXPECT_EQ(f.ReadInteger("s", "dec", 7), -42);
  EXPECT_EQ(f.ReadInteger("s", "hex", 7), 2);
  EXPECT_EQ(f.ReadInteger("s", "big", 7), 7);
  EXPECT_EQ(f.ReadInteger("s", "word", 7), 7);
  EXPECT_EQ(f.ReadInteger("s", "empty", 7), 7);
  EXPECT_EQ(f.ReadInteger("s", "wrap", 7), -1);
  EXPECT_EQ(f.ReadInteger("s", "spaced", 7), 17);
  EXPECT_EQ(f.ReadInteger("s", "half", 7), 7);
  EXPECT_EQ(f.ReadInteger("s", "missing", 7), 7);
}

TEST_F(ProfileFileTest, BooleansReadAsIntegers) {
  WriteFile("a.ini", "[s]\nyes=yes\ntwo=2\nzero=0\nneg=-1\n");
  TProfileFile f(Path("a.ini"));
  EXPECT_FALSE(f.ReadBool("s", "yes", false));
  EXPECT_TRUE(f.ReadBool("s", "yes", true));
  EXPECT_TRUE(f.ReadBool("s", "two", false));
  EXPECT_FALSE(f.ReadBool("s", "zero", true));
  EXPECT_TRUE(f.ReadBool("s", "neg", false));
}

TEST_F(ProfileFileTest, LongStringsAreCutTo2047) {
  WriteFile("a.ini", "[s]\nlong=" + QByteArray(5000, 'x') + "\n");
  TProfileFile f(Path("a.ini"));
  EXPECT_EQ(f.ReadString("s", "long", "").size(), 2047);
}

TEST_F(ProfileFileTest, RewriteKeepsEveryOtherLineByteForByte) {
  QByteArray before("\xEF\xBB\xBF; comment line\r\n[Unknown]\r\nKeep=me\r\n");
  before += "garbage without equals\r\n";
  before += QByteArray("bin\x01\x02\xFF=\x00\x7F\r\n", 11);  // holds a NUL byte
  before += "\r\n[Mine]\r\nValue=old\r\nvalue=duplicate\r\n";
  before += "Other=" + QByteArray(10000, 'L') + "\r\n";
  before += "[Tail]\nlf=only";  // mixed endings, no final line break
  ASSERT_EQ(before.count('\0'), 1);
  WriteFile("a.ini", before);
  TProfileFile f(Path("a.ini"));
  EXPECT_EQ(f.ReadString("mine", "value", ""), "old");  // the first of duplicates
  f.WriteString("MINE", "VALUE", "new");
  f.Save();
  QByteArray expected = before;
  expected.replace("Value=old", "Value=new");
  EXPECT_EQ(ReadFile("a.ini"), expected);
}

TEST_F(ProfileFileTest, BomDoesNotHideTheFirstSection) {
  WriteFile("a.ini", "\xEF\xBB\xBF[s]\nk=5\n");
  TProfileFile f(Path("a.ini"));
  EXPECT_EQ(f.ReadInteger("s", "k", 0), 5);
}

TEST_F(ProfileFileTest, MissingFileAndSectionAreCreated) {
  TProfileFile f(Path("new.ini"));
  f.WriteString("One", "a", "1");
  f.WriteString("Two", "b", "2");
  f.WriteString("One", "c", "3");
  f.Save();
  EXPECT_EQ(ReadFile("new.ini"), "[One]\na=1\nc=3\n[Two]\nb=2\n");
}

TEST_F(ProfileFileTest, NewKeyGoesBeforeTheBlankLinesOfItsSection) {
  WriteFile("a.ini", "[One]\na=1\n\n[Two]\nb=2");
  TProfileFile f(Path("a.ini"));
  f.WriteString("one", "z", "9");
  f.WriteString("two", "y", "8");
  f.Save();
  EXPECT_EQ(ReadFile("a.ini"), "[One]\na=1\nz=9\n\n[Two]\nb=2\ny=8\n");
}

TEST_F(ProfileFileTest, CrlfFilesGetCrlfLines) {
  WriteFile("a.ini", "[s]\r\na=1\r\n");
  TProfileFile f(Path("a.ini"));
  f.WriteString("s", "b", "2");
  f.WriteString("t", "c", "3");
  f.Save();
  EXPECT_EQ(ReadFile("a.ini"), "[s]\r\na=1\r\nb=2\r\n[t]\r\nc=3\r\n");
}

TEST_F(ProfileFileTest, ValuesWithBracketsReadBackTheSame) {
  TProfileFile f(Path("a.ini"));
  f.WriteString("s", "k", "[not a section] = x");
  f.Save();
  TProfileFile again(Path("a.ini"));
  EXPECT_EQ(again.ReadString("s", "k", ""), "[not a section] = x");
}

TEST_F(ProfileFileTest, NamesAndValuesThatCannotBeStoredAreRefused) {
  TProfileFile f(Path("a.ini"));
  EXPECT_THROW(f.WriteString("a]b", "k", "v"), std::invalid_argument);
  EXPECT_THROW(f.WriteString("a\nb", "k", "v"), std::invalid_argument);
  EXPECT_THROW(f.WriteString("s", "k=1", "v"), std::invalid_argument);
  EXPECT_THROW(f.WriteString("s", "k", "two\nlines"), std::invalid_argument);
  EXPECT_THROW(f.WriteString("s", "k", "cr\ronly"), std::invalid_argument);
  f.Save();
  EXPECT_EQ(ReadFile("a.ini"), "");
}

TEST_F(ProfileFileTest, RefusedWriteNamesTheFullPathAndKeepsTheFile) {
  WriteFile("a.ini", "[s]\nk=old\n");
  ASSERT_EQ(::chmod(QFile::encodeName(Path("a.ini")).constData(), 0444), 0);
  TProfileFile f(Path("a.ini"));
  f.WriteString("s", "k", "new");
  try {
    f.Save();
    FAIL() << "a read-only file was written";
  } catch (const TProfileWriteError& e) {
    EXPECT_EQ(QString(e.what()), "Unable to write to " + QDir(Path("a.ini")).absolutePath());
  }
  EXPECT_EQ(ReadFile("a.ini"), "[s]\nk=old\n");
}

TEST_F(ProfileFileTest, MissingFolderIsARefusedWrite) {
  TProfileFile f(Path("no/such/folder/a.ini"));
  f.WriteString("s", "k", "v");
  EXPECT_THROW(f.Save(), TProfileWriteError);
}

TEST_F(ProfileFileTest, SaveLeavesNoTemporaryFileBehind) {
  TProfileFile f(Path("a.ini"));
  f.WriteString("s", "k", "v");
  f.Save();
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.ini"});
}

// A FIFO, a link to an endless device or an oversized file is neither read
// (no freeze, no memory run-away) nor saved over.
TEST_F(ProfileFileTest, FileThatIsNotAReadableProfileIsLeftAlone) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo.ini")).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link("/dev/zero", Path("zero.ini")));
  WriteFile("big.ini", "[s]\nk=v\n");
  ASSERT_TRUE(QFile(Path("big.ini")).resize(TProfileFile::kMaxProfileBytes + 1));
  for (const char* name : {"fifo.ini", "zero.ini", "big.ini"}) {
    TProfileFile f(Path(name));
    EXPECT_TRUE(f.Unreadable()) << name;
    EXPECT_EQ(f.ReadString("s", "k", "default"), "default") << name;
    f.WriteString("s", "k", "new");
    EXPECT_THROW(f.Save(), TProfileWriteError) << name;
  }
  EXPECT_EQ(QFileInfo(Path("big.ini")).size(), TProfileFile::kMaxProfileBytes + 1);
  EXPECT_TRUE(QFileInfo(Path("zero.ini")).isSymLink());
}

// A full disk mid-save is a refused write and leaves the old file whole.
TEST_F(ProfileFileTest, FullDiskKeepsTheOldFile) {
  const QByteArray old = "[s]\nk=old\n";
  WriteFile("a.ini", old);
  TProfileFile f(Path("a.ini"));
  f.WriteString("s", "k", QString(1500, 'x'));
  {
    TFileSizeLimit limit(1000);
    EXPECT_THROW(f.Save(), TProfileWriteError);
  }
  EXPECT_EQ(ReadFile("a.ini"), old);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.ini"});
}

}  // namespace
