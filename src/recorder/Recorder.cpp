#include "recorder/Recorder.h"

#include "acs/WaveHeader.h"
#include "platform/Dialogs.h"
#include "platform/MainThread.h"
#include "platform/ProgramFolder.h"
#include "platform/UserFile.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QThread>

#include <cstdio>

namespace {
Q_LOGGING_CATEGORY(lcRecorder, "trackwell.recorder")

constexpr const char* kIdle = "-----------";
constexpr const char* kRecording = "Recording...";
constexpr const char* kSoundFilter = "Sound file(*.wav)|*.wav|All files(*.*)|*.*";
constexpr const char* kInitError = "Error while initializing MCI device!";
constexpr const char* kSaveSoundError = "Error while saving sound file!";
constexpr const char* kSaveWavError =
    "Error when saving WAV file,please check if the file is being uesd.";
constexpr const char* kNotWav = "The save file should be WAV!";
constexpr const char* kExists = " has existed,overite it?";

bool AskYes(const QString& text) {
  return ShowMessage(nullptr, text, TMsgIcon::Information, TMsgButtons::YesNo) == TMsgResult::Yes;
}

// Puts `from` in place of `to` in one step: an existing `to` is replaced,
// never first deleted, so a failure leaves both as they were.
bool RenameOver(const QString& from, const QString& to) {
  if (QFileInfo(from) == QFileInfo(to)) return true;
  return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}
}  // namespace

QString DurationText(int64_t ms) {
  if (ms >= 60000) {
    const int64_t hours = ms / 3600000, minutes = ms / 60000 % 60, seconds = ms / 1000 % 60;
    QString text;
    if (hours > 0) text += QString::number(hours) + "Hour";
    if (minutes != 0) text += QString::number(minutes) + " Min";
    if (seconds != 0) text += QString::number(seconds) + " Sec";
    return text;
  }
  return QString::number(double(ms) / 1000.0, 'g', 3) + " Sec";
}

QString RecordTimeText(int64_t ms) {
  const int hours = int(ms / 3600000), minutes = int(ms / 60000 % 60);
  const int seconds = int(ms / 1000 % 60), millis = int(ms % 1000);
  return QString("%1:%2:%3.%4")
      .arg(FormatTwoDigits(hours), FormatTwoDigits(minutes), FormatTwoDigits(seconds))
      .arg(millis / 100);
}

int StopWaitMs(int lastMillis) { return lastMillis > 100 ? 1000 - lastMillis : 0; }

QByteArray EmptyRecording(const TRecordFormat& f) {
  return PcmWaveHeader(f.Channels, f.SampleRate, f.BitsPerSample, 0);
}

bool CopyWhole(const QString& from, const QString& to) {
  if (QFileInfo(from) == QFileInfo(to)) return QFileInfo::exists(from);
  QFile source(from);
  if (!source.open(QIODevice::ReadOnly)) return false;
  QSaveFile target(to);
  if (!target.open(QIODevice::WriteOnly)) return false;
  while (!source.atEnd()) {
    const QByteArray block = source.read(1 << 20);
    if (block.isEmpty() || target.write(block) != block.size()) {
      target.cancelWriting();
      return false;
    }
  }
  return CommitWhole(target);
}

TRecorder::TRecorder(QObject* parent) : QObject(parent) {
  Wait = [](int ms) { QThread::msleep(ulong(ms)); };
}

TRecorder::~TRecorder() = default;

QString TRecorder::WorkFile() const {
  return WithTrailingBackslash(ProgramFolder()) + "MyTemp.wav";
}

QString TRecorder::NoNameFile() const {
  return WithTrailingBackslash(ProgramFolder()) + "MyNoName.wav";
}

bool TRecorder::IsNoName() const { return documentFile_ == NoNameFile(); }

bool TRecorder::UndoEnabled() const {
  return modified_ && view_.State != kRecording && !documentFile_.isEmpty() && !IsNoName();
}

int64_t TRecorder::SliderMs() const { return device_.Length() * view_.Slider / kSliderMax; }

void TRecorder::SetButtons(unsigned buttons) { view_.Buttons = buttons; }

void TRecorder::New() {
  ExpectMainThread(Q_FUNC_INFO);
  if (!QuerySave(true)) return;
  const std::optional<TRecordFormat> format = AskFormat ? AskFormat() : std::nullopt;
  if (!format) return;
  documentFile_ = NoNameFile();
  try {
    device_.Close();
    QSaveFile file(documentFile_);
    const QByteArray header = EmptyRecording(*format);
    if (!file.open(QIODevice::WriteOnly) || file.write(header) != header.size() ||
        !CommitWhole(file))
      throw EWaveDeviceError("Cannot write " + documentFile_.toStdString());
    device_.Open(documentFile_);
    SetButtons(rbRecord);
  } catch (const std::exception& e) {
    qCWarning(lcRecorder) << "new recording:" << e.what();
    ShowMessage(nullptr, kInitError, TMsgIcon::Error);
  }
  view_.RecordTime = "00:00:00.0";
  view_.Length = view_.Position = "0.00 Sec";
  view_.Title = "Record(NoName)";
  view_.Slider = 0;
  mp3Confirmed_ = false;
  Refresh();
}

void TRecorder::Open() {
  ExpectMainThread(Q_FUNC_INFO);
  if (!QuerySave(true)) return;
  TFileDialogRequest request;
  request.Title = "Please select a sound file to open";
  request.Filter = kSoundFilter;
  request.DefaultExt = ".wav";
  request.InitialDir = ProgramFolder();
  QString file;
  for (;;) {
    const QStringList chosen = Dialogs().OpenFiles(nullptr, request);
    if (chosen.isEmpty() || chosen.front() == documentFile_) return;
    file = chosen.front();
    if (QFileInfo::exists(file)) break;
    ShowMessage(nullptr,
                file + "\n" + QString::fromUtf8("Could not be found\xEF\xBC\x81") + "\n" +
                    "Please check the filename correct or not",
                TMsgIcon::Warning);
  }
  view_.Title = "Record(" + file + ")";
  view_.Slider = 0;
  mp3Confirmed_ = false;
  LoadDocument(file);
  Refresh();
}

std::optional<QString> TRecorder::AskSaveName() {
  TFileDialogRequest request;
  request.Filter = kSoundFilter;
  request.InitialDir = ProgramFolder();
  const QString chosen = Dialogs().SaveFile(nullptr, request);
  if (chosen.isEmpty()) return std::nullopt;
  if (!chosen.endsWith(".wav", Qt::CaseInsensitive)) {
    ShowMessage(nullptr, kNotWav, TMsgIcon::Information);
    return std::nullopt;
  }
  if (QFileInfo::exists(chosen) && !AskYes(chosen + kExists)) return std::nullopt;
  return chosen;
}

void TRecorder::SaveAs() {
  ExpectMainThread(Q_FUNC_INFO);
  const std::optional<QString> chosen = AskSaveName();
  if (!chosen) return;
  if (IsNoName()) {
    device_.Close();
    if (!RenameOver(documentFile_, *chosen)) {
      ShowMessage(nullptr, kSaveWavError, TMsgIcon::Error);
      LoadDocument(documentFile_);
      Refresh();
      return;
    }
  } else {
    // The working copy goes to the new name, so a recording made since the
    // last save is part of it.
    device_.Close();
    if (!CopyWhole(WorkFile(), *chosen)) {
      ShowMessage(nullptr, kSaveWavError, TMsgIcon::Error);
      device_.Open(WorkFile());
      Refresh();
      return;
    }
  }
  modified_ = false;
  if (LoadDocument(*chosen)) SaveAsMp3();
  Refresh();
}

void TRecorder::Undo() {
  ExpectMainThread(Q_FUNC_INFO);
  if (!UndoEnabled()) return;
  if (!AskYes("Discard the modification since last save file.")) return;
  try {
    device_.Close();
    if (!CopyWhole(documentFile_, WorkFile()))
      throw EWaveDeviceError("Cannot copy " + documentFile_.toStdString());
    device_.Open(WorkFile());
    SetButtons(rbPlay | rbNext | rbRecord);
    view_.Length = view_.Position = DurationText(device_.Length());
  } catch (const std::exception& e) {
    qCWarning(lcRecorder) << "undo:" << e.what();
    ShowMessage(nullptr, kInitError, TMsgIcon::Error);
  }
  Refresh();
}

bool TRecorder::LoadDocument(const QString& file) {
  documentFile_ = file;
  try {
    device_.Close();
    if (!CopyWhole(file, WorkFile())) throw EWaveDeviceError("Cannot copy " + file.toStdString());
    device_.Open(WorkFile());
  } catch (const std::exception& e) {
    qCWarning(lcRecorder) << "opening" << file << ":" << e.what();
    ShowMessage(nullptr, kInitError, TMsgIcon::Error);
    SetButtons(0);
    view_.Title = "Record(" + file + ")";
    return false;
  }
  SetButtons(rbPlay | rbNext | rbRecord);
  view_.Length = DurationText(device_.Length());
  view_.Title = "Record(" + file + ")";
  return true;
}

bool TRecorder::QuerySave(bool ask) {
  if (documentFile_.isEmpty()) return true;
  if (view_.Buttons & rbStop) StopClick();
  if (!modified_) {
    if (!IsNoName() || ask) return true;
  } else if (ask) {
    const QString name = IsNoName() ? QStringLiteral("NoName") : documentFile_;
    switch (ShowMessage(nullptr, name + " has been modified,Save it?", TMsgIcon::Information,
                        TMsgButtons::YesNoCancel)) {
      case TMsgResult::Yes:
        break;
      case TMsgResult::No:
        modified_ = false;
        return true;
      default:
        return false;
    }
  }
  if (!IsNoName()) {
    if (!CopyWhole(WorkFile(), documentFile_)) {
      qCWarning(lcRecorder) << "could not copy the working copy over" << documentFile_;
      ShowMessage(nullptr, kSaveWavError, TMsgIcon::Error);
      return false;
    }
    SaveAsMp3();
    modified_ = false;
    return true;
  }
  const std::optional<QString> chosen = AskSaveName();
  if (!chosen) return false;
  device_.Close();
  QFile::remove(WorkFile());
  if (!RenameOver(documentFile_, *chosen)) {
    ShowMessage(nullptr, kSaveWavError, TMsgIcon::Error);
    LoadDocument(documentFile_);
    Refresh();
    return false;
  }
  LoadDocument(*chosen);
  SaveAsMp3();
  modified_ = false;
  Refresh();
  return true;
}

void TRecorder::SaveAsMp3() {
  if (!SaveMp3 || documentFile_.isEmpty()) return;
  if (!CdDriveOpen || !CdDriveOpen()) {
    ShowMessage(nullptr, "Please access CD devices rightly above all!", TMsgIcon::Information);
    emit CloseRequested();
    return;
  }
  const QString mp3 =
      QFileInfo(documentFile_).path() + "/" + QFileInfo(documentFile_).completeBaseName() + ".mp3";
  if (!mp3Confirmed_ && QFileInfo::exists(mp3)) {
    if (!AskYes(mp3 + kExists)) return;
    if (IsFileInUse(mp3)) {
      ShowMessage(nullptr, mp3 + " maybe be used!", TMsgIcon::Error);
      return;
    }
  }
  mp3Confirmed_ = true;
  const int32_t format = OptionsSetting.CommonOptions.OutputFormat;
  OptionsSetting.CommonOptions.OutputFormat = 0;
  if (RunMp3Job) RunMp3Job(documentFile_);
  OptionsSetting.CommonOptions.OutputFormat = format;
}

void TRecorder::FinishRecording() {
  if (device_.Mode() != TWaveMode::Recording) return;
  try {
    device_.Stop();
    device_.Save();
  } catch (const std::exception& e) {
    qCWarning(lcRecorder) << "saving the recording:" << e.what();
    ShowMessage(nullptr, kSaveSoundError, TMsgIcon::Error);
  }
}

bool TRecorder::CloseQuery() {
  ExpectMainThread(Q_FUNC_INFO);
  view_.PlayTimerOn = false;
  // Unlike a plain close, a cancelled save question keeps the window, so
  // the working copy with its recording is not thrown away.
  if (!QuerySave(true)) {
    Refresh();
    return false;
  }
  device_.Close();
  QFile::remove(WorkFile());
  return true;
}

void TRecorder::PlayClick() {
  if (!(view_.Buttons & rbPlay)) return;
  if (view_.Slider == kSliderMax) view_.Slider = 0;
  int64_t from = device_.Position();
  if (!view_.PlayTimerOn) {
    playPosition_ = SliderMs();
    from = playPosition_;
  }
  view_.State = "Playing...";
  SetButtons(rbPause | rbStop | rbNext | rbPrev);
  view_.PlayTimerOn = true;
  try {
    device_.Play(from);
  } catch (const std::exception& e) {
    qCWarning(lcRecorder) << "playback:" << e.what();
    ShowMessage(nullptr, kInitError, TMsgIcon::Error);
    view_.PlayTimerOn = false;
    view_.State = kIdle;
    SetButtons(rbPlay | rbNext | rbPrev | rbRecord);
  }
  Refresh();
}

void TRecorder::StopClick() {
  if (!(view_.Buttons & rbStop)) return;
  view_.Slider = 0;
  view_.PlayTimerOn = false;
  if (view_.RecordTimerOn) {
    const int wait = StopWaitMs(lastMillis_);
    if (wait > 0) Wait(wait);
    ShowRecordTime();
    view_.RecordTimerOn = false;
  }
  SetButtons(rbPlay | rbNext | rbPrev | rbRecord);
  view_.State = kIdle;
  if (device_.Mode() == TWaveMode::Recording) {
    // Everything captured until now goes into the device's file.
    try {
      device_.Stop();
      device_.Save();
    } catch (const std::exception& e) {
      qCWarning(lcRecorder) << "saving the recording:" << e.what();
      ShowMessage(nullptr, kSaveSoundError, TMsgIcon::Error);
    }
    view_.Slider = kSliderMax;
    view_.Length = DurationText(device_.Length());
    view_.State = "Record over!";
    FinishRecording();
  }
  device_.Stop();
  Refresh();
}

void TRecorder::NextClick() {
  if (!(view_.Buttons & rbNext)) return;
  view_.Slider = kSliderMax;
  SetButtons(rbPlay | rbPrev | rbRecord);
  device_.Seek(device_.Length());
  Refresh();
}

void TRecorder::PrevClick() {
  if (!(view_.Buttons & rbPrev)) return;
  view_.Slider = 0;
  SetButtons(rbPlay | rbNext | rbRecord);
  device_.Seek(0);
  Refresh();
}

void TRecorder::RecordClick() {
  if (!(view_.Buttons & rbRecord)) return;
  // A named document records from the slider's place; a new recording
  // goes on from where the device stands.
  const int64_t from = QFileInfo::exists(WorkFile()) && device_.FileName() == WorkFile()
                           ? SliderMs()
                           : device_.Position();
  recordStart_ = Now();
  lastMillis_ = 0;
  try {
    device_.Record(from);
  } catch (const std::exception& e) {
    qCWarning(lcRecorder) << "recording:" << e.what();
    ShowMessage(nullptr, kInitError, TMsgIcon::Error);
    Refresh();
    return;
  }
  view_.RecordTimerOn = true;
  SetButtons(rbStop);
  view_.State = kRecording;
  modified_ = true;
  Refresh();
}

void TRecorder::SliderMoved(int value) {
  view_.Slider = std::clamp(value, 0, kSliderMax);
  if (device_.IsOpen() && device_.Length() > 0) view_.Position = DurationText(SliderMs());
  Refresh();
}

void TRecorder::ShowRecordTime() {
  const int64_t elapsed = std::max<int64_t>(recordStart_.msecsTo(Now()), 0);
  lastMillis_ = int(elapsed % 1000);
  view_.RecordTime = RecordTimeText(elapsed);
}

void TRecorder::RecordTimerTick() {
  if (!view_.RecordTimerOn) return;
  ShowRecordTime();
  Refresh();
}

void TRecorder::PlayTimerTick() {
  if (!view_.PlayTimerOn) return;
  playPosition_ += kPlayIntervalMs;
  const int64_t length = device_.Length();
  if (playPosition_ < length) {
    view_.Slider = int(playPosition_ * kSliderMax / length);
  } else {
    view_.Slider = kSliderMax;
    view_.PlayTimerOn = false;
    SetButtons(rbPlay | rbPrev | rbRecord);
    view_.State = kIdle;
  }
  Refresh();
}
