// Files that other programs wrote must read as those programs read them,
// and ours must read in them as they read in us. The two peers differ a
// little from each other: for IMA ADPCM sox expands a code step by step
// (step/8 + step/4 + ...), as we do, while ffmpeg multiplies
// ((2c+1) * step / 8); for Microsoft ADPCM ffmpeg truncates the prediction
// toward zero, as we do, while sox rounds it down. So IMA is compared
// exactly with sox and MS exactly with ffmpeg, each within a small margin
// with the other peer.
#include "CoreComponents.h"
#include "WaveTestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class WavePeer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("ffmpeg") || !HaveTool("sox")) GTEST_SKIP() << "ffmpeg and sox are needed";
  }
  // A raw 16-bit stereo 44100 Hz signal of 1.3 s with a loud start.
  QString Raw(int channels) {
    const QString path = dir.filePath(QString("src%1.raw").arg(channels));
    std::vector<int16_t> s = Sine(57331, channels, 44100, 0.45);
    for (size_t i = 0; i < 2000; ++i) s[i] = int16_t(s[i] * 2);
    EXPECT_TRUE(WriteFile(path, SampleBytes(s)));
    return path;
  }
  QStringList RawIn(int channels) {
    return {
        "-v", "error",      "-y", "-f", "s16le", "-ar", "44100", "-ac", QString::number(channels),
        "-i", Raw(channels)};
  }
  QByteArray OurDecode(const QString& path, TWavType expected) {
    TWaveIn in;
    in.SetFileName(path);
    EXPECT_TRUE(in.Valid());
    EXPECT_EQ(in.WavType(), expected);
    return ReadAll(in, 4096);
  }
  // Checks our decode of a peer file against the peers.
  void ExpectPeerDecode(const QString& path, TWavType type) {
    const QByteArray ours = OurDecode(path, type);
    const QByteArray ffmpeg = FfmpegDecode(path);
    const QByteArray sox = SoxDecode(path);
    ASSERT_GT(ffmpeg.size(), 100000);
    EXPECT_EQ(ours.size(), ffmpeg.size());
    EXPECT_EQ(ours.size(), sox.size());
    const QByteArray& exact = type == wtMSADPCM ? ffmpeg : sox;
    const QByteArray& close = type == wtMSADPCM ? sox : ffmpeg;
    EXPECT_EQ(FirstDifference(ours, exact), -1);
    const int margin = LargestDifference(ours, close);
    RecordProperty("margin", margin);
    EXPECT_LE(margin, kPeerMargin);
  }
  static constexpr int kPeerMargin = 128;
  QTemporaryDir dir;
};

}  // namespace

TEST_F(WavePeer, FfmpegAdpcmFilesDecodeAsThePeersDecodeThem) {
  for (int channels : {1, 2}) {
    for (const char* codec : {"adpcm_ima_wav", "adpcm_ms"}) {
      SCOPED_TRACE(QString("%1 %2").arg(codec).arg(channels).toStdString());
      const QString out = dir.filePath(QString("%1-%2.wav").arg(codec).arg(channels));
      ASSERT_TRUE(RunTool("ffmpeg", RawIn(channels) + QStringList{"-c:a", codec, out}));
      ExpectPeerDecode(out, QString(codec) == "adpcm_ms" ? wtMSADPCM : wtDVIADPCM);
    }
  }
}

TEST_F(WavePeer, SoxAdpcmFilesDecodeAsThePeersDecodeThem) {
  for (int channels : {1, 2}) {
    for (const char* encoding : {"ima-adpcm", "ms-adpcm"}) {
      SCOPED_TRACE(QString("%1 %2").arg(encoding).arg(channels).toStdString());
      const QString out = dir.filePath(QString("sox-%1-%2.wav").arg(encoding).arg(channels));
      ASSERT_TRUE(
          RunTool("sox", {"-t", "raw", "-r", "44100", "-c", QString::number(channels), "-b", "16",
                          "-e", "signed-integer", Raw(channels), "-e", encoding, out}));
      ExpectPeerDecode(out, QString(encoding) == "ms-adpcm" ? wtMSADPCM : wtDVIADPCM);
    }
  }
}

TEST_F(WavePeer, AdpcmWithoutASampleCountReadsItsWholeData) {
  for (int channels : {1, 2}) {
    for (const char* codec : {"adpcm_ima_wav", "adpcm_ms"}) {
      const TWavType type = QString(codec) == "adpcm_ms" ? wtMSADPCM : wtDVIADPCM;
      SCOPED_TRACE(QString("%1 %2").arg(codec).arg(channels).toStdString());
      // ffmpeg writing to a pipe leaves the fact chunk out.
      QByteArray piped;
      ASSERT_TRUE(RunTool("ffmpeg", RawIn(channels) + QStringList{"-c:a", codec, "-f", "wav", "-"},
                          &piped));
      ASSERT_EQ(piped.indexOf("fact"), -1);
      const QString noFact = dir.filePath("no-fact.wav");
      ASSERT_TRUE(WriteFile(noFact, piped));
      ExpectPeerDecode(noFact, type);
      // A fact count of 0.
      const QString file = dir.filePath("zero-fact.wav");
      ASSERT_TRUE(RunTool("ffmpeg", RawIn(channels) + QStringList{"-c:a", codec, file}));
      QByteArray bytes = ReadFile(file);
      const int fact = bytes.indexOf("fact");
      ASSERT_GT(fact, 0);
      PutLE32(reinterpret_cast<uint8_t*>(bytes.data()) + fact + 8, 0);
      ASSERT_TRUE(WriteFile(file, bytes));
      ExpectPeerDecode(file, type);
    }
  }
}

TEST_F(WavePeer, OurImaOutputDecodesInThePeersAsInUs) {
  for (int channels : {1, 2}) {
    for (uint16_t block : {512, 1024, 1028}) {
      SCOPED_TRACE(QString("%1 ch, block %2").arg(channels).arg(block).toStdString());
      const QString pcm = dir.filePath("pcm.wav");
      ASSERT_TRUE(WriteFile(pcm, PcmFile(ReadFile(Raw(channels)), channels, 44100, 16)));
      TWaveIn in;
      in.SetFileName(pcm);
      TWaveOut out;
      out.SetInput(&in);
      out.SetWavType(wtDVIADPCM);
      out.SetBlockSize(block);
      const QString ima = dir.filePath(QString("ours-%1-%2.wav").arg(channels).arg(block));
      out.SetFileName(ima);
      std::atomic<int> done{0};
      QString error;
      out.OnDone = [&](QObject*) { ++done; };
      out.OnThreadException = [&](QObject*, const std::exception& e) {
        error = ExceptionMessage(e);
        ++done;
      };
      out.Run();
      ASSERT_TRUE(WaitUntil([&] { return done == 1; }));
      if (channels == 2 && block == 1028) {
        // Its blocks would end in 4 bytes too few for a group of codes.
        EXPECT_EQ(error,
                  "Cannot encode stereo ADPCM in blocks of 1028 bytes: the block size must be a "
                  "multiple of 8.");
        EXPECT_FALSE(QFile::exists(ima));
        continue;
      }
      EXPECT_EQ(error, "");
      ExpectPeerDecode(ima, wtDVIADPCM);
    }
  }
}

TEST_F(WavePeer, OddSizedChunkWithItsPadByteBeforeTheData) {
  // ffmpeg writes a bext chunk of 605 bytes for a two-letter coding
  // history, followed by the pad byte RIFF asks for.
  const std::pair<const char*, TWavType> codecs[] = {
      {"pcm_s16le", wtPCM}, {"adpcm_ima_wav", wtDVIADPCM}, {"adpcm_ms", wtMSADPCM}};
  for (const auto& [codec, type] : codecs) {
    SCOPED_TRACE(codec);
    const QString out = dir.filePath(QString("bext-%1.wav").arg(codec));
    ASSERT_TRUE(RunTool("ffmpeg", RawIn(2) + QStringList{"-c:a", codec, "-write_bext", "1",
                                                         "-metadata", "coding_history=ab", out}));
    const QByteArray bytes = ReadFile(out);
    const int bext = bytes.indexOf("bext");
    ASSERT_GT(bext, 0);
    ASSERT_EQ(GetLE32(reinterpret_cast<const uint8_t*>(bytes.constData()) + bext + 4) % 2, 1u);
    ExpectPeerDecode(out, type);
  }
}

TEST_F(WavePeer, Mp3InWavWithTextDataInATrailingChunk) {
  const QString plain = dir.filePath("mp3.wav");
  ASSERT_TRUE(
      RunTool("ffmpeg", RawIn(2) + QStringList{"-c:a", "libmp3lame", "-b:a", "128k", plain}));
  QByteArray bytes = ReadFile(plain);
  bytes += Chunk("LIST", "INFO" + Chunk("ICMT", "no metadata here"));
  PutLE32(reinterpret_cast<uint8_t*>(bytes.data()) + 4, uint32_t(bytes.size() - 8));
  const QString trailed = dir.filePath("mp3-list.wav");
  ASSERT_TRUE(WriteFile(trailed, bytes));
  TWaveIn a, b;
  a.SetFileName(plain);
  b.SetFileName(trailed);
  EXPECT_TRUE(b.Valid());
  EXPECT_EQ(b.WavType(), wtACM);
  const QByteArray decoded = ReadAll(b, 4096);
  EXPECT_GT(decoded.size(), 100000);
  EXPECT_EQ(decoded, ReadAll(a, 4096));
}

TEST_F(WavePeer, Mp3InWavDecodesToTheAudioOfItsMp3Data) {
  const QString mp3wav = dir.filePath("mp3.wav");
  ASSERT_TRUE(
      RunTool("ffmpeg", RawIn(2) + QStringList{"-c:a", "libmp3lame", "-b:a", "192k", mp3wav}));
  TWaveIn in;
  in.SetFileName(mp3wav);
  EXPECT_TRUE(in.Valid());
  EXPECT_EQ(in.WavType(), wtACM);
  EXPECT_EQ(in.BitsPerSample(), 16);
  EXPECT_EQ(in.Channels(), 2);
  EXPECT_EQ(in.SampleRate(), 44100);
  const QByteArray ours = ReadAll(in, 4096);
  const QByteArray theirs = FfmpegDecode(mp3wav);
  // Two decoders of the same frames: the same length and samples within a
  // few steps of each other.
  ASSERT_GT(theirs.size(), 100000);
  ASSERT_EQ(ours.size(), theirs.size());
  const auto* a = reinterpret_cast<const uint8_t*>(ours.constData());
  const auto* b = reinterpret_cast<const uint8_t*>(theirs.constData());
  int worst = 0;
  for (int i = 0; i < ours.size() / 2; ++i)
    worst = std::max(worst, std::abs(int16_t(GetLE16(a + 2 * i)) - int16_t(GetLE16(b + 2 * i))));
  EXPECT_LE(worst, 4);

  // The converted audio copies out through the writer as PCM.
  TWaveOut out;
  out.SetInput(&in);
  const QString pcm = dir.filePath("mp3-pcm.wav");
  out.SetFileName(pcm);
  std::atomic<int> done{0};
  out.OnDone = [&](QObject*) { ++done; };
  out.Run();
  ASSERT_TRUE(WaitUntil([&] { return done == 1; }));
  EXPECT_EQ(ReadFile(pcm), PcmFile(ours, 2, 44100, 16));
}
