#include "AlsaTestCard.h"
#include "ConverterTestComponents.h"
#include "acs/ACSAudioOut.h"
#include "acs/ACSVorbis.h"

#include <fcntl.h>
#include <unistd.h>

#include <thread>

namespace {

int Channel(const QString& name) { return static_cast<int>(WaveOutDeviceNames().indexOf(name)); }

// A ramp, so any lost, repeated or reordered byte shows.
QByteArray Ramp(int bytes) {
  QByteArray data(bytes, 0);
  for (int i = 0; i < bytes; ++i) data[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
  return data;
}

// Plays the input to its end on the default card; what the card got.
QByteArray PlayAll(TAudioOut& out, TACSInput& input, QString* error = nullptr) {
  TAlsaTestCard::Clear();
  out.SetInput(&input);
  out.OnThreadException = [error](QObject*, const std::exception& e) {
    if (error) *error = ExceptionMessage(e);
  };
  out.Run();
  EXPECT_TRUE(WaitFor([&] { return out.Status() == osIdle; }));
  return TAlsaTestCard::Played();
}

}  // namespace

TEST(AudioOutDevices, DefaultFirstAndOnlyListedChannels) {
  const QStringList& names = WaveOutDeviceNames();
  EXPECT_EQ(names, QStringList({"default", "broken", "fifo"}));  // tw_null has no hint
  TAudioOut out;
  out.SetBaseChannel(Channel("fifo"));
  for (int bad : {3, 7, -1}) {
    try {
      out.SetBaseChannel(bad);
      ADD_FAILURE() << bad << " was accepted";
    } catch (const EACSException& e) {
      EXPECT_EQ(e.Message(), "Channel " + QString::number(bad) + " is not available");
    }
  }
  EXPECT_EQ(out.BaseChannel(), Channel("fifo"));
}

TEST(AudioOut, CardGetsTheDecodedAudioOfAnOggFile) {
  const QString ogg = MakeTestOgg("tones.ogg", 3);
  TVorbisIn decoded, in;
  decoded.SetFileName(ogg);
  in.SetFileName(ogg);
  decoded.Init();
  const QByteArray expected = Drain(decoded);
  decoded.Flush();
  TAudioOut out;
  int reports = 0;
  out.OnProgress = [&](QObject*) { ++reports; };
  EXPECT_EQ(PlayAll(out, in), expected);
  EXPECT_EQ(expected.size(), 3 * 44100 * 4);
  EXPECT_GT(reports, 0);
}

TEST(AudioOut, EachReadIsQueuedAsOneBufferOfWholeFrames) {
  struct Case {
    int bits, channels, bytes, chunk, buffers;
  } cases[] = {
      {16, 2, 1000, 100, 10},         // a 100-byte read is a 100-byte buffer
      {16, 2, 3 * 8192 + 100, 0, 4},  // full reads fill 8192-byte buffers
      {16, 2, 999, 3, 999 / 4},       // partial frames wait for their bytes
      {8, 1, 20000, 0, 3},
  };
  for (const Case& c : cases) {
    const QByteArray data = Ramp(c.bytes);
    TMemoryInput input(c.bits, c.channels, 44100, data);
    if (c.chunk) input.chunk = [&c](int) { return c.chunk; };
    TAudioOut out;
    const int frame = c.bits / 8 * c.channels;
    EXPECT_EQ(PlayAll(out, input), data.left(c.bytes - c.bytes % frame)) << c.bytes;
    EXPECT_EQ(out.BuffersWritten(), c.buffers) << c.bytes;
    EXPECT_EQ(*std::max_element(input.requests.begin(), input.requests.end()), 8192);
  }
}

TEST(AudioOut, VolumeScalesEverySample) {
  const std::vector<int16_t> samples = {0, 1000, -1000, 32767, -32768, 255, -1};
  for (int volume : {255, 0, 128, 1}) {
    TMemoryInput input(16, 1, 8000, Samples16(samples));
    TAudioOut out;
    out.SetVolume(static_cast<uint8_t>(volume));
    const std::vector<int16_t> played = ToSamples16(PlayAll(out, input));
    ASSERT_EQ(played.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
      EXPECT_EQ(played[i], std::lround(samples[i] * (volume / 255.0))) << volume;
  }
  // 8-bit samples fade toward their silence, 128.
  TMemoryInput input8(8, 1, 8000, QByteArray("\x00\x80\xff\x40", 4));
  TAudioOut out8;
  out8.SetVolume(0);
  EXPECT_EQ(PlayAll(out8, input8), QByteArray("\x80\x80\x80\x80", 4));
}

TEST(AudioOut, DeviceThatCannotOpenReportsAndEndsCleanly) {
  TMemoryInput input(16, 2, 44100, Ramp(40000));
  TAudioOut out;
  out.SetBaseChannel(Channel("broken"));
  bool done = false;
  out.OnDone = [&](QObject*) { done = true; };
  QString error;
  PlayAll(out, input, &error);
  EXPECT_TRUE(error.startsWith("Cannot open the sound card \"broken\": ")) << error.toStdString();
  EXPECT_FALSE(done);
  EXPECT_FALSE(input.Busy());
  out.SetBaseChannel(0);  // the same components play on a working card
  EXPECT_EQ(PlayAll(out, input), Ramp(40000));
  EXPECT_TRUE(done);
}

// The card takes nothing until the test reads the pipe: the worker keeps
// nine buffers queued, Pause parks only the worker (the card plays the
// queue out), and Stop lets every queued buffer play before OnDone.
TEST(AudioOutPaced, NineQueuedPauseParksTheWorkerStopPlaysThemOut) {
  const QByteArray data = Ramp(8'000'000);
  TMemoryInput input(16, 2, 44100, data);
  TAudioOut out;
  out.SetInput(&input);
  out.SetBaseChannel(Channel("fifo"));
  std::atomic<int> queuedAtARead{0};
  input.chunk = [&](int) {
    queuedAtARead = std::max(queuedAtARead.load(), out.QueuedCount());
    return 8192;
  };
  std::atomic<bool> done{false}, release{false};
  out.OnDone = [&](QObject*) { done = true; };
  QByteArray played;
  std::thread card([&] {
    const int fd = ::open(QFile::encodeName(TAlsaTestCard::FifoPath()).constData(), O_RDONLY);
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    char chunk[65536];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, chunk, sizeof chunk)) > 0;) played.append(chunk, n);
    if (fd >= 0) ::close(fd);
  });
  out.Run();
  EXPECT_TRUE(WaitFor([&] { return out.QueuedCount() >= 9; }));
  EXPECT_THROW(out.SetBaseChannel(0), EACSException);  // "Component is buisy"
  out.Pause();
  release = true;
  EXPECT_TRUE(WaitFor([&] { return out.QueuedCount() == 0; }));
  EXPECT_EQ(out.Status(), osPaused);
  out.Resume();
  out.Stop();
  EXPECT_TRUE(WaitFor([&] { return out.Status() == osIdle; }));
  // Meets a reader still waiting for a device that never opened.
  if (const int fd =
          ::open(QFile::encodeName(TAlsaTestCard::FifoPath()).constData(), O_WRONLY | O_NONBLOCK);
      fd >= 0)
    ::close(fd);
  card.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(out.PeakQueued(), 9);
  EXPECT_LE(queuedAtARead.load(), 8);
  EXPECT_LT(input.Position(), data.size());
  EXPECT_EQ(played, data.left(input.Position()));  // every queued byte, in order
}
