#include "EncoderFixture.h"
#include "Mpg123Decode.h"
#include "TestWav.h"
#include "encoders/EncodeProcessError.h"
#include "encoders/Mp3EncodeProcess.h"
#include "encoders/ProgramSearch.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>

namespace {

// The highest descriptor now open.
int HighestOpenFd() {
  int highest = 2;
  for (const QString& name : QDir("/proc/self/fd").entryList(QDir::Files | QDir::System))
    highest = std::max(highest, name.toInt());
  return highest;
}

class Mp3Runner : public TEncoderTest {
 protected:
  void SetUp() override {
    TEncoderTest::SetUp();
    mpg123_init();
  }
  TMp3EncodeProcess runner_;
};

TEST_F(Mp3Runner, EncodesAWavWithProgressToOneEndMessage) {
  const QString wav = Path("tone.wav");
  const QString mp3 = Path("tone.mp3");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 4.0));
  Arm(runner_, wav, mp3, true, 2);
  runner_.Start();
  ASSERT_TRUE(WaitForEnd(2000));
  ASSERT_TRUE(runner_.WaitForMonitors(5000));
  QCoreApplication::sendPostedEvents(&sink_);

  const std::vector<int> codes = Codes();
  ASSERT_GE(codes.size(), 2u);
  EXPECT_EQ(codes.back(), 2000);  // the end comes after every progress message
  int previous = 0;
  for (size_t i = 0; i + 1 < codes.size(); ++i) {
    EXPECT_GE(codes[i], 1);
    EXPECT_LE(codes[i], 100);
    EXPECT_GE(codes[i], previous);
    previous = codes[i];
  }
  EXPECT_EQ(previous, 100);
  const auto ends = sink_.WithCode(2000);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].Status, 2);
  EXPECT_TRUE(runner_.Active);  // cleared by Stop only
  EXPECT_EQ(runner_.Child.ProcessId, 0);
  EXPECT_TRUE(dialogs_.Messages.empty());

  const TDecodedMp3 decoded = DecodeMp3(mp3);
  ASSERT_TRUE(decoded.Ok);
  EXPECT_EQ(decoded.Rate, 44100);
  EXPECT_EQ(decoded.Channels, 2);
  // lame's gapless information brings the length back to within a frame.
  EXPECT_NEAR(static_cast<double>(decoded.Frames), 4.0 * 44100, 1152.0);

  // The job runner stops a runner still Active at its end: a finished file stays.
  runner_.Stop(0);
  EXPECT_FALSE(runner_.Active);
  EXPECT_TRUE(DecodeMp3(mp3).Ok);
}

TEST_F(Mp3Runner, DecodesAnMp3WithProgressFromTheFrameCounter) {
  const QString wav = Path("tone.wav");
  const QString mp3 = Path("tone.mp3");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 3.0));
  Arm(runner_, wav, mp3, true, 2);
  runner_.Start();
  ASSERT_TRUE(WaitForEnd(2000));
  sink_.Clear();

  const QString back = Path("back.wav");
  Arm(runner_, mp3, back, false, 3);
  runner_.Start();
  ASSERT_TRUE(WaitForEnd(2000));
  QCoreApplication::sendPostedEvents(&sink_);
  const std::vector<int> codes = Codes();
  ASSERT_GE(codes.size(), 2u);
  EXPECT_EQ(codes.back(), 2000);
  EXPECT_EQ(codes[codes.size() - 2], 100);
  for (size_t i = 0; i + 1 < codes.size(); ++i) EXPECT_TRUE(codes[i] >= 1 && codes[i] <= 100);
  EXPECT_EQ(sink_.WithCode(2000).at(0).Status, 2);
  // 16-bit stereo, about the source's length.
  EXPECT_NEAR(static_cast<double>(QFileInfo(back).size()), 44.0 + 3.0 * 44100 * 4, 1152.0 * 4);
}

TEST_F(Mp3Runner, DecliningTheOverwriteStartsNothing) {
  const QString wav = Path("tone.wav");
  const QString mp3 = Path("tone.mp3");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 1.0));
  ASSERT_TRUE(WriteSineWav(mp3, 44100, 1, 0.1));
  const QByteArray before = [&] {
    QFile f(mp3);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  dialogs_.Answers.push_back(TMsgResult::No);
  Arm(runner_, wav, mp3, true, 2);
  runner_.Start();
  QCoreApplication::sendPostedEvents(&sink_);
  ASSERT_EQ(dialogs_.Messages.size(), 1u);
  EXPECT_EQ(dialogs_.Messages[0].Text, mp3 + " has existed,overite it?");
  EXPECT_EQ(dialogs_.Messages[0].Icon, TMsgIcon::Information);
  EXPECT_EQ(dialogs_.Messages[0].Buttons, TMsgButtons::YesNo);
  ASSERT_EQ(Codes(), (std::vector<int>{2000}));
  EXPECT_EQ(sink_.WithCode(2000)[0].Status, 0);
  EXPECT_EQ(runner_.Child.ProcessId, 0);
  QFile f(mp3);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
}

TEST_F(Mp3Runner, AnOutputInUseGivesStatusOne) {
  const QString wav = Path("tone.wav");
  const QString mp3 = Path("busy.mp3");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 1.0));
  ASSERT_TRUE(WriteSineWav(mp3, 44100, 1, 0.1));
  const int holder = ::open(QFile::encodeName(mp3).constData(), O_RDWR);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  dialogs_.Answers.push_back(TMsgResult::Yes);
  Arm(runner_, wav, mp3, true, 2);
  runner_.Start();
  QCoreApplication::sendPostedEvents(&sink_);
  ::close(holder);
  ASSERT_EQ(Codes(), (std::vector<int>{2000}));
  EXPECT_EQ(sink_.WithCode(2000)[0].Status, 1);
}

TEST_F(Mp3Runner, RipsAndRecorderSavesOverwriteWithoutAsking) {
  const QString wav = Path("tone.wav");
  const QString mp3 = Path("tone.mp3");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 0.5));
  for (uint8_t kind : {uint8_t{1}, uint8_t{4}}) {
    ASSERT_TRUE(WriteSineWav(mp3, 44100, 1, 0.1));
    sink_.Clear();
    Arm(runner_, wav, mp3, true, kind);
    runner_.Start();
    ASSERT_TRUE(WaitForEnd(2000));
    EXPECT_EQ(sink_.WithCode(2000)[0].Status, 2);
    EXPECT_TRUE(DecodeMp3(mp3).Ok);
  }
  EXPECT_TRUE(dialogs_.Messages.empty());
}

TEST_F(Mp3Runner, MissingLameRaisesWithTheErrorNumber) {
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QFile::encodeName(Path("empty")));
  Arm(runner_, Path("a.wav"), Path("a.mp3"), true, 2);
  try {
    runner_.Start();
    ADD_FAILURE() << "Start did not raise";
  } catch (const EEncodeProcessError& e) {
    EXPECT_STREQ(e.what(), "Error while creating mp3 encoding process!2");
    EXPECT_EQ(e.ErrorNumber, ENOENT);
  }
  qputenv("PATH", path);
  EXPECT_EQ(runner_.StdOutRead, -1);
  EXPECT_EQ(runner_.StdInWrite, -1);
  EXPECT_EQ(runner_.Child.ProcessId, 0);
  QCoreApplication::sendPostedEvents(&sink_);
  EXPECT_TRUE(sink_.Snapshot().empty());
}

TEST_F(Mp3Runner, NoRoomForPipesRaisesTheCreationErrorAndLeaksNothing) {
  const QString wav = Path("tone.wav");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 0.2));
  Arm(runner_, wav, Path("tone.mp3"), true, 2);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(HighestOpenFd() + 16);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  // Fill every free descriptor, then free two: room for one pipe only.
  std::vector<int> fillers;
  for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) fillers.push_back(fd);
  for (int i = 0; i < 2 && !fillers.empty(); ++i) {
    ::close(fillers.back());
    fillers.pop_back();
  }
  std::string what;
  try {
    runner_.Start();
  } catch (const EEncodeProcessError& e) {
    what = e.what();
  }
  for (int fd : fillers) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(what, "Error on STDOUT pipe creation : 24");
  EXPECT_EQ(runner_.StdInRead, -1);
  EXPECT_EQ(runner_.StdInWrite, -1);
  EXPECT_EQ(runner_.StdOutRead, -1);
  EXPECT_EQ(runner_.Child.ProcessId, 0);
}

TEST_F(Mp3Runner, LameBesideTheProgramComesBeforePath) {
  EXPECT_EQ(FindHelperProgram("lame"), QStringLiteral("/usr/bin/lame"));
  ASSERT_TRUE(QFile::link("/usr/bin/lame", Path("lame")));
  EXPECT_EQ(FindHelperProgram("lame"), Path("lame"));
}

TEST_F(Mp3Runner, StopKillsTheChildPostsNothingAndLeavesNoHalfFile) {
  const QString wav = Path("long.wav");
  const QString mp3 = Path("long.mp3");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 60.0));
  Arm(runner_, wav, mp3, true, 2);
  runner_.Start();
  const pid_t child = runner_.Child.ProcessId;
  ASSERT_GT(child, 0);
  // Stop in the middle, once lame has begun writing.
  ASSERT_TRUE(sink_.WaitFor([&] { return !sink_.Snapshot().empty(); }, 30000));
  ASSERT_TRUE(QFileInfo::exists(mp3));
  ASSERT_TRUE(sink_.WithCode(2000).empty());
  sink_.Clear();
  runner_.Stop(0);
  EXPECT_FALSE(runner_.Active);
  EXPECT_EQ(runner_.Child.ProcessId, 0);
  EXPECT_EQ(runner_.StdOutRead, -1);
  ASSERT_TRUE(runner_.WaitForMonitors(5000));
  // Reaped: the process id is gone.
  EXPECT_EQ(::kill(child, 0), -1);
  EXPECT_EQ(errno, ESRCH);
  PumpEventsUntil([] { return false; }, 300);
  EXPECT_TRUE(sink_.Snapshot().empty());
  EXPECT_FALSE(QFileInfo::exists(mp3));
  EXPECT_TRUE(QFileInfo::exists(wav));
  runner_.Stop(0);  // not Active: nothing happens
  EXPECT_TRUE(sink_.Snapshot().empty());
}

TEST_F(Mp3Runner, DestructionStopsARunningChild) {
  const QString wav = Path("long.wav");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 60.0));
  pid_t child = 0;
  {
    TMp3EncodeProcess local;
    Arm(local, wav, Path("long.mp3"), true, 2);
    local.Start();
    child = local.Child.ProcessId;
    ASSERT_GT(child, 0);
  }
  EXPECT_EQ(::kill(child, 0), -1);
  PumpEventsUntil([] { return false; }, 200);
  EXPECT_TRUE(sink_.Snapshot().empty());
}

TEST_F(Mp3Runner, ShellCharactersAndLeadingDashesReachLameAsPlainNames) {
  const QString folder = Path("a b \"q\" $(touch pwned) `touch pwned2`; x");
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(folder));
  ASSERT_TRUE(WriteSineWav("-V 9 in.wav", 44100, 2, 0.5));
  Arm(runner_, "-V 9 in.wav", "-o;out.mp3", true, 2);
  runner_.Start();
  const bool ended = WaitForEnd(2000);
  QDir::setCurrent(previous);
  ASSERT_TRUE(ended);
  EXPECT_EQ(sink_.WithCode(2000)[0].Status, 2);
  EXPECT_TRUE(DecodeMp3(folder + "/-o;out.mp3").Ok);
  EXPECT_GE(Codes().size(), 2u);
  EXPECT_FALSE(QFileInfo::exists(folder + "/pwned"));
  EXPECT_FALSE(QFileInfo::exists(Path("pwned")));
  EXPECT_FALSE(QFileInfo::exists(folder + "/pwned2"));
}

TEST_F(Mp3Runner, PercentSignsInTheFileNamesDoNotHideTheProgress) {
  const QString wav = Path("50% (mix).wav");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 1.0));
  Arm(runner_, wav, Path("50% (mix).mp3"), true, 2);
  runner_.Start();
  ASSERT_TRUE(WaitForEnd(2000));
  QCoreApplication::sendPostedEvents(&sink_);
  const std::vector<int> codes = Codes();
  ASSERT_GE(codes.size(), 2u);
  EXPECT_EQ(codes[codes.size() - 2], 100);
}

TEST_F(Mp3Runner, EachJobOnTheSameRunnerGetsItsOwnEnd) {
  const QString wav = Path("tone.wav");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 1, 0.5));
  for (int i = 0; i < 3; ++i) {
    sink_.Clear();
    Arm(runner_, wav, Path(QStringLiteral("out%1.mp3").arg(i)), true, 2);
    runner_.Start();
    ASSERT_TRUE(WaitForEnd(2000));
    PumpEventsUntil([] { return false; }, 50);
    EXPECT_EQ(sink_.WithCode(2000).size(), 1u);
    EXPECT_EQ(runner_.ProgressColumn, 15);
  }
}

}  // namespace
