#include "recorder/RecordForm.h"

#include "platform/MainThread.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
Q_LOGGING_CATEGORY(lcRecordForm, "trackwell.recorder.form")

const unsigned kButtonFlags[7] = {rbPlay, rbStop, rbNext, rbPrev, rbStep, rbBack, rbRecord};
const char* const kButtonNames[7] = {"Play", "Stop", "Next", "Prev", "Step", "Back", "Record"};

// The desktop's recording levels: pavucontrol's Recording tab, else alsamixer's
// capture view in a terminal. Failures are only logged.
void StartRecordingControl() {
  bool started = false;
  if (!QStandardPaths::findExecutable("pavucontrol").isEmpty())
    started = QProcess::startDetached("pavucontrol", {"--tab=2"});
  else
    started = QProcess::startDetached("x-terminal-emulator", {"-e", "alsamixer", "-V", "capture"});
  if (!started) qCWarning(lcRecordForm) << "no recording control could be started";
}
}  // namespace

TfrmNewRecordFile::TfrmNewRecordFile(QWidget* parent) : QDialog(parent) {
  ExpectMainThread(Q_FUNC_INFO);
  setWindowTitle("New sound file");
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox("Record Property", this);
  auto* form = new QFormLayout(group);
  cbBitrate = new QComboBox(group);
  cbBitrate->addItems(
      {"  8000", "11025", "12000", "16000", "22050", "24000", "32000", "44100", "48000"});
  cbBitrate->setCurrentText("44100");
  cbData = new QComboBox(group);
  cbData->addItems({"8bit", "16bit"});
  cbData->setCurrentIndex(1);
  cbMode = new QComboBox(group);
  cbMode->addItems({"Mono", "Stereo"});
  cbMode->setCurrentIndex(1);
  form->addRow(QString::fromUtf8("Bitrate\xEF\xBC\x9A"), cbBitrate);
  form->addRow(QString::fromUtf8("Data\xEF\xBC\x9A"), cbData);
  form->addRow(QString::fromUtf8("Mode\xEF\xBC\x9A"), cbMode);
  layout->addWidget(group);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText("OK");
  buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  ApplySkin(this, OptionsSetting.SkinIndex);
}

TRecordFormat TfrmNewRecordFile::Format() const {
  TRecordFormat f;
  f.SampleRate = cbBitrate->currentText().trimmed().toInt();
  f.BitsPerSample = cbData->currentIndex() == 0 ? 8 : 16;
  f.Channels = cbMode->currentIndex() == 0 ? 1 : 2;
  return f;
}

TfrmRecord::TfrmRecord(QWidget* parent) : QDialog(parent) {
  ExpectMainThread(Q_FUNC_INFO);
  setObjectName("frmRecord");
  recorder_.SaveMp3 = OptionsSetting.RecordOptions.SaveMp3;
  recorder_.AskFormat = [this]() -> std::optional<TRecordFormat> {
    TfrmNewRecordFile dialog(this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Format();
  };

  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox("Record", this);
  auto* inner = new QVBoxLayout(group);
  lbState = new QLabel(group);
  inner->addWidget(lbState);
  auto* bar = new QHBoxLayout;
  for (int i = 0; i < 7; ++i) {
    MediaButtons[i] = new QToolButton(group);
    MediaButtons[i]->setText(kButtonNames[i]);
    bar->addWidget(MediaButtons[i]);
  }
  inner->addLayout(bar);
  TrackBar1 = new QSlider(Qt::Horizontal, group);
  TrackBar1->setRange(0, TRecorder::kSliderMax);
  inner->addWidget(TrackBar1);
  auto* times = new QFormLayout;
  lbPosition = new QLabel(group);
  lbLength = new QLabel(group);
  times->addRow("Position", lbPosition);
  times->addRow("Length", lbLength);
  inner->addLayout(times);
  panRecordTime = new QLabel(group);
  panRecordTime->setFrameShape(QFrame::Panel);
  panRecordTime->setToolTip("The time length of current recording");
  inner->addWidget(panRecordTime);
  layout->addWidget(group);

  btStart = new QPushButton("Start", this);
  StartMenu = new QMenu(btStart);
  miNew = StartMenu->addAction("&New...");
  miOpen = StartMenu->addAction("&Open...");
  miSave = StartMenu->addAction("&Save");
  miSaveAs = StartMenu->addAction("Save &As...");
  miUndo = StartMenu->addAction("&Undo");
  StartMenu->addSeparator();
  miRecordingControl = StartMenu->addAction("&Recording Control...");
  StartMenu->addSeparator();
  miMp3Format = StartMenu->addAction("&MP3 format");
  miMp3Format->setCheckable(true);
  miMp3Format->setChecked(recorder_.SaveMp3);
  StartMenu->addSeparator();
  miExit = StartMenu->addAction("&Exit");
  btStart->setMenu(StartMenu);
  layout->addWidget(btStart, 0, Qt::AlignLeft);

  RecordTimer = new QTimer(this);
  RecordTimer->setInterval(TRecorder::kRecordIntervalMs);
  PlayTimer = new QTimer(this);
  PlayTimer->setInterval(TRecorder::kPlayIntervalMs);

  TRecorder* r = &recorder_;
  connect(StartMenu, &QMenu::aboutToShow, this, [this] { UpdateMenu(); });
  connect(miNew, &QAction::triggered, r, &TRecorder::New);
  connect(miOpen, &QAction::triggered, r, &TRecorder::Open);
  connect(miSave, &QAction::triggered, r, &TRecorder::Save);
  connect(miSaveAs, &QAction::triggered, r, &TRecorder::SaveAs);
  connect(miUndo, &QAction::triggered, r, &TRecorder::Undo);
  connect(miRecordingControl, &QAction::triggered, this, [] { StartRecordingControl(); });
  connect(miMp3Format, &QAction::toggled, this, [r](bool on) { r->SaveMp3 = on; });
  connect(miExit, &QAction::triggered, this, &QWidget::close);
  void (TRecorder::*clicks[7])() = {&TRecorder::PlayClick,
                                    &TRecorder::StopClick,
                                    &TRecorder::NextClick,
                                    &TRecorder::PrevClick,
                                    nullptr,
                                    nullptr,
                                    &TRecorder::RecordClick};
  for (int i = 0; i < 7; ++i)
    if (clicks[i]) connect(MediaButtons[i], &QToolButton::clicked, r, clicks[i]);
  connect(TrackBar1, &QSlider::valueChanged, r, &TRecorder::SliderMoved);
  connect(RecordTimer, &QTimer::timeout, r, &TRecorder::RecordTimerTick);
  connect(PlayTimer, &QTimer::timeout, r, &TRecorder::PlayTimerTick);
  connect(r, &TRecorder::Changed, this, [this] { Refresh(); });
  connect(r, &TRecorder::CloseRequested, this, &QWidget::close, Qt::QueuedConnection);
  Refresh();
  ApplySkin(this, OptionsSetting.SkinIndex);
}

void TfrmRecord::UpdateMenu() {
  miSave->setEnabled(recorder_.SaveEnabled());
  miSaveAs->setEnabled(recorder_.SaveEnabled());
  miUndo->setEnabled(recorder_.UndoEnabled());
}

void TfrmRecord::Refresh() {
  const TRecorderView& v = recorder_.View();
  setWindowTitle(v.Title);
  lbState->setText(v.State);
  lbPosition->setText(v.Position);
  lbLength->setText(v.Length);
  panRecordTime->setText(v.RecordTime);
  if (TrackBar1->value() != v.Slider) {
    const QSignalBlocker quiet(TrackBar1);  // not a move by the user
    TrackBar1->setValue(v.Slider);
  }
  for (int i = 0; i < 7; ++i) MediaButtons[i]->setEnabled((v.Buttons & kButtonFlags[i]) != 0);
  if (v.RecordTimerOn != RecordTimer->isActive())
    v.RecordTimerOn ? RecordTimer->start() : RecordTimer->stop();
  if (v.PlayTimerOn != PlayTimer->isActive())
    v.PlayTimerOn ? PlayTimer->start() : PlayTimer->stop();
  UpdateMenu();
}

bool TfrmRecord::CloseWindow() {
  OptionsSetting.RecordOptions.SaveMp3 = miMp3Format->isChecked();
  PlayTimer->stop();
  return recorder_.CloseQuery();
}

void TfrmRecord::closeEvent(QCloseEvent* event) {
  // Not the dialog's own close path: that would ask again through reject.
  if (CloseWindow())
    event->accept();
  else
    event->ignore();
}

void TfrmRecord::reject() {
  if (CloseWindow()) QDialog::reject();
}

void ShowRecorder(QWidget* owner, std::function<bool()> cdDriveOpen,
                  std::function<void(const QString&)> runMp3Job) {
  ExpectMainThread(Q_FUNC_INFO);
  TfrmRecord form(owner);
  form.Recorder().CdDriveOpen = std::move(cdDriveOpen);
  form.Recorder().RunMp3Job = std::move(runMp3Job);
  form.exec();
}
