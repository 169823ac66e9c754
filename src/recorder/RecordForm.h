#pragma once

// The recorder's windows: TfrmRecord shows TRecorder's state and forwards
// the menu, the button bar, the slider and the two timers to it;
// TfrmNewRecordFile asks the format of a new recording.

#include "recorder/Recorder.h"

#include <QDialog>

#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QTimer;
class QToolButton;

class TfrmNewRecordFile : public QDialog {
 public:
  explicit TfrmNewRecordFile(QWidget* parent = nullptr);
  TRecordFormat Format() const;

  QComboBox* cbBitrate = nullptr;
  QComboBox* cbData = nullptr;
  QComboBox* cbMode = nullptr;
};

class TfrmRecord : public QDialog {
 public:
  explicit TfrmRecord(QWidget* parent = nullptr);

  TRecorder& Recorder() { return recorder_; }

  QLabel* lbState = nullptr;
  QLabel* lbPosition = nullptr;
  QLabel* lbLength = nullptr;
  QLabel* panRecordTime = nullptr;
  QSlider* TrackBar1 = nullptr;
  QPushButton* btStart = nullptr;
  QMenu* StartMenu = nullptr;
  QAction* miNew = nullptr;
  QAction* miOpen = nullptr;
  QAction* miSave = nullptr;
  QAction* miSaveAs = nullptr;
  QAction* miUndo = nullptr;
  QAction* miRecordingControl = nullptr;
  QAction* miMp3Format = nullptr;
  QAction* miExit = nullptr;
  // Play, Stop, Next, Prev, Step, Back, Record.
  QToolButton* MediaButtons[7] = {};
  QTimer* RecordTimer = nullptr;
  QTimer* PlayTimer = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  // The settings kept, then the save question; false keeps the window.
  bool CloseWindow();
  void Refresh();
  void UpdateMenu();

  TRecorder recorder_;
};

// Shows the recorder modally. `cdDriveOpen` tells whether the main window
// has a CD drive open; `runMp3Job` runs the job runner on a saved WAV.
void ShowRecorder(QWidget* owner, std::function<bool()> cdDriveOpen,
                  std::function<void(const QString&)> runMp3Job);
