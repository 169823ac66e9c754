#include "tools/ResampleJob.h"

#include "platform/MainThread.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QThread>

namespace {
Q_LOGGING_CATEGORY(lcResample, "trackwell.tools.resample")

constexpr int kMaxSampleRate = 384000;
}  // namespace

std::optional<int> ParseSampleRate(const QString& text) {
  bool ok = false;
  const int rate = text.trimmed().toInt(&ok, 10);
  if (!ok || rate < 1 || rate > kMaxSampleRate) return std::nullopt;
  return rate;
}

const QStringList& TResampleJob::SampleRateItems() {
  static const QStringList items{"  8000", "11025", "12000", "16000", "22050",
                                 "24000",  "32000", "44100", "48000"};
  return items;
}

const QStringList& TResampleJob::EncodingItems() {
  static const QStringList items{"RAW PCM", "DVI IMA ADPCM"};
  return items;
}

TResampleJob::TResampleJob(QObject* parent) : QObject(parent) {
  MSConverter1.SetMode(msmMonoToBoth);
  RateConverter1.SetFilterWindow(fwBlackman);
  RateConverter1.SetOutSampleRate(22050);
  WaveOut1.SetFileMode(foRewrite);
  WaveOut1.SetWavType(wtPCM);
  WaveOut1.SetBlockSize(512);

  // The writer's events run on its worker: they only post to this object,
  // and a post still pending when it is destroyed goes with it.
  WaveOut1.OnProgress = [this](QObject*) {
    const int progress = WaveOut1.Progress();
    QMetaObject::invokeMethod(
        this,
        [this, progress] {
          view_.Progress = progress;
          emit Changed();
        },
        Qt::QueuedConnection);
  };
  WaveOut1.OnDone = [this](QObject*) {
    QMetaObject::invokeMethod(
        this, [this] { Finished(); }, Qt::QueuedConnection);
  };
  WaveOut1.OnThreadException = [this](QObject*, const std::exception& e) {
    const QString message = ExceptionMessage(e);
    qCWarning(lcResample) << "conversion failed:" << message;
    QMetaObject::invokeMethod(
        this,
        [this, message] {
          // The writer has dropped its unfinished file; the user may choose
          // again and retry.
          lastError_ = message;
          view_.ConvertEnabled = true;
          emit Changed();
          emit Failed(message);
        },
        Qt::QueuedConnection);
  };
}

TResampleJob::~TResampleJob() { StopWait(); }

bool TResampleJob::ChooseInput(const QString& path) {
  ExpectMainThread(Q_FUNC_INFO);
  // While converting the reader's file is open: asking it about another
  // file would answer about the open one.
  if (WaveOut1.Busy()) return false;
  ResetStages();
  const QString previous = WaveIn1.FileName();
  WaveIn1.SetFileName(path);
  if (!WaveIn1.Valid()) {
    WaveIn1.SetFileName(previous);
    return false;
  }
  view_.InputFileName = QFileInfo(path).fileName();
  view_.InputPath = path;
  ShowInput();
  view_.Progress = 0;
  emit Changed();
  return true;
}

void TResampleJob::ResetStages() {
  // A run whose start failed may have left a stage busy, or the reader open
  // on its file (which would then answer for any other file); every stage
  // starts afresh.
  for (TACSInput* stage : std::initializer_list<TACSInput*>{
           &SampleConverter1, &MSConverter1, &RateConverter1, &SampleConverter2, &WaveIn1})
    stage->Reset();
}

void TResampleJob::ShowInput() {
  view_.InputChannels = QString::number(WaveIn1.Channels());
  view_.InputSampleRate = QString::number(WaveIn1.SampleRate());
  view_.InputBitsPerSample = QString::number(WaveIn1.BitsPerSample());
  view_.InputEncoding = QString::fromLatin1(WavTypeName(WaveIn1.WavType()));
}

void TResampleJob::ChooseOutput(const QString& path) {
  ExpectMainThread(Q_FUNC_INFO);
  if (WaveOut1.Busy() || path.isEmpty()) return;
  WaveOut1.SetFileName(path);
  view_.OutputFileName = QFileInfo(path).fileName();
  view_.OutputPath = path;
  emit Changed();
}

TResampleStart TResampleJob::Convert(const TResampleTargets& targets) {
  ExpectMainThread(Q_FUNC_INFO);
  if (WaveOut1.Busy()) return TResampleStart::Busy;
  if (view_.InputPath.isEmpty() || !WaveIn1.Valid() || WaveOut1.FileName().isEmpty())
    return TResampleStart::NothingToDo;
  const std::optional<int> rate = ParseSampleRate(targets.SampleRateText);
  if (!rate) return TResampleStart::BadSampleRate;

  ResetStages();

  stages_.clear();
  TACSInput* last = &WaveIn1;
  auto append = [&](TACSConverter& converter) {
    converter.SetInput(last);
    stages_.push_back(&converter);
    last = &converter;
  };
  const int inputChannels = WaveIn1.Channels();
  const int inputRate = WaveIn1.SampleRate();
  if (WaveIn1.BitsPerSample() == 8) append(SampleConverter1);
  if (targets.Channels != inputChannels) append(MSConverter1);
  if (*rate != inputRate) {
    RateConverter1.SetOutSampleRate(*rate);
    append(RateConverter1);
  }
  // Every stage before the narrowing delivers 16-bit data.
  if (targets.BitsPerSample == 8) append(SampleConverter2);
  WaveOut1.SetInput(last);
  WaveOut1.SetWavType(targets.EncodingIndex == 1 ? wtDVIADPCM : wtPCM);

  lastError_.clear();
  WaveOut1.Run();
  view_.ConvertEnabled = false;
  emit Changed();
  return TResampleStart::Started;
}

void TResampleJob::Finished() {
  view_.ConvertEnabled = true;
  view_.Progress = 100;
  emit Changed();
}

void TResampleJob::StopWait() {
  if (WaveOut1.Status() == osIdle) return;
  // A paused worker never sees the request.
  if (WaveOut1.Status() == osPaused) WaveOut1.Resume();
  WaveOut1.Stop();
  while (WaveOut1.Status() != osIdle) QThread::msleep(5);
}
