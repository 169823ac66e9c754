#pragma once

// The "WAV to WAV" window: shows TResampleJob's state and forwards the
// user's choices to it. Opened modally from the main window.

#include "tools/ResampleJob.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

class TfrmResample : public QDialog {
 public:
  explicit TfrmResample(QWidget* parent = nullptr);
  ~TfrmResample() override;

  TResampleJob& Job() { return job_; }
  // The output group as the user left it.
  TResampleTargets Targets() const;

  QLabel* lInputFileName = nullptr;
  QLabel* lInputChannels = nullptr;
  QLabel* lInputSampleRate = nullptr;
  QLabel* lInputBitsPerSample = nullptr;
  QLabel* lInputEncoding = nullptr;
  QLabel* lOutputFileName = nullptr;
  QComboBox* cbSampleRate = nullptr;
  QSpinBox* seChannels = nullptr;
  QSpinBox* seBitsPerSample = nullptr;
  QComboBox* cbEncoding = nullptr;
  QPushButton* btInputFile = nullptr;
  QPushButton* btOutputFile = nullptr;
  QPushButton* btConvert = nullptr;
  QPushButton* btClose = nullptr;
  QProgressBar* ProgressBar1 = nullptr;

  void btInputFileClick();
  void btOutputFileClick();
  void btConvertClick();

 protected:
  void done(int result) override;

 private:
  void Refresh();

  TResampleJob job_;
};

// Shows the tool modally over the owner until it is closed.
void ShowResample(QWidget* owner);
