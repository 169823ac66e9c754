#pragma once

#include "jobs/RipReport.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <cstdint>
#include <thread>

struct CDTOC;

// End-of-track outcomes carried in the Status of the Code 1000 message.
enum TRipStatus : int32_t {
  kRipDone = 0,
  kRipReadFailed = 3,
  kRipCannotCreate = 5,
  kRipWriteFailed = 6,  // disk full or similar; the partial file is removed
};

inline constexpr int32_t kCodeNormalizeBegins = 999;
inline constexpr int32_t kCodeTrackEnded = 1000;

// Copies one track of the disc into OutputFolder/<Title>.wav, posting
// progress and exactly one Code 1000 message to NotifyWindow (none when
// stopped). Created suspended: set CDHandle and NotifyWindow, then Resume.
// The fields are written before Resume and only read by the thread; Stopped
// is the one field shared while it runs. Destruction waits for the thread.
class TCDRipThread {
 public:
  TCDRipThread(int trackNumber, QString title);
  ~TCDRipThread();
  TCDRipThread(const TCDRipThread&) = delete;
  TCDRipThread& operator=(const TCDRipThread&) = delete;

  // Starts the thread body; a second call does nothing.
  void Resume();
  // Blocks until the thread body has returned (at once when never resumed).
  void WaitFor();
  bool Finished() const { return finished_; }

  int TrackNumber;
  QString Title;
  int32_t CDHandle = 0;
  QPointer<QObject> NotifyWindow;
  std::atomic<bool> Stopped{false};

  // The file the thread writes; valid once constructed.
  QString OutputPath() const;

  // Filled by the thread; read it once the thread has ended (WaitFor).
  TRipTrackReport Report;

 private:
  void Execute();
  void ExtractionLoop(const QString& path, int64_t length, int64_t firstSector);
  void PostEnd(int32_t status);
  void PostProgress(int code, double elapsedSeconds);
  // Ids and edge flags of the disc, for the checksums and the lookup.
  void DescribeDisc(const CDTOC& toc, int tracks);
  void VerifyWithAccurateRip();
  // Adds the sectors the drive could not verify in the last read.
  void NoteSuspiciousSectors();

  bool firstAudioTrack_ = false;
  bool lastAudioTrack_ = false;
  int audioIndex_ = -1;       // position among the disc's audio tracks
  int64_t trackSectors_ = 0;  // the whole track, before a length limit

  std::thread thread_;
  std::atomic<bool> finished_{false};
};
