#pragma once

#include "jobs/JobRunner.h"

#include <QDialog>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <memory>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The modal progress window of a run of jobs. It starts the first job when
// it is created (before it is shown), shows what its TJobRunner reports and
// closes when the run ends. Main thread only.
class TRipForm final : public QDialog {
 public:
  // An encoder that cannot start its first job raises here. The runners
  // default to the process-wide ones.
  TRipForm(QWidget* owner, uint8_t jobKind, int32_t cdHandle, const QStringList& jobList,
           TMp3EncodeProcess* mp3 = nullptr, TWMAEncodeProcess* wma = nullptr);
  ~TRipForm() override;

  TJobRunner& Runner() { return *runner_; }

  QGroupBox* GroupBox1 = nullptr;
  QProgressBar* FlatGauge1 = nullptr;
  QLabel* Label1 = nullptr;  // time elapsed
  QLabel* Label2 = nullptr;  // time estimated
  QLabel* Label3 = nullptr;  // "Initializing..." over the gauge
  QPushButton* btStop = nullptr;

 protected:
  void reject() override;

 private:
  void ShowView();
  void suitempbtStopClick();

  std::unique_ptr<TJobRunner> runner_;
  // Progress arrives hundreds of times a second; the window is redrawn from
  // the runner's view at most once per tick of this timer.
  QTimer* repaint_ = nullptr;
};
