#include "options/OptionSetForm.h"

#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "platform/ProgramFolder.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char kBrowseCaption[] = "Please select the directory to save mp3 and wav file";
constexpr int kArtistLength = 30;
constexpr int kAlbumLength = 30;
constexpr int kYearLength = 4;
constexpr int kCommentLength = 30;

// An editable list shows a text that matches an item as that item, any
// other text as typed.
void SetComboText(QComboBox* combo, const QString& text) {
  const int index = combo->findText(text, Qt::MatchExactly);
  combo->setCurrentIndex(index);
  if (index < 0) combo->setEditText(text);
}

// A position outside the list selects nothing.
void SetComboIndex(QComboBox* combo, int index) {
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

// The limit holds what the user types; a longer text that came from the disc
// record is shown whole, so OK never cuts it.
void SetLimitedText(QLineEdit* edit, const QString& text, int limit) {
  edit->setMaxLength(qMax(limit, static_cast<int>(text.size())));
  edit->setText(text);
}

}  // namespace

TOptionSetForm::TOptionSetForm(QWidget* parent, TOptionsDriveHost* host)
    : QDialog(parent), logic_(OptionsSetting), host_(host) {
  ExpectMainThread(Q_FUNC_INFO);
  setWindowTitle("Options");
  setObjectName("OptionSetForm");

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  tsOutput = BuildOutputPage();
  tsLame = BuildLamePage();
  tsOgg = BuildOggPage();
  tsWma = BuildWmaPage();
  tsID3 = BuildID3Page();
  tsCDROM = BuildCDROMPage();
  PageControl1->addTab(tsOutput, "Output");
  PageControl1->addTab(tsLame, "LAME");
  PageControl1->addTab(tsOgg, "OGG");
  PageControl1->addTab(tsWma, "WMA");
  PageControl1->addTab(tsID3, "ID3 Tag");
  PageControl1->addTab(tsCDROM, "CD-ROM");

  btOK = new QPushButton("OK", this);
  btCancel = new QPushButton("Cancel", this);
  btOK->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btOK);
  buttons->addWidget(btCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl1);
  layout->addLayout(buttons);

  ApplySkin(this, OptionsSetting.SkinIndex);

  const TOptionsView view = logic_.Load();
  OutputToControls(view);
  LameToControls(view);
  OggToControls(view);
  WmaToControls(view);
  ID3ToControls(view);
  UpdateEnabling();
  PageControl1->setCurrentWidget(tsOutput);

  connect(PageControl1, &QTabWidget::currentChanged, this, &TOptionSetForm::PageControl1Change);
  for (QCheckBox* box : {cbNormalize, cbEnableRipTime, cbVBR})
    connect(box, &QCheckBox::toggled, this, &TOptionSetForm::UpdateEnabling);
  connect(cbFormat, &QComboBox::currentIndexChanged, this, &TOptionSetForm::UpdateEnabling);
  connect(btBrowse, &QPushButton::clicked, this, &TOptionSetForm::btBrowseClick);
  connect(btLameDefault, &QPushButton::clicked, this, &TOptionSetForm::btLameDefaultClick);
  connect(btWmaDefault, &QPushButton::clicked, this, &TOptionSetForm::btWmaDefaultClick);
  connect(btOK, &QPushButton::clicked, this, &TOptionSetForm::OKClicked);
  connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TOptionSetForm::SetErrorHandler(std::function<void(const std::exception&)> handler) {
  errorHandler_ = std::move(handler);
}

TOptionsView TOptionSetForm::ControlsToView() const {
  TOptionsView v;
  v.OutputFolder = edOutputFolder->text();
  v.DeleteWav = cbDeleteWav->isChecked();
  v.OutputFormat = cbFormat->currentIndex();
  v.Normalize = cbNormalize->isChecked();
  v.NormalizePercent = sePercent->value();
  v.EnableRipTime = cbEnableRipTime->isChecked();
  v.RipTimeText = edRipTime->text();

  v.EnableVBR = cbVBR->isChecked();
  v.DisableVBRTag = cbVBRHead->isChecked();
  v.MinBitRateText = cbMinBitRate->currentText();
  v.MaxBitRateText = cbMaxBitRate->currentText();
  v.VBRQuality = cbVBRQuality->currentIndex();
  v.MpegQuality = cbMpegQuality->currentIndex();
  v.StereoMode = cbStereoMode->currentIndex();

  v.UseQuality = cbUseQuality->isChecked();
  v.CompressPosition = tbQuality->value();
  v.OggNominalBitRate = cbOggNominal->currentIndex();
  v.OggMaxBitRate = cbOggMax->currentIndex();
  v.OggMinBitRate = cbOggMin->currentIndex();

  v.WmaProfile = cbWmaBitRate->currentIndex();

  v.UseID3 = cbUseID3->isChecked();
  v.Artist = edArtist->text();
  v.Album = edAlbum->text();
  v.Year = edYear->text();
  v.Comment = edComment->text();
  v.Genre = cbGenre->currentIndex();

  for (int i = 0; i < cbDevice->count(); ++i) v.Devices << cbDevice->itemText(i);
  v.Device = cbDevice->currentIndex();
  return v;
}

void TOptionSetForm::OutputToControls(const TOptionsView& v) {
  edOutputFolder->setText(v.OutputFolder);
  cbDeleteWav->setChecked(v.DeleteWav);
  SetComboIndex(cbFormat, v.OutputFormat);
  cbNormalize->setChecked(v.Normalize);
  sePercent->setValue(v.NormalizePercent);
  cbEnableRipTime->setChecked(v.EnableRipTime);
  edRipTime->setText(v.RipTimeText);
}

void TOptionSetForm::LameToControls(const TOptionsView& v) {
  cbVBR->setChecked(v.EnableVBR);
  cbVBRHead->setChecked(v.DisableVBRTag);
  SetComboText(cbMinBitRate, v.MinBitRateText);
  SetComboText(cbMaxBitRate, v.MaxBitRateText);
  SetComboIndex(cbVBRQuality, v.VBRQuality);
  SetComboIndex(cbMpegQuality, v.MpegQuality);
  SetComboIndex(cbStereoMode, v.StereoMode);
}

void TOptionSetForm::OggToControls(const TOptionsView& v) {
  cbUseQuality->setChecked(v.UseQuality);
  tbQuality->setValue(v.CompressPosition);
  SetComboIndex(cbOggNominal, v.OggNominalBitRate);
  SetComboIndex(cbOggMax, v.OggMaxBitRate);
  SetComboIndex(cbOggMin, v.OggMinBitRate);
}

void TOptionSetForm::WmaToControls(const TOptionsView& v) {
  SetComboIndex(cbWmaBitRate, v.WmaProfile);
}

void TOptionSetForm::ID3ToControls(const TOptionsView& v) {
  cbUseID3->setChecked(v.UseID3);
  SetLimitedText(edArtist, v.Artist, kArtistLength);
  SetLimitedText(edAlbum, v.Album, kAlbumLength);
  SetLimitedText(edYear, v.Year, kYearLength);
  SetLimitedText(edComment, v.Comment, kCommentLength);
  SetComboIndex(cbGenre, v.Genre);
}

void TOptionSetForm::DevicesToControls(const TOptionsView& v) {
  cbDevice->clear();
  cbDevice->addItems(v.Devices);
  SetComboIndex(cbDevice, v.Device);
}

void TOptionSetForm::UpdateEnabling() {
  const TOptionsEnabling e = EnablingOf(ControlsToView());
  sePercent->setEnabled(e.NormalizePercent);
  edRipTime->setEnabled(e.RipTime);
  cbVBRHead->setEnabled(e.VBRControls);
  cbMaxBitRate->setEnabled(e.VBRControls);
  cbVBRQuality->setEnabled(e.VBRControls);
  cbDeleteWav->setEnabled(e.DeleteWav);
}

void TOptionSetForm::PageControl1Change(int index) {
  if (PageControl1->widget(index) != tsCDROM) return;
  TOptionsView view;
  logic_.FillDevices(view);
  DevicesToControls(view);
}

void TOptionSetForm::btBrowseClick() {
  const QString folder = Dialogs().BrowseFolder(this, kBrowseCaption, ProgramFolder());
  if (!folder.isEmpty()) edOutputFolder->setText(folder);
}

void TOptionSetForm::btLameDefaultClick() {
  TOptionsView view = ControlsToView();
  TOptionSetLogic::LameDefaults(view);
  LameToControls(view);
  UpdateEnabling();
}

void TOptionSetForm::btWmaDefaultClick() {
  TOptionsView view = ControlsToView();
  TOptionSetLogic::WmaDefault(view);
  WmaToControls(view);
}

void TOptionSetForm::btOKClick() {
  const TOptionsCheck check = logic_.Accept(this, ControlsToView(), host_);
  if (check == TOptionsCheck::Passed) {
    accept();
    return;
  }
  if (PageControl1->currentWidget() != tsOutput) return;
  (check == TOptionsCheck::MissingFolder ? edOutputFolder : edRipTime)->setFocus();
}

void TOptionSetForm::OKClicked() {
  try {
    btOKClick();
  } catch (const std::exception& error) {
    // The dialog stays open on what it could not store.
    if (errorHandler_)
      errorHandler_(error);
    else
      ShowMessage(this, QString::fromUtf8(error.what()), TMsgIcon::Error);
  }
}
