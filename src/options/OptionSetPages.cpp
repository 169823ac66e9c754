// The six pages of TOptionSetForm, built in tab order.
#include "options/OptionSetForm.h"

#include "options/OptionsLists.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QComboBox* MakeList(QWidget* parent, const QStringList& items, bool editable = false) {
  auto* combo = new QComboBox(parent);
  combo->addItems(items);
  combo->setEditable(editable);
  // A typed value is the field's text, not a new item.
  if (editable) combo->setInsertPolicy(QComboBox::NoInsert);
  return combo;
}

// Label and control in one grid row.
void AddRow(QGridLayout* grid, int row, const QString& label, QWidget* control) {
  grid->addWidget(new QLabel(label, control->parentWidget()), row, 0);
  grid->addWidget(control, row, 1);
}

QHBoxLayout* RightButton(QPushButton* button) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(button);
  return row;
}

}  // namespace

QWidget* TOptionSetForm::BuildOutputPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  auto* folderGroup = new QGroupBox("Output directory(WAV/MP3)", page);
  edOutputFolder = new QLineEdit(folderGroup);
  btBrowse = new QPushButton("...", folderGroup);
  btBrowse->setFixedWidth(32);
  cbDeleteWav = new QCheckBox("Delete WAV file after processing", folderGroup);
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(edOutputFolder, 1);
  folderRow->addWidget(btBrowse);
  auto* folderLayout = new QVBoxLayout(folderGroup);
  folderLayout->addLayout(folderRow);
  folderLayout->addWidget(cbDeleteWav);
  layout->addWidget(folderGroup);

  auto* formatGroup = new QGroupBox("Output format", page);
  cbFormat = MakeList(formatGroup, OutputFormatItems());
  cbNormalize = new QCheckBox("Normalize", formatGroup);
  sePercent = new QSpinBox(formatGroup);
  sePercent->setRange(0, 100);
  // Arrows only: the number cannot be typed.
  if (auto* text = sePercent->findChild<QLineEdit*>()) text->setReadOnly(true);
  auto* formatLayout = new QHBoxLayout(formatGroup);
  formatLayout->addWidget(new QLabel(QString::fromUtf8("Format\uFF1A"), formatGroup));
  formatLayout->addWidget(cbFormat, 1);
  formatLayout->addSpacing(12);
  formatLayout->addWidget(cbNormalize);
  formatLayout->addWidget(sePercent);
  formatLayout->addWidget(new QLabel("%", formatGroup));
  layout->addWidget(formatGroup);

  auto* lengthGroup = new QGroupBox(page);
  cbEnableRipTime = new QCheckBox("Enable to set the length to extract", lengthGroup);
  edRipTime = new QLineEdit(lengthGroup);
  edRipTime->setFixedWidth(64);
  auto* lengthLayout = new QGridLayout(lengthGroup);
  lengthLayout->addWidget(new QLabel("The song length:", lengthGroup), 0, 0, 1, 3);
  lengthLayout->addWidget(cbEnableRipTime, 1, 0);
  lengthLayout->addWidget(edRipTime, 1, 1);
  lengthLayout->addWidget(new QLabel("Second", lengthGroup), 1, 2);
  lengthLayout->setColumnStretch(3, 1);
  layout->addWidget(lengthGroup);
  layout->addStretch(1);
  return page;
}

QWidget* TOptionSetForm::BuildLamePage() {
  auto* page = new QWidget;
  cbVBR = new QCheckBox("Enable Variable Bitrate(VBR)", page);
  cbVBRHead = new QCheckBox("Disable writing of the VBR Tag", page);
  cbMinBitRate = MakeList(page, Mp3BitRateItems(), true);
  cbMaxBitRate = MakeList(page, Mp3BitRateItems(), true);
  cbVBRQuality = MakeList(page, VbrQualityItems());
  cbMpegQuality = MakeList(page, MpegQualityItems());
  cbStereoMode = MakeList(page, StereoModeItems());
  btLameDefault = new QPushButton("&Default", page);

  auto* grid = new QGridLayout;
  AddRow(grid, 0, "Minimum bitrate:", cbMinBitRate);
  AddRow(grid, 1, "Maximum bitrate:", cbMaxBitRate);
  AddRow(grid, 2, "VBR Quality:", cbVBRQuality);
  AddRow(grid, 3, "Speed/Quality:", cbMpegQuality);
  AddRow(grid, 4, "Mode:", cbStereoMode);
  grid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(cbVBR);
  layout->addWidget(cbVBRHead);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addLayout(RightButton(btLameDefault));
  return page;
}

QWidget* TOptionSetForm::BuildOggPage() {
  auto* page = new QWidget;
  cbUseQuality = new QCheckBox("Use Quality setting", page);
  tbQuality = new QSlider(Qt::Horizontal, page);
  tbQuality->setRange(30, 100);
  tbQuality->setSingleStep(1);
  tbQuality->setPageStep(2);
  auto* sliderRow = new QHBoxLayout;
  sliderRow->addWidget(tbQuality, 1);
  sliderRow->addWidget(new QLabel("-> Highest quality", page));

  auto* managerGroup = new QGroupBox("Use Bitrate manager", page);
  cbOggNominal = MakeList(managerGroup, OggBitRateItems());
  cbOggMax = MakeList(managerGroup, OggBitRateItems());
  cbOggMin = MakeList(managerGroup, OggBitRateItems());
  auto* grid = new QGridLayout(managerGroup);
  AddRow(grid, 0, "Nominal bitrate:", cbOggNominal);
  AddRow(grid, 1, "Maximum bitrate:", cbOggMax);
  AddRow(grid, 2, "Minimum bitrate:", cbOggMin);
  grid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(cbUseQuality);
  layout->addLayout(sliderRow);
  layout->addWidget(managerGroup);
  layout->addStretch(1);
  return page;
}

QWidget* TOptionSetForm::BuildWmaPage() {
  auto* page = new QWidget;
  cbWmaBitRate = MakeList(page, WmaProfileItems());
  btWmaDefault = new QPushButton("&Default", page);
  auto* grid = new QGridLayout;
  AddRow(grid, 0, "Audio Bitrate:", cbWmaBitRate);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addLayout(RightButton(btWmaDefault));
  return page;
}

QWidget* TOptionSetForm::BuildID3Page() {
  auto* page = new QWidget;
  cbUseID3 = new QCheckBox("Use ID3 tag", page);
  edArtist = new QLineEdit(page);
  edAlbum = new QLineEdit(page);
  edYear = new QLineEdit(page);
  edComment = new QLineEdit(page);
  cbGenre = MakeList(page, GenreItems());
  auto* grid = new QGridLayout;
  AddRow(grid, 0, "Artist:", edArtist);
  AddRow(grid, 1, "Album:", edAlbum);
  AddRow(grid, 2, "Year:", edYear);
  AddRow(grid, 3, "Comment:", edComment);
  AddRow(grid, 4, "Genre:", cbGenre);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(cbUseID3);
  layout->addLayout(grid);
  layout->addStretch(1);
  return page;
}

QWidget* TOptionSetForm::BuildCDROMPage() {
  auto* page = new QWidget;
  cbDevice = new QComboBox(page);
  auto* grid = new QGridLayout;
  AddRow(grid, 0, QString::fromUtf8("Device\uFF1A"), cbDevice);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(grid);
  layout->addStretch(1);
  return page;
}
