// The extract and file-conversion commands, driven without a window.
#include "AppFixture.h"
#include "app/AppErrors.h"
#include "app/ConversionCommand.h"
#include "app/ExtractCommand.h"

#include <QFileInfo>
#include <QWidget>

namespace {

const QString kNoFolder =
    "The output directory does not exist.Please check the output directory setting.";

std::vector<TTrackChoice> FiveRows() {
  return {{"Track01", false},
          {"Intro", false},
          {"Track03", false},
          {"Fourth", false},
          {"Track05", false}};
}

TExtractInput Input(std::vector<TTrackChoice> rows, int32_t handle = 7) {
  TExtractInput input;
  input.CDHandle = handle;
  input.Rows = std::move(rows);
  return input;
}

}  // namespace

TEST(RipJobListTest, TickedRowsInListOrderWithTwoDigitPositions) {
  auto rows = FiveRows();
  rows[0].Checked = true;
  rows[2].Checked = true;
  EXPECT_EQ(BuildRipJobList(rows), QStringList({"01Track01", "03Track03"}));

  rows = FiveRows();
  rows[1].Checked = true;
  EXPECT_EQ(BuildRipJobList(rows), QStringList({"02Intro"}));

  std::vector<TTrackChoice> many(12, {"T", true});
  const QStringList items = BuildRipJobList(many);
  ASSERT_EQ(items.size(), 12);
  EXPECT_EQ(items[8], "09T");
  EXPECT_EQ(items[11], "12T");
  EXPECT_TRUE(BuildRipJobList(FiveRows()).isEmpty());
}

using ExtractCommandTest = TAppTest;

TEST_F(ExtractCommandTest, RefusesWithoutDriveOrTick) {
  MakeOutputFolder();
  auto rows = FiveRows();
  rows[0].Checked = true;
  EXPECT_FALSE(ExecuteExtract(Input(rows, 0)));
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, "Please access CD devices rightly above all!");
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Information);

  EXPECT_FALSE(ExecuteExtract(Input(FiveRows())));
  ASSERT_EQ(Dialog.Messages.size(), 2u);
  EXPECT_EQ(Dialog.Messages[1].Text, "Please select a track at least!");
  EXPECT_EQ(Dialog.Messages[1].Icon, TMsgIcon::Information);
  EXPECT_TRUE(Jobs.empty());
}

TEST_F(ExtractCommandTest, RequestCarriesKindHandleAndTickedItems) {
  MakeOutputFolder();
  auto rows = FiveRows();
  rows[0].Checked = true;
  rows[2].Checked = true;
  TExtractInput input = Input(rows, 42);
  QWidget owner;
  input.Owner = &owner;
  EXPECT_TRUE(ExecuteExtract(input));
  ASSERT_EQ(Jobs.size(), 1u);
  EXPECT_EQ(Jobs[0].JobKind, kJobRipTracks);
  EXPECT_EQ(Jobs[0].CDHandle, 42);
  EXPECT_EQ(Jobs[0].Owner, input.Owner);
  EXPECT_EQ(Jobs[0].List, QStringList({"01Track01", "03Track03"}));
  EXPECT_TRUE(Dialog.Messages.empty());
}

TEST_F(ExtractCommandTest, MissingFolderAnsweredYesIsCreatedAndTheJobStarts) {
  const QString folder = Path("new-out");
  OptionsSetting.CommonOptions.OutputFolder = folder;
  Dialog.Answers.push_back(TMsgResult::Yes);
  auto rows = FiveRows();
  rows[1].Checked = true;
  EXPECT_TRUE(ExecuteExtract(Input(rows)));
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, folder +
                                         ",The output directory does not exist.\r\n"
                                         "creates a new directory?");
  EXPECT_EQ(Dialog.Messages[0].Buttons, TMsgButtons::YesNo);
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Information);
  EXPECT_TRUE(QFileInfo(folder).isDir());
  ASSERT_EQ(Jobs.size(), 1u);
  EXPECT_EQ(Jobs[0].List, QStringList({"02Intro"}));
}

TEST_F(ExtractCommandTest, MissingFolderAnsweredNoDoesNothing) {
  const QString folder = Path("new-out");
  OptionsSetting.CommonOptions.OutputFolder = folder;
  Dialog.Answers.push_back(TMsgResult::No);
  auto rows = FiveRows();
  rows[1].Checked = true;
  EXPECT_FALSE(ExecuteExtract(Input(rows)));
  EXPECT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_FALSE(QFileInfo::exists(folder));
  EXPECT_TRUE(Jobs.empty());
}

TEST_F(ExtractCommandTest, FolderThatCannotBeCreatedRaisesCannotCreate) {
  // Only one level is created: a missing parent makes the creation fail.
  const QString folder = Path("missing-parent/out");
  OptionsSetting.CommonOptions.OutputFolder = folder;
  Dialog.Answers.push_back(TMsgResult::Yes);
  auto rows = FiveRows();
  rows[0].Checked = true;
  try {
    ExecuteExtract(Input(rows));
    FAIL() << "no error raised";
  } catch (const EAppError& error) {
    EXPECT_EQ(error.Message(), "Cannot create " + folder);
  }
  EXPECT_FALSE(QFileInfo::exists(Path("missing-parent")));
  EXPECT_TRUE(Jobs.empty());
}

TEST_F(ExtractCommandTest, LengthLimitOfZeroRefusesAndThirtyStarts) {
  MakeOutputFolder();
  OptionsSetting.CommonOptions.EnableRipTime = true;
  OptionsSetting.CommonOptions.RipTime = 0;
  auto rows = FiveRows();
  rows[4].Checked = true;
  EXPECT_FALSE(ExecuteExtract(Input(rows)));
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text,
            "You select to extract 0 second length, please change it on Options dialog.");
  EXPECT_TRUE(Jobs.empty());

  OptionsSetting.CommonOptions.RipTime = 30;
  EXPECT_TRUE(ExecuteExtract(Input(rows)));
  EXPECT_EQ(Dialog.Messages.size(), 1u);
  ASSERT_EQ(Jobs.size(), 1u);
  EXPECT_EQ(Jobs[0].List, QStringList({"05Track05"}));

  // A zero limit that is switched off is no limit.
  OptionsSetting.CommonOptions.EnableRipTime = false;
  OptionsSetting.CommonOptions.RipTime = 0;
  EXPECT_TRUE(ExecuteExtract(Input(rows)));
  EXPECT_EQ(Jobs.size(), 2u);
}

TEST_F(ExtractCommandTest, RunningPlaybackIsStoppedBeforeTheJob) {
  MakeOutputFolder();
  auto rows = FiveRows();
  rows[0].Checked = true;
  TExtractInput input = Input(rows);
  bool playing = true;
  size_t jobsWhenStopped = 99;
  input.IsPlaying = [&] { return playing; };
  input.StopPlayback = [&] {
    playing = false;
    jobsWhenStopped = Jobs.size();
  };
  EXPECT_TRUE(ExecuteExtract(input));
  EXPECT_FALSE(playing);
  EXPECT_EQ(jobsWhenStopped, 0u);
  EXPECT_EQ(Jobs.size(), 1u);

  // Nothing playing: no stop.
  int stops = 0;
  input.IsPlaying = [] { return false; };
  input.StopPlayback = [&] { ++stops; };
  EXPECT_TRUE(ExecuteExtract(input));
  EXPECT_EQ(stops, 0);
}

TEST_F(ExtractCommandTest, JobRunnerErrorsAreSwallowed) {
  MakeOutputFolder();
  SetJobRunnerHook([](const TJobRequest&) { throw EAppError("runner failed"); });
  auto rows = FiveRows();
  rows[0].Checked = true;
  EXPECT_NO_THROW(ExecuteExtract(Input(rows)));
  EXPECT_TRUE(Dialog.Messages.empty());
}

using ConversionCommandTest = TAppTest;

TEST_F(ConversionCommandTest, EachKindAsksWithItsFilterAndHandsOverTheFiles) {
  MakeOutputFolder();
  const struct {
    uint8_t kind;
    QString filter;
  } cases[] = {
      {kJobWavToMp3, "Sound file(*.wav)|*.wav| Any file(*.*)|*.*"},
      {kJobMp3ToWav, "MP3 file(*.mp3)|*.mp3| Any file(*.*)|*.*"},
      {kJobWavToOgg, "Sound file(*.wav)|*.wav| Any file(*.*)|*.*"},
      {kJobWavToWma, "Sound file(*.wav)|*.wav| Any file(*.*)|*.*"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Jobs.clear();
    Dialog.FileRequests.clear();
    const QStringList files = {Path("a b.wav"), Path("c.wav")};
    Dialog.OpenAnswers.push_back(files);
    EXPECT_TRUE(ExecuteConversion(nullptr, c.kind));
    ASSERT_EQ(Dialog.FileRequests.size(), 1u);
    EXPECT_EQ(Dialog.FileRequests[0].Filter, c.filter);
    EXPECT_TRUE(Dialog.FileRequests[0].MultiSelect);
    EXPECT_TRUE(Dialog.FileRequests[0].FileName.isEmpty());
    ASSERT_EQ(Jobs.size(), 1u);
    EXPECT_EQ(Jobs[0].JobKind, c.kind);
    EXPECT_EQ(Jobs[0].CDHandle, 0);
    EXPECT_EQ(Jobs[0].List, files);
  }
  EXPECT_TRUE(Dialog.Messages.empty());
  EXPECT_THROW(ExecuteConversion(nullptr, kJobRipTracks), std::invalid_argument);
}

TEST_F(ConversionCommandTest, CancelDoesNothingEvenWithTheFolderMissing) {
  OptionsSetting.CommonOptions.OutputFolder = Path("missing");
  for (uint8_t kind : {kJobWavToMp3, kJobMp3ToWav, kJobWavToOgg, kJobWavToWma}) {
    EXPECT_FALSE(ExecuteConversion(nullptr, kind));
  }
  EXPECT_EQ(Dialog.FileRequests.size(), 4u);
  EXPECT_TRUE(Dialog.Messages.empty());
  EXPECT_TRUE(Jobs.empty());
  EXPECT_FALSE(QFileInfo::exists(Path("missing")));
}

TEST_F(ConversionCommandTest, MissingFolderAfterChoosingFilesRefuses) {
  OptionsSetting.CommonOptions.OutputFolder = Path("missing");
  Dialog.OpenAnswers.push_back({Path("a.wav")});
  EXPECT_FALSE(ExecuteConversion(nullptr, kJobWavToOgg));
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, kNoFolder);
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Information);
  EXPECT_TRUE(Jobs.empty());

  // An empty folder setting is no folder either (not the working folder).
  OptionsSetting.CommonOptions.OutputFolder.clear();
  Dialog.OpenAnswers.push_back({Path("a.wav")});
  EXPECT_FALSE(ExecuteConversion(nullptr, kJobWavToMp3));
  EXPECT_EQ(Dialog.Messages.size(), 2u);
}

TEST_F(ConversionCommandTest, RunnerErrorsPassOnForMp3KindsOnly) {
  MakeOutputFolder();
  SetJobRunnerHook([](const TJobRequest&) { throw EAppError("runner failed"); });
  for (uint8_t kind : {kJobWavToOgg, kJobWavToWma}) {
    Dialog.OpenAnswers.push_back({Path("a.wav")});
    EXPECT_NO_THROW(ExecuteConversion(nullptr, kind));
  }
  for (uint8_t kind : {kJobWavToMp3, kJobMp3ToWav}) {
    Dialog.OpenAnswers.push_back({Path("a.wav")});
    EXPECT_THROW(ExecuteConversion(nullptr, kind), EAppError);
  }
  // Through the default handler the message reaches the user.
  Dialog.OpenAnswers.push_back({Path("a.wav")});
  RunGuarded(nullptr, [] { ExecuteConversion(nullptr, kJobWavToMp3); });
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, "runner failed");
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);
}
