#include "ConverterTestComponents.h"
#include "acs/ACSConverters.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::vector<int16_t> Noise(size_t samples, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> dist(-30000, 30000);
  std::vector<int16_t> v(samples);
  for (auto& s : v) s = static_cast<int16_t>(dist(gen));
  return v;
}

template <typename F>
QString MessageOf(F&& f) {
  try {
    f();
  } catch (const EACSException& e) {
    return e.Message();
  }
  return {};
}

double Rms(const std::vector<int16_t>& v, size_t skip) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = skip; i + skip < v.size(); ++i, ++n) sum += double(v[i]) * v[i];
  return n ? std::sqrt(sum / n) : 0;
}

}  // namespace

// ------------------------------------------------------------ common rules

TEST(ConverterCommon, MessagesWithoutInputOrWhenIdle) {
  TRateConverter rate;
  TMSConverter ms;
  TSampleConverter depth;
  TStereoBalance balance;
  TACSInput* all[] = {&rate, &ms, &depth, &balance};
  for (TACSInput* c : all) {
    EXPECT_EQ(MessageOf([&] { c->Init(); }), "Input not assigned");
    EXPECT_EQ(MessageOf([&] { c->Channels(); }), "Input not assigned");
    uint8_t b[16];
    EXPECT_EQ(MessageOf([&] { c->GetData(b, 16); }), "The Stream is not opened");
  }
  // Fixed values do not need the input.
  EXPECT_EQ(rate.BitsPerSample(), 16);
  EXPECT_EQ(rate.SampleRate(), 22050);
  EXPECT_EQ(ms.BitsPerSample(), 16);
  EXPECT_EQ(MessageOf([&] { ms.SampleRate(); }), "Input not assigned");
  EXPECT_EQ(MessageOf([&] { depth.BitsPerSample(); }), "Input not assigned");
  EXPECT_EQ(MessageOf([&] { balance.BitsPerSample(); }), "Input not assigned");
}

TEST(ConverterCommon, InputEndingInsideABlockIsConvertedThenEnds) {
  // 10001 bytes of 16-bit stereo: 2500 frames and one stray byte.
  QByteArray data = Samples16(Noise(5000, 1));
  data.append('\x7f');
  TMemoryInput in(16, 2, 44100, data);
  TMSConverter ms;
  ms.SetInput(&in);
  ms.Init();
  const QByteArray out = Drain(ms, 3000);
  EXPECT_EQ(out.size(), 2500 * 2);
  uint8_t b[8];
  EXPECT_EQ(ms.GetData(b, 8), 0);
  EXPECT_EQ(ms.GetData(b, 8), 0);
  ms.Flush();
  EXPECT_FALSE(ms.Busy());
  EXPECT_FALSE(in.Busy());
}

TEST(ConverterCommon, SplitReadsGiveTheSameStream) {
  const QByteArray data = Samples16(Noise(40000, 2));
  auto run = [&](std::function<int32_t(int)> chunk, int32_t request) {
    TMemoryInput in(16, 2, 48000, data);
    in.chunk = std::move(chunk);
    TRateConverter rate;
    rate.SetOutSampleRate(44100);
    rate.SetInput(&in);
    rate.Init();
    QByteArray out = Drain(rate, request);
    rate.Flush();
    return out;
  };
  const QByteArray whole = run({}, 65536);
  EXPECT_EQ(run([](int call) { return 1 + (call * 7919) % 5000; }, 333), whole);
  EXPECT_EQ(run([](int) { return 3; }, 1), whole);
}

TEST(ConverterCommon, OpenEndedInputStaysOpenEnded) {
  TMemoryInput in(16, 2, 44100, Samples16(Noise(2000, 3)));
  in.openEnded = true;
  TSampleConverter depth;
  depth.SetInput(&in);
  depth.Init();
  EXPECT_EQ(depth.Size(), -1);
  const QByteArray out = Drain(depth, 500);
  EXPECT_EQ(out.size(), 2000);
  EXPECT_EQ(depth.Position(), 2000);
}

// ------------------------------------------------------------ TRateConverter

TEST(ConverterRate, HalvingHalvesSizeAndKeepsEverySecondPosition) {
  const auto x = Noise(2 * 30000, 4);
  TMemoryInput in(16, 2, 44100, Samples16(x));
  TRateConverter rate;
  rate.SetOutSampleRate(22050);
  rate.SetInput(&in);
  EXPECT_EQ(rate.Channels(), 2);
  rate.Init();
  EXPECT_EQ(rate.Size(), in.Size() / 2);
  const QByteArray out = Drain(rate, 10000);
  EXPECT_EQ(out.size(), rate.Size());
  EXPECT_EQ(rate.Position(), rate.Size());
  EXPECT_EQ(in.requests.front(), 32768);

  // The same positions chosen block after block: an impulse at an even
  // input position shows the kernel, at an odd one a shifted kernel.
  std::vector<int16_t> impulse(2 * 20000, 0);
  impulse[2 * 16000] = 30000;  // left channel, even position, in the third block
  TMemoryInput in2(16, 2, 44100, Samples16(impulse));
  rate.SetInput(&in2);
  rate.Init();
  const auto y = ToSamples16(Drain(rate));
  ASSERT_EQ(y.size(), impulse.size() / 2);
  // Outputs 8000..8014 (inputs 16000..16028) see the 30 taps at the even
  // positions h[29], h[27], ...; the right channel stays silent.
  for (size_t k = 0; k < y.size() / 2; ++k) EXPECT_EQ(y[2 * k + 1], 0);
  int nonZero = 0;
  for (size_t k = 0; k < y.size() / 2; ++k)
    if (y[2 * k] != 0) {
      ++nonZero;
      EXPECT_GE(k, 8000u);
      EXPECT_LE(k, 8014u);
    }
  EXPECT_GT(nonZero, 5);
  rate.Flush();
}

TEST(ConverterRate, DoublingGivesTwoOutputsPerInputIn16KBlocks) {
  TMemoryInput in(16, 1, 22050, Samples16(Noise(50000, 5)));
  TRateConverter rate;
  rate.SetOutSampleRate(44100);
  rate.SetInput(&in);
  rate.Init();
  EXPECT_EQ(rate.SampleRate(), 44100);
  EXPECT_EQ(rate.Size(), 200000);
  const QByteArray out = Drain(rate, 7777);
  EXPECT_EQ(out.size(), 200000);
  ASSERT_FALSE(in.requests.empty());
  EXPECT_EQ(in.requests.front(), 16384);
  rate.Flush();
}

TEST(ConverterRate, EqualRatesStillFilter) {
  const auto high = SineWave(44100, 2, 20000, 44100, 10000);
  const auto low = SineWave(44100, 2, 1000, 44100, 10000);
  for (const auto* signal : {&high, &low}) {
    TMemoryInput in(16, 2, 44100, Samples16(*signal));
    TRateConverter rate;
    rate.SetOutSampleRate(44100);
    rate.SetInput(&in);
    rate.Init();
    const auto y = ToSamples16(Drain(rate));
    EXPECT_EQ(y.size(), signal->size());
    const double ratio = Rms(y, 200) / Rms(*signal, 200);
    if (signal == &high)
      EXPECT_LT(ratio, 0.05);
    else
      EXPECT_NEAR(ratio, 1.0, 0.02);
    rate.Flush();
  }
}

TEST(ConverterRate, SettersRefuseBadValuesAndChangesWhileBusy) {
  TRateConverter rate;
  EXPECT_EQ(rate.KernelWidth(), 30);
  EXPECT_EQ(rate.FilterWindow(), fwBlackman);
  rate.SetKernelWidth(1);
  rate.SetOutSampleRate(0);
  rate.SetOutSampleRate(-5);
  EXPECT_EQ(rate.KernelWidth(), 30);
  EXPECT_EQ(rate.OutSampleRate(), 22050);
  rate.SetKernelWidth(2);
  EXPECT_EQ(rate.KernelWidth(), 2);

  TMemoryInput in(16, 2, 44100, Samples16(Noise(100, 6)));
  rate.SetInput(&in);
  rate.Init();
  rate.SetKernelWidth(64);
  rate.SetOutSampleRate(8000);
  EXPECT_EQ(rate.KernelWidth(), 2);
  EXPECT_EQ(rate.OutSampleRate(), 22050);
  rate.Flush();
  rate.SetOutSampleRate(8000);
  EXPECT_EQ(rate.OutSampleRate(), 8000);
}

TEST(ConverterRate, RefusesInputItCannotFilter) {
  TMemoryInput eight(8, 2, 44100, QByteArray(100, '\x80'));
  TRateConverter rate;
  rate.SetInput(&eight);
  EXPECT_FALSE(MessageOf([&] { rate.Init(); }).isEmpty());
  EXPECT_FALSE(rate.Busy());
  EXPECT_FALSE(eight.Busy());  // refused before the input was opened
}

TEST(ConverterRate, RepeatedRunsGiveTheSameResult) {
  TMemoryInput in(16, 2, 22050, Samples16(Noise(20000, 7)));
  TRateConverter rate;
  rate.SetOutSampleRate(44100);
  rate.SetInput(&in);
  rate.Init();
  const QByteArray first = Drain(rate);
  rate.Flush();
  rate.Init();
  const QByteArray second = Drain(rate);
  rate.Flush();
  EXPECT_EQ(first, second);
}

// ------------------------------------------------------------ TMSConverter

TEST(ConverterChannels, StereoToMonoTruncatesTowardZero) {
  TMemoryInput in(16, 2, 44100, Samples16({3, -4, -3, 0, 32767, 32767, -32768, -32768, 1, 2}));
  TMSConverter ms;
  ms.SetInput(&in);
  EXPECT_EQ(ms.Channels(), 1);
  ms.Init();
  EXPECT_EQ(ms.Size(), 10);
  EXPECT_EQ(ToSamples16(Drain(ms)), (std::vector<int16_t>{0, -1, 32767, -32768, 1}));
  ms.Flush();
}

TEST(ConverterChannels, MonoToStereoByMode) {
  const std::vector<int16_t> mono{100, -200, 32767};
  struct Case {
    TMSConverterMode mode;
    std::vector<int16_t> expected;
  };
  const Case cases[] = {{msmMonoToBoth, {100, 100, -200, -200, 32767, 32767}},
                        {msmMonoToLeft, {0, 100, 0, -200, 0, 32767}},
                        {msmMonoToRight, {100, 0, -200, 0, 32767, 0}}};
  for (const auto& c : cases) {
    TMemoryInput in(16, 1, 8000, Samples16(mono));
    TMSConverter ms;
    EXPECT_EQ(ms.Mode(), msmMonoToBoth);
    ms.SetMode(c.mode);
    ms.SetInput(&in);
    EXPECT_EQ(ms.Channels(), 2);
    EXPECT_EQ(ms.SampleRate(), 8000);
    ms.Init();
    EXPECT_EQ(ms.Size(), 12);
    EXPECT_EQ(ToSamples16(Drain(ms, 5)), c.expected) << c.mode;
    EXPECT_EQ(in.requests.front(), 16384);
    ms.Flush();
  }
}

// ------------------------------------------------------------ TSampleConverter

TEST(ConverterDepth, SixteenToEightUsesTheHighByte) {
  TMemoryInput in(16, 1, 44100, Samples16({-32768, 32767, 0, -1, 255, 256, -256, -257}));
  TSampleConverter depth;
  depth.SetInput(&in);
  EXPECT_EQ(depth.BitsPerSample(), 8);
  depth.Init();
  EXPECT_EQ(depth.Size(), 8);
  const QByteArray out = Drain(depth);
  const std::vector<uint8_t> bytes(out.begin(), out.end());
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 255, 128, 127, 128, 129, 127, 126}));
  depth.Flush();
}

TEST(ConverterDepth, EightToSixteenAndBackIsExact) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  TMemoryInput in(8, 2, 11025, all);
  TSampleConverter up;
  up.SetInput(&in);
  EXPECT_EQ(up.BitsPerSample(), 16);
  EXPECT_EQ(up.Channels(), 2);
  TSampleConverter down;
  down.SetInput(&up);
  EXPECT_EQ(down.BitsPerSample(), 8);
  down.Init();
  EXPECT_EQ(up.Size(), 512);
  EXPECT_EQ(down.Size(), 256);
  EXPECT_EQ(Drain(down, 7), all);
  down.Flush();
  EXPECT_FALSE(in.Busy());

  TMemoryInput one(8, 1, 11025, QByteArray("\x80\x00\xff", 3));
  up.SetInput(&one);
  up.Init();
  EXPECT_EQ(ToSamples16(Drain(up)), (std::vector<int16_t>{0, -32768, 32512}));
  EXPECT_EQ(one.requests.front(), 16384);
  up.Flush();
}

// ------------------------------------------------------------ TStereoBalance

TEST(ConverterBalance, CentreKeepsBothChannelsAndSidesFade) {
  const std::vector<int16_t> frames{10000, 10000, -32768, 32767, 3, -3};
  struct Case {
    float balance;
    std::vector<int16_t> expected;
  };
  const Case cases[] = {{0.5f, {10000, 10000, -32768, 32767, 3, -3}},
                        {0.7f, {6000, 10000, -19661, 32767, 2, -3}},
                        {0.25f, {10000, 5000, -32768, 16384, 3, -2}},
                        {0.0f, {10000, 0, -32768, 0, 3, 0}},
                        {1.0f, {0, 10000, 0, 32767, 0, -3}}};
  for (const auto& c : cases) {
    TMemoryInput in(16, 2, 44100, Samples16(frames));
    TStereoBalance balance;
    EXPECT_FLOAT_EQ(balance.Balance(), 0.5f);
    balance.SetBalance(c.balance);
    balance.SetInput(&in);
    balance.Init();
    EXPECT_EQ(balance.Size(), 12);
    EXPECT_EQ(ToSamples16(Drain(balance)), c.expected) << c.balance;
    balance.Flush();
  }
  TStereoBalance balance;
  balance.SetBalance(0.3f);
  balance.SetBalance(1.5f);
  balance.SetBalance(-0.1f);
  EXPECT_FLOAT_EQ(balance.Balance(), 0.3f);
}

TEST(ConverterBalance, MonoBecomesStereo) {
  TMemoryInput in(16, 1, 22050, Samples16({1000, -2000, 3000}));
  TStereoBalance balance;
  balance.SetInput(&in);
  EXPECT_EQ(balance.Channels(), 2);
  EXPECT_EQ(balance.SampleRate(), 22050);
  balance.SetBalance(0.75f);
  balance.Init();
  EXPECT_EQ(balance.Size(), 12);
  EXPECT_EQ(ToSamples16(Drain(balance, 8)),
            (std::vector<int16_t>{500, 1000, -1000, -2000, 1500, 3000}));
  EXPECT_EQ(balance.Position(), 12);
  balance.Flush();
}

TEST(ConverterBalance, EightBitScalesAroundSilence) {
  TMemoryInput in(8, 2, 8000, QByteArray("\x80\x80\xff\x00\x00\xff", 6));
  TStereoBalance balance;
  balance.SetBalance(0.25f);  // right channel at half
  balance.SetInput(&in);
  balance.Init();
  const QByteArray out = Drain(balance);
  const std::vector<uint8_t> bytes(out.begin(), out.end());
  EXPECT_EQ(bytes, (std::vector<uint8_t>{128, 128, 255, 64, 0, 192}));
  balance.Flush();
}

TEST(ConverterBalance, OddReadsNeverSlipTheChannels) {
  std::vector<int16_t> frames;
  for (int i = 0; i < 3000; ++i) {
    frames.push_back(static_cast<int16_t>(i));       // left
    frames.push_back(static_cast<int16_t>(-20000));  // right
  }
  TMemoryInput in(16, 2, 44100, Samples16(frames));
  in.chunk = [](int call) { return 1 + call % 7; };
  TStereoBalance balance;
  balance.SetBalance(0.0f);  // right silenced, left untouched
  balance.SetInput(&in);
  balance.Init();
  const auto out = ToSamples16(Drain(balance, 3));
  ASSERT_EQ(out.size(), frames.size());
  for (size_t i = 0; i < out.size() / 2; ++i) {
    ASSERT_EQ(out[2 * i], static_cast<int16_t>(i));
    ASSERT_EQ(out[2 * i + 1], 0);
  }
  balance.Flush();
}

// ------------------------------------------------------------ chains

TEST(ConverterChain, WorkerPullsThroughDepthChannelsAndRate) {
  // 8-bit stereo at 22050 Hz -> 16-bit -> mono -> 44100 Hz, on a real worker.
  QByteArray eight;
  const auto tone = SineWave(22050, 2, 440, 22050, 100);
  for (int16_t s : tone) eight.append(static_cast<char>(128 + s));
  TMemoryInput in(8, 2, 22050, eight);
  TSampleConverter depth;
  depth.SetInput(&in);
  TMSConverter ms;
  ms.SetInput(&depth);
  TRateConverter rate;
  rate.SetOutSampleRate(44100);
  rate.SetInput(&ms);
  TMemoryOutput sink;
  sink.SetInput(&rate);
  int progressCalls = 0, done = 0;
  sink.OnProgress = [&](QObject*) { ++progressCalls; };
  sink.OnDone = [&](QObject*) { ++done; };
  sink.Run();
  ASSERT_TRUE(sink.WaitIdle());
  EXPECT_EQ(done, 1);
  EXPECT_GT(progressCalls, 0);
  EXPECT_EQ(sink.bits, 16);
  EXPECT_EQ(sink.channels, 1);
  EXPECT_EQ(sink.rate, 44100);
  EXPECT_EQ(sink.data.size(), 22050 * 2 * 2);
  EXPECT_EQ(sink.Progress(), 100);
  EXPECT_FALSE(in.Busy());
  // The tone survives at its level (8-bit amplitude 100 -> 25600).
  const auto y = ToSamples16(sink.data);
  EXPECT_NEAR(Rms(y, 500), 25600 / std::sqrt(2.0), 25600 * 0.03);
}
