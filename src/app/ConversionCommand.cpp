#include "app/ConversionCommand.h"

#include "app/ExtractCommand.h"
#include "app/JobLauncher.h"
#include "platform/Dialogs.h"

#include <stdexcept>

QString ConversionFilter(uint8_t jobKind) {
  if (jobKind == kJobMp3ToWav) return QStringLiteral("MP3 file(*.mp3)|*.mp3| Any file(*.*)|*.*");
  return QStringLiteral("Sound file(*.wav)|*.wav| Any file(*.*)|*.*");
}

bool ExecuteConversion(QWidget* owner, uint8_t jobKind) {
  if (jobKind != kJobWavToMp3 && jobKind != kJobMp3ToWav && jobKind != kJobWavToOgg &&
      jobKind != kJobWavToWma)
    throw std::invalid_argument("not a file conversion kind");

  TFileDialogRequest dialog;
  dialog.Filter = ConversionFilter(jobKind);
  dialog.FileName.clear();
  dialog.MultiSelect = true;
  const QStringList files = Dialogs().OpenFiles(owner, dialog);
  if (files.isEmpty()) return false;

  if (!CheckOutputFolder(owner)) return false;

  TJobRequest request;
  request.Owner = owner;
  request.JobKind = jobKind;
  request.CDHandle = 0;
  request.List = files;
  if (jobKind == kJobWavToOgg || jobKind == kJobWavToWma) {
    try {
      OpenJobRunner(request);
    } catch (...) {
      // These runs report their own failures; nothing more to show.
    }
  } else {
    OpenJobRunner(request);
  }
  return true;
}
