#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class QWidget;

struct TCloseInput {
  QWidget* Owner = nullptr;
  QStringList Titles;  // the track list's titles, in row order
  QString DiscKey;     // catalogue key of the disc, empty when none
  int32_t CDHandle = 0;
  bool Playing = false;
  std::function<void()> StopPlayer;  // stops and closes CD playback
};

// What the main window does when it closes: the rows' titles into the disc
// record, the record into the catalogue, playback stopped (it reads through
// the handle), the CD handle closed (a failure is reported and closing goes
// on), the settings written.
// A refused write throws TProfileWriteError and skips the later steps.
void RunCloseSequence(const TCloseInput& input);

// On the first start after the ASPI layer was installed under its spare name
// "DovaRuvo.dll" (and "wnaspi32.dll" is missing), renames it in the program
// folder. Returns true when it renamed the file; the user then has to restart.
bool RenameAspiLayerIfNeeded();
