// The options window offscreen: pages and texts, enabling rules, the
// "CD-ROM" page, the buttons, OK's focus and errors, a screenshot per page.
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
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest/QTest>

#include <memory>

namespace {

// Every caption a page shows: group titles, labels, check boxes, buttons.
QStringList Captions(const QWidget* page) {
  QStringList texts;
  for (const QGroupBox* g : page->findChildren<QGroupBox*>()) texts << g->title();
  for (const QLabel* l : page->findChildren<QLabel*>()) texts << l->text();
  for (const QAbstractButton* b : page->findChildren<QAbstractButton*>()) texts << b->text();
  texts.sort();
  return texts;
}

class OptionSetFormTest : public TCdImageFixture {
 protected:
  void SetUp() override {
    TCdImageFixture::SetUp();
    OptionsSetting = TOptionsSetting{};
    OptionsSetting.CommonOptions.OutputFolder = dir_.path();
    OptionsSetting.Mp3Options.BitRate = 128;
    OptionsSetting.Mp3Options.MaxBitRate = 320;
    OptionsSetting.CDInfo.Genre = 1;
    form = std::make_unique<TOptionSetForm>();
  }
  void TearDown() override {
    form.reset();
    for (int32_t h = 1; h <= kMaxCDHandles; ++h) CloseCDHandle(h);
    OptionsSetting = TOptionsSetting{};
    TCdImageFixture::TearDown();
  }

  TScriptedDialogs Dialog;
  std::unique_ptr<TOptionSetForm> form;
};

}  // namespace

TEST_F(OptionSetFormTest, SixPagesInTabOrderWithTheirTexts) {
  TOptionSetForm& f = *form;
  EXPECT_EQ(f.windowTitle(), "Options");
  QStringList tabs;
  for (int i = 0; i < f.PageControl1->count(); ++i) tabs << f.PageControl1->tabText(i);
  EXPECT_EQ(tabs, QStringList({"Output", "LAME", "OGG", "WMA", "ID3 Tag", "CD-ROM"}));
  EXPECT_EQ(f.PageControl1->currentWidget(), f.tsOutput);
  const std::pair<QWidget*, QStringList> pages[] = {
      {f.tsOutput,
       {"", "%", "...", "Delete WAV file after processing", "Enable to set the length to extract",
        QString::fromUtf8("Format\uFF1A"), "Normalize", "Output directory(WAV/MP3)",
        "Output format", "Second", "The song length:"}},
      {f.tsLame,
       {"&Default", "Disable writing of the VBR Tag", "Enable Variable Bitrate(VBR)",
        "Maximum bitrate:", "Minimum bitrate:", "Mode:", "Speed/Quality:", "VBR Quality:"}},
      {f.tsOgg,
       {"-> Highest quality", "Maximum bitrate:", "Minimum bitrate:", "Nominal bitrate:",
        "Use Bitrate manager", "Use Quality setting"}},
      {f.tsWma, {"&Default", "Audio Bitrate:"}},
      {f.tsID3, {"Album:", "Artist:", "Comment:", "Genre:", "Use ID3 tag", "Year:"}},
      {f.tsCDROM, {QString::fromUtf8("Device\uFF1A")}}};
  for (const auto& [page, captions] : pages) EXPECT_EQ(Captions(page), captions);
  EXPECT_EQ(f.cbMinBitRate->itemText(0), " 32 kbit/s");
  EXPECT_TRUE(f.cbMinBitRate->isEditable());
  EXPECT_EQ(f.cbOggNominal->itemText(0), " Default");
  EXPECT_EQ(f.cbGenre->currentText(), "Acid");
  EXPECT_EQ(f.cbMinBitRate->currentText(), "128 kbit/s");
  EXPECT_EQ(f.cbMinBitRate->currentIndex(), 8);
  EXPECT_EQ(f.edYear->maxLength(), 4);
  EXPECT_TRUE(f.sePercent->findChild<QLineEdit*>()->isReadOnly());
}

TEST_F(OptionSetFormTest, EnablingRulesFollowTheBoxesAndTheFormat) {
  TOptionSetForm& f = *form;
  const QList<QWidget*> controls = {f.sePercent, f.edRipTime, f.cbVBRHead, f.cbMaxBitRate,
                                    f.cbVBRQuality};
  for (QWidget* w : controls) EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
  for (QCheckBox* box : {f.cbNormalize, f.cbEnableRipTime, f.cbVBR}) box->setChecked(true);
  for (QWidget* w : controls) EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
  EXPECT_TRUE(f.cbDeleteWav->isEnabled());
  f.cbFormat->setCurrentText("WAV file(*.WAV)");
  EXPECT_FALSE(f.cbDeleteWav->isEnabled());
  f.cbFormat->setCurrentIndex(2);
  EXPECT_TRUE(f.cbDeleteWav->isEnabled());
}

TEST_F(OptionSetFormTest, DevicePageIsFilledEachTimeItIsShown) {
  TOptionSetForm& f = *form;
  f.PageControl1->setCurrentWidget(f.tsCDROM);
  EXPECT_EQ(f.cbDevice->count(), 0);  // no drive yet
  AddImage("alpha", AudioDisc({2}));
  AddImage("beta", AudioDisc({2}));
  f.cbDevice->addItem("stale");
  f.PageControl1->setCurrentWidget(f.tsID3);
  EXPECT_EQ(f.cbDevice->count(), 1);
  f.PageControl1->setCurrentWidget(f.tsCDROM);
  ASSERT_EQ(f.cbDevice->count(), 2);
  EXPECT_EQ(f.cbDevice->itemText(1), "Virtual beta");
  EXPECT_EQ(f.cbDevice->currentIndex(), 0);  // the stored position
}

TEST_F(OptionSetFormTest, BrowseAndDefaultButtons) {
  TOptionSetForm& f = *form;
  Dialog.FolderAnswers.push_back(dir_.path() + "/chosen");
  f.btBrowse->click();
  ASSERT_EQ(Dialog.FolderRequests.size(), 1u);
  EXPECT_EQ(Dialog.FolderRequests[0].Caption,
            "Please select the directory to save mp3 and wav file");
  EXPECT_EQ(Dialog.FolderRequests[0].Start, ProgramFolder());
  EXPECT_EQ(f.edOutputFolder->text(), dir_.path() + "/chosen");

  f.cbVBR->setChecked(true);
  f.cbMaxBitRate->setEditText("999");
  f.cbStereoMode->setCurrentIndex(4);
  f.cbWmaBitRate->setCurrentIndex(30);
  f.btLameDefault->click();
  EXPECT_FALSE(f.cbVBR->isChecked());
  EXPECT_EQ(f.cbMaxBitRate->currentIndex(), 13);
  EXPECT_EQ(f.cbVBRQuality->currentText(), "4");
  EXPECT_EQ(f.cbStereoMode->currentText(), "Joint Stereo");
  EXPECT_EQ(f.cbWmaBitRate->currentIndex(), 30);  // another page
  f.btWmaDefault->click();
  EXPECT_EQ(f.cbWmaBitRate->currentIndex(), 8);
}

TEST_F(OptionSetFormTest, TypedBitRateAndChosenGenreAreStored) {
  TOptionSetForm& f = *form;
  f.cbMinBitRate->lineEdit()->clear();
  QTest::keyClicks(f.cbMinBitRate->lineEdit(), "64 kbit/s");
  f.cbMaxBitRate->setCurrentIndex(0);
  f.cbGenre->setCurrentIndex(0);
  f.btOK->click();
  EXPECT_EQ(f.result(), QDialog::Accepted);
  EXPECT_EQ(OptionsSetting.Mp3Options.BitRate, 64);
  EXPECT_EQ(OptionsSetting.Mp3Options.MaxBitRate, 32);
  EXPECT_EQ(OptionsSetting.CDInfo.Genre, -1);
}

TEST_F(OptionSetFormTest, ArtistLongerThanATagIsKeptWhole) {
  OptionsSetting.CDInfo.Artist = QString(40, 'a');
  form = std::make_unique<TOptionSetForm>();
  EXPECT_EQ(form->edArtist->text(), QString(40, 'a'));
  form->btOK->click();
  EXPECT_EQ(OptionsSetting.CDInfo.Artist, QString(40, 'a'));
}

TEST_F(OptionSetFormTest, FailedChecksFocusTheFieldOnTheOutputPageOnly) {
  TOptionSetForm& f = *form;
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  f.edOutputFolder->setText(dir_.path() + "/missing");
  f.btCancel->setFocus();
  f.btOK->click();
  EXPECT_TRUE(f.edOutputFolder->hasFocus());
  f.edOutputFolder->setText(dir_.path());
  f.cbEnableRipTime->setChecked(true);
  f.edRipTime->setText("abc");
  f.btOK->click();
  EXPECT_TRUE(f.edRipTime->hasFocus());
  f.PageControl1->setCurrentWidget(f.tsLame);
  f.cbVBR->setFocus();
  f.btOK->click();
  EXPECT_TRUE(f.cbVBR->hasFocus());
  EXPECT_EQ(Dialog.Messages.size(), 3u);
  EXPECT_TRUE(f.isVisible());
}

TEST_F(OptionSetFormTest, BadBitRateGoesToTheErrorHandlerAndKeepsTheDialogOpen) {
  TOptionSetForm& f = *form;
  std::vector<std::string> errors;
  f.SetErrorHandler([&errors](const std::exception& e) { errors.push_back(e.what()); });
  f.cbMaxBitRate->setEditText("fast");
  f.btOK->click();
  EXPECT_EQ(errors, std::vector<std::string>({"'fas' is not a valid integer value"}));
  EXPECT_NE(f.result(), QDialog::Accepted);
}

TEST_F(OptionSetFormTest, ScreenshotOfEveryPage) {
  AddImage("alpha", AudioDisc({2}));
  AddImage("beta", AudioDisc({2}));
  TOptionSetForm& f = *form;
  f.edArtist->setText("The Demo Band");
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  const char* names[] = {"output", "lame", "ogg", "wma", "id3", "cdrom"};
  for (int i = 0; i < 6; ++i) {
    f.PageControl1->setCurrentIndex(i);
    QCoreApplication::processEvents();
    const QString file = QString(TW_BUILD_DIR) + "/options-" + names[i] + ".png";
    EXPECT_TRUE(f.grab().save(file, "PNG")) << file.toStdString();
  }
}
