#pragma once

// The WAV to WAV tool's logic, apart from its window (ResampleForm.h): one
// reader, up to four converters wired at Convert time, one writer, and what
// the window's labels, progress bar and Convert button show.
//
// Main thread only, except the writer's events: they run on its worker and
// only post their figures back to this object's thread.

#include "acs/ACSConverters.h"
#include "acs/ACSWave.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the window shows.
struct TResampleView {
  // The input's name without folder, and the full path (the label's hint).
  QString InputFileName;
  QString InputPath;
  QString InputChannels;
  QString InputSampleRate;
  QString InputBitsPerSample;
  QString InputEncoding;
  QString OutputFileName;
  QString OutputPath;
  int Progress = 0;  // 0..100
  bool ConvertEnabled = true;
};

// The output group's settings as the user left them.
struct TResampleTargets {
  int Channels = 1;
  QString SampleRateText = QStringLiteral("44100");
  int BitsPerSample = 16;
  int EncodingIndex = 0;  // 0 RAW PCM, 1 DVI IMA ADPCM
};

enum class TResampleStart { Started, NothingToDo, BadSampleRate, Busy };

class TResampleJob : public QObject {
  Q_OBJECT

 public:
  // The figures the output group offers.
  static const QStringList& SampleRateItems();
  static const QStringList& EncodingItems();

  explicit TResampleJob(QObject* parent = nullptr);
  ~TResampleJob() override;

  const TResampleView& View() const { return view_; }

  // Takes the file as the input when the reader accepts it and shows its
  // figures. A file it does not accept leaves the previous input selected
  // and everything as it was; false then.
  bool ChooseInput(const QString& path);
  // The writer replaces this file when a conversion ends.
  void ChooseOutput(const QString& path);
  // Wires the chain for the targets and starts the writer. Without a valid
  // input or an output nothing happens. A sample rate that is not a whole
  // number of 1 to 384000 Hz is refused.
  TResampleStart Convert(const TResampleTargets& targets);
  // Stops a running conversion (its file is finished up to where it got)
  // and waits until the writer is idle.
  void StopWait();

  // The stages between reader and writer of the last Convert, reader side
  // first.
  const std::vector<TACSInput*>& Stages() const { return stages_; }
  // The message of the last failure of a conversion; empty when none.
  const QString& LastError() const { return lastError_; }

  TWaveIn WaveIn1;
  TSampleConverter SampleConverter1;  // widens 8-bit input
  TMSConverter MSConverter1;
  TRateConverter RateConverter1;
  TSampleConverter SampleConverter2;  // narrows to 8 bits
  TWaveOut WaveOut1;

 signals:
  void Changed();
  // A conversion failed on the worker; the window tells the user.
  void Failed(const QString& message);

 private:
  // Idle only.
  void ResetStages();
  void ShowInput();
  void Finished();

  TResampleView view_;
  std::vector<TACSInput*> stages_;
  QString lastError_;
};

// The drop-down's text as a sample rate: a decimal integer with optional
// blanks around it, 1 to 384000; nothing otherwise.
std::optional<int> ParseSampleRate(const QString& text);
