#include "WaveTestSupport.h"

#include "acs/ImaAdpcm.h"
#include "acs/MsAdpcm.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <random>

TEST(AdpcmIma, BlockGeometry) {
  EXPECT_EQ(ImaBlockFrames(512, 1), 1017);
  EXPECT_EQ(ImaBlockFrames(512, 2), 505);
  EXPECT_EQ(ImaHeaderSamplesPerBlock(512, 1), 1017);
  EXPECT_EQ(ImaHeaderSamplesPerBlock(512, 2), 505);
  EXPECT_EQ(ImaBlockFrames(4, 2), 0);
  EXPECT_EQ(ImaBlockFrames(512, 3), 0);
}

TEST(AdpcmIma, EncodeThenDecodeTracksTheSignal) {
  for (int channels : {1, 2}) {
    SCOPED_TRACE(channels);
    const int frames = ImaBlockFrames(512, channels);
    const std::vector<int16_t> pcm = Sine(frames, channels, 44100, 0.6);
    TImaState state[2];
    uint8_t block[512];
    EncodeImaBlock(pcm.data(), channels, state, block, 512);
    std::vector<int16_t> out(size_t(frames) * channels);
    ASSERT_EQ(DecodeImaBlock(block, 512, channels, out.data(), frames), frames);
    // The header sample is exact; the rest follows within a few steps.
    for (int c = 0; c < channels; ++c) EXPECT_EQ(out[c], pcm[c]);
    double err = 0;
    for (size_t i = 0; i < out.size(); ++i) err += std::abs(out[i] - pcm[i]);
    EXPECT_LT(err / out.size(), 300.0);
    // The step index carries over to the next block.
    EXPECT_EQ(block[2], 0);
    const uint8_t carried = state[0].Index;
    EXPECT_GT(carried, 0);
    EncodeImaBlock(pcm.data(), channels, state, block, 512);
    EXPECT_EQ(block[2], carried);
  }
}

// At the largest step a code moves the predictor by 61436, more than 16
// bits hold: the sum must saturate at +-32767, not wrap; in whole groups
// of codes and code by code when the buffer holds fewer frames.
TEST(AdpcmIma, LargestStepsSaturate) {
  // Codes 7, F, F, 7, F, F, 7, F: up by the whole step, down, and so on.
  const std::vector<int16_t> expected = {0,      32767,  -28669, -32767, 28669,
                                         -32767, -32767, 28669,  -32767};
  for (int channels : {1, 2}) {
    const int bytes = 12 * channels;  // 16 codes a channel
    for (int capacity : {17, 6}) {
      SCOPED_TRACE(testing::Message() << channels << " channels, " << capacity << " frames");
      std::vector<uint8_t> block(size_t(bytes), 0);
      for (int c = 0; c < channels; ++c) block[4 * c + 2] = 88;
      const uint8_t pattern[] = {0xF7, 0x7F, 0xFF, 0xF7};
      for (int i = 4 * channels; i < bytes; ++i) {
        const int k = channels == 1 ? i - 4 : ((i - 8) / 8) * 4 + (i - 8) % 4;
        block[size_t(i)] = pattern[k % 4];
      }
      std::vector<int16_t> out(size_t(capacity) * channels);
      ASSERT_EQ(DecodeImaBlock(block.data(), bytes, channels, out.data(), capacity), capacity);
      for (int f = 0; f < std::min<int>(capacity, int(expected.size())); ++f)
        for (int c = 0; c < channels; ++c) EXPECT_EQ(out[size_t(f * channels + c)], expected[f]);
    }
  }
}

TEST(AdpcmIma, DecodingStaysInRangeAndInsideTheBuffers) {
  std::mt19937 rng(7);
  std::vector<uint8_t> block(512);
  for (int round = 0; round < 200; ++round) {
    for (auto& b : block) b = uint8_t(rng());
    // Hostile step indices (above 88) and full-scale predictors.
    block[2] = uint8_t(rng());
    const int channels = 1 + round % 2;
    const int frames = ImaBlockFrames(512, channels);
    std::vector<int16_t> out(size_t(frames) * channels + 8, 0x5A5A);
    const int got = DecodeImaBlock(block.data(), 512, channels, out.data(), frames);
    ASSERT_EQ(got, frames);
    for (int i = channels; i < got * channels; ++i) ASSERT_NE(out[i], -32768);
    for (size_t i = size_t(frames) * channels; i < out.size(); ++i) ASSERT_EQ(out[i], 0x5A5A);
    // A short block decodes only what it holds.
    EXPECT_EQ(DecodeImaBlock(block.data(), 3, 1, out.data(), frames), 0);
    EXPECT_EQ(DecodeImaBlock(block.data(), 100, 1, out.data(), frames), 1 + 2 * 96);
    EXPECT_EQ(DecodeImaBlock(block.data(), 512, 1, out.data(), 10), 10);
  }
}

TEST(AdpcmMs, DecodesHeaderSamplesAndClampsHostileFields) {
  const int16_t coefs[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                               {240, 0}, {460, -208}, {392, -232}};
  TMsAdpcmFormat f{1, 500, 7, coefs};
  std::vector<uint8_t> block(256, 0x77);
  block[0] = 200;  // predictor index past the table
  PutLE16(block.data() + 1, 0x7FFF);
  PutLE16(block.data() + 3, 1234);
  PutLE16(block.data() + 5, uint16_t(-4321));
  EXPECT_EQ(MsBlockFrames(f, 256), 2 + 2 * (256 - 7));
  std::vector<int16_t> out(2000, 0x5A5A);
  const int frames = DecodeMsBlock(f, block.data(), 256, out.data(), 1000);
  ASSERT_EQ(frames, 2 + 2 * 249);
  EXPECT_EQ(out[0], -4321);
  EXPECT_EQ(out[1], 1234);
  EXPECT_EQ(out[size_t(frames)], 0x5A5A);
  // No pairs: nothing decodes.
  TMsAdpcmFormat none{1, 500, 0, coefs};
  EXPECT_EQ(DecodeMsBlock(none, block.data(), 256, out.data(), 1000), 0);
  // Stereo: one frame per code byte.
  TMsAdpcmFormat st{2, 100, 7, coefs};
  EXPECT_EQ(DecodeMsBlock(st, block.data(), 256, out.data(), 1000), 100);
  EXPECT_EQ(DecodeMsBlock(st, block.data(), 13, out.data(), 1000), 0);
}

// Two blocks decoded side by side give what two single decodes give,
// whatever the second block's length (whole, short, shorter than its
// header, absent) or the room for frames.
TEST(AdpcmMs, PairsDecodeAsTwoSingleBlocks) {
  const int16_t coefs[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                               {240, 0}, {460, -208}, {392, -232}};
  std::mt19937 random(7);
  for (int channels : {1, 2}) {
    const int align = 256 * channels;
    const TMsAdpcmFormat f{channels, channels == 1 ? 500 : 244, 7, coefs};
    for (int second : {align, 100, 7 * channels + 1, 5, 0}) {
      for (int capacity : {1000, 37}) {
        SCOPED_TRACE(testing::Message() << channels << " channels, second block " << second
                                        << " bytes, room " << capacity);
        std::vector<uint8_t> blocks(size_t(2 * align));
        for (uint8_t& b : blocks) b = uint8_t(random());
        blocks[0] %= 7;
        blocks[size_t(align)] %= 7;
        const int bytes = align + second;
        std::vector<int16_t> pair(4000, 0x5A5A), single(4000, 0x5A5A);
        const int a = DecodeMsBlock(f, blocks.data(), align, single.data(), capacity);
        const int b = second == 0 ? 0
                                  : DecodeMsBlock(f, blocks.data() + align, second,
                                                  single.data() + a * channels, capacity);
        EXPECT_EQ(DecodeMsBlockPair(f, align, blocks.data(), bytes, pair.data(), capacity), a + b);
        EXPECT_EQ(pair, single);
      }
    }
  }
}

TEST(AdpcmMs, HostileFileHeadersAreRejected) {
  QTemporaryDir dir;
  auto msFmt = [](uint16_t channels, uint16_t align, uint16_t spb, uint16_t ncoef) {
    QByteArray body = FmtBody(2, channels, 22050, align, 4) + Le16(32) + Le16(spb) + Le16(ncoef);
    for (int i = 0; i < std::min<int>(ncoef, 40); ++i) body += Le16(256) + Le16(0);
    return Chunk("fmt ", body);
  };
  auto file = [&](const QByteArray& fmt) {
    return RiffWave(fmt + Chunk("fact", Le32(2000)) + Chunk("data", QByteArray(1024, 0x11)));
  };
  struct Case {
    const char* what;
    QByteArray bytes;
    bool valid;
  };
  const Case cases[] = {
      {"good", file(msFmt(1, 256, 500, 7)), true},
      {"33 pairs", file(msFmt(1, 256, 500, 33)), false},
      {"no pairs", file(msFmt(1, 256, 500, 0)), false},
      {"block align 0", file(msFmt(1, 0, 500, 7)), false},
      {"spb 0", file(msFmt(1, 256, 0, 7)), false},
      {"spb huge", file(msFmt(1, 256, 60000, 7)), false},
      {"block over buffer", file(msFmt(2, 60000, 59988, 7)), false},
      // The samples are counted from the data size.
      {"no fact", RiffWave(msFmt(1, 256, 500, 7) + Chunk("data", QByteArray(1024, 0))), true},
      {"no fact, bytes before RIFF",
       "xyz" + RiffWave(msFmt(1, 256, 500, 7) + Chunk("data", QByteArray(1024, 0))), true},
      {"fact 0",
       RiffWave(msFmt(1, 256, 500, 7) + Chunk("fact", Le32(0)) +
                Chunk("data", QByteArray(1024, 0))),
       true},
      {"ima bits 3",
       RiffWave(Chunk("fmt ", FmtBody(0x11, 1, 22050, 256, 3) + Le16(2) + Le16(505)) +
                Chunk("fact", Le32(1000)) + Chunk("data", QByteArray(1024, 0))),
       false},
      {"ima spb huge",
       RiffWave(Chunk("fmt ", FmtBody(0x11, 1, 22050, 256, 4) + Le16(2) + Le16(9999)) +
                Chunk("fact", Le32(1000)) + Chunk("data", QByteArray(1024, 0))),
       false},
      {"ima block over buffer",
       RiffWave(Chunk("fmt ", FmtBody(0x11, 1, 22050, 8192, 4) + Le16(2) + Le16(16377)) +
                Chunk("fact", Le32(1000)) + Chunk("data", QByteArray(1024, 0))),
       false},
  };
  int i = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString path = dir.filePath(QString("ms%1.wav").arg(i++));
    ASSERT_TRUE(WriteFile(path, c.bytes));
    TWaveIn in;
    in.SetFileName(path);
    EXPECT_EQ(in.Valid(), c.valid);
    const QByteArray pcm = ReadAll(in);
    if (c.valid) {
      // 4 blocks of 500 samples; whole blocks are delivered.
      EXPECT_EQ(pcm.size(), 4 * 500 * 2);
    } else {
      EXPECT_TRUE(pcm.isEmpty());
    }
  }
}

TEST(AdpcmFiles, MutatedAndTruncatedFilesNeverFault) {
  // Valid PCM, IMA and MS files, then thousands of damaged copies: each
  // must open, report Valid either way, and read to a clean end.
  QTemporaryDir dir;
  const QByteArray pcm = PcmFile(SampleBytes(Sine(3000, 2)), 2, 44100, 16);
  std::vector<int16_t> s = Sine(4000, 1);
  QByteArray ima = ImaWaveHeader(1, 22050, 256, 4000);
  TImaState state[2];
  for (int off = 0; off + ImaBlockFrames(256, 1) <= int(s.size()); off += ImaBlockFrames(256, 1)) {
    QByteArray block(256, 0);
    EncodeImaBlock(s.data() + off, 1, state, reinterpret_cast<uint8_t*>(block.data()), 256);
    ima += block;
  }
  QByteArray msFmt = FmtBody(2, 2, 22050, 512, 4) + Le16(32) + Le16(500) + Le16(7);
  const int coefs[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                           {240, 0}, {460, -208}, {392, -232}};
  for (const auto& c : coefs) msFmt += Le16(uint16_t(c[0])) + Le16(uint16_t(c[1]));
  QByteArray msData(4096, 0);
  for (int i = 0; i < msData.size(); ++i) msData[i] = char(i * 131 + 17);
  const QByteArray ms =
      RiffWave(Chunk("fmt ", msFmt) + Chunk("fact", Le32(4000)) + Chunk("data", msData));

  std::mt19937 rng(12345);
  const QString path = dir.filePath("m.wav");
  int valid = 0;
  for (int round = 0; round < 1500; ++round) {
    const QByteArray& base = round % 3 == 0 ? pcm : round % 3 == 1 ? ima : ms;
    QByteArray bytes = base;
    const int flips = 1 + int(rng() % 6);
    for (int f = 0; f < flips; ++f)
      bytes[int(rng() % std::min<qsizetype>(bytes.size(), 120))] = char(rng());
    if (rng() % 4 == 0) bytes.truncate(int(rng() % bytes.size()));
    ASSERT_TRUE(WriteFile(path, bytes));
    TWaveIn in;
    in.SetFileName(path);
    in.SetLoop(rng() % 8 == 0);
    if (in.Valid()) ++valid;
    in.Init();
    std::vector<uint8_t> buf(3000);
    int64_t total = 0;
    for (int i = 0; i < 200; ++i) {
      const int32_t n = in.GetData(buf.data(), int32_t(buf.size()));
      ASSERT_GE(n, 0);
      ASSERT_LE(n, int32_t(buf.size()));
      if (n == 0) break;
      total += n;
    }
    in.Flush();
    ASSERT_LE(total, 200 * 3000);
  }
  // Some damage leaves the file readable, some does not.
  EXPECT_GT(valid, 100);
  EXPECT_LT(valid, 1500);
}
