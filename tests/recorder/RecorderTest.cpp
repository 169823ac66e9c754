#include "../acs/AlsaTestCard.h"
#include "../acs/WaveTestSupport.h"
#include "ScriptedDialogs.h"
#include "app/MainActions.h"
#include "platform/ProgramFolder.h"
#include "recorder/RecordForm.h"
#include "recorder/Recorder.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr int kRate = 8000;

// 16-bit mono samples that differ from their neighbours, so any shift or
// gap shows.
QByteArray MicSignal(int frames, int seed = 0) {
  QByteArray b(frames * 2, 0);
  for (int i = 0; i < frames; ++i) {
    const uint16_t v = uint16_t((i + seed) * 7919u);
    b[2 * i] = char(v & 0xff);
    b[2 * i + 1] = char(v >> 8);
  }
  return b;
}

class Recorder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    SetProgramFolder(folder.path());
    ASSERT_TRUE(WriteFile(TAlsaTestCard::MicFile(), MicSignal(kRate * 30)));
    r.AskFormat = [] { return TRecordFormat{kRate, 16, 1}; };
    r.CdDriveOpen = [] { return true; };
    r.RunMp3Job = [this](const QString& wav) { mp3Jobs << wav; };
    r.Wait = [this](int ms) { waits.push_back(ms); };
  }
  void TearDown() override { SetProgramFolder({}); }
  QString Path(const QString& name) { return folder.path() + "/" + name; }
  // Records until at least `ms` went in, then stops.
  void RecordFor(int64_t ms) {
    r.RecordClick();
    const int64_t from = r.Device().Position();
    ASSERT_EQ(r.Device().Mode(), TWaveMode::Recording);
    ASSERT_TRUE(WaitFor([&] { return r.Device().Position() >= from + ms; }));
    r.StopClick();
  }
  QByteArray Samples() {
    const std::vector<uint8_t> s = r.Device().Samples();
    return QByteArray(reinterpret_cast<const char*>(s.data()), qsizetype(s.size()));
  }
  QByteArray Data(const QString& path) { return ReadFile(path).mid(44); }

  QTemporaryDir folder;
  TScriptedDialogs dialogs;
  TRecorder r;
  QStringList mp3Jobs;
  std::vector<int> waits;
};

}  // namespace

TEST(RecorderTexts, DurationRecordTimeAndStopWait) {
  const std::pair<int64_t, QString> durations[] = {
      {59990, "60 Sec"},   {60000, "1 Min"},   {3725000, "1Hour2 Min5 Sec"},
      {12345, "12.3 Sec"}, {3600000, "1Hour"}, {500, "0.5 Sec"}};
  for (const auto& [ms, text] : durations) EXPECT_EQ(DurationText(ms), text) << ms;
  EXPECT_EQ(RecordTimeText(3723456), "01:02:03.4");
  EXPECT_EQ(RecordTimeText(0), "00:00:00.0");
  const std::pair<int, int> waitsFor[] = {{350, 650}, {50, 0}, {100, 0}, {101, 899}, {999, 1}};
  for (const auto& [last, wait] : waitsFor) EXPECT_EQ(StopWaitMs(last), wait) << last;
}

// Stop waits for the rest of the second the display was last updated in,
// when more than 100 ms of it had gone.
TEST_F(Recorder, StopWaitsToTheNextWholeSecond) {
  const QDateTime start = QDateTime::currentDateTime();
  for (int elapsed : {1350, 2050}) {
    QDateTime now = start;
    r.Now = [&now] { return now; };
    r.New();
    r.RecordClick();
    now = start.addMSecs(elapsed);
    r.RecordTimerTick();
    waits.clear();
    r.StopClick();
    EXPECT_EQ(waits, elapsed == 1350 ? std::vector<int>{650} : std::vector<int>{}) << elapsed;
    EXPECT_EQ(r.View().State, "Record over!");
    r.QuerySave(true);  // answered No: nothing kept
  }
}

// What the microphone gave until Stop is in the saved file, sample for
// sample; the save name's extension is checked without regard to case.
TEST_F(Recorder, RecordingSavedSampleExact) {
  r.New();
  EXPECT_EQ(r.View().Title, "Record(NoName)");
  EXPECT_EQ(r.View().Buttons, unsigned(rbRecord));
  EXPECT_FALSE(r.UndoEnabled());
  RecordFor(300);
  EXPECT_TRUE(r.Modified());
  EXPECT_FALSE(r.UndoEnabled());  // a new recording has nothing to go back to
  dialogs.SaveAnswers = {Path("take.mp3"), Path("TAKE.WAV")};
  EXPECT_FALSE(r.QuerySave(false));
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text, "The save file should be WAV!");
  ASSERT_TRUE(r.QuerySave(false));
  EXPECT_EQ(r.DocumentFile(), Path("TAKE.WAV"));
  EXPECT_FALSE(QFile::exists(r.NoNameFile()));
  const QByteArray saved = Data(Path("TAKE.WAV"));
  EXPECT_GE(saved.size(), kRate * 2 * 3 / 10);
  EXPECT_EQ(saved, MicSignal(kRate * 30).left(saved.size()));
  EXPECT_EQ(ReadFile(Path("TAKE.WAV")).left(44), PcmWaveHeader(1, kRate, 16, saved.size()));
}

// Recording from the slider overwrites from there: 200 of 400 in a 10 s
// file is 5 s in; what lies before stays, as does what follows the take.
TEST_F(Recorder, RecordsFromTheSlidersPlace) {
  const QByteArray old = MicSignal(kRate * 10, 12345);
  ASSERT_TRUE(WriteFile(Path("ten.wav"), PcmFile(old, 1, kRate, 16)));
  dialogs.OpenAnswers = {{Path("ten.wav")}};
  r.Open();
  ASSERT_EQ(r.Device().Length(), 10000);
  EXPECT_EQ(r.View().Title, "Record(" + Path("ten.wav") + ")");
  r.SliderMoved(200);
  EXPECT_EQ(r.View().Position, "5 Sec");
  RecordFor(200);
  const QByteArray now = Samples();
  const int from = kRate * 5 * 2;
  ASSERT_EQ(now.size(), old.size());
  EXPECT_EQ(now.left(from), old.left(from));
  EXPECT_EQ(now.mid(from, 3200), MicSignal(3200).left(3200));
  EXPECT_EQ(now.right(kRate * 2), old.right(kRate * 2));
  EXPECT_TRUE(r.UndoEnabled());
  dialogs.Answers = {TMsgResult::Yes};
  r.Undo();
  EXPECT_EQ(ReadFile(r.WorkFile()), ReadFile(Path("ten.wav")));
}

// With MP3 on, a named document asks about the existing MP3 only once;
// Save As of a named document takes the working copy with its recording.
TEST_F(Recorder, Mp3QuestionOnceAndSaveAsCarriesTheRecording) {
  ASSERT_TRUE(WriteFile(Path("song.wav"), PcmFile(MicSignal(kRate, 99), 1, kRate, 16)));
  ASSERT_TRUE(WriteFile(Path("song.mp3"), "an earlier mp3"));
  r.SaveMp3 = true;
  dialogs.OpenAnswers = {{Path("song.wav")}};
  r.Open();
  for (int save = 0; save < 2; ++save) {
    RecordFor(100);
    dialogs.Answers = {TMsgResult::Yes};
    r.Save();
  }
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text, Path("song.mp3") + " has existed,overite it?");
  EXPECT_EQ(mp3Jobs, QStringList({Path("song.wav"), Path("song.wav")}));
  EXPECT_FALSE(r.Modified());

  RecordFor(100);
  const QByteArray working = Samples();
  dialogs.SaveAnswers = {Path("copy.wav")};
  r.SaveAs();
  EXPECT_EQ(r.DocumentFile(), Path("copy.wav"));
  EXPECT_EQ(Data(Path("copy.wav")), working);
  EXPECT_EQ(mp3Jobs.size(), 3);
}

// Closing with a modified document: Cancel keeps the window and the
// working copy; a new recording saved over an existing file replaces it.
TEST_F(Recorder, CloseCancelKeepsTheRecordingAndSaveReplaces) {
  ASSERT_TRUE(WriteFile(Path("old.wav"), PcmFile(MicSignal(800, 5), 1, kRate, 16)));
  r.New();
  RecordFor(100);
  dialogs.Answers = {TMsgResult::Cancel};
  EXPECT_FALSE(r.CloseQuery());
  EXPECT_TRUE(QFile::exists(r.NoNameFile()));
  EXPECT_TRUE(r.Modified());
  dialogs.Answers = {TMsgResult::Yes, TMsgResult::Yes};  // save it, overwrite old.wav
  dialogs.SaveAnswers = {Path("old.wav")};
  ASSERT_TRUE(r.CloseQuery());
  const QByteArray saved = Data(Path("old.wav"));
  EXPECT_GE(saved.size(), kRate * 2 / 10);
  EXPECT_EQ(saved, MicSignal(kRate * 30).left(saved.size()));
  EXPECT_FALSE(QFile::exists(r.WorkFile()));
}

TEST_F(Recorder, OpenAsksAgainForAMissingFile) {
  ASSERT_TRUE(WriteFile(Path("here.wav"), PcmFile(MicSignal(800), 1, kRate, 16)));
  dialogs.OpenAnswers = {{Path("gone.wav")}, {Path("here.wav")}};
  r.Open();
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text,
            Path("gone.wav") +
                QString::fromUtf8(
                    "\nCould not be found\xEF\xBC\x81\nPlease check the filename correct or not"));
  EXPECT_EQ(dialogs.Messages[0].Icon, TMsgIcon::Warning);
  ASSERT_EQ(dialogs.FileRequests.size(), 2u);
  EXPECT_EQ(dialogs.FileRequests[0].Title, "Please select a sound file to open");
  EXPECT_EQ(r.DocumentFile(), Path("here.wav"));
  EXPECT_EQ(r.View().Length, "0.1 Sec");
  EXPECT_EQ(r.View().Buttons, unsigned(rbPlay | rbNext | rbRecord));
  // Played through to the end of the file.
  TAlsaTestCard::Clear();
  r.PlayClick();
  ASSERT_TRUE(WaitFor([&] { return r.Device().Mode() == TWaveMode::Stopped; }));
  EXPECT_EQ(TAlsaTestCard::Played(), MicSignal(800));
}

TEST(RecordForm, WindowAndNewFileDialog) {
  TfrmRecord form;
  EXPECT_EQ(form.windowTitle(), "Record");
  EXPECT_EQ(QStringList({form.lbState->text(), form.lbPosition->text(), form.lbLength->text(),
                         form.panRecordTime->text()}),
            QStringList({"-----------", "0.00Sec", "0.00Sec", "00:00:00.0"}));
  QStringList items;
  for (QAction* a : form.StartMenu->actions()) items << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(items, QStringList({"&New...", "&Open...", "&Save", "Save &As...", "&Undo", "-",
                                "&Recording Control...", "-", "&MP3 format", "-", "&Exit"}));
  for (QToolButton* b : form.MediaButtons) EXPECT_FALSE(b->isEnabled());
  TfrmNewRecordFile dialog;
  EXPECT_EQ(dialog.windowTitle(), "New sound file");
  EXPECT_EQ(dialog.cbBitrate->itemText(0), "  8000");
  EXPECT_EQ(dialog.Format().SampleRate, 44100);
  EXPECT_EQ(dialog.Format().BitsPerSample, 16);
  EXPECT_EQ(dialog.Format().Channels, 2);
}

TEST(RecordForm, OpensFromTheRecordAction) {
  QMainWindow window;
  const TMainActions a = CreateMainActions(&window);
  QString shown;
  QTimer::singleShot(0, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      shown = modal->windowTitle();
      modal->close();
    }
  });
  a.Record->trigger();
  EXPECT_EQ(shown, "Record");
}
