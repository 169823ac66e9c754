// The Wine user hive: edits in memory keep every other byte; the file is
// rewritten whole or not at all. (The players' lists, the real process
// check and the prefix are driven end to end in tests/app/AuxiliaryTest.)
#include "FileSizeLimit.h"
#include "platform/WineRegistry.h"
#include "platform/WineRegistryFile.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QByteArray kHive = R"(WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Control Panel\\Desktop] 1700000000
#time=1d9a1b2c3d4e5f6
"Wallpaper"=""

[Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList] 1700000001
#time=1d9a1b2c3d4e5f7
"File0"="C:\\users\\me\\Music\\a.wma"
"Other"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\
  17,18,19,1a
"file1"="C:\\users\\me\\Music\\b.wma"

[Software\\Odd\\Br\]acket\\Caf\x00e9] 1700000002
@="x"

[Software\\Parent\\Child] 1700000003
"a"=dword:00000001
)";

QString Key(const char* path) { return QString::fromLatin1(path); }

}  // namespace

TEST(RegistryTextTest, DeletingAKeyRemovesExactlyItsSection) {
  TRegistryText registry(kHive);
  EXPECT_TRUE(registry.DeleteKey(Key("control panel\\DESKTOP")));
  QByteArray expected = kHive;
  expected.remove(expected.indexOf("[Control Panel"),
                  expected.indexOf("[Software\\\\Microsoft") - expected.indexOf("[Control Panel"));
  EXPECT_EQ(registry.Bytes(), expected);
  EXPECT_FALSE(registry.KeyExists(Key("Control Panel\\Desktop")));
  EXPECT_FALSE(registry.DeleteKey(Key("Control Panel\\Desktop")));  // gone now
}

TEST(RegistryTextTest, SubkeysHoldTheirParentAndEscapedNamesMatchUnescaped) {
  TRegistryText registry(kHive);
  EXPECT_TRUE(registry.KeyExists(Key("Software\\Parent")));
  EXPECT_FALSE(registry.DeleteKey(Key("Software\\Parent")));
  EXPECT_FALSE(registry.KeyExists(Key("Software\\Paren")));
  EXPECT_EQ(registry.Bytes(), kHive);
  EXPECT_TRUE(registry.DeleteKey(QString("Software\\Odd\\Br]acket\\Caf") + QChar(0xe9)));
  EXPECT_FALSE(registry.Bytes().contains("Br\\]acket"));
}

TEST(RegistryTextTest, ValuesGoWithTheirContinuationLinesOthersStay) {
  TRegistryText registry(kHive);
  const QString key = Key("Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList");
  EXPECT_TRUE(registry.DeleteValue(key, "OTHER"));
  EXPECT_TRUE(registry.DeleteValue(key, "File1"));  // written "file1"
  EXPECT_FALSE(registry.DeleteValue(key, "File1"));
  EXPECT_FALSE(registry.DeleteValue(key, "File2"));
  EXPECT_FALSE(registry.DeleteValue(Key("Software\\Missing"), "File0"));
  QByteArray expected = kHive;
  const qsizetype other = expected.indexOf("\"Other\"");
  expected.remove(other, expected.indexOf("[Software\\\\Odd") - 1 - other);
  EXPECT_EQ(registry.Bytes(), expected);
  EXPECT_TRUE(registry.DeleteValue(Key("Software\\Odd\\Br]acket\\Caf") + QChar(0xe9), "@"));
}

TEST(RegistryFileTest, MissingUnreadableAndUnwritableHivesDeleteNothing) {
  QTemporaryDir dir;
  int edits = 0;
  auto deleteAll = [&edits](TRegistryText& r) {
    ++edits;
    return r.DeleteKey(Key("Control Panel\\Desktop")) ? 1 : 0;
  };
  EXPECT_EQ(EditRegistryFile(dir.filePath("none.reg"), deleteAll), 0);
  EXPECT_FALSE(QFile::exists(dir.filePath("none.reg")));
  EXPECT_EQ(EditRegistryFile(dir.path(), deleteAll), 0);  // a folder
  EXPECT_EQ(edits, 1);                                    // the folder was never parsed

  // A full disk: the new text cannot be written, the old file stays.
  const QString path = dir.filePath("user.reg");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(kHive);
  file.close();
  {
    TFileSizeLimit full(64);
    EXPECT_EQ(EditRegistryFile(path, deleteAll), 0);
  }
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), kHive);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"user.reg"});
}

TEST(RegistryTextTest, DamagedHivesKeepTheirBytesAndRefuseEdits) {
  const QByteArray damaged[] = {
      "",
      "[unterminated\\",
      "[Software\\\\A] 1\n\"Other\"=hex:01,\\",
      "[Software\\\\A\\x",
      "\"File0\"=\"no section\"\n[",
      QByteArray("[Software\\\\A] 1\r\n\"F\0ile0\"=\"x\"\r\n", 30),
  };
  for (const QByteArray& bytes : damaged) {
    TRegistryText registry(bytes);
    EXPECT_FALSE(registry.DeleteValue(Key("Software\\A"), "File0")) << bytes.toStdString();
    EXPECT_FALSE(registry.DeleteKey(Key("Software\\B")));
    EXPECT_EQ(registry.Bytes(), bytes);
  }
  TRegistryText dangling(damaged[2]);  // a continuation at the very end
  EXPECT_TRUE(dangling.DeleteValue(Key("Software\\A"), "other"));
  EXPECT_EQ(dangling.Bytes(), "[Software\\\\A] 1\n");
}

// Wine reads a key named by two sections as one key holding both sections'
// values, so a deletion covers both.
TEST(RegistryTextTest, AKeyNamedTwiceIsDeletedWholeAndItsValuesFoundInEither) {
  const QByteArray hive =
      "[Software\\\\A] 1\n\"x\"=\"1\"\n\n[Other] 2\n\"z\"=\"3\"\n\n"
      "[software\\\\a] 3\n\"y\"=\"2\"\n";
  TRegistryText registry(hive);
  EXPECT_TRUE(registry.DeleteValue(Key("Software\\A"), "Y"));
  QByteArray expected = hive;
  expected.chop(QByteArray("\"y\"=\"2\"\n").size());
  EXPECT_EQ(registry.Bytes(), expected);
  EXPECT_FALSE(registry.DeleteValue(Key("Software\\A"), "y"));
  EXPECT_TRUE(registry.DeleteKey(Key("Software\\A")));
  EXPECT_EQ(registry.Bytes(), "[Other] 2\n\"z\"=\"3\"\n\n");
  EXPECT_FALSE(registry.KeyExists(Key("Software\\A")));
}
