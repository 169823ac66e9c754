#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class TDriveAccess;

// Polls the open drive's media once a second (for a disc image: the .cue or
// .bin appearing, disappearing or changing) and emits Arrived() / Removed()
// on the main thread. A changed disc emits Removed() then Arrived(). It only
// signals; the receiver runs LoadTrackList or ClearRows.
class TMediaWatcher : public QObject {
  Q_OBJECT

 public:
  explicit TMediaWatcher(TDriveAccess* drive, QObject* parent = nullptr);

  // Takes the current media state as the starting point, then polls.
  void Start();
  void Stop();
  // One poll at once (tests, and after the drive was changed).
  void PollNow();

 signals:
  void Arrived();
  void Removed();

 private:
  TDriveAccess* drive_;
  QTimer timer_;
  int32_t lastHandle_ = 0;
  QString lastSignature_;
};
