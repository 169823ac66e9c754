#include "tools/ResampleForm.h"

#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr const char* kWaveFilter = "Wave Files|*.wav";

QLabel* AddRow(QFormLayout* form, const QString& caption, QWidget* parent) {
  auto* value = new QLabel(parent);
  form->addRow(caption, value);
  return value;
}
}  // namespace

TfrmResample::TfrmResample(QWidget* parent) : QDialog(parent) {
  ExpectMainThread(Q_FUNC_INFO);
  setWindowTitle("WAV to WAV");
  setObjectName("frmResample");

  auto* layout = new QVBoxLayout(this);
  auto* input = new QGroupBox("Input File Parameters", this);
  auto* inputForm = new QFormLayout(input);
  lInputFileName = AddRow(inputForm, "File Name", input);
  lInputChannels = AddRow(inputForm, "Channels:", input);
  lInputSampleRate = AddRow(inputForm, "Sample Rate:", input);
  lInputBitsPerSample = AddRow(inputForm, "Bits Per Sample:", input);
  lInputEncoding = AddRow(inputForm, "Encoding", input);
  layout->addWidget(input);

  auto* output = new QGroupBox(" Output File Parameters ", this);
  auto* outputForm = new QFormLayout(output);
  lOutputFileName = AddRow(outputForm, "File Name", output);
  cbSampleRate = new QComboBox(output);
  cbSampleRate->setEditable(true);
  cbSampleRate->addItems(TResampleJob::SampleRateItems());
  cbSampleRate->setCurrentIndex(int(TResampleJob::SampleRateItems().indexOf("44100")));
  outputForm->addRow("Sample Rate:", cbSampleRate);
  seChannels = new QSpinBox(output);
  seChannels->setRange(1, 2);
  seChannels->setValue(1);
  outputForm->addRow("Channels:", seChannels);
  seBitsPerSample = new QSpinBox(output);
  seBitsPerSample->setRange(8, 16);
  seBitsPerSample->setSingleStep(8);
  seBitsPerSample->setValue(16);
  outputForm->addRow("Bits Per Sample:", seBitsPerSample);
  cbEncoding = new QComboBox(output);
  cbEncoding->addItems(TResampleJob::EncodingItems());
  cbEncoding->setCurrentIndex(0);
  outputForm->addRow("Encoding", cbEncoding);
  layout->addWidget(output);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(true);
  ProgressBar1->setFormat("%p%");
  layout->addWidget(ProgressBar1);

  auto* buttons = new QHBoxLayout;
  btInputFile = new QPushButton("Input File...", this);
  btOutputFile = new QPushButton("Output File...", this);
  btConvert = new QPushButton("Convert", this);
  btClose = new QPushButton("Close", this);
  for (QPushButton* b : {btInputFile, btOutputFile, btConvert, btClose}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  layout->addLayout(buttons);

  connect(btInputFile, &QPushButton::clicked, this, [this] { btInputFileClick(); });
  connect(btOutputFile, &QPushButton::clicked, this, [this] { btOutputFileClick(); });
  connect(btConvert, &QPushButton::clicked, this, [this] { btConvertClick(); });
  connect(btClose, &QPushButton::clicked, this, [this] { accept(); });
  connect(&job_, &TResampleJob::Changed, this, [this] { Refresh(); });
  connect(&job_, &TResampleJob::Failed, this,
          [this](const QString& message) { ShowMessage(this, message, TMsgIcon::Error); });
  ApplySkin(this, OptionsSetting.SkinIndex);
}

TfrmResample::~TfrmResample() { job_.StopWait(); }

TResampleTargets TfrmResample::Targets() const {
  TResampleTargets t;
  t.Channels = seChannels->value();
  t.SampleRateText = cbSampleRate->currentText();
  t.BitsPerSample = seBitsPerSample->value();
  t.EncodingIndex = cbEncoding->currentIndex();
  return t;
}

void TfrmResample::btInputFileClick() {
  TFileDialogRequest request;
  request.Title = "Open";
  request.Filter = kWaveFilter;
  request.DefaultExt = "wav";
  const QStringList chosen = Dialogs().OpenFiles(this, request);
  if (chosen.isEmpty()) return;
  if (!job_.ChooseInput(chosen.front()))
    ShowMessage(this, QString("%1 is not a WAV file that can be converted.").arg(chosen.front()),
                TMsgIcon::Information);
}

void TfrmResample::btOutputFileClick() {
  TFileDialogRequest request;
  request.Title = "Save As";
  request.Filter = kWaveFilter;
  request.DefaultExt = "wav";
  const QString chosen = Dialogs().SaveFile(this, request);
  if (!chosen.isEmpty()) job_.ChooseOutput(chosen);
}

void TfrmResample::btConvertClick() {
  const TResampleTargets targets = Targets();
  if (job_.Convert(targets) == TResampleStart::BadSampleRate)
    ShowMessage(this, QString("'%1' is not a valid sample rate.").arg(targets.SampleRateText),
                TMsgIcon::Information);
}

void TfrmResample::Refresh() {
  const TResampleView& v = job_.View();
  lInputFileName->setText(v.InputFileName);
  lInputFileName->setToolTip(v.InputPath);
  lInputChannels->setText(v.InputChannels);
  lInputSampleRate->setText(v.InputSampleRate);
  lInputBitsPerSample->setText(v.InputBitsPerSample);
  lInputEncoding->setText(v.InputEncoding);
  lOutputFileName->setText(v.OutputFileName);
  lOutputFileName->setToolTip(v.OutputPath);
  ProgressBar1->setValue(v.Progress);
  btConvert->setEnabled(v.ConvertEnabled);
  // The files cannot change under a running conversion.
  btInputFile->setEnabled(v.ConvertEnabled);
  btOutputFile->setEnabled(v.ConvertEnabled);
}

void TfrmResample::done(int result) {
  // Close (or Escape) during a conversion ends it with its file finished.
  job_.StopWait();
  QDialog::done(result);
}

void ShowResample(QWidget* owner) {
  ExpectMainThread(Q_FUNC_INFO);
  TfrmResample form(owner);
  form.exec();
}
