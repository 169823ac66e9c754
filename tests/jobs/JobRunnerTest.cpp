// The job runner driven directly, on generated disc images and WAV files,
// with the real extraction thread, lame, trackwell-wmaenc and Ogg Vorbis.
#include "jobs/JobRunner.h"

#include "../encoders/TestWav.h"
#include "../platform/CdImageFixture.h"
#include "CdTestDrives.h"
#include "DiscImage.h"
#include "FileSizeLimit.h"
#include "MessageSink.h"
#include "ScriptedDialogs.h"
#include "encoders/EncodeProcessError.h"
#include "encoders/Mp3EncodeProcess.h"
#include "encoders/WMAEncodeProcess.h"
#include "jobs/JobKinds.h"
#include "jobs/SourceFiles.h"
#include "platform/CdDriveLibrary.h"
#include "settings/OptionsSetting.h"
#include "tags/Id3Tag.h"

#include <gtest/gtest.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <QDir>
#include <QFile>

#include <thread>

namespace {

const QString kLongTitle = QString::fromUtf8("Ein sehr langer Titel über dreißig Zeichen – ♪");

class JobRunnerTest : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    QDir().mkpath(Path("out"));
    OptionsSetting = TOptionsSetting{};
    OptionsSetting.CommonOptions.OutputFolder = Path("out");
    OptionsSetting.Mp3Options.BitRate = 128;
    OptionsSetting.Mp3Options.StereoMode = 1;
    OptionsSetting.WMAOptions.BitRate = 8;
    OptionsSetting.ID3Use = true;
    OptionsSetting.CDInfo.Artist = "The Artist";
    OptionsSetting.CDInfo.Album = "Album";
    OptionsSetting.CDInfo.Year = "2001";
    ASSERT_TRUE(QFile::link(TW_BUILD_DIR "/trackwell-wmaenc", Path("trackwell-wmaenc")));
  }
  void TearDown() override {
    runner.reset();
    if (handle_) CloseCDHandle(handle_);
    TCdImageFixture::TearDown();
  }

  QString Path(const QString& name) const { return dir_.path() + "/" + name; }
  QString Out(const QString& name) const { return Path("out/" + name); }

  // Three 2-second tracks; badSectors go into the image's list of damage.
  void OpenDisc(const char* badSectors = nullptr) {
    disc_ = AudioDisc({2, 2, 2});
    AddImage("Jobs", disc_);
    if (badSectors) {
      QFile bad(Path("discs/Jobs.bad"));
      ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
      bad.write(badSectors);
    }
    handle_ = OpenDriveByProduct("Jobs");
    ASSERT_NE(handle_, 0);
  }

  // Starts the run; pumps events until it ends, or stop() says to press Stop.
  void Run(uint8_t kind, const QStringList& list, const std::function<bool()>& stop = {}) {
    runner = std::make_unique<TJobRunner>(kind, handle_, list, nullptr, &mp3_, &wma_);
    runner->OnViewChanged = [this] {
      const QString caption = runner->View().Caption;
      if (!caption.isEmpty() && (Captions.isEmpty() || Captions.back() != caption))
        Captions << caption;
    };
    runner->Start();
    ASSERT_TRUE(PumpEventsUntil(
        [&] {
          if (stop && !runner->Finished() && stop()) runner->StopClick();
          return runner->Finished();
        },
        120000));
  }

  QStringList Messages() const {
    QStringList texts;
    for (const auto& m : dialogs_.Messages) texts << m.Text;
    return texts;
  }

  QByteArray TrackBytes(int track) const {
    const TDiscLayout layout = LayoutOf(disc_);
    const int64_t end =
        track + 1 < int(layout.TrackStarts.size()) ? layout.TrackStarts[track + 1] : layout.LeadOut;
    QByteArray bytes;
    for (int64_t s = layout.TrackStarts[track]; s < end; ++s) bytes += ImageSector(disc_, s);
    return bytes;
  }

  static QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  TScriptedDialogs dialogs_;
  TMp3EncodeProcess mp3_;
  TWMAEncodeProcess wma_;
  TDiscDescription disc_;
  int32_t handle_ = 0;
  std::unique_ptr<TJobRunner> runner;
  QStringList Captions;
};

const QStringList kEntries = {"01One", "02" + kLongTitle, "03Three"};

}  // namespace

TEST_F(JobRunnerTest, RipsThreeTracksToEveryFormat) {
  OpenDisc();
  struct Format {
    int32_t Code;
    const char* Ext;
  };
  for (const Format f :
       {Format{1, ".wav"}, Format{0, ".mp3"}, Format{2, ".ogg"}, Format{3, ".wma"}}) {
    SCOPED_TRACE(f.Ext);
    OptionsSetting.CommonOptions.OutputFormat = f.Code;
    Captions.clear();
    Run(kJobRipTracks, kEntries);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join("|").toStdString();
    QStringList expected;
    for (int i = 0; i < 3; ++i) {
      const QString n = QString("(0%1/03): ").arg(i + 1) + kEntries[i].mid(2);
      expected << "Extracting" + n;
      if (f.Code != 1) expected << "Encoding" + n;
      const QString base = Out(kEntries[i].mid(2));
      ASSERT_TRUE(QFile::exists(base + f.Ext));
      // The extracted WAV files go once every track is encoded.
      EXPECT_EQ(QFile::exists(base + ".wav"), f.Code == 1);
      if (f.Code == 1) {
        EXPECT_TRUE(ReadAll(base + ".wav").mid(44) == TrackBytes(i));
      }
      if (f.Code == 0) {
        Tid3tag v1;
        ASSERT_EQ(v1.ReadTag(base + ".mp3"), kId3Ok);
        EXPECT_EQ(v1.Artist(), "The Artist");
        EXPECT_EQ(v1.Track(), i + 1);
        TagLib::MPEG::File mp3(QFile::encodeName(base + ".mp3").constData());
        ASSERT_TRUE(mp3.ID3v2Tag());
        EXPECT_EQ(QString::fromStdString(mp3.ID3v2Tag()->title().to8Bit(true)), kEntries[i].mid(2));
      }
      if (f.Code == 2) {
        TVorbisIn ogg;
        ogg.SetFileName(base + ".ogg");
        ASSERT_TRUE(ogg.Valid());
        EXPECT_EQ(ogg.TotalSamples(), 150 * 588);
        EXPECT_TRUE(ogg.Comments().contains("TITLE=" + kEntries[i].mid(2)));
        EXPECT_TRUE(ogg.Comments().contains(QString("TRACKNUMBER=%1").arg(i + 1)));
      }
      if (f.Code == 3) {
        EXPECT_EQ(ProbeValue(Probe(base + ".wma"), "codec_name"), "wmav2");
      }
    }
    EXPECT_EQ(Captions, expected);
  }
}

TEST_F(JobRunnerTest, StopInTrackTwoKeepsTheWavFilesAndEndsEverything) {
  OpenDisc();
  // The third caption is track 2 extracting (or already encoding).
  Run(kJobRipTracks, kEntries, [this] { return Captions.size() >= 3; });
  EXPECT_TRUE(QFile::exists(Out("One.mp3")));
  EXPECT_TRUE(QFile::exists(Out("One.wav")));
  EXPECT_TRUE(QFile::exists(Out(kLongTitle + ".wav")));
  EXPECT_FALSE(QFile::exists(Out(kLongTitle + ".mp3")));
  EXPECT_FALSE(QFile::exists(Out("Three.wav")));
  EXPECT_FALSE(mp3_.Active);
}

TEST_F(JobRunnerTest, DamagedTrackAndForbiddenTitleAreReportedAndTheRunGoesOn) {
  OpenDisc("160\n");  // inside track 2
  Run(kJobRipTracks, {"01One", "02Two", "03Bad/Name"});
  EXPECT_EQ(Messages(),
            QStringList({"Error while reading CD information!",
                         Out("Bad/Name.wav") + " is not a valid file name.Please rename the "
                                               "Title in the CD tracks list."}));
  EXPECT_TRUE(QFile::exists(Out("One.mp3")));
  EXPECT_FALSE(QFile::exists(Out("Two.mp3")));
  EXPECT_FALSE(QFile::exists(Out("Two.wav")));  // every track had its turn: cleaned up
}

TEST_F(JobRunnerTest, ConversionsResampleBelow44100AndRemoveTheTemporaryFile) {
  ASSERT_TRUE(WriteSineWav(Path("low.wav"), 22050, 2, 1.0));
  ASSERT_TRUE(WriteSineWav(Path("cd.wav"), 44100, 2, 1.0));
  Run(kJobWavToMp3, {Path("low.wav")});
  EXPECT_EQ(Captions, QStringList({"Resampling(01/01): " + Path("low.wav"),
                                   "Encoding(01/01): " + Path("low.wav")}));
  EXPECT_TRUE(IsReadableMp3(Out("low.mp3")));
  EXPECT_FALSE(QFile::exists(Out("MyMP3ReTemp.wav")));

  Captions.clear();
  Run(kJobWavToOgg, {Path("cd.wav"), Path("low.wav")});
  EXPECT_EQ(Captions, QStringList({"Encoding(01/02): " + Path("cd.wav"),
                                   "Resampling(02/02): " + Path("low.wav"),
                                   "Encoding(02/02): " + Path("low.wav")}));
  TVorbisIn ogg;
  ogg.SetFileName(Out("low.ogg"));
  EXPECT_EQ(ogg.SampleRate(), 44100);
  EXPECT_FALSE(QFile::exists(Out("MyReTemp.wav")));

  Run(kJobRecorderMp3, {Path("cd.wav")});  // the recorder's save: beside its source
  EXPECT_TRUE(IsReadableMp3(Path("cd.mp3")));
  Run(kJobMp3ToWav, {Out("low.mp3")});
  EXPECT_TRUE(IsReadableWav(Out("low.wav")));
  EXPECT_TRUE(Messages().isEmpty()) << Messages().join("|").toStdString();
}

TEST_F(JobRunnerTest, UnreadableSourcesAreNamedAndSkipped) {
  ASSERT_TRUE(WriteSineWav(Path("good.wav"), 44100, 2, 0.5));
  QFile text(Path("text.mp3"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not audio at all\n");
  text.close();
  Run(kJobWavToWma, {Path("gone.wav"), Path("good.wav")});
  Run(kJobMp3ToWav, {Path("text.mp3")});
  EXPECT_EQ(Messages(), QStringList({Path("gone.wav") + " is not a readable WAV file.",
                                     Path("text.mp3") + " is not a readable MP3 file."}));
  EXPECT_TRUE(QFile::exists(Out("good.wma")));
  EXPECT_FALSE(QFile::exists(Out("gone.wma")));
  EXPECT_FALSE(QFile::exists(Out("text.wav")));
}

TEST_F(JobRunnerTest, MissingEncodersEndTheRunWithTheirMessages) {
  ASSERT_TRUE(WriteSineWav(Path("a.wav"), 44100, 2, 0.5));
  QFile::remove(Path("trackwell-wmaenc"));
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", dir_.path().toLocal8Bit());  // neither lame nor the utility
  EXPECT_THROW(Run(kJobWavToMp3, {Path("a.wav")}), EEncodeProcessError);
  runner.reset();
  // The only job ends inside Start: nothing left running, no clock.
  runner = std::make_unique<TJobRunner>(kJobWavToWma, 0, QStringList{Path("a.wav")}, nullptr, &mp3_,
                                        &wma_);
  runner->Start();
  qputenv("PATH", path);
  EXPECT_TRUE(runner->Finished());
  EXPECT_FALSE(runner->Timer1.isActive());
  ASSERT_EQ(Messages().size(), 1);
  EXPECT_TRUE(Messages()[0].startsWith("Can not find WMA encoder"));
}

TEST_F(JobRunnerTest, WmaRunOfASmallFileEstimatesTwoSeconds) {
  ASSERT_TRUE(WriteSineWav(Path("small.wav"), 44100, 2, 5.0));  // 882044 bytes
  runner = std::make_unique<TJobRunner>(kJobWavToWma, 0, QStringList{Path("small.wav")}, nullptr,
                                        &mp3_, &wma_);
  runner->Start();
  EXPECT_TRUE(runner->Timer1.isActive());
  runner->Timer1Timer();
  EXPECT_EQ(runner->View().Elapsed, "00:00");
  EXPECT_EQ(runner->View().Estimated, "00:02");
  EXPECT_EQ(runner->View().Gauge, 0);
  runner->StopClick();
  EXPECT_FALSE(QFile::exists(Out("small.wma")));  // the killed run leaves nothing
}

// The end of a resampling pass is sent from the sink's worker and waits for
// the window; Stop at that very moment must not wait for the worker forever.
// Closing during an Ogg encode finishes the Ogg file.
TEST_F(JobRunnerTest, StopAndCloseNeverDeadlockOnTheStreamWorkers) {
  ASSERT_TRUE(WriteSineWav(Path("low.wav"), 22050, 2, 1.0));
  runner = std::make_unique<TJobRunner>(kJobWavToMp3, 0, QStringList{Path("low.wav")}, nullptr,
                                        &mp3_, &wma_);
  runner->Start();
  // No events are handled here: the worker ends up waiting in its send.
  while (runner->WaveOut1->Busy()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  runner->StopClick();
  runner.reset();
  EXPECT_FALSE(QFile::exists(Out("MyMP3ReTemp.wav")));
  EXPECT_FALSE(QFile::exists(Out("low.mp3")));

  ASSERT_TRUE(WriteSineWav(Path("long.wav"), 44100, 2, 60.0));
  runner = std::make_unique<TJobRunner>(kJobWavToOgg, 0, QStringList{Path("long.wav")}, nullptr,
                                        &mp3_, &wma_);
  runner->Start();
  ASSERT_TRUE(PumpEventsUntil([&] { return runner->View().Gauge > 0; }, 60000));
  runner->FormClose();
  runner.reset();
  TVorbisIn ogg;
  ogg.SetFileName(Out("long.ogg"));
  ASSERT_TRUE(ogg.Valid());
  EXPECT_GT(ogg.TotalSamples(), 0);
  EXPECT_LT(ogg.TotalSamples(), 60 * 44100);
}

// A full disk while lame writes (its file-size limit): the run says so and
// leaves no MP3 under the finished name, though lame had shown progress.
TEST_F(JobRunnerTest, EncoderThatFailsHalfwayLeavesNoFileAndIsReported) {
  ASSERT_TRUE(WriteSineWav(Path("five.wav"), 44100, 2, 5.0));
  {
    TFileSizeLimit full(30000);  // lame writes about 80 kB
    Run(kJobWavToMp3, {Path("five.wav")});
  }
  EXPECT_EQ(Messages(), QStringList({"Create MP3 file error!\r\nPlease check the output and lame "
                                     "options or run application again."}));
  EXPECT_FALSE(QFile::exists(Out("five.mp3")));
}
