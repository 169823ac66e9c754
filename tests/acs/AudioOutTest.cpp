#include "AlsaTestCard.h"
#include "ConverterTestComponents.h"
#include "acs/ACSAudioOut.h"
#include "acs/ACSVorbis.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

bool WaitIdle(TACSOutput& out, int timeoutMs = 60000) {
  QElapsedTimer timer;
  timer.start();
  while (out.Status() != osIdle) {
    if (timer.elapsed() > timeoutMs) return false;
    QThread::msleep(2);
  }
  return true;
}

int Channel(const QString& name) { return static_cast<int>(WaveOutDeviceNames().indexOf(name)); }

// A ramp, so any lost, repeated or reordered byte shows.
QByteArray Ramp(int bytes) {
  QByteArray data(bytes, 0);
  for (int i = 0; i < bytes; ++i) data[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
  return data;
}

// Plays the input to its end on the default test card; the bytes the card got.
QByteArray PlayAll(TAudioOut& out, TACSInput& input, QString* error = nullptr) {
  TAlsaTestCard::Clear();
  out.SetInput(&input);
  out.OnThreadException = [error](QObject*, const std::exception& e) {
    if (error) *error = ExceptionMessage(e);
  };
  out.Run();
  EXPECT_TRUE(WaitIdle(out));
  return TAlsaTestCard::Played();
}

// The reading end of the paced card: opens the pipe at once (so the device
// can open), reads nothing until Release, then everything to the end.
class TFifoReader {
 public:
  TFifoReader() {
    thread_ = std::thread([this] {
      const int fd = ::open(QFile::encodeName(TAlsaTestCard::FifoPath()).constData(), O_RDONLY);
      opened_ = true;
      if (fd < 0) return;
      while (!release_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      char chunk[65536];
      for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) data_.append(chunk, n);
      ::close(fd);
    });
  }
  ~TFifoReader() { Finish(); }
  void Release() { release_ = true; }
  QByteArray Finish() {
    Release();
    if (!opened_) {
      // The device never opened the pipe: meet the reader so it can end.
      const int fd =
          ::open(QFile::encodeName(TAlsaTestCard::FifoPath()).constData(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
    }
    if (thread_.joinable()) thread_.join();
    return data_;
  }

 private:
  std::atomic<bool> release_{false};
  std::atomic<bool> opened_{false};
  QByteArray data_;
  std::thread thread_;
};

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 60000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QThread::msleep(2);
  }
  return true;
}

}  // namespace

TEST(AudioOutDevices, ListsThePlaybackDevicesDefaultFirst) {
  const QStringList& names = WaveOutDeviceNames();
  ASSERT_FALSE(names.isEmpty());
  EXPECT_EQ(names.front(), "default");
  for (const char* name : {"second", "broken", "fifo"}) EXPECT_TRUE(names.contains(name)) << name;
  EXPECT_FALSE(names.contains("tw_null"));  // no hint: not a device of its own
  EXPECT_EQ(WaveOutGetNumDevs(), names.size());
}

TEST(AudioOutDevices, BaseChannelAcceptsOnlyListedDevices) {
  TAudioOut out;
  EXPECT_EQ(out.BaseChannel(), 0);
  out.SetBaseChannel(Channel("second"));
  EXPECT_EQ(out.BaseChannel(), Channel("second"));
  const int count = WaveOutGetNumDevs();
  for (int bad : {count, count + 3, -1}) {
    try {
      out.SetBaseChannel(bad);
      ADD_FAILURE() << bad << " was accepted";
    } catch (const EACSException& e) {
      EXPECT_EQ(e.Message(), "Channel " + QString::number(bad) + " is not available");
    }
    EXPECT_EQ(out.BaseChannel(), Channel("second"));
  }
}

TEST(AudioOut, CardGetsTheDecodedAudioOfAnOggFile) {
  const QString wav = TAlsaTestCard::Folder() + "/tones.wav";
  const QString ogg = TAlsaTestCard::Folder() + "/tones.ogg";
  ASSERT_EQ(QProcess::execute("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "3",
                                      "sine", "440", "sine", "1500", "gain", "-3"}),
            0);
  ASSERT_EQ(QProcess::execute("oggenc", {"-Q", "-q", "3", "-o", ogg, wav}), 0);

  TVorbisIn decoded;
  decoded.SetFileName(ogg);
  decoded.Init();
  const QByteArray expected = Drain(decoded);
  decoded.Flush();
  ASSERT_GT(expected.size(), 400000);

  TVorbisIn in;
  in.SetFileName(ogg);
  TAudioOut out;
  int progressReports = 0;
  out.OnProgress = [&](QObject*) { ++progressReports; };
  EXPECT_EQ(PlayAll(out, in), expected);
  EXPECT_GT(progressReports, 0);
  EXPECT_EQ(out.Progress(), 100);
}

TEST(AudioOut, EachReadIsQueuedAsOneBufferOfWholeFrames) {
  struct Case {
    int bits, channels, bytes, chunk, buffers;
  } cases[] = {
      {16, 2, 1000, 100, 10},         // a 100-byte read is a 100-byte buffer
      {16, 2, 3 * 8192 + 100, 0, 4},  // full reads fill 8192-byte buffers
      {16, 2, 999, 3, 999 / 4},       // partial frames wait for their bytes
      {8, 1, 20000, 0, 3},            // 8-bit mono
  };
  for (const Case& c : cases) {
    const QByteArray data = Ramp(c.bytes);
    TMemoryInput input(c.bits, c.channels, 44100, data);
    if (c.chunk) input.chunk = [&c](int) { return c.chunk; };
    TAudioOut out;
    const QByteArray played = PlayAll(out, input);
    const int frame = c.bits / 8 * c.channels;
    EXPECT_EQ(played, data.left(c.bytes - c.bytes % frame)) << c.bytes << "/" << c.chunk;
    EXPECT_EQ(out.BuffersWritten(), c.buffers) << c.bytes << "/" << c.chunk;
    for (int32_t asked : input.requests) EXPECT_LE(asked, TAudioOut::kBufferSize);
    EXPECT_EQ(input.flushes, 1);
  }
}

TEST(AudioOut, VolumeScalesEverySample) {
  const std::vector<int16_t> samples = {0, 1000, -1000, 32767, -32768, 255, -1};
  struct Case {
    uint8_t volume;
  } cases[] = {{255}, {0}, {128}, {1}};
  for (const Case& c : cases) {
    TMemoryInput input(16, 1, 8000, Samples16(samples));
    TAudioOut out;
    out.SetVolume(c.volume);
    const std::vector<int16_t> played = ToSamples16(PlayAll(out, input));
    ASSERT_EQ(played.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
      EXPECT_EQ(played[i], std::lround(samples[i] * (c.volume / 255.0)))
          << int(c.volume) << " on " << samples[i];
  }
  // 8-bit samples fade toward their silence, 128.
  TMemoryInput input8(8, 1, 8000, QByteArray("\x00\x80\xff\x40", 4));
  TAudioOut out8;
  out8.SetVolume(0);
  EXPECT_EQ(PlayAll(out8, input8), QByteArray("\x80\x80\x80\x80", 4));
}

TEST(AudioOut, SecondDeviceGetsTheAudio) {
  const QByteArray data = Ramp(40000);
  TMemoryInput input(16, 2, 44100, data);
  TAudioOut out;
  out.SetBaseChannel(Channel("second"));
  PlayAll(out, input);
  EXPECT_EQ(TAlsaTestCard::Played(TAlsaTestCard::SecondCardFile()), data);
  EXPECT_TRUE(TAlsaTestCard::Played().isEmpty());
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
  EXPECT_EQ(out.Status(), osIdle);
  EXPECT_FALSE(input.Busy());
  EXPECT_EQ(input.flushes, 1);

  // The same components play once a working device is chosen.
  out.SetBaseChannel(0);
  error.clear();
  EXPECT_EQ(PlayAll(out, input, &error), Ramp(40000));
  EXPECT_TRUE(error.isEmpty()) << error.toStdString();
  EXPECT_TRUE(done);
}

TEST(AudioOutPaced, KeepsNineBuffersQueuedAndStopPlaysThemOut) {
  const QByteArray data = Ramp(4'000'000);
  TMemoryInput input(16, 2, 44100, data);
  TAudioOut out;
  out.SetInput(&input);
  out.SetBaseChannel(Channel("fifo"));
  std::atomic<int> mostQueuedAtARead{0};
  input.chunk = [&](int) {
    mostQueuedAtARead = std::max(mostQueuedAtARead.load(), out.QueuedCount());
    return TAudioOut::kBufferSize;
  };
  std::atomic<bool> done{false}, failed{false};
  out.OnDone = [&](QObject*) { done = true; };
  out.OnThreadException = [&](QObject*, const std::exception&) { failed = true; };

  TFifoReader card;
  out.Run();
  ASSERT_TRUE(WaitFor([&] { return out.QueuedCount() >= 9; }));
  EXPECT_THROW(out.SetBaseChannel(0), EACSException);  // "Component is buisy"
  out.Stop();
  const QByteArray played = card.Finish();
  ASSERT_TRUE(WaitIdle(out));

  EXPECT_TRUE(done);
  EXPECT_FALSE(failed);
  EXPECT_EQ(out.PeakQueued(), 9);
  EXPECT_LE(mostQueuedAtARead.load(), 8);
  // Everything that was read and queued reached the card, in order, and
  // the job ended well before the end of the input.
  EXPECT_EQ(played, data.left(input.Position()));
  EXPECT_LT(input.Position(), data.size());
}

TEST(AudioOutPaced, PauseStopsOnlyTheWorkerWhileTheCardPlaysOn) {
  const QByteArray data = Ramp(4'000'000);
  TMemoryInput input(16, 2, 44100, data);
  TAudioOut out;
  out.SetInput(&input);
  out.SetBaseChannel(Channel("fifo"));
  TFifoReader card;
  out.Run();
  ASSERT_TRUE(WaitFor([&] { return out.QueuedCount() >= 9; }));
  out.Pause();
  EXPECT_EQ(out.Status(), osPaused);
  card.Release();
  // The card takes every queued buffer although the worker is parked.
  ASSERT_TRUE(WaitFor([&] { return out.QueuedCount() == 0; }));
  const int32_t readWhilePaused = input.Position();
  EXPECT_EQ(out.Status(), osPaused);
  EXPECT_EQ(input.Position(), readWhilePaused);
  out.Resume();
  ASSERT_TRUE(WaitIdle(out));
  EXPECT_EQ(card.Finish(), data);
}
