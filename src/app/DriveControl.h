#pragma once

// The tray and volume commands of the main window. Main thread only.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

// Eject: opens the tray of the drive behind the handle and returns once it
// is open. Close CD: closes it. Neither touches the track list (the media
// poll empties and refills it). A disc image has no tray: nothing happens.
// Failures are logged, not shown.
void EjectCDExecute(int32_t cdHandle);
void CloseCDExecute(int32_t cdHandle);

// A program to start, without a shell.
struct TProgramCall {
  QString Program;
  QStringList Arguments;
};

// The desktop's volume control: pavucontrol when it is installed, else
// alsamixer in a terminal. `find` looks a program up (on PATH by default).
TProgramCall VolumeControlCall(const std::function<QString(const QString&)>& find = {});

// Starts the volume control detached; a failure is logged, not reported.
// Returns whether it started.
bool VolumeControlExecute();
