#include "ConverterTestComponents.h"
#include "acs/ACSIndicator.h"

#include <gtest/gtest.h>

#include <array>
#include <complex>
#include <numeric>
#include <random>

namespace {

using Levels = std::array<double, TSoundIndicator::kBands>;

// One run's bands the slow way: the first 64 points of a 1024-point
// symmetric Hann window, a plain DFT scaled by 1/64, log10 of the magnitude
// (negatives and zero as 0). Frame values: 16-bit signed, 8-bit unsigned as
// stored, stereo the mean of the two.
Levels RunBands(const QByteArray& pcm, int bits, int channels, int firstFrame) {
  Levels bands{};
  for (int k = 0; k < TSoundIndicator::kBands; ++k) {
    std::complex<double> sum;
    for (int n = 0; n < 64; ++n) {
      double value = 0;
      for (int c = 0; c < channels; ++c) {
        const int at = (firstFrame + n) * channels + c;
        int16_t s16 = 0;
        if (bits == 16) std::memcpy(&s16, pcm.constData() + at * 2, 2);
        value += bits == 16 ? s16 : static_cast<uint8_t>(pcm[at]);
      }
      const double w = (1 - std::cos(2 * std::numbers::pi * n / 1023)) / 2;
      sum += w * value / channels * std::polar(1.0, -2 * std::numbers::pi * k * n / 64);
    }
    const double r = std::abs(sum / 64.0);
    bands[k] = r == 0 ? 0 : std::max(0.0, std::log10(r));
  }
  return bands;
}

QByteArray Noise(int bytes, unsigned seed) {
  std::mt19937 random(seed);
  QByteArray data(bytes, 0);
  for (char& b : data) b = static_cast<char>(random() & 0xff);
  return data;
}

}  // namespace

TEST(SoundIndicator, WithoutInputOrNotStarted) {
  TSoundIndicator meter;
  for (const auto& call : std::vector<std::function<void()>>{
           [&] { meter.Init(); }, [&] { meter.GetChannels(); }, [&] { meter.GetSampleRate(); }}) {
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
  EXPECT_THROW(meter.GetData(buffer, sizeof buffer), EACSException);  // not opened
}

// Each case reads its blocks through the meter and then the levels twice;
// the expected levels fold each block in as documented: its runs added to
// the accumulator, the sum divided by the block's run count.
TEST(SoundIndicator, FoldsRunsOf64FramesIntoTheBands) {
  struct Case {
    const char* what;
    int bits, channels;
    std::vector<int> blocks;
  } cases[] = {
      {"1000 bytes of 16-bit stereo: 250 frames, three runs", 16, 2, {1000}},
      {"16-bit mono", 16, 1, {128}},
      {"8-bit mono, unsigned bytes as they are", 8, 1, {64 * 5}},
      {"8-bit stereo", 8, 2, {256}},
      {"two blocks between two reads", 16, 2, {256, 1024}},
      {"60 frames after a run leave the bands as they were", 16, 2, {256, 240}},
  };
  unsigned seed = 10;
  for (const Case& c : cases) {
    const QByteArray data = Noise(std::accumulate(c.blocks.begin(), c.blocks.end(), 0), ++seed);
    TMemoryInput input(c.bits, c.channels, 44100, data);
    TSoundIndicator meter;
    meter.SetInput(&input);
    meter.Init();
    Levels expected{};
    int offset = 0;
    for (int block : c.blocks) {
      std::vector<uint8_t> buffer(static_cast<size_t>(block));
      ASSERT_EQ(meter.GetData(buffer.data(), block), block);
      EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer.data()), block), data.mid(offset, block));
      const int runs = block / (c.bits / 8 * c.channels) / 64;
      const int firstFrame = offset / (c.bits / 8 * c.channels);
      for (int run = 0; run < runs; ++run) {
        const Levels bands = RunBands(data, c.bits, c.channels, firstFrame + run * 64);
        for (int i = 0; i < 32; ++i) expected[i] += bands[i];
      }
      if (runs > 0)
        for (double& band : expected) band /= runs;
      offset += block;
    }
    for (int read = 0; read < 2; ++read) {
      Levels got;
      meter.GetLevels(got);
      for (int i = 0; i < 32; ++i)  // the second read, without new audio: zeros
        EXPECT_NEAR(got[i], read == 0 ? 20 * expected[i] : 0, 1e-9) << c.what << " band " << i;
    }
    EXPECT_GT(*std::max_element(expected.begin(), expected.end()), 0) << c.what;
    meter.Flush();
    EXPECT_FALSE(input.Busy());
  }
}
