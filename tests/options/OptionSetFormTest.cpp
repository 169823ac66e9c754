// The options window offscreen: its pages, texts and lists, the enabling
// rules, the "CD-ROM" page, the buttons, OK's focus and errors, and a
// screenshot of every page.
#include "../platform/CdImageFixture.h"
#include "ScriptedDialogs.h"
#include "options/OptionSetForm.h"
#include "options/OptionsLists.h"
#include "platform/CdDriveLibrary.h"
#include "settings/OptionsSetting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest/QTest>

#include <memory>

namespace {

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

// Every caption a page shows: group titles, labels, check boxes, buttons.
QStringList Captions(const QWidget* page) {
  QStringList texts;
  for (const QGroupBox* g : page->findChildren<QGroupBox*>()) texts << g->title();
  for (const QLabel* l : page->findChildren<QLabel*>()) texts << l->text();
  for (const QAbstractButton* b : page->findChildren<QAbstractButton*>()) texts << b->text();
  return texts;
}

class OptionSetFormTest : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    OptionsSetting = TOptionsSetting{};
    TOptionsSetting& s = OptionsSetting;
    s.CommonOptions.OutputFolder = dir_.path();
    s.CommonOptions.NormalizePercent = 95;
    s.Mp3Options.BitRate = 128;
    s.Mp3Options.MaxBitRate = 320;
    s.Mp3Options.VBRQuality = 4;
    s.Mp3Options.StereoMode = 1;
    s.OggOptions.IsUseCompress = true;
    s.OggOptions.CompressPosition = 30;
    s.WMAOptions.BitRate = 8;
    s.CDOptions.Index = -1;
    s.CDInfo.Genre = -1;
  }
  void TearDown() override {
    form.reset();
    for (int32_t h = 1; h <= kMaxCDHandles; ++h) CloseCDHandle(h);
    OptionsSetting = TOptionsSetting{};
    TCdImageFixture::TearDown();
  }

  TOptionSetForm& Open() {
    form = std::make_unique<TOptionSetForm>();
    return *form;
  }

  TScriptedDialogs Dialog;
  std::unique_ptr<TOptionSetForm> form;
};

}  // namespace

TEST_F(OptionSetFormTest, SixPagesInTabOrderWithTheirTexts) {
  TOptionSetForm& f = Open();
  EXPECT_EQ(f.windowTitle(), "Options");
  ASSERT_EQ(f.PageControl1->count(), 6);
  QStringList tabs;
  for (int i = 0; i < 6; ++i) tabs << f.PageControl1->tabText(i);
  EXPECT_EQ(tabs, QStringList({"Output", "LAME", "OGG", "WMA", "ID3 Tag", "CD-ROM"}));
  EXPECT_EQ(f.PageControl1->currentWidget(), f.tsOutput);

  const struct {
    QWidget* page;
    QStringList captions;
  } pages[] = {
      {f.tsOutput,
       {"Output directory(WAV/MP3)", "...", "Delete WAV file after processing", "Output format",
        QString::fromUtf8("Format\uFF1A"), "Normalize", "%", "",
        "The song length:", "Enable to set the length to extract", "Second"}},
      {f.tsLame,
       {"Enable Variable Bitrate(VBR)", "Disable writing of the VBR Tag", "Minimum bitrate:",
        "Maximum bitrate:", "VBR Quality:", "Speed/Quality:", "Mode:", "&Default"}},
      {f.tsOgg,
       {"Use Quality setting", "-> Highest quality", "Use Bitrate manager",
        "Nominal bitrate:", "Maximum bitrate:", "Minimum bitrate:"}},
      {f.tsWma, {"Audio Bitrate:", "&Default"}},
      {f.tsID3, {"Use ID3 tag", "Artist:", "Album:", "Year:", "Comment:", "Genre:"}},
      {f.tsCDROM, {QString::fromUtf8("Device\uFF1A")}},
  };
  for (const auto& p : pages) {
    const QStringList shown = Captions(p.page);
    for (const QString& caption : p.captions)
      EXPECT_TRUE(shown.contains(caption)) << caption.toStdString();
    EXPECT_EQ(shown.size(), p.captions.size()) << shown.join('|').toStdString();
  }
  EXPECT_EQ(f.btOK->text(), "OK");
  EXPECT_EQ(f.btCancel->text(), "Cancel");
}

TEST_F(OptionSetFormTest, ListsSliderAndFieldLimits) {
  TOptionSetForm& f = Open();
  EXPECT_EQ(Items(f.cbFormat), OutputFormatItems());
  EXPECT_EQ(Items(f.cbMinBitRate), Mp3BitRateItems());
  EXPECT_EQ(Items(f.cbMaxBitRate), Mp3BitRateItems());
  EXPECT_TRUE(f.cbMinBitRate->isEditable());
  EXPECT_TRUE(f.cbMaxBitRate->isEditable());
  EXPECT_FALSE(f.cbFormat->isEditable());
  EXPECT_EQ(Items(f.cbVBRQuality), VbrQualityItems());
  EXPECT_EQ(Items(f.cbMpegQuality), MpegQualityItems());
  EXPECT_EQ(Items(f.cbStereoMode), StereoModeItems());
  for (QComboBox* ogg : {f.cbOggNominal, f.cbOggMax, f.cbOggMin})
    EXPECT_EQ(Items(ogg), OggBitRateItems());
  EXPECT_EQ(Items(f.cbWmaBitRate), WmaProfileItems());
  EXPECT_EQ(Items(f.cbGenre), GenreItems());
  EXPECT_EQ(f.tbQuality->minimum(), 30);
  EXPECT_EQ(f.tbQuality->maximum(), 100);
  EXPECT_EQ(f.tbQuality->singleStep(), 1);
  EXPECT_EQ(f.tbQuality->pageStep(), 2);
  EXPECT_EQ(f.sePercent->minimum(), 0);
  EXPECT_EQ(f.sePercent->maximum(), 100);
  EXPECT_TRUE(f.sePercent->findChild<QLineEdit*>()->isReadOnly());
  EXPECT_FALSE(f.sePercent->isReadOnly()) << "the arrows still work";
  EXPECT_EQ(f.edArtist->maxLength(), 30);
  EXPECT_EQ(f.edAlbum->maxLength(), 30);
  EXPECT_EQ(f.edYear->maxLength(), 4);
  EXPECT_EQ(f.edComment->maxLength(), 30);
}

TEST_F(OptionSetFormTest, OpensOnTheStoredValues) {
  OptionsSetting.CommonOptions.IsKeepWav = false;
  OptionsSetting.CommonOptions.OutputFormat = 3;
  OptionsSetting.CommonOptions.RipTime = 25;
  OptionsSetting.Mp3Options.BitRate = 64;
  OptionsSetting.OggOptions.CompressPosition = 55;
  OptionsSetting.CDInfo.Genre = 1;
  OptionsSetting.CDInfo.Artist = QString(40, 'a');  // longer than a tag holds
  TOptionSetForm& f = Open();
  EXPECT_EQ(f.edOutputFolder->text(), dir_.path());
  EXPECT_TRUE(f.cbDeleteWav->isChecked());
  EXPECT_EQ(f.cbFormat->currentText(), "WMA file(*.WMA)");
  EXPECT_EQ(f.sePercent->value(), 95);
  EXPECT_EQ(f.edRipTime->text(), "25");
  EXPECT_EQ(f.cbMinBitRate->currentText(), "64 kbit/s");
  EXPECT_EQ(f.cbMaxBitRate->currentText(), "320 kbit/s");
  EXPECT_EQ(f.cbMaxBitRate->currentIndex(), 13);
  EXPECT_EQ(f.cbVBRQuality->currentText(), "4");
  EXPECT_EQ(f.cbStereoMode->currentText(), "Joint Stereo");
  EXPECT_TRUE(f.cbUseQuality->isChecked());
  EXPECT_EQ(f.tbQuality->value(), 55);
  EXPECT_EQ(f.cbOggNominal->currentText(), " Default");
  EXPECT_EQ(f.cbWmaBitRate->currentText(), "44.100 kHz,  64 kbit/s, Stereo");
  EXPECT_EQ(f.cbGenre->currentText(), "Acid");
  EXPECT_EQ(f.edArtist->text(), QString(40, 'a'));
  EXPECT_EQ(f.cbDevice->count(), 0);
}

TEST_F(OptionSetFormTest, EnablingRulesFollowTheBoxesAndTheFormat) {
  TOptionSetForm& f = Open();
  EXPECT_FALSE(f.sePercent->isEnabled());
  EXPECT_FALSE(f.edRipTime->isEnabled());
  for (QWidget* w : std::initializer_list<QWidget*>{f.cbVBRHead, f.cbMaxBitRate, f.cbVBRQuality})
    EXPECT_FALSE(w->isEnabled());
  EXPECT_TRUE(f.cbMinBitRate->isEnabled());
  EXPECT_TRUE(f.cbDeleteWav->isEnabled());

  f.cbNormalize->setChecked(true);
  f.cbEnableRipTime->setChecked(true);
  f.cbVBR->setChecked(true);
  EXPECT_TRUE(f.sePercent->isEnabled());
  EXPECT_TRUE(f.edRipTime->isEnabled());
  for (QWidget* w : std::initializer_list<QWidget*>{f.cbVBRHead, f.cbMaxBitRate, f.cbVBRQuality})
    EXPECT_TRUE(w->isEnabled());

  f.cbFormat->setCurrentText("WAV file(*.WAV)");
  EXPECT_FALSE(f.cbDeleteWav->isEnabled());
  f.cbFormat->setCurrentIndex(2);
  EXPECT_TRUE(f.cbDeleteWav->isEnabled());

  f.cbVBR->setChecked(false);
  EXPECT_FALSE(f.cbMaxBitRate->isEnabled());
}

TEST_F(OptionSetFormTest, DevicePageIsFilledEachTimeItIsShown) {
  OptionsSetting.CDOptions.Index = 1;
  TOptionSetForm& f = Open();
  f.PageControl1->setCurrentWidget(f.tsCDROM);
  EXPECT_EQ(f.cbDevice->count(), 0);  // no drive yet

  AddImage("alpha", AudioDisc({2}));
  AddImage("beta", AudioDisc({2}));
  f.PageControl1->setCurrentWidget(f.tsID3);
  f.PageControl1->setCurrentWidget(f.tsCDROM);
  EXPECT_EQ(Items(f.cbDevice), QStringList({"Virtual alpha", "Virtual beta"}));
  EXPECT_EQ(f.cbDevice->currentIndex(), 1);

  f.cbDevice->setCurrentIndex(0);
  f.PageControl1->setCurrentWidget(f.tsOutput);
  f.PageControl1->setCurrentWidget(f.tsCDROM);
  EXPECT_EQ(f.cbDevice->currentIndex(), 1) << "showing the page selects the stored drive";
}

TEST_F(OptionSetFormTest, BrowseAsksForTheFolderFromTheProgramFolder) {
  TOptionSetForm& f = Open();
  Dialog.FolderAnswers.push_back(dir_.path() + "/chosen");
  f.btBrowse->click();
  ASSERT_EQ(Dialog.FolderRequests.size(), 1u);
  EXPECT_EQ(Dialog.FolderRequests[0].Caption,
            "Please select the directory to save mp3 and wav file");
  EXPECT_EQ(Dialog.FolderRequests[0].Start, ProgramFolder());
  EXPECT_EQ(f.edOutputFolder->text(), dir_.path() + "/chosen");

  f.btBrowse->click();  // cancelled: the field keeps its text
  EXPECT_EQ(f.edOutputFolder->text(), dir_.path() + "/chosen");
}

TEST_F(OptionSetFormTest, DefaultButtonsResetTheirPageOnly) {
  TOptionSetForm& f = Open();
  f.cbVBR->setChecked(true);
  f.cbVBRHead->setChecked(true);
  f.cbMinBitRate->setCurrentIndex(0);
  f.cbMaxBitRate->setEditText("999");
  f.cbVBRQuality->setCurrentIndex(9);
  f.cbMpegQuality->setCurrentIndex(2);
  f.cbStereoMode->setCurrentIndex(4);
  f.cbWmaBitRate->setCurrentIndex(30);
  f.cbFormat->setCurrentIndex(2);
  f.btLameDefault->click();
  EXPECT_FALSE(f.cbVBR->isChecked());
  EXPECT_FALSE(f.cbVBRHead->isChecked());
  EXPECT_EQ(f.cbMinBitRate->currentIndex(), 8);
  EXPECT_EQ(f.cbMaxBitRate->currentText(), "320 kbit/s");
  EXPECT_EQ(f.cbVBRQuality->currentIndex(), 4);
  EXPECT_EQ(f.cbMpegQuality->currentText(), "Default");
  EXPECT_EQ(f.cbStereoMode->currentText(), "Joint Stereo");
  EXPECT_FALSE(f.cbMaxBitRate->isEnabled());
  EXPECT_EQ(f.cbWmaBitRate->currentIndex(), 30);
  EXPECT_EQ(f.cbFormat->currentIndex(), 2);
  f.btWmaDefault->click();
  EXPECT_EQ(f.cbWmaBitRate->currentIndex(), 8);
}

TEST_F(OptionSetFormTest, TypedAndChosenBitRatesAndGenres) {
  TOptionSetForm& f = Open();
  f.cbVBR->setChecked(true);
  f.cbMinBitRate->lineEdit()->clear();
  QTest::keyClicks(f.cbMinBitRate->lineEdit(), "64 kbit/s");
  f.cbMaxBitRate->setCurrentIndex(Mp3BitRateItems().indexOf(" 32 kbit/s"));
  f.cbGenre->setCurrentText("Acid");
  f.btOK->click();
  EXPECT_EQ(f.result(), QDialog::Accepted);
  EXPECT_EQ(OptionsSetting.Mp3Options.BitRate, 64);
  EXPECT_EQ(OptionsSetting.Mp3Options.MaxBitRate, 32);
  EXPECT_EQ(OptionsSetting.CDInfo.Genre, 1);

  TOptionSetForm& again = Open();
  EXPECT_EQ(again.cbGenre->currentText(), "Acid");
  again.cbGenre->setCurrentIndex(0);
  again.btOK->click();
  EXPECT_EQ(OptionsSetting.CDInfo.Genre, -1);
}

TEST_F(OptionSetFormTest, FailedChecksKeepTheDialogOpenAndFocusTheField) {
  TOptionSetForm& f = Open();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  f.edOutputFolder->setText(dir_.path() + "/missing");
  f.btCancel->setFocus();
  f.btOK->click();
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, dir_.path() + "/missing,The output directory does not exist.");
  EXPECT_TRUE(f.edOutputFolder->hasFocus());
  EXPECT_TRUE(f.isVisible());

  f.edOutputFolder->setText(dir_.path());
  f.cbEnableRipTime->setChecked(true);
  f.edRipTime->setText("abc");
  f.btCancel->setFocus();
  f.btOK->click();
  ASSERT_EQ(Dialog.Messages.size(), 2u);
  EXPECT_EQ(Dialog.Messages[1].Text, "Please check the song length field.");
  EXPECT_TRUE(f.edRipTime->hasFocus());

  // From another page the message shows and the focus stays where it was.
  f.PageControl1->setCurrentWidget(f.tsLame);
  f.cbVBR->setFocus();
  f.btOK->click();
  ASSERT_EQ(Dialog.Messages.size(), 3u);
  EXPECT_TRUE(f.cbVBR->hasFocus());
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(OptionsSetting.CommonOptions.RipTime, 0);
  EXPECT_FALSE(OptionsSetting.CommonOptions.EnableRipTime);
}

TEST_F(OptionSetFormTest, BadBitRateGoesToTheErrorHandlerAndKeepsTheDialogOpen) {
  TOptionSetForm& f = Open();
  f.show();
  std::vector<std::string> errors;
  f.SetErrorHandler([&errors](const std::exception& e) { errors.push_back(e.what()); });
  f.cbNormalize->setChecked(true);
  f.cbMaxBitRate->setEditText("fast");
  f.btOK->click();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "'fas' is not a valid integer value");
  EXPECT_TRUE(f.isVisible());
  EXPECT_NE(f.result(), QDialog::Accepted);
  EXPECT_TRUE(OptionsSetting.CommonOptions.IsNormalize) << "stored before the bit rates";

  f.SetErrorHandler({});  // unset: an error box
  f.btOK->click();
  ASSERT_EQ(Dialog.Messages.size(), 1u);
  EXPECT_EQ(Dialog.Messages[0].Text, "'fas' is not a valid integer value");
  EXPECT_EQ(Dialog.Messages[0].Icon, TMsgIcon::Error);
}

TEST_F(OptionSetFormTest, CancelStoresNothing) {
  const TOptionsSetting before = OptionsSetting;
  TOptionSetForm& f = Open();
  f.cbFormat->setCurrentIndex(1);
  f.edArtist->setText("Changed");
  f.PageControl1->setCurrentWidget(f.tsCDROM);
  f.btCancel->click();
  EXPECT_EQ(f.result(), QDialog::Rejected);
  EXPECT_EQ(OptionsSetting.CommonOptions.OutputFormat, before.CommonOptions.OutputFormat);
  EXPECT_EQ(OptionsSetting.CDInfo.Artist, before.CDInfo.Artist);
  EXPECT_EQ(OptionsSetting.CDOptions.Index, -1);
}

TEST_F(OptionSetFormTest, ScreenshotOfEveryPage) {
  AddImage("alpha", AudioDisc({2}));
  AddImage("beta", AudioDisc({2}));
  OptionsSetting.CDInfo.Artist = "The Demo Band";
  OptionsSetting.CDInfo.Album = "Demo Disc";
  OptionsSetting.CDInfo.Year = "2026";
  TOptionSetForm& f = Open();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  const char* names[] = {"output", "lame", "ogg", "wma", "id3", "cdrom"};
  for (int i = 0; i < 6; ++i) {
    f.PageControl1->setCurrentIndex(i);
    QCoreApplication::processEvents();
    const QString file = QString(TW_BUILD_DIR) + "/options-" + names[i] + ".png";
    ASSERT_TRUE(f.grab().save(file, "PNG")) << file.toStdString();
  }
  EXPECT_EQ(f.cbDevice->count(), 2);
}
