// The auxiliary dialogs and commands: tips, about, no-device hint, clearing
// the players' lists, output folder, help; and the looks at creation.
#include "AppFixture.h"
#include "DiscImage.h"
#include "app/AboutForm.h"
#include "app/Addresses.h"
#include "app/ClearHistory.h"
#include "app/EditTrackName.h"
#include "app/HelpCommands.h"
#include "app/MainForm.h"
#include "app/NoDeviceHint.h"
#include "app/TipsForm.h"
#include "app/TrackListView.h"
#include "options/OptionSetForm.h"
#include "platform/WineRegistry.h"
#include "recorder/RecordForm.h"
#include "settings/ProfileFile.h"
#include "settings/Skins.h"
#include "tags/ID3EditForm.h"
#include "tools/OggPlayerForm.h"
#include "tools/ResampleForm.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest/QTest>

#include <memory>

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A hive with other keys around the players' lists.
QByteArray Hive(int realOneClips, const QList<int>& mediaPlayerFiles) {
  QByteArray text =
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21\n\n"
      "#arch=win32\n\n[Software\\\\Wine\\\\Fonts] 1700000000\n\"LogPixels\"="
      "dword:00000060\n\n";
  for (int i = 1; i <= realOneClips; ++i)
    text += "[Software\\\\RealNetworks\\\\RealPlayer\\\\6.0\\\\Preferences\\\\MostRecentClips" +
            QByteArray::number(i) + "] 1700000001\n@=\"file://C:\\\\clip" + QByteArray::number(i) +
            ".rm\"\n\n";
  if (!mediaPlayerFiles.isEmpty()) {
    text += "[Software\\\\Microsoft\\\\MediaPlayer\\\\Player\\\\RecentFileList] 1700000002\n";
    for (int i : mediaPlayerFiles)
      text +=
          "\"File" + QByteArray::number(i) + "\"=\"C:\\\\m" + QByteArray::number(i) + ".wma\"\n";
    text += "\n";
  }
  text += "[Software\\\\Zeta] 1700000003\n\"Keep\"=\"yes\"\n";
  return text;
}

}  // namespace

class AuxiliaryTest : public TAppTest {
 protected:
  void SetUp() override {
    TAppTest::SetUp();
    savedPrefix_ = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", dir_.path().toLocal8Bit());
  }
  void TearDown() override {
    if (savedPrefix_.isEmpty())
      qunsetenv("WINEPREFIX");
    else
      qputenv("WINEPREFIX", savedPrefix_);
    TAppTest::TearDown();
  }

  void WriteHive(const QByteArray& text) {
    QFile file(Path("user.reg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

  void CopySkinFiles() {
    for (int i = 0; i < 6; ++i) {
      if (const char* name = SkinFileName(i))
        QFile::copy(QString(TW_SOURCE_DIR) + "/data/skins/" + name, Path(name));
    }
  }

  // The main window shown, its activation run.
  std::unique_ptr<TMainForm> Open() {
    auto form = std::make_unique<TMainForm>();
    form->show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return form;
  }

  QByteArray savedPrefix_;
};

TEST_F(AuxiliaryTest, TipPagesTextsAndNextTipWrapping) {
  const auto& pages = TipPages();
  ASSERT_EQ(pages.size(), 8u);
  const struct {
    int Lines;
    const char* First;
    const char* Last;
  } expected[] = {
      {5, "Why does the software show no CD devices found?", "www.adaptec.com"},
      {7, "Support for normalization of audio files. ",
       "when ripping CD and decoding MP3 to WAV files."},
      {3, "Clear the play list of RealOne Player and Windows",
       "Player and Windows Media Player when them not run."},
      {4, "Record from microphone or line in,save to Wav or Mp3. ", "All based on your choice."},
      {4, "Easy to use interface that allows you to rip tracks of", "to extract. It's too easy."},
      {5, "CD ripper,Mp3 or OGG converter Rip selected tracks",
       "You can select the format from options setting."},
      {3, "Trackwell is an easy to use CD ripper", "convert them to MP3 or or WAV OGG format."},
      {3, "Gets information from remote CDDB server.You", "as track titles."},
  };
  for (int i = 0; i < 8; ++i) {
    ASSERT_EQ(pages[i].size(), expected[i].Lines) << i;
    EXPECT_EQ(pages[i].first(), expected[i].First) << i;
    EXPECT_EQ(pages[i].last(), expected[i].Last) << i;
  }
  EXPECT_EQ(pages[0][3], " internet and run INSTASPI.BAT.Or download drivers");
  EXPECT_EQ(pages[1][5], "If \"Normalize\" is checked,normalization will be performed");

  OptionsSetting.IsShowTips = false;
  TfrmTips tips;
  EXPECT_EQ(tips.windowTitle(), "Trackwell Tip of the Day");
  EXPECT_NE(tips.findChild<QLabel*>(), nullptr);
  EXPECT_EQ(tips.findChildren<QLabel*>()[0]->text(), "Did you know...");
  ASSERT_EQ(tips.cbShowTips->count(), 2);
  EXPECT_EQ(tips.cbShowTips->itemText(0), "Always show tips at startup");
  EXPECT_EQ(tips.cbShowTips->itemText(1), "Never show tips at startup ");
  EXPECT_EQ(tips.cbShowTips->currentIndex(), 1);
  EXPECT_EQ(tips.btnNextTip->text(), "&Next Tip");
  EXPECT_EQ(tips.btnClose->text(), "&Close");
  EXPECT_EQ(tips.PageText(), pages[tips.PageIndex()].join('\n'));
  tips.ShowPage(6);
  tips.btnNextTip->click();
  EXPECT_EQ(tips.PageIndex(), 7);
  tips.btnNextTip->click();  // after the last page, the first
  EXPECT_EQ(tips.PageText(), pages[0].join('\n'));
}

TEST_F(AuxiliaryTest, NeverShowTipsIsWrittenAtOnceAndHonouredAtNextStart) {
  LoadSettings();  // no file: tips shown
  ASSERT_TRUE(OptionsSetting.IsShowTips);
  {
    TfrmTips tips;
    EXPECT_EQ(tips.cbShowTips->currentIndex(), 0);
    tips.btnClose->click();  // unchanged: nothing written
    EXPECT_FALSE(QFile::exists(Path("options.ini")));
  }
  {
    TfrmTips tips;
    tips.cbShowTips->setCurrentIndex(1);
    tips.reject();  // closed another way: the old choice stays
    EXPECT_TRUE(OptionsSetting.IsShowTips);
    tips.btnClose->click();
  }
  EXPECT_FALSE(OptionsSetting.IsShowTips);
  EXPECT_EQ(TProfileFile(Path("options.ini")).ReadInteger("TipsOptions", "IsShowTips", -1), 0);

  OptionsSetting = TOptionsSetting{};
  auto form = Open();
  EXPECT_FALSE(OptionsSetting.IsShowTips);
  EXPECT_EQ(std::count(Modals.begin(), Modals.end(), "TfrmTips"), 0);
}

TEST_F(AuxiliaryTest, ActivationShowsTheHintThenTheTipsAndTheHelpMenuOpensThem) {
  auto form = Open();  // no drive, no settings file
  EXPECT_EQ(Modals, (std::vector<QString>{"TfrmNoDeviceHint", "TfrmTips"}));
  Modals.clear();
  const TMainActions& a = form->Actions();
  a.TipOfTheDay->trigger();
  a.About->trigger();
  EXPECT_EQ(Modals, (std::vector<QString>{"TfrmTips", "TfrmAbout"}));
  a.HomePage->trigger();
  QFile(Path("Trackwell.html")).open(QIODevice::WriteOnly);
  a.Help->trigger();
  EXPECT_EQ(Opened, (std::vector<QString>{HomePageAddress(), Path("Trackwell.html")}));
  form->close();

  // A spare ASPI layer asks for a restart instead of the hint.
  QFile(Path("DovaRuvo.dll")).open(QIODevice::WriteOnly);
  Modals.clear();
  form = Open();
  EXPECT_EQ(Modals, (std::vector<QString>{}));
  form->close();
}

TEST_F(AuxiliaryTest, AboutBoxAndNoDeviceHintTexts) {
  TfrmAbout about;
  EXPECT_EQ(about.windowTitle(), "About Trackwell");
  EXPECT_EQ(about.lblName->text(), "Trackwell");
  EXPECT_TRUE(about.lblVersion->text().startsWith("Version: "));
  EXPECT_EQ(about.btnOK->text(), "OK");
  EXPECT_EQ(about.lblHomePage->cursor().shape(), Qt::PointingHandCursor);
  emit about.lblHomePage->linkActivated(HomePageAddress());
  for (const QString& text : {about.lblOwner->text(), about.lblContact->text()})
    EXPECT_FALSE(text.contains("example")) << text.toStdString();

  TfrmNoDeviceHint hint;
  EXPECT_EQ(hint.windowTitle(), "Trackwell");
  EXPECT_EQ(
      hint.Lines(),
      QStringList({"The Software couldn't find CD devices.Please check the following problems:",
                   "1.CD devices are locked by another application.Such as a CD player or a ",
                   "multimedia player or other CD ripper software.",
                   "2.Your right permissions: only Administrators or Power Users can directly ",
                   "access to low level SCSI/IDE interface API on Windows 2000/NT/XP.",
                   "3.Incorrect ASPI driver.Please install latest ASPI driver,you can downlaod",
                   "ForceASPI(install tool include drivers)  from", "ForceASPI 1.8",
                   "or drivers from Adaptec web site at", "www.adaptec.com"}));
  emit hint.lblForceAspi->linkActivated(kForceAspiUrl);
  emit hint.lblAdaptec->linkActivated(kAspiMakerUrl);
  EXPECT_TRUE(hint.lblAdaptec->text().contains(kAspiMakerUrl));
  EXPECT_EQ(Opened, (std::vector<QString>{HomePageAddress(), kForceAspiUrl, kAspiMakerUrl}));
  hint.btnClose->click();
  EXPECT_EQ(hint.result(), QDialog::Accepted);
}

TEST_F(AuxiliaryTest, RealOneListOfThreeIsDeletedAndTheRestKept) {
  WriteHive(Hive(3, {0, 1}));
  ClearRealOneHistory(nullptr);
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, "3 list records are deleted!");
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Information);
  EXPECT_EQ(ReadAll(Path("user.reg")), Hive(0, {0, 1}));

  ClearRealOneHistory(nullptr);
  EXPECT_EQ(Dialog.Messages[1].Text, "0 list records are deleted!");
}

TEST_F(AuxiliaryTest, MediaPlayerValuesGoUntilTheFirstMissing) {
  WriteHive(Hive(1, {0, 1, 2, 4}));
  ClearMediaPlayerHistory(nullptr);
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, "3 list records are deleted!");
  EXPECT_EQ(ReadAll(Path("user.reg")), Hive(1, {4}));

  TRegistryText nine(Hive(0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(DeleteMediaPlayerRecentFiles(nine), 9);  // File9 is not the player's
  TRegistryText none(Hive(2, {}));
  EXPECT_EQ(DeleteMediaPlayerRecentFiles(none), 0);
  TRegistryText eight(Hive(9, {}));
  EXPECT_EQ(DeleteRealOneRecentClips(eight), 8);
}

TEST_F(AuxiliaryTest, ARunningPlayerIsAskedAboutFirst) {
  const QString player = Path("realplay.exe");
  ASSERT_TRUE(QFile::copy(QStandardPaths::findExecutable("sleep"), player));
  QProcess process;
  process.start(player, {"30"});
  ASSERT_TRUE(process.waitForStarted());
  WriteHive(Hive(2, {}));

  Dialog.Answers = {TMsgResult::No, TMsgResult::Yes};
  ClearRealOneHistory(nullptr);
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, "Please close RealOne Player firstly.Continue?");
  EXPECT_EQ(Dialog.Messages[0].Buttons, TMsgButtons::YesNo);
  EXPECT_EQ(Dialog.Messages[0].Default, TMsgDefault::No);
  EXPECT_EQ(ReadAll(Path("user.reg")), Hive(2, {}));
  ClearRealOneHistory(nullptr);
  ASSERT_EQ(Dialog.Messages.size(), 3u);
  EXPECT_EQ(Dialog.Messages[2].Text, "2 list records are deleted!");
  process.kill();
  process.waitForFinished();
}

TEST_F(AuxiliaryTest, OutputFolderIsOpenedOrNamedInTheMessage) {
  OptionsSetting.CommonOptions.OutputFolder = Path("missing");
  OpenOutputDirectory(nullptr);
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, Path("missing") + ",The output directory does not exist.");
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);
  EXPECT_TRUE(Opened.empty());

  const QString folder = MakeOutputFolder();
  OpenOutputDirectory(nullptr);
  EXPECT_EQ(Opened, std::vector<QString>{folder});
  OpenHelp();  // no help page here: nothing opens
  EXPECT_EQ(Opened.size(), 1u);
}

TEST_F(AuxiliaryTest, EveryWindowTakesTheChosenLookAtCreation) {
  CopySkinFiles();
  for (int index : {0, 1, 2, 3, 4, 5, 7}) {
    OptionsSetting.SkinIndex = index;
    const QString sheet = SkinLook(index).Sheet;
    EXPECT_EQ(sheet.isEmpty(), index == 7);
    TfrmTips tips;
    TfrmAbout about;
    TfrmNoDeviceHint hint;
    TfrmEditTrackName rename;
    TfrmID3Edit tags;
    TfrmResample resample;
    TfrmOggPlayer player;
    TfrmNewRecordFile newRecording;
    TfrmRecord recorder;
    for (QWidget* window : std::initializer_list<QWidget*>{
             &tips, &about, &hint, &rename, &tags, &resample, &player, &newRecording, &recorder})
      EXPECT_EQ(window->styleSheet(), sheet) << index << window->metaObject()->className();
  }
}

TEST_F(AuxiliaryTest, ScreenshotOfTheMainWindowInEachLook) {
  CopySkinFiles();
  QDir().mkpath(Path("discs"));
  const TDiscDescription disc = DemoDisc();
  QString error;
  ASSERT_TRUE(WriteDiscImage(disc, Path("discs/demo.cue"), &error)) << error.toStdString();
  ASSERT_TRUE(WriteCatalogueSection(disc, Path("cdinfo.dat"), false, &error));
  auto form = Open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  form->TrackList()->SelectRow(1);
  const char* names[] = {"DiamondBlue", "RealOne", "WinXP", "DeepBlue", "Protein", "Matrix"};
  for (int index = 0; index < 6; ++index) {
    form->Actions().SkinItems[index]->trigger();  // applies to the window at once
    EXPECT_EQ(form->styleSheet(), SkinLook(index).Sheet);
    QCoreApplication::processEvents();
    const QString file =
        QString(TW_BUILD_DIR) + "/skin-" + QString::number(index) + "-" + names[index] + ".png";
    EXPECT_TRUE(form->grab().save(file, "PNG"));
    // The dialogs of this look, created after the choice, beside it.
    TfrmNoDeviceHint hint(form.get());
    TfrmTips tips(form.get());
    TfrmAbout about(form.get());
    TOptionSetForm options(form.get());
    for (QDialog* dialog : std::initializer_list<QDialog*>{&hint, &tips, &about, &options}) {
      dialog->show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
      EXPECT_TRUE(dialog->grab().save(QString(file).replace(
          ".png", QString("-") + dialog->metaObject()->className() + ".png")));
      dialog->hide();
    }
  }
  form->close();
}
