#include "app/DriveControl.h"

#include "app/CdPlayer.h"
#include "platform/MainThread.h"

#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>

namespace {
Q_LOGGING_CATEGORY(lcDriveControl, "trackwell.app.drivecontrol")
}

void EjectCDExecute(int32_t cdHandle) {
  ExpectMainThread(Q_FUNC_INFO);
  if (!TCdPlayer::DoorOpen(cdHandle))
    qCWarning(lcDriveControl) << "the tray of CD handle" << cdHandle
                              << "did not open (a disc image has none)";
}

void CloseCDExecute(int32_t cdHandle) {
  ExpectMainThread(Q_FUNC_INFO);
  if (!TCdPlayer::DoorClosed(cdHandle))
    qCWarning(lcDriveControl) << "the tray of CD handle" << cdHandle
                              << "did not close (a disc image has none)";
}

TProgramCall VolumeControlCall(const std::function<QString(const QString&)>& find) {
  auto located = [&find](const QString& name) {
    return find ? find(name) : QStandardPaths::findExecutable(name);
  };
  if (const QString mixer = located("pavucontrol"); !mixer.isEmpty()) return {mixer, {}};
  const QString terminal = located("x-terminal-emulator");
  return {terminal.isEmpty() ? QStringLiteral("x-terminal-emulator") : terminal,
          {"-e", "alsamixer"}};
}

bool VolumeControlExecute() {
  ExpectMainThread(Q_FUNC_INFO);
  const TProgramCall call = VolumeControlCall();
  if (QProcess::startDetached(call.Program, call.Arguments)) return true;
  qCWarning(lcDriveControl) << "could not start the volume control" << call.Program
                            << call.Arguments;
  return false;
}
