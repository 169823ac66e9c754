#include "tools/OggPlayerForm.h"

#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kDisplayWidth = 4 * TSoundIndicator::kBands;
constexpr int kDisplayHeight = 80;
}  // namespace

TfrmOggPlayer::TfrmOggPlayer(QWidget* parent) : QDialog(parent) {
  ExpectMainThread(Q_FUNC_INFO);
  setWindowTitle("Ogg Player");
  setObjectName("frmOggPlayer");

  auto* layout = new QVBoxLayout(this);
  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setToolTip("Press 'Play' button to open and play ogg file.");
  auto* panelLayout = new QHBoxLayout(panel);
  lFileName = new QLabel("OGG", panel);
  lSampleRate = new QLabel("bps", panel);
  lCurrentTime = new QLabel("0:00", panel);
  lTotalTime = new QLabel("0:00", panel);
  panelLayout->addWidget(lFileName, 1);
  panelLayout->addWidget(lSampleRate);
  panelLayout->addWidget(lCurrentTime);
  panelLayout->addWidget(new QLabel("/", panel));
  panelLayout->addWidget(lTotalTime);
  layout->addWidget(panel);

  ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
  ScrollBar1->setRange(0, 100);
  ScrollBar1->setEnabled(false);
  // A seek happens where the user lets go, not at every pixel of a drag.
  ScrollBar1->setTracking(false);
  layout->addWidget(ScrollBar1);

  auto* buttons = new QHBoxLayout;
  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), {}, this);
  BitBtn1->setToolTip("Press to open and play ogg file.");
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_MediaPause), {}, this);
  BitBtn3 = new QPushButton(style()->standardIcon(QStyle::SP_MediaStop), {}, this);
  TrackBar1 = new QSlider(Qt::Horizontal, this);
  TrackBar1->setRange(0, 10);
  TrackBar1->setValue(5);
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  buttons->addWidget(BitBtn3);
  buttons->addWidget(TrackBar1, 1);
  layout->addLayout(buttons);

  Image1 = new QLabel(this);
  Image1->setFixedSize(kDisplayWidth, kDisplayHeight);
  levels_ = QImage(kDisplayWidth, kDisplayHeight, QImage::Format_RGB32);
  levels_.fill(palette().color(QPalette::Window));
  Image1->setPixmap(QPixmap::fromImage(levels_));
  layout->addWidget(Image1, 0, Qt::AlignHCenter);

  Timer1 = new QTimer(this);
  Timer1->setInterval(TOggPlayer::kLevelIntervalMs);
  Timer2 = new QTimer(this);
  Timer2->setInterval(TOggPlayer::kClockIntervalMs);

  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { player_.PauseResume(); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { player_.Stop(); });
  connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int p) { player_.SeekMoved(p); });
  connect(TrackBar1, &QSlider::valueChanged, this, [this](int k) { player_.BalanceMoved(k); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(Timer2, &QTimer::timeout, this, [this] { player_.ClockTick(); });
  connect(&player_, &TOggPlayer::Changed, this, [this] { Refresh(); });
  ApplySkin(this, OptionsSetting.SkinIndex);
}

TfrmOggPlayer::~TfrmOggPlayer() { player_.CloseWait(); }

void TfrmOggPlayer::BitBtn1Click() {
  TFileDialogRequest request;
  request.Filter = "Sound file(*.ogg)|*.ogg| Any file(*.*)|*.*";
  const QStringList chosen = Dialogs().OpenFiles(this, request);
  if (chosen.isEmpty()) return;
  if (player_.OpenAndPlay(chosen.front()) == TOggOpenResult::NotValid)
    ShowMessage(this, "Ogg file is not valid.", TMsgIcon::Information);
}

void TfrmOggPlayer::Timer1Timer() {
  player_.DrawLevels(levels_);
  Image1->setPixmap(QPixmap::fromImage(levels_));
}

void TfrmOggPlayer::Refresh() {
  const TOggPlayerView& v = player_.View();
  lFileName->setText(v.FileName);
  lSampleRate->setText(v.SampleRate);
  lCurrentTime->setText(v.CurrentTime);
  lTotalTime->setText(v.TotalTime);
  BitBtn1->setEnabled(v.OpenEnabled);
  ScrollBar1->setEnabled(v.SeekEnabled);
  if (ScrollBar1->value() != v.SeekPosition && !ScrollBar1->isSliderDown()) {
    const QSignalBlocker quiet(ScrollBar1);  // progress is not a user's seek
    ScrollBar1->setValue(v.SeekPosition);
  }
  if (v.LevelTimerOn != Timer1->isActive()) v.LevelTimerOn ? Timer1->start() : Timer1->stop();
  if (v.ClockTimerOn != Timer2->isActive()) v.ClockTimerOn ? Timer2->start() : Timer2->stop();
}

void TfrmOggPlayer::closeEvent(QCloseEvent* event) {
  player_.CloseWait();
  QDialog::closeEvent(event);
}

void TfrmOggPlayer::reject() {
  player_.CloseWait();
  QDialog::reject();
}

void ShowOggPlayer(QWidget* owner) {
  ExpectMainThread(Q_FUNC_INFO);
  TfrmOggPlayer form(owner);
  form.exec();
}
