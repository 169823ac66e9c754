#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

// One row of the track list as the extract command sees it.
struct TTrackChoice {
  QString Title;
  bool Checked = false;
};

// The kind-1 job items: one per ticked row, in list order, made of the row's
// position counted from 1 in two digits directly followed by its title.
QStringList BuildRipJobList(const std::vector<TTrackChoice>& rows);

// True when the output folder exists; otherwise tells the user to check the
// setting and returns false.
bool CheckOutputFolder(QWidget* parent);

struct TExtractInput {
  QWidget* Owner = nullptr;
  int32_t CDHandle = 0;
  std::vector<TTrackChoice> Rows;
  std::function<bool()> IsPlaying;  // CD playback running
  std::function<void()> StopPlayback;
  // Shows the rip's AccurateRip verdict in the main window's status line.
  std::function<void(const QString&)> ShowStatus;
};

// The Extract command: checks drive, selection, output folder (offering to
// create a missing one) and length limit, then hands a kind-1 request to the
// job runner. Returns true when a job was requested. A folder that cannot be
// created raises EAppError "Cannot create <folder>"; errors of the job runner
// itself are swallowed.
bool ExecuteExtract(const TExtractInput& input);
