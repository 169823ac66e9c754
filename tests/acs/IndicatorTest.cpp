#include "ConverterTestComponents.h"
#include "acs/ACSIndicator.h"

#include <gtest/gtest.h>

#include <array>
#include <complex>
#include <random>

namespace {

using Levels = std::array<double, TSoundIndicator::kBands>;

// The band values of one run of 64 frame values, computed the slow way: the
// first 64 points of a 1024-point symmetric Hann window, a plain DFT scaled
// by 1/64, log10 of the magnitude, negatives and zero as 0.
Levels RunBands(const std::vector<double>& values) {
  Levels bands{};
  for (int k = 0; k < TSoundIndicator::kBands; ++k) {
    std::complex<double> sum;
    for (int n = 0; n < 64; ++n) {
      const double w = (1 - std::cos(2 * std::numbers::pi * n / 1023)) / 2;
      sum += w * values[n] * std::polar(1.0, -2 * std::numbers::pi * k * n / 64);
    }
    const double r = std::abs(sum / 64.0);
    bands[k] = r == 0 ? 0 : std::max(0.0, std::log10(r));
  }
  return bands;
}

// Frame values as the meter takes them: 16-bit signed, 8-bit unsigned as
// stored; stereo the mean of the two.
double FrameValue(const QByteArray& pcm, int bits, int channels, int frame) {
  double sum = 0;
  for (int c = 0; c < channels; ++c) {
    if (bits == 16) {
      int16_t s;
      std::memcpy(&s, pcm.constData() + (frame * channels + c) * 2, 2);
      sum += s;
    } else {
      sum += static_cast<uint8_t>(pcm[frame * channels + c]);
    }
  }
  return sum / channels;
}

QByteArray Noise(int bytes, unsigned seed) {
  std::mt19937 random(seed);
  QByteArray data(bytes, 0);
  for (char& b : data) b = static_cast<char>(random() & 0xff);
  return data;
}

void ExpectLevels(const Levels& got, const Levels& expected, const std::string& what) {
  for (int i = 0; i < TSoundIndicator::kBands; ++i)
    EXPECT_NEAR(got[i], expected[i], 1e-9) << what << ", band " << i;
}

}  // namespace

TEST(SoundIndicator, WithoutInputOrNotStarted) {
  TSoundIndicator meter;
  for (const auto& call : std::vector<std::function<void()>>{
           [&] { meter.Init(); }, [&] { meter.GetChannels(); }, [&] { meter.GetSampleRate(); },
           [&] { meter.GetBitsPerSample(); }}) {
    try {
      call();
      ADD_FAILURE() << "no exception";
    } catch (const EACSException& e) {
      EXPECT_EQ(e.Message(), "Input is not assigned.");
    }
  }
  TMemoryInput input(16, 2, 44100, Noise(400, 1));
  meter.SetInput(&input);
  uint8_t buffer[16];
  try {
    meter.GetData(buffer, sizeof buffer);
    ADD_FAILURE() << "read while idle";
  } catch (const EACSException& e) {
    EXPECT_EQ(e.Message(), "The Stream is not opened");
  }
  EXPECT_EQ(meter.GetSampleRate(), 44100);
  EXPECT_EQ(meter.GetChannels(), 2);
}

TEST(SoundIndicator, PassesTheAudioThroughUnchanged) {
  const QByteArray data = Noise(100000, 2);
  TMemoryInput input(16, 2, 44100, data);
  input.chunk = [](int call) { return 1000 + 37 * call; };
  TSoundIndicator meter;
  meter.SetInput(&input);
  meter.Init();
  EXPECT_EQ(meter.Size(), data.size());
  EXPECT_EQ(Drain(meter, 8192), data);
  EXPECT_EQ(meter.Position(), data.size());
  meter.Flush();
  EXPECT_FALSE(input.Busy());
}

// Each case reads the given blocks (bytes) and then the levels once; the
// expected levels fold each block in as the meter does: the block's runs
// added to the accumulator, the sum divided by the block's run count.
TEST(SoundIndicator, FoldsRunsOf64FramesIntoTheBands) {
  struct Case {
    const char* what;
    int bits, channels;
    std::vector<int> blocks;
  } cases[] = {
      {"1000 bytes of 16-bit stereo: 250 frames, three runs", 16, 2, {1000}},
      {"16-bit mono, one run", 16, 1, {128}},
      {"8-bit mono, unsigned bytes as they are", 8, 1, {64 * 5}},
      {"8-bit stereo, the mean of the two", 8, 2, {256}},
      {"two blocks between two reads", 16, 2, {256, 1024}},
      {"60 frames after a run leave the bands as they were", 16, 2, {256, 240}},
  };
  unsigned seed = 10;
  for (const Case& c : cases) {
    int total = 0;
    for (int b : c.blocks) total += b;
    const QByteArray data = Noise(total, ++seed);
    TMemoryInput input(c.bits, c.channels, 44100, data);
    TSoundIndicator meter;
    meter.SetInput(&input);
    meter.Init();

    Levels expected{};
    int offset = 0;
    for (int block : c.blocks) {
      std::vector<uint8_t> buffer(static_cast<size_t>(block));
      ASSERT_EQ(meter.GetData(buffer.data(), block), block);
      const QByteArray bytes = data.mid(offset, block);
      const int frames = block / (c.bits / 8 * c.channels);
      const int runs = frames / 64;
      for (int run = 0; run < runs; ++run) {
        std::vector<double> values(64);
        for (int i = 0; i < 64; ++i)
          values[i] = FrameValue(bytes, c.bits, c.channels, run * 64 + i);
        const Levels bands = RunBands(values);
        for (int i = 0; i < 32; ++i) expected[i] += bands[i];
      }
      if (runs > 0)
        for (double& band : expected) band /= runs;
      offset += block;
    }
    for (double& band : expected) band *= 20;

    Levels got;
    meter.GetLevels(got);
    ExpectLevels(got, expected, c.what);
    EXPECT_GT(*std::max_element(got.begin(), got.end()), 0) << c.what;

    // Read again without new audio: all zero.
    meter.GetLevels(got);
    ExpectLevels(got, Levels{}, std::string(c.what) + ", second read");
    meter.Flush();
  }
}

TEST(SoundIndicator, InitClearsTheBands) {
  const QByteArray data = Noise(4096, 99);
  TMemoryInput input(16, 2, 44100, data);
  TSoundIndicator meter;
  meter.SetInput(&input);
  meter.Init();
  std::vector<uint8_t> buffer(4096);
  meter.GetData(buffer.data(), 4096);
  meter.Flush();
  meter.Init();
  Levels got;
  meter.GetLevels(got);
  ExpectLevels(got, Levels{}, "after Init");
}
