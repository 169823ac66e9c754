#include "EncoderFixture.h"
#include "TestWav.h"
#include "encoders/EncodeProcessError.h"
#include "encoders/WMAEncodeProcess.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

class WmaRunner : public TEncoderTest {
 protected:
  TWMAEncodeProcess runner_;
};

TEST_F(WmaRunner, EncodesWithTheChosenProfileAndTheDiscTags) {
  InstallWmaUtility();
  const QString wav = Path("tone.wav");
  const QString wma = Path("tone.wma");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 3.0));
  OptionsSetting.WMAOptions.BitRate = 20;  // 20_22_1
  OptionsSetting.ID3Use = true;
  OptionsSetting.CDInfo.Artist = QStringLiteral("-Ann \"B\"; $(touch pwned) `id`");
  OptionsSetting.CDInfo.Comment = QStringLiteral("-description twice");
  Arm(runner_, wav, wma, true, 6);
  runner_.Start();
  ASSERT_TRUE(WaitForEnd(5000));
  QCoreApplication::sendPostedEvents(&sink_);
  EXPECT_EQ(Codes(), (std::vector<int>{100, 5000}));
  EXPECT_EQ(sink_.WithCode(5000)[0].Status, 2);
  const QString elapsed = sink_.WithCode(100)[0].Elapsed;
  EXPECT_TRUE(elapsed.contains(QRegularExpression("^\\d\\d:\\d\\d$"))) << elapsed.toStdString();
  EXPECT_NE(elapsed, QStringLiteral("00:00"));

  const QString probe = Probe(wma);
  EXPECT_EQ(ProbeValue(probe, "codec_name"), QStringLiteral("wmav2"));
  EXPECT_EQ(ProbeValue(probe, "sample_rate"), QStringLiteral("22050"));
  EXPECT_EQ(ProbeValue(probe, "channels"), QStringLiteral("1"));
  // 20 kbit/s is below what wmav2 takes; the utility raises it to 24.
  EXPECT_EQ(ProbeValue(probe, "bit_rate"), QStringLiteral("24000"));
  EXPECT_EQ(ProbeValue(probe, "TAG:artist"), OptionsSetting.CDInfo.Artist);
  EXPECT_EQ(ProbeValue(probe, "TAG:comment"), OptionsSetting.CDInfo.Comment);
  EXPECT_FALSE(QFileInfo::exists(Path("pwned")));
}

TEST_F(WmaRunner, DefaultProfileGivesStereo44100At64Kbits) {
  InstallWmaUtility();
  const QString wav = Path("tone.wav");
  const QString wma = Path("tone.wma");
  ASSERT_TRUE(WriteSineWav(wav, 22050, 1, 2.0));
  OptionsSetting.WMAOptions.BitRate = 40;
  Arm(runner_, wav, wma, true, 6);
  runner_.Start();
  ASSERT_TRUE(WaitForEnd(5000));
  EXPECT_EQ(OptionsSetting.WMAOptions.BitRate, 8);
  EXPECT_EQ(sink_.WithCode(5000)[0].Status, 2);
  const QString probe = Probe(wma);
  EXPECT_EQ(ProbeValue(probe, "sample_rate"), QStringLiteral("44100"));
  EXPECT_EQ(ProbeValue(probe, "channels"), QStringLiteral("2"));
  EXPECT_EQ(ProbeValue(probe, "bit_rate"), QStringLiteral("64000"));
  EXPECT_TRUE(ProbeValue(probe, "TAG:artist").isEmpty());
}

TEST_F(WmaRunner, ABadWavEndsWithStatusEightAndTheErrorLine) {
  InstallWmaUtility();
  const QString wav = Path("bad.wav");
  {
    QFile f(wav);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("RIFF\x10\0\0\0WAVEjunkjunkjunk", 24);
  }
  const QString wma = Path("bad.wma");
  Arm(runner_, wav, wma, true, 6);
  runner_.Start();
  ASSERT_TRUE(WaitForEnd(5000));
  ASSERT_TRUE(runner_.WaitForMonitors(5000));
  PumpEventsUntil([] { return false; }, 200);
  const auto ends = sink_.WithCode(5000);
  ASSERT_EQ(ends.size(), 1u);  // no Status 2 after the error
  EXPECT_EQ(ends[0].Status, 8);
  EXPECT_TRUE(ends[0].Elapsed.startsWith(QStringLiteral("ERROR: ")))
      << ends[0].Elapsed.toStdString();
  EXPECT_TRUE(ends[0].Elapsed.contains(wav));
  EXPECT_EQ(runner_.Child.ProcessId, 0);
  EXPECT_FALSE(QFileInfo::exists(wma));
}

TEST_F(WmaRunner, AfterAnErrorTheNextJobRunsCleanOnTheSameRunner) {
  InstallWmaUtility();
  const QString good = Path("good.wav");
  ASSERT_TRUE(WriteSineWav(good, 44100, 2, 1.0));
  Arm(runner_, Path("missing.wav"), Path("missing.wma"), true, 6);
  runner_.Start();
  ASSERT_TRUE(WaitForEnd(5000));
  EXPECT_EQ(sink_.WithCode(5000)[0].Status, 8);
  // The job runner starts the next job straight from the end message.
  sink_.Clear();
  Arm(runner_, good, Path("good.wma"), true, 6);
  runner_.Start();
  ASSERT_TRUE(WaitForEnd(5000));
  PumpEventsUntil([] { return false; }, 200);
  EXPECT_EQ(Codes(), (std::vector<int>{100, 5000}));
  EXPECT_EQ(sink_.WithCode(5000)[0].Status, 2);
}

// Like the job runner: starts the next job from inside the end-of-job message.
class TChainingWindow : public QObject {
 public:
  TChainingWindow(TWMAEncodeProcess& runner, QStringList sources, QString folder)
      : runner_(runner), sources_(std::move(sources)), folder_(std::move(folder)) {}
  bool event(QEvent* e) override {
    if (e->type() != TWindowMessage::TypeFor(WM_PROCESS_INFO)) return QObject::event(e);
    const TProcessInfo* info = static_cast<TWindowMessage*>(e)->Info();
    if (info->Code != 5000) return true;
    Statuses.push_back(info->Status);
    if (++next_ < sources_.size()) StartJob();
    return true;
  }
  void StartJob() {
    runner_.Active = true;
    runner_.SourceFile = sources_[next_];
    runner_.DestFile = folder_ + QStringLiteral("/out%1.wma").arg(next_);
    runner_.NotifyWindow = this;
    runner_.Encode = true;
    runner_.JobKind = 6;
    runner_.Start();
  }
  std::vector<int> Statuses;

 private:
  TWMAEncodeProcess& runner_;
  QStringList sources_;
  QString folder_;
  qsizetype next_ = 0;
};

TEST_F(WmaRunner, JobsStartedFromTheEndMessageEachEndOnce) {
  InstallWmaUtility();
  const QString good = Path("good.wav");
  ASSERT_TRUE(WriteSineWav(good, 44100, 2, 0.5));
  TChainingWindow window(runner_, {Path("missing.wav"), good, Path("missing2.wav"), good},
                         dir_.path());
  window.StartJob();
  ASSERT_TRUE(PumpEventsUntil([&] { return window.Statuses.size() >= 4; }, 30000));
  ASSERT_TRUE(runner_.WaitForMonitors(5000));
  PumpEventsUntil([] { return false; }, 200);
  EXPECT_EQ(window.Statuses, (std::vector<int>{8, 2, 8, 2}));
  EXPECT_FALSE(QFileInfo::exists(Path("out0.wma")));
  EXPECT_TRUE(QFileInfo::exists(Path("out1.wma")));
  EXPECT_TRUE(QFileInfo::exists(Path("out3.wma")));
}

TEST_F(WmaRunner, MissingUtilityIsReportedAndEndsWithStatusZero) {
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QFile::encodeName(Path("empty")));
  Arm(runner_, Path("a.wav"), Path("a.wma"), true, 6);
  runner_.Start();  // the end is sent: handled before Start returns
  qputenv("PATH", path);
  ASSERT_EQ(dialogs_.Messages.size(), 1u);
  EXPECT_TRUE(dialogs_.Messages[0].Text.startsWith(QStringLiteral("Can not find WMA encoder,")));
  EXPECT_EQ(dialogs_.Messages[0].Icon, TMsgIcon::Information);
  ASSERT_EQ(Codes(), (std::vector<int>{5000}));
  EXPECT_EQ(sink_.WithCode(5000)[0].Status, 0);
}

TEST_F(WmaRunner, OverwriteQuestionAndOutputInUse) {
  InstallWmaUtility();
  const QString wav = Path("tone.wav");
  const QString wma = Path("tone.wma");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 0.5));
  ASSERT_TRUE(WriteSineWav(wma, 44100, 1, 0.1));

  dialogs_.Answers.push_back(TMsgResult::No);
  Arm(runner_, wav, wma, true, 6);
  runner_.Start();
  ASSERT_EQ(Codes(), (std::vector<int>{5000}));
  EXPECT_EQ(sink_.WithCode(5000)[0].Status, 0);
  EXPECT_EQ(dialogs_.Messages.at(0).Text, wma + " has existed,overite it?");

  sink_.Clear();
  const int holder = ::open(QFile::encodeName(wma).constData(), O_RDWR);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  dialogs_.Answers.push_back(TMsgResult::Yes);
  runner_.Start();
  ::close(holder);
  ASSERT_EQ(Codes(), (std::vector<int>{5000}));
  EXPECT_EQ(sink_.WithCode(5000)[0].Status, 1);

  // A rip (kind 1) overwrites without asking.
  sink_.Clear();
  dialogs_.Messages.clear();
  Arm(runner_, wav, wma, true, 1);
  runner_.Start();
  ASSERT_TRUE(WaitForEnd(5000));
  EXPECT_EQ(sink_.WithCode(5000)[0].Status, 2);
  EXPECT_TRUE(dialogs_.Messages.empty());
}

TEST_F(WmaRunner, NotEncodingFailsToCreateTheChild) {
  InstallWmaUtility();
  Arm(runner_, Path("a.wav"), Path("a.wma"), false, 6);
  EXPECT_THROW(
      {
        try {
          runner_.Start();
        } catch (const EEncodeProcessError& e) {
          EXPECT_TRUE(QString::fromStdString(e.what()).startsWith(
              QStringLiteral("Error while creating mp3 encoding process!")));
          throw;
        }
      },
      EEncodeProcessError);
  EXPECT_EQ(runner_.StdOutRead, -1);
}

TEST_F(WmaRunner, StopEndsTheUtilityAndRemovesItsUnfinishedFile) {
  InstallWmaUtility();
  const QString wav = Path("long.wav");
  const QString wma = Path("long.wma");
  ASSERT_TRUE(WriteSineWav(wav, 44100, 2, 120.0));
  Arm(runner_, wav, wma, true, 6);
  runner_.Start();
  const pid_t child = runner_.Child.ProcessId;
  ASSERT_GT(child, 0);
  runner_.Stop(0);
  ASSERT_TRUE(runner_.WaitForMonitors(5000));
  EXPECT_EQ(::kill(child, 0), -1);
  PumpEventsUntil([] { return false; }, 300);
  EXPECT_TRUE(sink_.Snapshot().empty());
  EXPECT_FALSE(QFileInfo::exists(wma));
}

}  // namespace
