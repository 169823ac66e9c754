#include "jobs/JobRunner.h"

#include "encoders/Mp3EncodeProcess.h"
#include "encoders/WMAEncodeProcess.h"
#include "encoders/WMAProfiles.h"
#include "jobs/JobKinds.h"
#include "jobs/JobPaths.h"
#include "jobs/ProgressTimes.h"
#include "jobs/RipLogHeader.h"
#include "jobs/RipTags.h"
#include "jobs/SourceFiles.h"
#include "jobs/WmaEstimate.h"
#include "platform/AccurateRipDb.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QFile>
#include <QLoggingCategory>
#include <QWidget>

#include <chrono>
#include <cmath>
#include <stdexcept>
#include <thread>

Q_LOGGING_CATEGORY(lcJobs, "trackwell.jobs")

namespace {

enum TOutputFormat { kFormatMp3 = 0, kFormatWav = 1, kFormatOgg = 2, kFormatWma = 3 };

// Longest wait for a stream sink to finish its file after Stop.
constexpr int kSinkStopMs = 30000;
constexpr int kOggSettleMs = 300;

TProcessInfo Info(int32_t code, int32_t status = 0, const QString& elapsed = QString()) {
  TProcessInfo info;
  info.Code = code;
  info.Status = status;
  info.Elapsed = elapsed;
  return info;
}

}  // namespace

TJobRunner::TJobRunner(uint8_t jobKind, int32_t cdHandle, const QStringList& jobList,
                       QWidget* window, TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma)
    : JobKind(jobKind),
      CDHandle(cdHandle),
      JobList(jobList),
      window_(window),
      mp3_(mp3),
      wma_(wma),
      gate_(TMessageGate::Create()),
      folder_(WithTrailingBackslash(OptionsSetting.CommonOptions.OutputFolder)) {
  ExpectMainThread(Q_FUNC_INFO);
  WaveIn1 = std::make_unique<TWaveIn>();
  RateConverter1 = std::make_unique<TRateConverter>();
  RateConverter1->SetInput(WaveIn1.get());
  RateConverter1->SetFilterWindow(fwBlackman);
  RateConverter1->SetKernelWidth(30);
  RateConverter1->SetOutSampleRate(44100);
  WaveOut1 = std::make_unique<TWaveOut>();
  WaveOut1->SetInput(RateConverter1.get());
  WaveOut1->SetWavType(wtPCM);
  WaveOut1->SetBlockSize(512);
  WaveOut1->SetFileMode(foRewrite);
  VorbisOut1 = std::make_unique<TVorbisOut>();
  VorbisOut1->SetInput(WaveIn1.get());
  VorbisOut1->SetFileMode(foRewrite);
  WireSinks();
  Timer1.setInterval(1000);
  QObject::connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  runClock_.start();
  wmaClock_.start();
}

TJobRunner::~TJobRunner() {
  // Ends every step (releasing a worker that waits on a send) before the
  // components go; a finished run has done so already.
  CleanUp();
}

void TJobRunner::WireSinks() {
  // Worker threads: only post (or send through the gate).
  auto progress = [this](TACSOutput& sink) {
    TProcessInfo info;
    info.Code = sink.Progress();
    if (info.Code != 0) {
      const double seconds = double(runClock_.elapsed() - runStartMs_.load()) / 1000.0;
      const TProgressTimes times = FormatProgressTimes(seconds, info.Code);
      info.Elapsed = times.Elapsed;
      info.Estimated = times.Estimated;
    }
    PostProcessInfo(this, info);
  };
  auto failed = [this](int32_t code, const TACSFileOut& sink, const std::exception& e) {
    PostProcessInfo(this,
                    Info(code, kStepFailed, sink.FileName() + ": " + QString::fromUtf8(e.what())));
  };
  VorbisOut1->OnProgress = [this, progress](QObject*) { progress(*VorbisOut1); };
  VorbisOut1->OnDone = [this](QObject*) { PostProcessInfo(this, Info(kCodeOggEnded)); };
  VorbisOut1->OnThreadException = [this, failed](QObject*, const std::exception& e) {
    failed(kCodeOggEnded, *VorbisOut1, e);
  };
  WaveOut1->OnProgress = [this, progress](QObject*) { progress(*WaveOut1); };
  WaveOut1->OnDone = [this, gate = gate_](QObject*) { gate->Send(this, Info(kCodeResampleEnded)); };
  WaveOut1->OnThreadException = [this, failed](QObject*, const std::exception& e) {
    failed(kCodeResampleEnded, *WaveOut1, e);
  };
}

// ------------------------------------------------------------ messages

bool TJobRunner::event(QEvent* e) {
  const bool processInfo = e->type() == TWindowMessage::TypeFor(WM_PROCESS_INFO);
  if (!processInfo && e->type() != TWindowMessage::TypeFor(WM_RIP_ERROR)) return QObject::event(e);
  auto* message = static_cast<TWindowMessage*>(e);
  try {
    if (processInfo) {
      if (const TProcessInfo* info = message->Info()) HandleProcessInfo(*info);
    } else {
      HandleRipError(message->LParam());
    }
  } catch (const std::exception& error) {
    // As the default handler would: the user reads it, the job does not
    // advance, Stop ends the window.
    qCWarning(lcJobs) << "job step failed to start:" << error.what();
    ShowMessage(window_, QString::fromUtf8(error.what()), TMsgIcon::Error);
  }
  return true;
}

void TJobRunner::HandleRipError(intptr_t error) {
  if (Finished()) return;
  if (error == 1) Show(QStringLiteral("CD extract failed!Please try again."));
  if (error == 2) Show(QStringLiteral("Error while reading TOC information!"));
}

void TJobRunner::HandleProcessInfo(const TProcessInfo& info) {
  ExpectMainThread(Q_FUNC_INFO);
  // Messages of steps ended by a Stop may still arrive; the run is over.
  if (Finished()) return;
  switch (info.Code) {
    case kCodeNormalizeBegins:
      SetCaption("Normalizing", ExtractIndex + 1, JobText(ExtractIndex));
      return;
    case kCodeTrackEnded:
      if (JobKind == kJobRipTracks) TrackExtracted(info);
      return;
    case kCodeMp3Ended:
      return Mp3Ended(info);
    case kCodeOggEnded:
      return OggEnded(info);
    case kCodeResampleEnded:
      return ResampleEnded(info);
    case kCodeWmaEnded:
      return WmaEnded(info);
    default:
      return Progress(info);
  }
}

void TJobRunner::Progress(const TProcessInfo& info) {
  if (Timer1.isActive()) Timer1.stop();
  ProgressSeen = true;
  view_.Elapsed = info.Elapsed;
  view_.Estimated = info.Estimated;
  if (info.Code > 0) {
    view_.StatusVisible = false;
    view_.GaugeNumberVisible = true;
    view_.Gauge = std::min(info.Code, 100);
  }
  Changed();
}

void TJobRunner::TrackExtracted(const TProcessInfo& info) {
  const QString wav = TrackWavPath(ExtractIndex);
  if (RipThread) CollectRipReport(info.Status);
  if (info.Status == kRipReadFailed) Show(QStringLiteral("Error while reading CD information!"));
  if (info.Status == kRipCannotCreate)
    Show(wav + QStringLiteral(
                   " is not a valid file name.Please rename the Title in the CD tracks list."));
  if (info.Status == kRipWriteFailed)
    Show(wav + QStringLiteral(" could not be written: the disk is full or the output folder is "
                              "not writable."));
  ++ExtractIndex;
  const int format = OutputFormat();
  if (format == kFormatWav) {
    if (ExtractIndex == Count()) return Finish();
    return StartExtraction(ExtractIndex, false);
  }
  if (info.Status != kRipDone) {
    // The encoder step of this track will not run: end it as skipped.
    const int32_t code = format == kFormatMp3   ? kCodeMp3Ended
                         : format == kFormatOgg ? kCodeOggEnded
                                                : kCodeWmaEnded;
    PostProcessInfo(this, Info(code, kStepSkipped));
    ProgressSeen = true;
    return;
  }
  StartEncodingTrack();
}

void TJobRunner::StartEncodingTrack() {
  const int index = ExtractIndex - 1;
  const QString wav = TrackWavPath(index);
  // Progress of the extraction says nothing about the encoder.
  ProgressSeen = false;
  Announce(QStringLiteral("Encoding"), "Encoding", index);
  switch (OutputFormat()) {
    case kFormatMp3:
      return HandOff(*mp3_, wav, OutputPath(index, ".mp3"), true);
    case kFormatOgg: {
      QStringList comments;
      if (OptionsSetting.ID3Use)
        comments = RipVorbisComments(OptionsSetting.CDInfo, EntryTitle(Entry(index)),
                                     EntryTrackNumber(Entry(index)));
      return OggRun(wav, OutputPath(index, ".ogg"), comments);
    }
    default:
      return HandOffWma(wav, OutputPath(index, ".wma"));
  }
}

void TJobRunner::Mp3Ended(const TProcessInfo& info) {
  if (info.Status == 1 && !ProgressSeen)
    Show(Entry(EncodeIndex) + QStringLiteral("maybe be used,operate fail!"));
  // Status 3: lame failed (a full disk, say) and its output is gone, however
  // far its progress had come.
  if ((info.Status == 2 && !ProgressSeen) || info.Status == 3)
    Show(
        QStringLiteral("Create MP3 file error!\r\nPlease check the output and lame options or "
                       "run application again."));
  if (JobKind == kJobRipTracks && info.Status == 2 && ProgressSeen && OptionsSetting.ID3Use)
    TagRippedMp3(Entry(EncodeIndex));
  ProgressSeen = false;
  ++EncodeIndex;
  NextAfterEncoder(EncodeIndex);
}

void TJobRunner::OggEnded(const TProcessInfo& info) {
  WaitMilliseconds(kOggSettleMs);
  if (info.Status == kStepFailed) Show(info.Elapsed);
  ProgressSeen = false;
  ++OggIndex;
  if (OggIndex == Count()) {
    CleanUp();
    WaitMilliseconds(kOggSettleMs);
    Finish();
    return;
  }
  NextAfterEncoder(OggIndex);
}

void TJobRunner::WmaEnded(const TProcessInfo& info) {
  Timer1.stop();
  if (info.Status == 1 && !ProgressSeen)
    Show(Entry(EncodeIndex) + QStringLiteral("maybe be used,operate fail!"));
  if (info.Status == 8) Show(info.Elapsed);
  ProgressSeen = false;
  ++EncodeIndex;
  NextAfterEncoder(EncodeIndex);
}

void TJobRunner::NextAfterEncoder(int index) {
  if (index >= Count()) return Finish();
  const QString group = QStringLiteral("Encoding");
  switch (JobKind) {
    case kJobRipTracks:
      return StartExtraction(ExtractIndex, true);
    case kJobWavToMp3:
      return StartWavToMp3(index, group);
    case kJobMp3ToWav:
      return StartMp3ToWav(index, QStringLiteral("Decoding"));
    case kJobRecorderMp3:
      return StartRecorderMp3(index);
    case kJobWavToOgg:
      return StartWavToOgg(index, group);
    case kJobWavToWma:
      return StartWavToWma(index, group);
  }
}

void TJobRunner::ResampleEnded(const TProcessInfo& info) {
  if (info.Status == kStepFailed) {
    // Nothing to encode: the file's encoder step ends as skipped.
    Show(info.Elapsed);
    if (JobKind == kJobWavToMp3) return Mp3Ended(Info(kCodeMp3Ended, kStepSkipped));
    return OggEnded(Info(kCodeOggEnded, kStepSkipped));
  }
  if (JobKind == kJobWavToMp3) {
    Announce(QStringLiteral("Encoding"), "Encoding", EncodeIndex);
    return HandOff(*mp3_, TempPath(kMp3ResampleTemp), OutputPath(EncodeIndex, ".mp3"), true);
  }
  if (JobKind == kJobWavToOgg) {
    Announce(QStringLiteral("Encoding"), "Encoding", OggIndex);
    return OggRun(TempPath(kOggResampleTemp), OutputPath(OggIndex, ".ogg"), {});
  }
}

// ------------------------------------------------------------ steps

void TJobRunner::Start() {
  ExpectMainThread(Q_FUNC_INFO);
  if (Count() == 0) return Finish();
  switch (JobKind) {
    case kJobRipTracks:
      ForgetAccurateRipReplies();  // a disc put back since is looked up afresh
      StartExtraction(0, false);
      break;
    case kJobWavToMp3:
      StartWavToMp3(0, QStringLiteral("Encoding WAV to MP3"));
      break;
    case kJobMp3ToWav:
      StartMp3ToWav(0, QStringLiteral("Decoding MP3 to WAV"));
      break;
    case kJobRecorderMp3:
      StartRecorderMp3(0);
      break;
    case kJobWavToOgg:
      StartWavToOgg(0, QStringLiteral("Encoding WAV to OGG"));
      break;
    case kJobWavToWma:
      StartWavToWma(0, QStringLiteral("Encoding WAV to WMA"));
      break;
    default:
      throw std::invalid_argument("unknown job kind");
  }
  view_.Elapsed.clear();
  view_.Estimated.clear();
  view_.GaugeNumberVisible = false;
  Changed();
}

void TJobRunner::StartExtraction(int index, bool afterEncoder) {
  RipThread.reset();
  SetCaption("Extracting", index + 1, JobText(index));
  ShowInitializing();
  if (afterEncoder) SetGroup(QStringLiteral("Extracting"));
  const QString entry = Entry(index);
  RipThread = std::make_unique<TCDRipThread>(EntryTrackNumber(entry), EntryTitle(entry));
  RipThread->CDHandle = CDHandle;
  RipThread->NotifyWindow = this;
  RipThread->Resume();
}

void TJobRunner::StartWavToMp3(int index, const QString& group) {
  if (!CheckSource(Entry(index), false)) return Mp3Ended(Info(kCodeMp3Ended, kStepSkipped));
  if (ResampledFirst(index, kMp3ResampleTemp)) return;
  Announce(group, "Encoding", index);
  HandOff(*mp3_, Entry(index), OutputPath(index, ".mp3"), true);
}

void TJobRunner::StartMp3ToWav(int index, const QString& group) {
  if (!CheckSource(Entry(index), true)) return Mp3Ended(Info(kCodeMp3Ended, kStepSkipped));
  Announce(group, "Decoding", index);
  HandOff(*mp3_, Entry(index), OutputPath(index, ".wav"), false);
}

void TJobRunner::StartRecorderMp3(int index) {
  if (!CheckSource(Entry(index), false)) return Mp3Ended(Info(kCodeMp3Ended, kStepSkipped));
  Announce(QStringLiteral("Encoding WAV to MP3"), "Encoding", index);
  HandOff(*mp3_, Entry(index), OutputPath(index, ".mp3"), true);
}

void TJobRunner::StartWavToOgg(int index, const QString& group) {
  if (!CheckSource(Entry(index), false)) return OggEnded(Info(kCodeOggEnded, kStepSkipped));
  if (ResampledFirst(index, kOggResampleTemp)) return;
  Announce(group, "Encoding", index);
  OggRun(Entry(index), OutputPath(index, ".ogg"), {});
}

void TJobRunner::StartWavToWma(int index, const QString& group) {
  if (!CheckSource(Entry(index), false)) return WmaEnded(Info(kCodeWmaEnded, kStepSkipped));
  Announce(group, "Encoding", index);
  HandOffWma(Entry(index), OutputPath(index, ".wma"));
}

bool TJobRunner::ResampledFirst(int index, const char* temp) {
  WaveIn1->SetFileName(Entry(index));
  if (WaveIn1->SampleRate() >= 44100) return false;
  Announce(QStringLiteral("Resampling WAV"), "Resampling", index);
  ResamplingRun(TempPath(temp));
  return true;
}

void TJobRunner::Announce(const QString& group, const char* verb, int index) {
  SetGroup(group);
  SetCaption(verb, index + 1, JobText(index));
}

bool TJobRunner::CheckSource(const QString& path, bool mp3) {
  if (mp3 ? IsReadableMp3(path) : IsReadableWav(path)) return true;
  Show(path + (mp3 ? QStringLiteral(" is not a readable MP3 file.")
                   : QStringLiteral(" is not a readable WAV file.")));
  return false;
}

void TJobRunner::HandOff(TChildProcessRunner& runner, const QString& source, const QString& dest,
                         bool encode) {
  runner.Active = true;
  runner.SourceFile = source;
  runner.DestFile = dest;
  runner.NotifyWindow = this;
  runner.Encode = encode;
  runner.JobKind = JobKind;
  runner.Start();
}

void TJobRunner::HandOffWma(const QString& source, const QString& dest) {
  // The utility's end of job is sent: a run that ends inside Start (declined,
  // utility missing) has moved on to the next job, or ended the run, by the
  // time Start returns, and must not get this job's clock.
  const int job = EncodeIndex;
  HandOff(*wma_, source, dest, true);
  if (Finished() || EncodeIndex != job) return;
  wmaClock_.restart();
  view_.Gauge = 0;
  Timer1.start();
  WmaSourceSize = GetFileSizeOrMinusOne(wma_->SourceFile);
  Changed();
}

void TJobRunner::OggRun(const QString& source, const QString& dest, const QStringList& comments) {
  WaveIn1->SetFileName(source);
  VorbisOut1->SetFileName(dest);
  ApplyOggSettings(*VorbisOut1, OptionsSetting.OggOptions);
  VorbisOut1->SetComments(comments);
  // Before Run: the worker reads it for its first progress message.
  runStartMs_ = runClock_.elapsed();
  VorbisOut1->Run();
}

void TJobRunner::ResamplingRun(const QString& temp) {
  WaveOut1->SetFileName(temp);
  runStartMs_ = runClock_.elapsed();
  WaveOut1->Run();
}

void TJobRunner::TagRippedMp3(const QString& entry) {
  const QString mp3 = folder_ + EntryTitle(entry) + ".mp3";
  const TMp3TagResult result =
      WriteRipMp3Tags(mp3, OptionsSetting.CDInfo, EntryTitle(entry), EntryTrackNumber(entry));
  if (result.Id3v1 > 255) {
    ShowMessage(window_, QStringLiteral("Error #%1! Could not save Tag!").arg(result.Id3v1),
                TMsgIcon::Information);
  } else if (!result.Id3v2) {
    Show(mp3 + QStringLiteral(": the ID3v2 tag could not be saved."));
  }
}

// ------------------------------------------------------------ the WMA clock

void TJobRunner::Timer1Timer() {
  ExpectMainThread(Q_FUNC_INFO);
  if (Finished()) return;
  const int64_t elapsed = std::llround(double(wmaClock_.elapsed()) / 1000.0);
  view_.Elapsed = MinutesSeconds(elapsed);
  if (!wma_->Active) return Changed();
  view_.StatusVisible = false;
  const int64_t out = GetFileSizeOrMinusOne(wma_->DestFile);
  const int profile = ValidWMAProfileIndex(OptionsSetting.WMAOptions.BitRate);
  const int32_t ratio = EffectiveWmaRatio(WMAProfileRatio[size_t(profile)], WMAProfileKbps(profile),
                                          wma_->EncodedKbps);
  const std::optional<int64_t> total = EstimateWmaTotal(elapsed, WmaSourceSize, out, ratio);
  if (!total) {
    view_.Estimated.clear();
    return Changed();
  }
  view_.Estimated = MinutesSeconds(*total);
  view_.GaugeNumberVisible = true;
  view_.Gauge = std::min(WmaGaugePercent(elapsed, *total), 100);
  Changed();
}

// ------------------------------------------------------------ the end

void TJobRunner::StopClick() {
  ExpectMainThread(Q_FUNC_INFO);
  Finish();
}

void TJobRunner::FormClose() {
  ExpectMainThread(Q_FUNC_INFO);
  if (JobList) CleanUp();
}

void TJobRunner::Finish() {
  CleanUp();
  if (OnFinished) OnFinished();
}

void TJobRunner::StopSinks() {
  // The sinks finish their files (a stopped Ogg stream is complete up to
  // where it was) and then go idle; their end messages find the run over.
  for (TACSOutput* sink :
       {static_cast<TACSOutput*>(VorbisOut1.get()), static_cast<TACSOutput*>(WaveOut1.get())}) {
    if (!sink || !sink->Busy()) continue;
    sink->Resume();
    sink->Stop();
    QElapsedTimer waited;
    waited.start();
    while (sink->Busy() && waited.elapsed() < kSinkStopMs)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (sink->Busy()) qCWarning(lcJobs) << "a stream sink did not stop in time";
  }
}

void TJobRunner::CleanUp() {
  if (!JobList) return;
  ExpectMainThread(Q_FUNC_INFO);
  Timer1.stop();
  gate_->Close();
  StopSinks();
  if (RipThread) {
    RipThread->Stopped = true;
    RipThread.reset();
  }
  const int format = OutputFormat();
  if (JobKind == kJobRipTracks && ExtractIndex == Count() && format != kFormatWav &&
      !OptionsSetting.CommonOptions.IsKeepWav) {
    for (int i = 0; i < Count(); ++i) {
      const QString wav = TrackWavPath(i);
      if (QFile::exists(wav) && !IsFileInUse(wav) && !QFile::remove(wav))
        qCWarning(lcJobs) << "cannot delete" << wav;
    }
  }
  if (JobKind == kJobRipTracks && !ripReports_.empty()) WriteRipLogAndVerdict();
  JobList.reset();
  if (mp3_ && mp3_->Active) mp3_->Stop(0);
  if (wma_ && wma_->Active) wma_->Stop(0);
  const char* temp = JobKind == kJobWavToOgg   ? kOggResampleTemp
                     : JobKind == kJobWavToMp3 ? kMp3ResampleTemp
                                               : nullptr;
  if (temp && QFile::exists(TempPath(temp)) && !IsFileInUse(TempPath(temp)) &&
      !QFile::remove(TempPath(temp)))
    qCWarning(lcJobs) << "cannot delete" << TempPath(temp);
}

// ------------------------------------------------------------ helpers

QString TJobRunner::Entry(int index) const {
  return JobList && index >= 0 && index < JobList->size() ? JobList->at(index) : QString();
}

QString TJobRunner::JobText(int index) const {
  return JobKind == kJobRipTracks ? EntryTitle(Entry(index)) : Entry(index);
}

QString TJobRunner::TrackWavPath(int index) const {
  return folder_ + EntryTitle(Entry(index)) + ".wav";
}

QString TJobRunner::OutputPath(int index, const char* ext) const {
  return JobOutputPath(JobKind, folder_, Entry(index), QString::fromLatin1(ext));
}

int TJobRunner::OutputFormat() const {
  const int format = OptionsSetting.CommonOptions.OutputFormat;
  // A value from a damaged settings file leaves the WAV files as they are.
  return format == kFormatMp3 || format == kFormatOgg || format == kFormatWma ? format : kFormatWav;
}

void TJobRunner::Show(const QString& text) { ShowMessage(window_, text, TMsgIcon::Error); }

void TJobRunner::SetCaption(const char* verb, int n, const QString& text) {
  view_.Caption = JobCaption(QString::fromLatin1(verb), n, Count(), text);
  Changed();
}

void TJobRunner::SetGroup(const QString& group) {
  view_.Group = group;
  Changed();
}

void TJobRunner::ShowInitializing() {
  view_.Status = QStringLiteral("Initializing...");
  view_.StatusVisible = true;
  Changed();
}

void TJobRunner::Changed() {
  if (OnViewChanged) OnViewChanged();
}

void TJobRunner::CollectRipReport(int32_t status) {
  RipThread->WaitFor();  // it has posted its end; the report is complete
  TRipTrackReport report = RipThread->Report;
  report.Status = status;
  static const char* const kExtensions[] = {".mp3", ".wav", ".ogg", ".wma"};
  const int format = OutputFormat();
  if (format >= 0 && format <= 3) report.Path = OutputPath(ExtractIndex, kExtensions[format]);
  ripReports_.push_back(std::move(report));
}

void TJobRunner::WriteRipLogAndVerdict() {
  ripVerdict_ = RipVerdictText(ripReports_);
  const QString name =
      RipLogFileName(OptionsSetting.CDInfo.Album, ripReports_.front().DiscIds.FreedbId);
  const QString path = folder_ + name;
  if (!WriteRipLog(path, RipLogText(CurrentRipLogHeader(CDHandle), ripReports_)))
    qCWarning(lcJobs) << "no rip log written to" << path;
  ripLogPath_ = path;
}
