#pragma once

// The engine of the job runner window: it runs a list of jobs one step at a
// time (extraction, resampling, MP3, Ogg Vorbis or WMA encoding, tagging)
// and decides, from the messages its workers send, what comes next and what
// the window shows. The window (TRipForm) only shows View and forwards its
// Stop button, its closing and nothing else.
//
// Threads: everything here runs on the main thread, except the stream
// sinks' event handlers, which run on the sinks' workers and only post (or,
// for the end of a resampling pass, send through a gate that cleanup closes
// before it waits for those workers, so a send never deadlocks).
//
// Messages: WM_RIP_ERROR and WM_PROCESS_INFO, delivered to this object (it is
// the NotifyWindow of the extraction thread and both encoder runners).

#include "acs/ACSConverters.h"
#include "acs/ACSVorbis.h"
#include "acs/ACSWave.h"
#include "jobs/CDRipThread.h"
#include "platform/MessageGate.h"
#include "platform/WindowMessages.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QWidget;
class TMp3EncodeProcess;
class TWMAEncodeProcess;
class TChildProcessRunner;

// Ends of job steps, in the Code of a WM_PROCESS_INFO.
inline constexpr int32_t kCodeMp3Ended = 2000;
inline constexpr int32_t kCodeOggEnded = 3000;
inline constexpr int32_t kCodeResampleEnded = 4000;
inline constexpr int32_t kCodeWmaEnded = 5000;
// Status of an encoder step that was skipped because its input is missing.
inline constexpr int32_t kStepSkipped = 4;
// Status of a resampling or Ogg step whose sink failed; Elapsed holds why.
inline constexpr int32_t kStepFailed = 7;

// What the job runner window shows.
struct TJobView {
  QString Caption;                     // the window title
  QString Group = "Extracting";        // the group box caption
  QString Elapsed;                     // beside "Time elapsed:"
  QString Estimated;                   // beside "Time estimated:"
  QString Status = "Initializing...";  // over the gauge
  bool StatusVisible = true;
  int Gauge = 0;  // percent
  bool GaugeNumberVisible = false;
};

class TJobRunner final : public QObject {
 public:
  // window: the parent of message boxes (may be null). The runners default
  // to the process-wide ones.
  TJobRunner(uint8_t jobKind, int32_t cdHandle, const QStringList& jobList, QWidget* window,
             TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma);
  ~TJobRunner() override;

  // Starts the first job. An encoder runner that cannot start its child
  // raises here. The run may end inside (nothing to do, or the only job
  // ended at once); Finished() tells.
  void Start();
  // The Stop button: ends every step at once and finishes.
  void StopClick();
  // The window closes by other means: ends what still runs.
  void FormClose();
  // Once a second while a WMA run goes on: elapsed time and the estimate.
  void Timer1Timer();

  // The run has ended (its list is gone); the window should close.
  bool Finished() const { return !JobList.has_value(); }
  const TJobView& View() const { return view_; }
  // After a rip: the AccurateRip verdict for the status line, e.g. "5 of 5
  // tracks accurately ripped (confidence 12)", and the rip log written
  // beside the files; both empty until the run has ended.
  QString RipVerdict() const { return ripVerdict_; }
  QString RipLogPath() const { return ripLogPath_; }

  // Called after every change of View, and once when the run has ended.
  std::function<void()> OnViewChanged;
  std::function<void()> OnFinished;

  bool event(QEvent* e) override;

  // The stream components: one source for both chains, the resampler and
  // its file sink, the Ogg Vorbis sink.
  std::unique_ptr<TWaveIn> WaveIn1;
  std::unique_ptr<TRateConverter> RateConverter1;
  std::unique_ptr<TWaveOut> WaveOut1;
  std::unique_ptr<TVorbisOut> VorbisOut1;
  QTimer Timer1;

  uint8_t JobKind;
  int32_t CDHandle;
  std::optional<QStringList> JobList;
  std::unique_ptr<TCDRipThread> RipThread;
  int ExtractIndex = 0;
  int EncodeIndex = 0;
  int OggIndex = 0;
  bool ProgressSeen = false;

 private:
  void HandleProcessInfo(const TProcessInfo& info);
  void HandleRipError(intptr_t error);
  void TrackExtracted(const TProcessInfo& info);
  void Mp3Ended(const TProcessInfo& info);
  void OggEnded(const TProcessInfo& info);
  void ResampleEnded(const TProcessInfo& info);
  void WmaEnded(const TProcessInfo& info);
  void Progress(const TProcessInfo& info);

  // The steps a job is made of.
  void StartExtraction(int index, bool afterEncoder);
  void StartEncodingTrack();
  void StartWavToMp3(int index, const QString& group);
  void StartMp3ToWav(int index, const QString& group);
  void StartRecorderMp3(int index);
  void StartWavToOgg(int index, const QString& group);
  void StartWavToWma(int index, const QString& group);
  // Below 44100 Hz the source is resampled into temp first; true when that
  // pass has started.
  bool ResampledFirst(int index, const char* temp);
  // The group caption and the window title for job index.
  void Announce(const QString& group, const char* verb, int index);
  void HandOff(TChildProcessRunner& runner, const QString& source, const QString& dest,
               bool encode);
  void HandOffWma(const QString& source, const QString& dest);
  void OggRun(const QString& source, const QString& dest, const QStringList& comments);
  void ResamplingRun(const QString& temp);
  // The next job after an encoder step ended, or the end of the run.
  void NextAfterEncoder(int index);
  void TagRippedMp3(const QString& entry);
  bool CheckSource(const QString& path, bool mp3);

  void CleanUp();
  void Finish();
  // The ended extraction's report, kept for the rip log.
  void CollectRipReport(int32_t status);
  void WriteRipLogAndVerdict();
  void StopSinks();
  void WireSinks();

  int Count() const { return JobList ? int(JobList->size()) : 0; }
  QString Entry(int index) const;
  // The text a caption shows for a job: the title (kind 1) or the entry.
  QString JobText(int index) const;
  QString TrackWavPath(int index) const;
  QString OutputPath(int index, const char* ext) const;
  QString TempPath(const char* name) const { return folder_ + QString::fromLatin1(name); }
  int OutputFormat() const;

  void Show(const QString& text);
  void SetCaption(const char* verb, int n, const QString& text);
  void SetGroup(const QString& group);
  void ShowInitializing();
  void Changed();

  QPointer<QWidget> window_;
  TMp3EncodeProcess* mp3_;
  TWMAEncodeProcess* wma_;
  std::shared_ptr<TMessageGate> gate_;
  QString folder_;
  TJobView view_;
  // When the current resampling or Ogg run started; read by the sinks'
  // workers for their progress times.
  QElapsedTimer runClock_;
  std::atomic<int64_t> runStartMs_{0};
  QElapsedTimer wmaClock_;
  int64_t WmaSourceSize = -1;
  std::vector<TRipTrackReport> ripReports_;
  QString ripVerdict_;
  QString ripLogPath_;
};
