#include "../acs/WaveTestSupport.h"
#include "ScriptedDialogs.h"
#include "app/MainActions.h"
#include "tools/ResampleForm.h"
#include "tools/ResampleJob.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

namespace {

QTemporaryDir& Dir() {
  static QTemporaryDir dir;
  return dir;
}

QString PathOf(const QString& name) { return Dir().path() + "/" + name; }

// 8-bit unsigned samples of a ramp that covers every value.
QByteArray Ramp8(int frames) {
  QByteArray b(frames, 0);
  for (int i = 0; i < frames; ++i) b[i] = char(i % 256);
  return b;
}

QString WritePcm(const QString& name, const QByteArray& data, int channels, int rate, int bits) {
  const QString path = PathOf(name);
  EXPECT_TRUE(WriteFile(path, PcmFile(data, channels, rate, bits)));
  return path;
}

// "codec_name,channels,sample_rate" of the first audio stream, by ffprobe.
QString Probe(const QString& path) {
  QByteArray out;
  RunTool("ffprobe",
          {"-v", "error", "-select_streams", "a:0", "-show_entries",
           "stream=codec_name,channels,sample_rate", "-of", "csv=p=0", path},
          &out);
  return QString::fromUtf8(out).trimmed();
}

bool Until(const std::function<bool()>& condition, int timeoutMs = 60000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents();
    QThread::msleep(2);
  }
  return true;
}

bool Finished(TResampleJob& job) {
  return Until([&] { return job.View().ConvertEnabled && job.WaveOut1.Status() == osIdle; });
}

}  // namespace

// Each conversion wires only the stages its targets need and leaves a file
// of the target format.
TEST(ResampleJob, ChainByTargetsAndTheOutputsFormat) {
  const QByteArray ramp = Ramp8(11025);
  const QString mono8 = WritePcm("mono8.wav", ramp, 1, 11025, 8);
  const QString stereo16 = WritePcm("stereo16.wav", SampleBytes(Sine(44100, 2)), 2, 44100, 16);
  struct Case {
    QString input;
    TResampleTargets targets;
    std::vector<int>
        stages;  // 0 SampleConverter1, 1 MSConverter1, 2 RateConverter1, 3 SampleConverter2
    QString probe;
  } cases[] = {
      {mono8, {1, "11025", 8, 0}, {0, 3}, "pcm_u8,11025,1"},
      {stereo16, {2, "44100", 16, 1}, {}, "adpcm_ima_wav,44100,2"},
      {stereo16, {1, "22050", 8, 0}, {1, 2, 3}, "pcm_u8,22050,1"},
      {mono8, {2, "  8000", 16, 0}, {0, 1, 2}, "pcm_s16le,8000,2"},
  };
  int n = 0;
  for (const Case& c : cases) {
    TResampleJob job;
    const TACSInput* all[] = {&job.SampleConverter1, &job.MSConverter1, &job.RateConverter1,
                              &job.SampleConverter2};
    const QString out = PathOf(QString("out%1.wav").arg(n++));
    ASSERT_TRUE(job.ChooseInput(c.input));
    job.ChooseOutput(out);
    ASSERT_EQ(job.Convert(c.targets), TResampleStart::Started);
    EXPECT_FALSE(job.View().ConvertEnabled);
    ASSERT_TRUE(Finished(job));
    EXPECT_EQ(job.View().Progress, 100);
    EXPECT_TRUE(job.LastError().isEmpty()) << job.LastError().toStdString();
    std::vector<const TACSInput*> expected;
    for (int i : c.stages) expected.push_back(all[i]);
    EXPECT_EQ(std::vector<const TACSInput*>(job.Stages().begin(), job.Stages().end()), expected);
    EXPECT_EQ(Probe(out), c.probe) << out.toStdString();
  }
  // Widened and narrowed again, 8-bit data comes through unchanged.
  EXPECT_EQ(ReadFile(PathOf("out0.wav")).mid(44), ramp);
  // IMA ADPCM of the stereo sine decodes close to it once the coder's step
  // has grown to the signal (a few hundred frames), every sample there.
  const QByteArray decoded = SoxDecode(PathOf("out1.wav"));
  EXPECT_GE(decoded.size(), 44100 * 4);
  EXPECT_LT(LargestDifference(decoded.mid(4000), SampleBytes(Sine(44100, 2)).mid(4000)), 1500);
}

TEST(ResampleJob, EncodingTextByType) {
  const QString pcm = WritePcm("types.wav", SampleBytes(Sine(8000, 1, 8000)), 1, 8000, 16);
  const QString ima = PathOf("types-ima.wav"), ms = PathOf("types-ms.wav");
  ASSERT_TRUE(RunTool("sox", {pcm, "-e", "ima-adpcm", ima}));
  ASSERT_TRUE(RunTool("sox", {pcm, "-e", "ms-adpcm", ms}));
  const struct {
    QString path, encoding;
  } cases[] = {{pcm, "Raw PCM"}, {ima, "DVI IMA ADPCM"}, {ms, "Microsoft ADPCM"}};
  for (const auto& c : cases) {
    TResampleJob job;
    ASSERT_TRUE(job.ChooseInput(c.path)) << c.path.toStdString();
    const TResampleView& v = job.View();
    EXPECT_EQ(QStringList({v.InputFileName, v.InputChannels, v.InputSampleRate,
                           v.InputBitsPerSample, v.InputEncoding}),
              QStringList({QFileInfo(c.path).fileName(), "1", "8000", "16", c.encoding}));
  }
}

// A file that is not WAV leaves the previous input in place, on screen and
// in the reader that Convert reads.
TEST(ResampleJob, InputThatIsNotWavKeepsThePreviousOne) {
  const QString good = WritePcm("good.wav", SampleBytes(Sine(4410, 2)), 2, 44100, 16);
  const QString text = PathOf("text.wav");
  ASSERT_TRUE(WriteFile(text, "RIFF but nothing of a wave file"));
  TResampleJob job;
  ASSERT_TRUE(job.ChooseInput(good));
  job.ChooseOutput(PathOf("kept.wav"));
  ASSERT_EQ(job.Convert({2, "44100", 16, 0}), TResampleStart::Started);
  ASSERT_TRUE(Finished(job));
  for (const QString& bad : {text, PathOf("missing.wav")}) {
    EXPECT_FALSE(job.ChooseInput(bad));
    const TResampleView& v = job.View();
    EXPECT_EQ(QStringList({v.InputFileName, v.InputChannels, v.InputSampleRate}),
              QStringList({"good.wav", "2", "44100"}));
    EXPECT_EQ(v.Progress, 100);
  }
  ASSERT_EQ(job.Convert({1, "44100", 16, 0}), TResampleStart::Started);
  ASSERT_TRUE(Finished(job));
  EXPECT_EQ(Probe(PathOf("kept.wav")), "pcm_s16le,44100,1");
}

// Without an input or an output, or with a typed rate that is no rate,
// Convert starts nothing.
TEST(ResampleJob, ConvertThatStartsNothing) {
  const QString in = WritePcm("alone.wav", SampleBytes(Sine(441, 1)), 1, 44100, 16);
  const QString out = PathOf("alone-out.wav");
  TResampleJob job;
  EXPECT_EQ(job.Convert({}), TResampleStart::NothingToDo);
  ASSERT_TRUE(job.ChooseInput(in));
  EXPECT_EQ(job.Convert({}), TResampleStart::NothingToDo);
  job.ChooseOutput(out);
  for (const char* rate : {"fast", "0", "", "384001"})
    EXPECT_EQ(job.Convert({1, rate, 16, 0}), TResampleStart::BadSampleRate) << rate;
  EXPECT_TRUE(job.View().ConvertEnabled);
  EXPECT_TRUE(job.Stages().empty());
  EXPECT_FALSE(QFile::exists(out));
}

// A writer that cannot create its file reports it and gives Convert back;
// the next run with a good output works (nothing is left busy).
TEST(ResampleJob, FailedRunReportsAndCanBeRetried) {
  const QString in = WritePcm("retry.wav", Ramp8(2000), 1, 11025, 8);
  TResampleJob job;
  int failed = 0;
  QObject::connect(&job, &TResampleJob::Failed, [&failed] { ++failed; });
  ASSERT_TRUE(job.ChooseInput(in));
  const struct {
    QString output;
    TResampleTargets targets;
  } failures[] = {{PathOf("no-such-folder/out.wav"), {1, "22050", 16, 0}},
                  {PathOf("ima8.wav"), {1, "22050", 8, 1}}};  // no 8-bit ADPCM
  for (const auto& f : failures) {
    job.ChooseOutput(f.output);
    ASSERT_EQ(job.Convert(f.targets), TResampleStart::Started);
    ASSERT_TRUE(Finished(job));
    EXPECT_FALSE(job.LastError().isEmpty());
    EXPECT_FALSE(QFile::exists(f.output));
  }
  EXPECT_EQ(failed, 2);
  EXPECT_TRUE(job.ChooseInput(in));  // the reader is not left open on it
  job.ChooseOutput(PathOf("retried.wav"));
  ASSERT_EQ(job.Convert({1, "22050", 16, 0}), TResampleStart::Started);
  ASSERT_TRUE(Finished(job));
  EXPECT_TRUE(job.LastError().isEmpty()) << job.LastError().toStdString();
  EXPECT_EQ(Probe(PathOf("retried.wav")), "pcm_s16le,22050,1");
}

TEST(ResampleForm, ControlsAsTheyStart) {
  TfrmResample form;
  EXPECT_EQ(form.windowTitle(), "WAV to WAV");
  QStringList groups;
  for (QGroupBox* g : form.findChildren<QGroupBox*>()) groups << g->title();
  EXPECT_EQ(groups, QStringList({"Input File Parameters", " Output File Parameters "}));
  QStringList rates;
  for (int i = 0; i < form.cbSampleRate->count(); ++i) rates << form.cbSampleRate->itemText(i);
  EXPECT_EQ(rates, QStringList({"  8000", "11025", "12000", "16000", "22050", "24000", "32000",
                                "44100", "48000"}));
  EXPECT_TRUE(form.cbSampleRate->isEditable());
  EXPECT_EQ(form.cbSampleRate->currentText(), "44100");
  auto spin = [](QSpinBox* s) {
    return std::vector<int>{s->minimum(), s->maximum(), s->singleStep(), s->value()};
  };
  EXPECT_EQ(spin(form.seChannels), std::vector<int>({1, 2, 1, 1}));
  EXPECT_EQ(spin(form.seBitsPerSample), std::vector<int>({8, 16, 8, 16}));
  EXPECT_EQ(QStringList({form.cbEncoding->itemText(0), form.cbEncoding->itemText(1),
                         form.cbEncoding->currentText(), form.ProgressBar1->text()}),
            QStringList({"RAW PCM", "DVI IMA ADPCM", "RAW PCM", "0%"}));
}

// The window asks for the files with its two dialogs and shows the run
// from the writer's events.
TEST(ResampleForm, DialogsThenConvertToTheEnd) {
  const QString in = WritePcm("form.wav", SampleBytes(Sine(22050, 2)), 2, 44100, 16);
  const QString out = PathOf("form-out.wav");
  TScriptedDialogs dialogs;
  TfrmResample form;
  dialogs.OpenAnswers.push_back({in});
  dialogs.SaveAnswers.push_back(out);
  form.btInputFileClick();
  form.btOutputFileClick();
  ASSERT_EQ(dialogs.FileRequests.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(dialogs.FileRequests[i].Title, i == 0 ? "Open" : "Save As");
    EXPECT_EQ(dialogs.FileRequests[i].Filter, "Wave Files|*.wav");
    EXPECT_EQ(dialogs.FileRequests[i].DefaultExt, "wav");
  }
  EXPECT_EQ(form.lInputFileName->text(), "form.wav");
  EXPECT_EQ(form.lInputFileName->toolTip(), in);
  EXPECT_EQ(form.lInputEncoding->text(), "Raw PCM");
  EXPECT_EQ(form.lOutputFileName->text(), "form-out.wav");
  EXPECT_EQ(form.lOutputFileName->toolTip(), out);
  form.cbSampleRate->setCurrentText("  8000");
  form.btConvertClick();
  EXPECT_FALSE(form.btConvert->isEnabled());
  ASSERT_TRUE(Until([&] { return form.btConvert->isEnabled(); }));
  EXPECT_EQ(form.ProgressBar1->value(), 100);
  EXPECT_EQ(Probe(out), "pcm_s16le,8000,1");
}

TEST(ResampleForm, OpensFromTheFileMenu) {
  QMainWindow window;
  const TMainActions a = CreateMainActions(&window);
  EXPECT_TRUE(a.FileMenu->actions().contains(a.WavToWav));
  QString shown;
  QTimer::singleShot(0, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      shown = modal->windowTitle();
      modal->close();
    }
  });
  a.WavToWav->trigger();
  EXPECT_EQ(shown, "WAV to WAV");
}
