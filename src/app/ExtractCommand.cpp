#include "app/ExtractCommand.h"

#include "app/AppErrors.h"
#include "app/JobLauncher.h"
#include "platform/Dialogs.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <exception>

Q_LOGGING_CATEGORY(lcExtract, "trackwell.app.extract")

namespace {

bool FolderExists(const QString& folder) { return !folder.isEmpty() && QFileInfo(folder).isDir(); }

}  // namespace

QStringList BuildRipJobList(const std::vector<TTrackChoice>& rows) {
  QStringList items;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].Checked) items << FormatTwoDigits(static_cast<int>(i) + 1) + rows[i].Title;
  }
  return items;
}

bool CheckOutputFolder(QWidget* parent) {
  if (FolderExists(OptionsSetting.CommonOptions.OutputFolder)) return true;
  ShowMessage(parent,
              QStringLiteral("The output directory does not exist.") +
                  QStringLiteral("Please check the output directory setting."),
              TMsgIcon::Information);
  return false;
}

bool ExecuteExtract(const TExtractInput& input) {
  if (input.CDHandle == 0) {
    ShowMessage(input.Owner, "Please access CD devices rightly above all!", TMsgIcon::Information);
    return false;
  }
  bool anyTicked = false;
  for (const TTrackChoice& row : input.Rows) anyTicked = anyTicked || row.Checked;
  if (!anyTicked) {
    ShowMessage(input.Owner, "Please select a track at least!", TMsgIcon::Information);
    return false;
  }

  const QString folder = OptionsSetting.CommonOptions.OutputFolder;
  if (!FolderExists(folder)) {
    const QString question =
        folder + "," + "The output directory does not exist." + "\r\n" + "creates a new directory?";
    if (ShowMessage(input.Owner, question, TMsgIcon::Information, TMsgButtons::YesNo) !=
        TMsgResult::Yes)
      return false;
    // One level only: the parent has to exist already.
    if (folder.isEmpty() || !QDir().mkdir(folder)) throw EAppError("Cannot create " + folder);
  }

  if (input.IsPlaying && input.IsPlaying() && input.StopPlayback) input.StopPlayback();

  if (OptionsSetting.CommonOptions.EnableRipTime && OptionsSetting.CommonOptions.RipTime == 0) {
    ShowMessage(input.Owner,
                "You select to extract 0 second length, please change it on Options dialog.",
                TMsgIcon::Information);
    return false;
  }

  TJobRequest request;
  request.Owner = input.Owner;
  request.JobKind = kJobRipTracks;
  request.CDHandle = input.CDHandle;
  request.List = BuildRipJobList(input.Rows);

  if (!CheckOutputFolder(input.Owner)) return false;

  try {
    const QString verdict = OpenJobRunner(request);
    if (!verdict.isEmpty() && input.ShowStatus) input.ShowStatus(verdict);
  } catch (const std::exception& e) {
    // A job runner that fails to start has told the user what it could.
    qCWarning(lcExtract) << "the job runner did not start:" << e.what();
  } catch (...) {
    qCWarning(lcExtract) << "the job runner did not start";
  }
  return true;
}
