// Round trips with the peer tools id3v2 and mutagen's mid3v2.
#include "TagTestFiles.h"
#include "tags/Id3Tag.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace tagtest;

namespace {

struct TPeerRun {
  int Exit = -1;
  QByteArray Out;
};

TPeerRun RunPeer(const QString& program, const QStringList& args) {
  TPeerRun run;
  const QString exe = QStandardPaths::findExecutable(program);
  if (exe.isEmpty()) return run;
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(exe, args);
  if (!process.waitForFinished(60000)) return run;
  run.Exit = process.exitCode();
  run.Out = process.readAll();
  return run;
}

// Fields of `id3v2 -l`, which prints the tag's raw bytes in fixed columns:
//   Title  : <30>  Artist: <30>
//   Album  : <30>  Year: <4>, Genre: <name> (<n>)
//   Comment: <28 or 30>  Track: <n>
QMap<QString, QString> ParseId3v2List(const QByteArray& out) {
  QMap<QString, QString> fields;
  const QString text = QString::fromLatin1(out);
  const auto grab = [&](const char* key, const char* pattern) {
    const QRegularExpression re(QString::fromLatin1(pattern), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = re.match(text);
    if (match.hasMatch()) fields[key] = match.captured(1).trimmed();
  };
  grab("Title", "^Title  : (.{30})");
  grab("Artist", "Artist: (.*)$");
  grab("Album", "^Album  : (.{30})");
  grab("Year", "Year: (.{4}),");
  grab("Genre", "Genre: (.*)$");
  grab("Comment", "^Comment: (.{28,30}?)\\s*Track:");
  grab("Track", "Track: (\\d+)");
  return fields;
}

// Frames of `mid3v2 -l` ("TIT2=...").
QMap<QString, QString> ParseMid3v2List(const QByteArray& out) {
  QMap<QString, QString> frames;
  for (const QString& line : QString::fromUtf8(out).split('\n')) {
    const qsizetype eq = line.indexOf('=');
    if (eq == 4) frames[line.left(4)] = line.mid(5);
  }
  return frames;
}

class Id3Peer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(QStandardPaths::findExecutable("id3v2").isEmpty()) << "id3v2 is not installed";
    ASSERT_FALSE(QStandardPaths::findExecutable("mid3v2").isEmpty()) << "mid3v2 is not installed";
    path_ = dir_.filePath("peer.mp3");
    ASSERT_TRUE(WriteBytes(path_, AudioBytes(2000)));
  }

  // A tag with every field, including characters beyond ASCII.
  void WriteSample(Tid3tag& tag) {
    tag.SetTitle(QString::fromUtf8("Müller Straße"));
    tag.SetArtist("The Artist");
    tag.SetAlbum(QString::fromUtf8("Café Album"));
    tag.SetYear("1999");
    tag.SetComment("Ripped by us");
    tag.SetTrack(7);
    tag.Genre = 17;
    ASSERT_EQ(tag.WriteTag(path_), 0);
  }

  QTemporaryDir dir_;
  QString path_;
};

}  // namespace

TEST_F(Id3Peer, Id3v2ReadsOurTag) {
  Tid3tag tag;
  WriteSample(tag);
  const TPeerRun run = RunPeer("id3v2", {"-l", path_});
  ASSERT_EQ(run.Exit, 0) << run.Out.constData();
  const QMap<QString, QString> fields = ParseId3v2List(run.Out);
  EXPECT_EQ(fields["Title"], QString::fromUtf8("Müller Straße"));
  EXPECT_EQ(fields["Artist"], "The Artist");
  EXPECT_EQ(fields["Album"], QString::fromUtf8("Café Album"));
  EXPECT_EQ(fields["Year"], "1999");
  EXPECT_EQ(fields["Genre"], "Rock (17)");
  EXPECT_EQ(fields["Comment"], "Ripped by us");
  EXPECT_EQ(fields["Track"], "7");
}

TEST_F(Id3Peer, MutagenReadsOurTag) {
  Tid3tag tag;
  WriteSample(tag);
  const TPeerRun run = RunPeer("mid3v2", {"-l", path_});
  ASSERT_EQ(run.Exit, 0) << run.Out.constData();
  const QMap<QString, QString> frames = ParseMid3v2List(run.Out);
  EXPECT_EQ(frames["TIT2"], QString::fromUtf8("Müller Straße"));
  EXPECT_EQ(frames["TPE1"], "The Artist");
  EXPECT_EQ(frames["TALB"], QString::fromUtf8("Café Album"));
  EXPECT_EQ(frames["TDRC"], "1999");
  EXPECT_EQ(frames["TCON"], "Rock");
  EXPECT_EQ(frames["TRCK"], "7");
  EXPECT_TRUE(frames["COMM"].endsWith("=Ripped by us")) << frames["COMM"].toStdString();
}

TEST_F(Id3Peer, WeReadId3v2sTagWithTrack) {
  const TPeerRun run =
      RunPeer("id3v2", {"-1", "-t", "Peer Title", "-a", "Peer Artist", "-A", "Peer Album", "-y",
                        "2003", "-c", "Peer comment", "-T", "5", "-g", "80", path_});
  ASSERT_EQ(run.Exit, 0) << run.Out.constData();
  Tid3tag tag;
  ASSERT_EQ(tag.ReadTag(path_), 0);
  EXPECT_EQ(tag.Title(), "Peer Title");
  EXPECT_EQ(tag.Artist(), "Peer Artist");
  EXPECT_EQ(tag.Album(), "Peer Album");
  EXPECT_EQ(tag.Year(), "2003");
  EXPECT_EQ(tag.Comment(), "Peer comment");
  EXPECT_TRUE(tag.HasTrack());
  EXPECT_EQ(tag.Track(), 5);
  EXPECT_EQ(tag.Genre, 80);
}

TEST_F(Id3Peer, WeReadMutagensUpdatedTag) {
  // mid3v2 updates an ID3v1 tag that is already there (and adds an ID3v2
  // tag in front of the audio, which must not disturb ours at the end).
  Tid3tag tag;
  WriteSample(tag);
  const TPeerRun run = RunPeer("mid3v2", {"-t", QString::fromUtf8("Grüße"), "-a", "Mutagen", "-T",
                                          "12", "-g", "Jazz", path_});
  ASSERT_EQ(run.Exit, 0) << run.Out.constData();
  Tid3tag reader;
  ASSERT_EQ(reader.ReadTag(path_), 0);
  EXPECT_EQ(reader.Title(), QString::fromUtf8("Grüße"));
  EXPECT_EQ(reader.Artist(), "Mutagen");
  EXPECT_EQ(reader.Track(), 12);
  EXPECT_EQ(reader.Genre, 8);
}

TEST_F(Id3Peer, OurRewriteOfAPeerTagDoesNotGrowTheFile) {
  ASSERT_EQ(RunPeer("id3v2", {"-1", "-t", "First", "-T", "3", path_}).Exit, 0);
  const qint64 size = ReadBytes(path_).size();
  Tid3tag tag;
  ASSERT_EQ(tag.ReadTag(path_), 0);
  tag.SetTitle("Second");
  tag.SetTrack(0);
  ASSERT_EQ(tag.WriteTag("="), 0);
  EXPECT_EQ(ReadBytes(path_).size(), size);
  const QMap<QString, QString> fields = ParseId3v2List(RunPeer("id3v2", {"-l", path_}).Out);
  EXPECT_EQ(fields["Title"], "Second");
}

TEST_F(Id3Peer, PeerFindsNoTagAfterRemove) {
  Tid3tag tag;
  WriteSample(tag);
  tag.RemoveTag();
  EXPECT_EQ(ReadBytes(path_), AudioBytes(2000));
  const TPeerRun run = RunPeer("id3v2", {"-l", path_});
  EXPECT_FALSE(run.Out.contains("id3v1 tag info")) << run.Out.constData();
}
