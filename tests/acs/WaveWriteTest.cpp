#include "CoreComponents.h"
#include "WaveTestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class WaveWrite : public ::testing::Test {
 protected:
  QString Path(const QString& name) { return dir.filePath(name); }
  QString Put(const QByteArray& bytes, const QString& name) {
    EXPECT_TRUE(WriteFile(Path(name), bytes));
    return Path(name);
  }
  // Runs the sink to its end; returns the error text or "" on OnDone.
  QString RunToEnd(TWaveOut& out, std::vector<int>* progress = nullptr) {
    std::atomic<int> ended{0};
    QString error;
    out.OnDone = [&](QObject*) { ++ended; };
    out.OnThreadException = [&](QObject*, const std::exception& e) {
      error = ExceptionMessage(e);
      ++ended;
    };
    out.OnProgress = [&](QObject*) {
      if (progress) progress->push_back(out.Progress());
    };
    out.Run();
    EXPECT_TRUE(WaitUntil([&] { return ended > 0; }));
    EXPECT_TRUE(WaitUntil([&] { return out.Status() == osIdle; }));
    return error;
  }
  QTemporaryDir dir;
};

QByteArray Mono(int frames) { return SampleBytes(Sine(frames, 1, 44100, 0.7)); }

}  // namespace

TEST_F(WaveWrite, PcmCopyIsByteExactWithProgressAndDone) {
  std::vector<int16_t> s = Sine(30000, 2, 44100, 1.0);
  s[10] = -32768;
  s[11] = 32767;
  const QByteArray source = PcmFile(SampleBytes(s), 2, 44100, 16);
  TWaveIn in;
  in.SetFileName(Put(source, "src.wav"));
  TWaveOut out;
  out.SetInput(&in);
  out.SetFileName(Path("copy.wav"));
  std::vector<int> progress;
  EXPECT_EQ(RunToEnd(out, &progress), "");
  EXPECT_EQ(ReadFile(Path("copy.wav")), source);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 100);
  EXPECT_FALSE(in.Busy());

  // 8-bit mono too.
  QByteArray eight(3001, 0);
  for (int i = 0; i < eight.size(); ++i) eight[i] = char(i * 13);
  TWaveIn in8;
  in8.SetFileName(Put(PcmFile(eight, 1, 11025, 8), "eight.wav"));
  TWaveOut out8;
  out8.SetInput(&in8);
  out8.SetFileName(Path("eight-copy.wav"));
  EXPECT_EQ(RunToEnd(out8), "");
  EXPECT_EQ(ReadFile(Path("eight-copy.wav")), PcmFile(eight, 1, 11025, 8));
}

TEST_F(WaveWrite, ImaOutputHasTheLayoutAndDecodesBack) {
  TWaveIn in;
  in.SetFileName(Put(PcmFile(Mono(10000), 1, 44100, 16), "mono.wav"));
  TWaveOut out;
  out.SetInput(&in);
  out.SetWavType(wtDVIADPCM);
  out.SetFileName(Path("ima.wav"));
  EXPECT_EQ(RunToEnd(out), "");
  const QByteArray ima = ReadFile(Path("ima.wav"));
  const auto* p = reinterpret_cast<const uint8_t*>(ima.constData());
  ASSERT_EQ(ima.size(), 60 + 10 * 512);  // 9 full blocks and one padded
  EXPECT_EQ(QByteArray(ima.constData(), 4), "RIFF");
  EXPECT_EQ(GetLE32(p + 4), uint32_t(ima.size() - 8));
  EXPECT_EQ(GetLE32(p + 16), 20u);
  EXPECT_EQ(GetLE16(p + 20), 0x11);
  EXPECT_EQ(GetLE32(p + 28), (44100u / 1017u) * 512u);
  EXPECT_EQ(GetLE16(p + 32), 512);
  EXPECT_EQ(GetLE16(p + 34), 4);
  EXPECT_EQ(GetLE16(p + 38), 1017);
  EXPECT_EQ(GetLE32(p + 48), 10000u);
  EXPECT_EQ(GetLE32(p + 56), 5120u);

  // Back to PCM: the first sample of every block is exact, the rest close.
  TWaveIn back;
  back.SetFileName(Path("ima.wav"));
  EXPECT_EQ(back.WavType(), wtDVIADPCM);
  EXPECT_EQ(back.BitsPerSample(), 16);
  TWaveOut pcm;
  pcm.SetInput(&back);
  pcm.SetFileName(Path("back.wav"));
  EXPECT_EQ(RunToEnd(pcm), "");
  TWaveIn check;
  check.SetFileName(Path("back.wav"));
  const QByteArray decoded = ReadAll(check);
  const QByteArray original = Mono(10000);
  ASSERT_GE(decoded.size(), original.size());
  const auto* d = reinterpret_cast<const uint8_t*>(decoded.constData());
  const auto* o = reinterpret_cast<const uint8_t*>(original.constData());
  double err = 0;
  for (int i = 0; i < 10000; ++i) {
    const int a = int16_t(GetLE16(d + 2 * i)), b = int16_t(GetLE16(o + 2 * i));
    if (i % 1017 == 0) {
      EXPECT_EQ(a, b) << i;
    }
    err += std::abs(a - b);
  }
  EXPECT_LT(err / 10000, 200.0);
}

TEST_F(WaveWrite, ImaWritesTheBlocksItsSamplesFillAndCountsTheSamples) {
  struct Case {
    int frames, channels;
    uint16_t block;
    bool openEnded;  // the input announces no size: the header is patched
    int blocks;
  };
  const Case cases[] = {
      {8178, 1, 2048, false, 2},  // ends on a block boundary: no block of silence
      {3 * 505, 2, 512, false, 3},         {4 * 505, 2, 512, true, 4},
      {10000, 1, 512, false, 10},  // the last block padded
      {9 * 1017 + 100, 1, 512, false, 10}, {2 * 505 + 1, 2, 512, true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.frames << " frames, " << c.channels << " ch");
    TWaveIn file;
    TPatternInput pattern(-c.frames * 4);
    file.SetFileName(
        Put(PcmFile(SampleBytes(Sine(c.frames, c.channels)), c.channels, 44100, 16), "src.wav"));
    TWaveOut out;
    out.SetInput(c.openEnded ? static_cast<TACSInput*>(&pattern) : &file);
    out.SetWavType(wtDVIADPCM);
    out.SetBlockSize(c.block);
    out.SetFileName(Path("ima.wav"));
    EXPECT_EQ(RunToEnd(out), "");
    const QByteArray ima = ReadFile(Path("ima.wav"));
    const auto* p = reinterpret_cast<const uint8_t*>(ima.constData());
    ASSERT_EQ(ima.size(), 60 + c.blocks * c.block);
    EXPECT_EQ(GetLE32(p + 4), uint32_t(ima.size() - 8));
    EXPECT_EQ(GetLE32(p + 48), uint32_t(c.frames));
    EXPECT_EQ(GetLE32(p + 56), uint32_t(c.blocks * c.block));
  }
}

TEST_F(WaveWrite, SettersAcceptOnlyWhatTheyCanWrite) {
  TWaveOut out;
  EXPECT_EQ(out.WavType(), wtPCM);
  EXPECT_EQ(out.BlockSize(), 512);
  out.SetBlockSize(510);
  EXPECT_EQ(out.BlockSize(), 512);
  out.SetBlockSize(0);
  EXPECT_EQ(out.BlockSize(), 512);
  out.SetBlockSize(1024);
  EXPECT_EQ(out.BlockSize(), 1024);
  out.SetWavType(wtMSADPCM);
  EXPECT_EQ(out.WavType(), wtPCM);
  out.SetWavType(wtDVIADPCM);
  EXPECT_EQ(out.WavType(), wtDVIADPCM);
  out.SetFileMode(foAppend);
  EXPECT_EQ(out.FileMode(), foAppend);

  // Ignored while busy.
  TPatternInput input(1000000, 100);
  input.CloseGate();
  out.SetWavType(wtPCM);
  out.SetFileMode(foRewrite);
  out.SetInput(&input);
  out.SetFileName(Path("busy.wav"));
  out.Run();
  ASSERT_TRUE(input.WaitUntilWaiting());
  out.SetBlockSize(256);
  out.SetWavType(wtDVIADPCM);
  EXPECT_EQ(out.BlockSize(), 1024);
  EXPECT_EQ(out.WavType(), wtPCM);
  out.Stop();
  input.OpenGate();
  EXPECT_TRUE(WaitUntil([&] { return out.Status() == osIdle; }));
}

TEST_F(WaveWrite, PrepareFailuresKeepFilesAndTheInputReusable) {
  const QByteArray existing = PcmFile(Mono(1000), 1, 44100, 16);
  const QString target = Put(existing, "target.wav");
  TWaveIn in;
  in.SetFileName(Put(PcmFile(SampleBytes(Sine(500, 1, 22050)), 1, 22050, 16), "slow.wav"));
  TWaveOut out;
  out.SetInput(&in);
  out.SetFileName(target);
  out.SetFileMode(foAppend);
  EXPECT_EQ(RunToEnd(out), "Cannot append data in different audio format.");
  EXPECT_EQ(ReadFile(target), existing);
  EXPECT_FALSE(in.Busy());

  // Appending to a file that is neither PCM nor IMA.
  const QByteArray ms = RiffWave(Chunk("fmt ", FmtBody(2, 1, 44100, 256, 4) + Le16(32) + Le16(500) +
                                                   Le16(1) + Le16(256) + Le16(0)) +
                                 Chunk("fact", Le32(10)) + Chunk("data", QByteArray(256, 0)));
  out.SetFileName(Put(ms, "ms.wav"));
  EXPECT_EQ(RunToEnd(out), "Cannot append data to this .wav file.");
  EXPECT_EQ(ReadFile(Path("ms.wav")), ms);

  // 8-bit into IMA: an existing file it would replace stays as it was.
  TWaveIn in8;
  in8.SetFileName(Put(PcmFile(QByteArray(100, char(128)), 1, 8000, 8), "e.wav"));
  TWaveOut ima;
  ima.SetInput(&in8);
  ima.SetWavType(wtDVIADPCM);
  ima.SetFileName(target);
  EXPECT_EQ(RunToEnd(ima), "Cannot encode 8 bit sound into ADPCM.");
  EXPECT_EQ(ReadFile(target), existing);
  EXPECT_FALSE(in8.Busy());

  TWaveOut unnamed;
  unnamed.SetInput(&in8);
  EXPECT_EQ(RunToEnd(unnamed), "File name is not assigned.");
}

TEST_F(WaveWrite, AppendPcmAndImaPatchTheHeader) {
  const QByteArray a = Mono(3000), b = Mono(2000);
  const QString target = Put(PcmFile(a, 1, 44100, 16), "grow.wav");
  TWaveIn in;
  in.SetFileName(Put(PcmFile(b, 1, 44100, 16), "more.wav"));
  TWaveOut out;
  out.SetInput(&in);
  out.SetFileMode(foAppend);
  out.SetFileName(target);
  EXPECT_EQ(RunToEnd(out), "");
  EXPECT_EQ(ReadFile(target), PcmFile(a + b, 1, 44100, 16));

  // Appending to an empty file or a missing one writes a new file.
  for (const char* name : {"empty.wav", "missing.wav"}) {
    if (QString(name) == "empty.wav") Put({}, name);
    out.SetFileName(Path(name));
    EXPECT_EQ(RunToEnd(out), "");
    EXPECT_EQ(ReadFile(Path(name)), PcmFile(b, 1, 44100, 16)) << name;
  }

  // IMA: two runs appended give the blocks of both and a fact count of
  // whole blocks.
  TWaveOut ima;
  ima.SetInput(&in);
  ima.SetWavType(wtDVIADPCM);
  ima.SetFileName(Path("ima.wav"));
  EXPECT_EQ(RunToEnd(ima), "");
  const int firstBlocks = (ReadFile(Path("ima.wav")).size() - 60) / 512;
  ima.SetFileMode(foAppend);
  ima.SetWavType(wtPCM);  // the file's own type wins
  EXPECT_EQ(RunToEnd(ima), "");
  const QByteArray both = ReadFile(Path("ima.wav"));
  const auto* p = reinterpret_cast<const uint8_t*>(both.constData());
  EXPECT_EQ(ima.WavType(), wtDVIADPCM);
  EXPECT_EQ(both.size(), 60 + 2 * firstBlocks * 512);
  EXPECT_EQ(GetLE32(p + 56), uint32_t(2 * firstBlocks * 512));
  // The first run's blocks play whole, then the 2000 samples appended.
  EXPECT_EQ(GetLE32(p + 48), uint32_t(firstBlocks * 1017 + 2000));
  EXPECT_EQ(GetLE32(p + 4), uint32_t(both.size() - 8));
}

TEST_F(WaveWrite, OpenEndedInputStoppedGetsItsSizesPatched) {
  TPatternInput input(-10000000, 1000);
  TWaveOut out;
  out.SetInput(&input);
  out.SetFileName(Path("open.wav"));
  input.CloseGate();
  std::atomic<int> done{0};
  out.OnDone = [&](QObject*) { ++done; };
  out.Run();
  input.Release(7);
  ASSERT_TRUE(WaitUntil([&] { return input.calls == 7; }));
  ASSERT_TRUE(input.WaitUntilWaiting());
  out.Stop();
  input.OpenGate();
  ASSERT_TRUE(WaitUntil([&] { return done == 1; }));
  const QByteArray file = ReadFile(Path("open.wav"));
  const auto* p = reinterpret_cast<const uint8_t*>(file.constData());
  ASSERT_GE(file.size(), 44 + 7000);
  EXPECT_EQ(GetLE32(p + 40), uint32_t(file.size() - 44));
  EXPECT_EQ(GetLE32(p + 4), uint32_t(file.size() - 8));
  EXPECT_EQ((file.size() - 44) % 1000, 0);
}

TEST_F(WaveWrite, KnownSizeHeaderIsLeftAsAnnounced) {
  // A stream whose Size is right keeps the header Prepare wrote; the file
  // is complete only when the job ends.
  const QByteArray data = Mono(20000);
  TWaveIn in;
  in.SetFileName(Put(PcmFile(data, 1, 44100, 16), "known.wav"));
  TWaveOut out;
  out.SetInput(&in);
  out.SetFileName(Path("copy.wav"));
  in.Init();
  const int32_t size = in.Size();
  in.Flush();
  EXPECT_EQ(RunToEnd(out), "");
  const QByteArray file = ReadFile(Path("copy.wav"));
  EXPECT_EQ(GetLE32(reinterpret_cast<const uint8_t*>(file.constData()) + 40), uint32_t(size));
  EXPECT_EQ(file, PcmFile(data, 1, 44100, 16));
}

TEST_F(WaveWrite, ImaStartSampleSeeksToItsBlockAndJumpMovesWholeBlocks) {
  TWaveIn in;
  in.SetFileName(Put(PcmFile(Mono(5000), 1, 44100, 16), "m.wav"));
  TWaveOut out;
  out.SetInput(&in);
  out.SetWavType(wtDVIADPCM);
  out.SetFileName(Path("m-ima.wav"));
  ASSERT_EQ(RunToEnd(out), "");
  TWaveIn ima;
  ima.SetFileName(Path("m-ima.wav"));
  const QByteArray whole = ReadAll(ima);
  ASSERT_EQ(whole.size(), 5 * 1017 * 2);
  // Sample 1500 lies in the second block, which is where reading starts.
  ima.SetStartSample(1500);
  ima.Init();
  EXPECT_EQ(ima.Size(), (5000 - 1500) * 2);
  ima.Flush();
  EXPECT_EQ(ReadAll(ima), whole.mid(1017 * 2));
  // +40 % of 5000 samples from block 0 lands in block 1 (sample 2000).
  ima.SetStartSample(0);
  ima.Init();
  ima.SetJump(40);
  uint8_t b[64];
  ASSERT_EQ(ima.GetData(b, 64), 64);
  EXPECT_EQ(QByteArray(reinterpret_cast<char*>(b), 64), whole.mid(1017 * 2, 64));
  EXPECT_EQ(ima.Position(), 1017 * 2 + 64);
  ima.Flush();
}
