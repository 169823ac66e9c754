#pragma once

// The sound recorder's logic, apart from its window (RecordForm.h): the
// document and its working copy, the wave device, the button bar's
// enabled set, the two timers' effects and every question and message.
//
// A named document is edited in WorkFile ("MyTemp.wav" in the program
// folder) and copied back on save; a new recording is "MyNoName.wav" there
// until it is saved under a name. Main thread only.

#include "recorder/WaveDevice.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The button bar's buttons, as flags of an enabled set.
enum TRecordButton : unsigned {
  rbPlay = 1,
  rbPause = 2,
  rbStop = 4,
  rbNext = 8,
  rbPrev = 16,
  rbStep = 32,
  rbBack = 64,
  rbRecord = 128,
};

struct TRecordFormat {
  int SampleRate = 44100;
  int BitsPerSample = 16;
  int Channels = 2;
};

struct TRecorderView {
  QString Title = QStringLiteral("Record");
  QString State = QStringLiteral("-----------");
  QString Position = QStringLiteral("0.00Sec");
  QString Length = QStringLiteral("0.00Sec");
  QString RecordTime = QStringLiteral("00:00:00.0");
  int Slider = 0;  // 0..400
  unsigned Buttons = 0;
  bool RecordTimerOn = false;
  bool PlayTimerOn = false;
};

class TRecorder : public QObject {
  Q_OBJECT

 public:
  static constexpr int kSliderMax = 400;
  static constexpr int kRecordIntervalMs = 100;
  static constexpr int kPlayIntervalMs = 500;

  explicit TRecorder(QObject* parent = nullptr);
  ~TRecorder() override;

  const TRecorderView& View() const { return view_; }
  const QString& DocumentFile() const { return documentFile_; }
  QString WorkFile() const;
  QString NoNameFile() const;
  bool Modified() const { return modified_; }
  bool IsNoName() const;
  bool SaveEnabled() const { return (view_.Buttons & rbRecord) != 0; }
  bool UndoEnabled() const;
  TWaveDevice& Device() { return device_; }

  // The "&MP3 format" item.
  bool SaveMp3 = false;
  // Asks the new recording's format (the new-file dialog); nothing = Cancel.
  std::function<std::optional<TRecordFormat>()> AskFormat;
  // A CD drive is open in the main window.
  std::function<bool()> CdDriveOpen;
  // Runs the job runner modally on the recording (MP3 beside it).
  std::function<void(const QString& wavPath)> RunMp3Job;
  // The clock and the blocking wait of Stop (tests replace them).
  std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
  std::function<void(int ms)> Wait;

  void New();
  void Open();
  void Save() { QuerySave(false); }
  void SaveAs();
  void Undo();
  // The window is closing; false keeps it open (the save question was
  // cancelled or the recording could not be saved).
  bool CloseQuery();

  void PlayClick();
  void StopClick();
  void NextClick();
  void PrevClick();
  void RecordClick();
  void SliderMoved(int value);
  void RecordTimerTick();
  void PlayTimerTick();

  // Whether the caller may go on; asks to save a modified document when
  // `ask`, saves without asking otherwise.
  bool QuerySave(bool ask);

 signals:
  void Changed();
  // Saving as MP3 found no CD drive: the window closes.
  void CloseRequested();

 private:
  bool LoadDocument(const QString& file);
  void FinishRecording();
  void SaveAsMp3();
  // The save dialog with its checks; the chosen path, or nothing.
  std::optional<QString> AskSaveName();
  int64_t SliderMs() const;
  void SetButtons(unsigned buttons);
  void ShowRecordTime();
  void Refresh() { emit Changed(); }

  TWaveDevice device_;
  TRecorderView view_;
  QString documentFile_;
  bool modified_ = false;
  bool mp3Confirmed_ = false;
  int64_t playPosition_ = 0;
  QDateTime recordStart_;
  int lastMillis_ = 0;
};

// "1Hour2 Min5 Sec" from a minute up, "12.3 Sec" below (3 significant
// digits).
QString DurationText(int64_t ms);
// "hh:mm:ss.t" of an elapsed recording time.
QString RecordTimeText(int64_t ms);
// How long Stop waits so a recording ends near a whole second, given the
// milliseconds of the last display update.
int StopWaitMs(int lastMillis);
// The 44-byte header of a recording with no samples yet.
QByteArray EmptyRecording(const TRecordFormat& format);
// Copies a file whole, replacing the destination only once the copy is
// complete; false (nothing changed) on failure.
bool CopyWhole(const QString& from, const QString& to);
