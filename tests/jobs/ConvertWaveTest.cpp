#include "jobs/WaveConverter.h"

#include "acs/WaveHeader.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>

namespace {

QByteArray Le32(uint32_t v) {
  QByteArray b(4, 0);
  PutLE32(reinterpret_cast<uint8_t*>(b.data()), v);
  return b;
}

QByteArray Chunk(const QByteArray& id, const QByteArray& body) {
  return id + Le32(uint32_t(body.size())) + body;
}

QByteArray FmtRecord(uint16_t tag, uint16_t channels, uint32_t rate) {
  QByteArray f(18, 0);
  auto* p = reinterpret_cast<uint8_t*>(f.data());
  PutLE16(p, tag);
  PutLE16(p + 2, channels);
  PutLE32(p + 4, rate);
  PutLE32(p + 8, rate * 4);
  PutLE16(p + 12, 4);
  PutLE16(p + 14, 16);
  return f;
}

QByteArray Content(int n) {
  QByteArray c(n, 0);
  for (int i = 0; i < n; ++i) c[i] = char(i * 31 + 7);
  return c;
}

}  // namespace

TEST(ConvertWave, ReadWaveFileScansForChunksByteByByte) {
  // fmt after a chunk of another id, fact in between, data last.
  const QByteArray data = Content(1000);
  const QByteArray fmt = FmtRecord(0x55, 2, 44100);
  const QByteArray file = "RIFF" + Le32(0) + "WAVE" + Chunk("LIST", QByteArray(33, 'q')) +
                          Chunk("fmt ", fmt) + Chunk("fact", Le32(1234)) + Chunk("data", data);
  QBuffer in;
  in.setData(file);
  in.open(QIODevice::ReadOnly);
  TWaveConverter c;
  c.ReadWaveFile(in);
  EXPECT_EQ(c.buffer(), data);
  EXPECT_EQ(c.pos(), 0);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(c.SourceFormat.data()), 18), fmt);
  EXPECT_EQ(c.SourceFormat[18], 0);

  // Not RIFF/WAVE: nothing.
  QBuffer other;
  other.setData("RIFX" + file.mid(4));
  other.open(QIODevice::ReadOnly);
  TWaveConverter d;
  d.ReadWaveFile(other);
  EXPECT_TRUE(d.buffer().isEmpty());
  EXPECT_EQ(d.SourceFormat[0], 0);

  // A fmt chunk longer than the record and lengths past the end stay in
  // bounds.
  QBuffer hostile;
  hostile.setData("RIFF" + Le32(0) + "WAVE" + Chunk("fmt ", QByteArray(400, 'F')) + "data" +
                  Le32(0xFFFFFFF0) + "abc");
  hostile.open(QIODevice::ReadOnly);
  TWaveConverter e;
  e.ReadWaveFile(hostile);
  EXPECT_EQ(e.buffer(), QByteArray("abc"));
  EXPECT_EQ(e.SourceFormat[128], 'F');
}

TEST(ConvertWave, WriteWaveStreamLayout) {
  TWaveConverter c;
  std::memcpy(c.SourceFormat.data(), FmtRecord(1, 2, 44100).constData(), 18);
  c.buffer() = Content(1000);
  c.seek(123);
  QBuffer out;
  out.open(QIODevice::ReadWrite);
  EXPECT_EQ(c.WriteWaveStream(out), 0);
  const QByteArray w = out.data();
  ASSERT_EQ(w.size(), 1044);
  const auto* p = reinterpret_cast<const uint8_t*>(w.constData());
  EXPECT_EQ(GetLE32(p + 4), 1036u);
  EXPECT_EQ(w.mid(8, 8), QByteArray("WAVEfmt "));
  EXPECT_EQ(GetLE32(p + 16), 16u);
  EXPECT_EQ(w.mid(20, 16), FmtRecord(1, 2, 44100).left(16));
  EXPECT_EQ(GetLE32(p + 40), 1000u);
  EXPECT_EQ(w.mid(44), Content(1000));
  EXPECT_EQ(c.pos(), 123);

  QBuffer readOnly;
  readOnly.open(QIODevice::ReadOnly);
  EXPECT_EQ(c.WriteWaveStream(readOnly), kWriteWaveStreamFailed);
}

TEST(ConvertWave, WriteWaveStreamAfterOtherBytesLeavesThemAlone) {
  TWaveConverter c;
  std::memcpy(c.SourceFormat.data(), FmtRecord(1, 1, 22050).constData(), 18);
  c.buffer() = Content(100);
  QBuffer out;
  out.open(QIODevice::ReadWrite);
  out.write("head");
  EXPECT_EQ(c.WriteWaveStream(out), 0);
  const QByteArray w = out.data();
  ASSERT_EQ(w.size(), 4 + 144);
  EXPECT_EQ(w.left(8), QByteArray("headRIFF"));
  EXPECT_EQ(GetLE32(reinterpret_cast<const uint8_t*>(w.constData()) + 8), 136u);
  EXPECT_EQ(out.pos(), w.size());
}

TEST(ConvertWave, ConvertFormatDecodesMp3AndRefusesOtherFormats) {
  TWaveConverter pcm;
  std::memcpy(pcm.SourceFormat.data(), FmtRecord(1, 2, 44100).constData(), 18);
  pcm.buffer() = Content(100);
  PutLE16(pcm.DesiredFormat.data(), 1);
  EXPECT_NE(TWaveConverter::SuggestFormat(pcm.SourceFormat.data(), pcm.DesiredFormat.data()), 0);
  EXPECT_NE(pcm.ConvertFormat(), 0);
  EXPECT_EQ(pcm.buffer(), Content(100));

  // Garbage said to be MP3 fails and leaves the content as it was.
  TWaveConverter junk;
  std::memcpy(junk.SourceFormat.data(), FmtRecord(0x55, 2, 44100).constData(), 18);
  junk.buffer() = QByteArray(5000, 0);
  PutLE16(junk.DesiredFormat.data(), 1);
  ASSERT_EQ(TWaveConverter::SuggestFormat(junk.SourceFormat.data(), junk.DesiredFormat.data()), 0);
  EXPECT_NE(junk.ConvertFormat(), 0);
  EXPECT_EQ(junk.buffer(), QByteArray(5000, 0));

  // Real MP3 frames from lame, mono 22050 Hz, 1 s of tone.
  QTemporaryDir dir;
  QByteArray raw(44100, 0);
  for (int i = 0; i < 22050; ++i) {
    const int16_t v = int16_t(8000 * ((i / 50) % 2 ? 1 : -1));
    PutLE16(reinterpret_cast<uint8_t*>(raw.data()) + 2 * i, uint16_t(v));
  }
  QFile rawFile(dir.filePath("t.raw"));
  ASSERT_TRUE(rawFile.open(QIODevice::WriteOnly));
  rawFile.write(raw);
  rawFile.close();
  QProcess lame;
  lame.start("lame", {"--quiet", "-r", "-s", "22.05", "-m", "m", "--bitwidth", "16", "--signed",
                      "--little-endian", dir.filePath("t.raw"), dir.filePath("t.mp3")});
  ASSERT_TRUE(lame.waitForFinished(60000));
  QFile mp3(dir.filePath("t.mp3"));
  ASSERT_TRUE(mp3.open(QIODevice::ReadOnly));
  TWaveConverter c;
  std::memcpy(c.SourceFormat.data(), FmtRecord(0x55, 1, 22050).constData(), 18);
  c.buffer() = mp3.readAll();
  PutLE16(c.DesiredFormat.data(), 1);
  ASSERT_EQ(TWaveConverter::SuggestFormat(c.SourceFormat.data(), c.DesiredFormat.data()), 0);
  EXPECT_EQ(GetLE16(c.DesiredFormat.data() + 2), 1);
  EXPECT_EQ(GetLE32(c.DesiredFormat.data() + 4), 22050u);
  ASSERT_EQ(c.ConvertFormat(), 0);
  const auto* f = c.SourceFormat.data();
  EXPECT_EQ(GetLE16(f), 1);
  EXPECT_EQ(GetLE16(f + 2), 1);
  EXPECT_EQ(GetLE32(f + 4), 22050u);
  EXPECT_EQ(GetLE16(f + 14), 16);
  // At least the second of audio (plus encoder delay and padding), and the
  // square wave comes through at about its level.
  const QByteArray out = c.buffer();
  EXPECT_GE(out.size(), 44100);
  EXPECT_LT(out.size(), 44100 + 4 * 1152 * 2);
  int loud = 0;
  for (int i = 0; i < out.size() / 2; ++i) {
    const int v = int16_t(GetLE16(reinterpret_cast<const uint8_t*>(out.constData()) + 2 * i));
    if (std::abs(v) > 6000 && std::abs(v) < 11000) ++loud;
  }
  EXPECT_GT(loud, 22050 / 2);
}
