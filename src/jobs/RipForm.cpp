#include "jobs/RipForm.h"

#include "encoders/Mp3EncodeProcess.h"
#include "encoders/WMAEncodeProcess.h"
#include "platform/MainThread.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kRepaintMs = 40;
}  // namespace

TRipForm::TRipForm(QWidget* owner, uint8_t jobKind, int32_t cdHandle, const QStringList& jobList,
                   TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma)
    : QDialog(owner) {
  ExpectMainThread(Q_FUNC_INFO);
  setWindowTitle(QStringLiteral("Trackwell"));
  setModal(true);

  GroupBox1 = new QGroupBox(QStringLiteral("Extracting"), this);
  Label3 = new QLabel(QStringLiteral("Initializing..."), GroupBox1);
  FlatGauge1 = new QProgressBar(GroupBox1);
  FlatGauge1->setRange(0, 100);
  FlatGauge1->setValue(0);
  FlatGauge1->setTextVisible(false);
  FlatGauge1->setMinimumWidth(320);
  Label1 = new QLabel(GroupBox1);
  Label2 = new QLabel(GroupBox1);
  auto* times = new QGridLayout;
  times->addWidget(new QLabel(QStringLiteral("Time elapsed:"), GroupBox1), 0, 0);
  times->addWidget(Label1, 0, 1);
  times->addWidget(new QLabel(QStringLiteral("Time estimated:"), GroupBox1), 1, 0);
  times->addWidget(Label2, 1, 1);
  times->setColumnStretch(1, 1);
  auto* group = new QVBoxLayout(GroupBox1);
  group->addWidget(Label3);
  group->addWidget(FlatGauge1);
  group->addLayout(times);

  btStop = new QPushButton(QStringLiteral("Stop"), this);
  connect(btStop, &QPushButton::clicked, this, [this] { suitempbtStopClick(); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btStop);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(GroupBox1);
  layout->addLayout(buttons);
  ApplySkin(this, OptionsSetting.SkinIndex);

  runner_ = std::make_unique<TJobRunner>(
      jobKind, cdHandle, jobList, this, mp3 ? mp3 : Mp3EncodeProcess, wma ? wma : WMAEncodeProcess);
  repaint_ = new QTimer(this);
  repaint_->setSingleShot(true);
  repaint_->setInterval(kRepaintMs);
  connect(repaint_, &QTimer::timeout, this, [this] { ShowView(); });
  runner_->OnViewChanged = [this] {
    if (!repaint_->isActive()) repaint_->start();
  };
  runner_->OnFinished = [this] { done(QDialog::Accepted); };
  runner_->Start();
  ShowView();

  adjustSize();
  if (owner) {
    const QRect main = owner->frameGeometry();
    move(main.left() + (main.width() - width()) / 2, main.top() + (main.height() - height()) / 2);
  }
}

TRipForm::~TRipForm() {
  // The runner ends what still runs before the widgets it reports to go.
  runner_.reset();
}

void TRipForm::ShowView() {
  const TJobView& view = runner_->View();
  if (!view.Caption.isEmpty()) setWindowTitle(view.Caption);
  GroupBox1->setTitle(view.Group);
  Label1->setText(view.Elapsed);
  Label2->setText(view.Estimated);
  Label3->setText(view.Status);
  Label3->setVisible(view.StatusVisible);
  FlatGauge1->setValue(view.Gauge);
  FlatGauge1->setTextVisible(view.GaugeNumberVisible);
}

void TRipForm::suitempbtStopClick() { runner_->StopClick(); }

void TRipForm::reject() {
  // Escape and the title bar's close button (QDialog's closeEvent rejects)
  // end the run.
  runner_->FormClose();
  QDialog::reject();
}
