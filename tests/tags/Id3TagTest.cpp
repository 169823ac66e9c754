#include "TagTestFiles.h"
#include "tags/Id3Tag.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

using namespace tagtest;

namespace {

class Id3TagFile : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  // A file of `audio` bytes followed by `tail`.
  QString Make(const QString& name, int audio, const QByteArray& tail = {}) {
    const QString path = Path(name);
    EXPECT_TRUE(WriteBytes(path, AudioBytes(audio) + tail));
    return path;
  }
  QByteArray Tail(const QString& path) const { return ReadBytes(path).right(128); }

  QTemporaryDir dir_;
};

}  // namespace

TEST(Id3TagObject, NewObjectHoldsNulTextsAndNoGenre) {
  const Tid3tag tag;
  EXPECT_EQ(tag.Title(), QString(30, QChar(0)));
  EXPECT_EQ(tag.Artist(), QString(30, QChar(0)));
  EXPECT_EQ(tag.Album(), QString(30, QChar(0)));
  EXPECT_EQ(tag.Comment(), QString(30, QChar(0)));
  EXPECT_EQ(tag.Year(), QString(4, QChar(0)));
  EXPECT_EQ(tag.Track(), 0);
  EXPECT_FALSE(tag.HasTrack());
  EXPECT_EQ(tag.Genre, 255);
}

TEST(Id3TagObject, SettersCutToFieldWidths) {
  Tid3tag tag;
  tag.SetTitle(QString(40, 'x'));
  tag.SetComment(QString(31, 'c'));
  tag.SetYear("19999");
  EXPECT_EQ(tag.Title(), QString(30, 'x'));
  EXPECT_EQ(tag.Comment(), QString(30, 'c'));
  EXPECT_EQ(tag.Year(), "1999");
  // A character outside the basic plane counts once and is never split.
  const QString emoji = QString::fromUtf8("\xF0\x9F\x8E\xB5");
  tag.SetYear("12" + emoji + "34");
  EXPECT_EQ(tag.Year(), "12" + emoji + "3");
}

TEST(Id3TagObject, SetTrackZeroMeansNone) {
  Tid3tag tag;
  tag.SetTrack(9);
  EXPECT_TRUE(tag.HasTrack());
  EXPECT_EQ(tag.Track(), 9);
  tag.SetTrack(0);
  EXPECT_FALSE(tag.HasTrack());
  EXPECT_EQ(tag.Track(), 0);
}

TEST_F(Id3TagFile, AppendsSongTagToTaglessFile) {
  const QString path = Make("song.mp3", 1000);
  Tid3tag tag;
  tag.SetTitle("Song");
  tag.SetArtist("");
  tag.SetAlbum("");
  tag.SetYear("");
  tag.SetComment("");
  tag.Genre = 17;
  ASSERT_EQ(tag.WriteTag(path), 0);

  const QByteArray bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 1128);
  EXPECT_EQ(bytes.left(1000), AudioBytes(1000));
  QByteArray expected = QByteArray("TAGSong") + QByteArray(26 + 30 + 30 + 4 + 30, '\0');
  expected += char(17);
  EXPECT_EQ(bytes.right(128), expected);
  EXPECT_EQ(tag.FileName(), path);
}

TEST_F(Id3TagFile, NewObjectWritesAllNulTexts) {
  const QString path = Make("new.mp3", 10);
  Tid3tag tag;
  ASSERT_EQ(tag.WriteTag(path), 0);
  EXPECT_EQ(Tail(path), QByteArray("TAG") + QByteArray(124, '\0') + char(255));
}

TEST_F(Id3TagFile, RewriteReplacesInsteadOfGrowing) {
  const QString path = Make("again.mp3", 500);
  Tid3tag tag;
  tag.SetTitle("Song");
  tag.Genre = 17;
  ASSERT_EQ(tag.WriteTag(path), 0);
  ASSERT_EQ(tag.WriteTag(path), 0);
  EXPECT_EQ(QFileInfo(path).size(), 628);

  tag.SetTitle("Other");
  ASSERT_EQ(tag.WriteTag("="), 0);
  EXPECT_EQ(QFileInfo(path).size(), 628);
  EXPECT_EQ(ReadBytes(path).left(500), AudioBytes(500));
  Tid3tag reader;
  ASSERT_EQ(reader.ReadTag(path), 0);
  EXPECT_EQ(reader.Title(), "Other");
}

TEST_F(Id3TagFile, TrackNumberTakesTheLastCommentBytes) {
  const QString path = Make("track.mp3", 200);
  Tid3tag tag;
  tag.SetComment("0123456789012345678901234567XY");  // 30 characters, cut to 28
  tag.SetTrack(5);
  ASSERT_EQ(tag.WriteTag(path), 0);
  const QByteArray block = Tail(path);
  EXPECT_EQ(block.mid(97, 28), QByteArray("0123456789012345678901234567"));
  EXPECT_EQ(block.at(125), '\0');
  EXPECT_EQ(block.at(126), char(5));

  Tid3tag reader;
  ASSERT_EQ(reader.ReadTag(path), 0);
  EXPECT_TRUE(reader.HasTrack());
  EXPECT_EQ(reader.Track(), 5);
  EXPECT_EQ(reader.Comment(), "0123456789012345678901234567");
}

TEST_F(Id3TagFile, WithoutTrackTheCommentKeepsThirtyBytes) {
  const QString path = Make("notrack.mp3", 200);
  Tid3tag tag;
  tag.SetComment("0123456789012345678901234567XY");
  tag.SetTrack(0);
  ASSERT_EQ(tag.WriteTag(path), 0);
  EXPECT_EQ(Tail(path).mid(97, 30), QByteArray("0123456789012345678901234567XY"));
}

TEST_F(Id3TagFile, LetterInCommentByte28MeansNoTrack) {
  const QByteArray comment = "abcdefghijklmnopqrstuvwxyzAB" + QByteArray("x") + char(7);
  const QString path = Make("letter.mp3", 300, RawTag("T", "", "", "", comment, 12));
  Tid3tag tag;
  tag.SetTrack(3);  // must be overwritten by the read
  ASSERT_EQ(tag.ReadTag(path), 0);
  EXPECT_FALSE(tag.HasTrack());
  EXPECT_EQ(tag.Track(), 0);
  EXPECT_EQ(tag.Comment(), QString::fromLatin1(comment));
  EXPECT_EQ(tag.Comment().size(), 30);
}

TEST_F(Id3TagFile, NulByte28WithZeroByte29MeansNoTrack) {
  const QString path = Make("zero.mp3", 300, RawTag("T", "", "", "", "short", 12));
  Tid3tag tag;
  ASSERT_EQ(tag.ReadTag(path), 0);
  EXPECT_FALSE(tag.HasTrack());
  EXPECT_EQ(tag.Comment(), "short");
}

TEST_F(Id3TagFile, TrailingSpacesNulsAnd255AreStripped) {
  const QByteArray title = "Hello" + QByteArray("   ") + QByteArray(22, '\0');
  const QByteArray artist = Field("Hello World", 30, ' ');
  const QByteArray album = QByteArray("A\0B", 3) + QByteArray(27, char(255));
  const QByteArray year = QByteArray(2, ' ') + QByteArray(2, char(255));
  const QString path = Make("hello.mp3", 64, RawTag(title, artist, album, year, "", 0));
  Tid3tag tag;
  ASSERT_EQ(tag.ReadTag(path), 0);
  EXPECT_EQ(tag.Title(), "Hello");
  EXPECT_EQ(tag.Artist(), "Hello World");
  EXPECT_EQ(tag.Album(), QString::fromLatin1("A\0B", 3));
  EXPECT_TRUE(tag.Year().isEmpty());
  EXPECT_TRUE(tag.Comment().isEmpty());
  EXPECT_EQ(tag.Genre, 0);
}

TEST_F(Id3TagFile, TextsAreLatin1OnDisk) {
  const QString path = Make("latin.mp3", 64);
  Tid3tag tag;
  tag.SetTitle(QString::fromUtf8("Müller Straße"));
  tag.SetArtist(QString::fromUtf8("Дом"));
  tag.SetAlbum(QString::fromUtf8("a\xF0\x9F\x8E\xB5z"));
  ASSERT_EQ(tag.WriteTag(path), 0);
  const QByteArray block = Tail(path);
  EXPECT_EQ(block.mid(3, 13), QByteArray("M\xFCller Stra\xDF"
                                         "e"));
  EXPECT_EQ(block.mid(33, 4), QByteArray("???\0", 4));
  EXPECT_EQ(block.mid(63, 4), QByteArray("a?z\0", 4));

  Tid3tag reader;
  ASSERT_EQ(reader.ReadTag(path), 0);
  EXPECT_EQ(reader.Title(), QString::fromUtf8("Müller Straße"));
  EXPECT_EQ(reader.Artist(), "???");
}

TEST_F(Id3TagFile, ShortFileHasNoTagAndGetsOneAppended) {
  const QString path = Make("short.mp3", 100);
  Tid3tag tag;
  tag.SetTitle("Kept");
  tag.SetTrack(4);
  EXPECT_EQ(tag.ReadTag(path), 0x1000);
  EXPECT_EQ(tag.Title(), "Kept");
  EXPECT_EQ(tag.Track(), 4);
  EXPECT_EQ(tag.FileName(), path);

  ASSERT_EQ(tag.WriteTag("="), 0);
  const QByteArray bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 228);
  EXPECT_EQ(bytes.left(100), AudioBytes(100));
  EXPECT_EQ(bytes.mid(100, 7), QByteArray("TAGKept"));
}

TEST_F(Id3TagFile, TagElsewhereThanTheEndIsNotATag) {
  const QByteArray tagFirst = RawTag("Early", "", "", "", "", 1) + AudioBytes(200);
  const QString path = Path("early.mp3");
  ASSERT_TRUE(WriteBytes(path, tagFirst));
  Tid3tag tag;
  EXPECT_EQ(tag.ReadTag(path), 0x1000);
  EXPECT_NE(tag.Title(), "Early");

  // "TAG" 127 bytes before the end is one byte off, too.
  const QString near = Path("near.mp3");
  ASSERT_TRUE(WriteBytes(near, AudioBytes(50) + RawTag("Near", "", "", "", "", 1).left(127)));
  EXPECT_EQ(tag.ReadTag(near), 0x1000);

  tag.SetTitle("Late");
  ASSERT_EQ(tag.WriteTag(path), 0);
  const QByteArray bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), tagFirst.size() + 128);
  EXPECT_EQ(bytes.left(tagFirst.size()), tagFirst);
}

TEST_F(Id3TagFile, GenreOutsideTheTableSetsBit80) {
  Tid3tag tag;
  for (const int genre : {0, 147, 148, 200, 254, 255}) {
    const QString path =
        Make(QString("g%1.mp3").arg(genre), 10, RawTag("G", "", "", "", "", genre));
    const uint16_t result = tag.ReadTag(path);
    EXPECT_EQ(result, genre > 147 && genre != 255 ? 0x80 : 0) << genre;
    EXPECT_LT(result, 256);
    EXPECT_EQ(tag.Genre, genre);
  }
}

TEST_F(Id3TagFile, FullRoundTripOfEveryField) {
  const QString path = Make("full.mp3", 4096);
  Tid3tag tag;
  tag.SetTitle(QString(30, 'T'));
  tag.SetArtist("Artist");
  tag.SetAlbum("Album");
  tag.SetYear("2024");
  tag.SetComment("Comment");
  tag.SetTrack(255);
  tag.Genre = 147;
  ASSERT_EQ(tag.WriteTag(path), 0);

  Tid3tag reader;
  ASSERT_EQ(reader.ReadTag(path), 0);
  EXPECT_EQ(reader.Title(), QString(30, 'T'));
  EXPECT_EQ(reader.Artist(), "Artist");
  EXPECT_EQ(reader.Album(), "Album");
  EXPECT_EQ(reader.Year(), "2024");
  EXPECT_EQ(reader.Comment(), "Comment");
  EXPECT_EQ(reader.Track(), 255);
  EXPECT_TRUE(reader.HasTrack());
  EXPECT_EQ(reader.Genre, 147);
  EXPECT_FALSE(reader.FileProtected());
}

TEST_F(Id3TagFile, EqualsSignFollowsTheLastSuccessfulFile) {
  const QString first = Make("first.mp3", 300);
  const QString second = Make("second.mp3", 300);
  Tid3tag tag;
  tag.SetTitle("One");
  ASSERT_EQ(tag.WriteTag(first), 0);
  tag.SetTitle("Two");
  ASSERT_EQ(tag.WriteTag(second), 0);
  EXPECT_EQ(tag.FileName(), second);
  tag.SetTitle("Three");
  ASSERT_EQ(tag.WriteTag("="), 0);

  Tid3tag reader;
  ASSERT_EQ(reader.ReadTag(first), 0);
  EXPECT_EQ(reader.Title(), "One");
  ASSERT_EQ(reader.ReadTag(second), 0);
  EXPECT_EQ(reader.Title(), "Three");
}

TEST_F(Id3TagFile, RemoveTagCutsExactlyTheTag) {
  const QString path = Make("remove.mp3", 700);
  Tid3tag tag;
  tag.SetTitle("Gone");
  ASSERT_EQ(tag.WriteTag(path), 0);
  tag.RemoveTag();
  EXPECT_EQ(ReadBytes(path), AudioBytes(700));
  // Nothing more to remove: the audio stays.
  tag.RemoveTag();
  EXPECT_EQ(ReadBytes(path), AudioBytes(700));
}

TEST_F(Id3TagFile, RemoveTagOfAFileThatIsOnlyATag) {
  const QString path = Path("only.mp3");
  ASSERT_TRUE(WriteBytes(path, RawTag("Only", "", "", "", "", 3)));
  Tid3tag tag;
  ASSERT_EQ(tag.ReadTag(path), 0);
  EXPECT_EQ(tag.Title(), "Only");
  tag.RemoveTag();
  EXPECT_EQ(QFileInfo(path).size(), 0);
}
