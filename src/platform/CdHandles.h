#pragma once

// The drive library's table of open handles 1..10. Each slot has its own
// lock, so a sector read on one handle never waits for the table.

#include "platform/CdDisc.h"
#include "platform/CdDrives.h"
#include "platform/CdSecureRead.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

struct TCdHandleSlot {
  std::mutex Mutex;  // held for every operation on this handle
  TCdDriveInfo Drive;
  bool Msf = false;  // ReadTOC addresses in minutes, seconds, frames
  TCdReadMode ReadMode;
  std::unique_ptr<TCdDisc> Disc;
  // An image's files as they were when its disc was opened.
  std::optional<TImagePaths> ImageFiles;
  std::optional<TImageStamp> ImageStampAtOpen;

  // The last media signature of a physical drive, kept for the polls that
  // find the drive busy. Guarded by SignatureMutex, not Mutex.
  std::mutex SignatureMutex;
  QString LastSignature;

  // The disc in the drive, opened on first use. An image is reopened when
  // its files changed; with refresh, a physical drive's table of contents is
  // read again when the drive reports a changed medium (or cannot tell).
  // Caller holds Mutex. Null with *error set when there is no readable disc.
  TCdDisc* CurrentDisc(bool refresh, int32_t* error);
};

// Whether a poll of a physical drive rereads its table of contents: never
// while another operation holds the drive (an extraction, playback); else
// when no disc is open or the drive reports, or cannot rule out, a change.
bool MediaPollRereads(bool driveBusy, bool discOpen, int mediaChanged);

// The slot of a handle, null for a handle that is not open.
std::shared_ptr<TCdHandleSlot> FindCdHandle(int32_t handle);
// Takes the lowest free handle for the drive; 0 when all ten are in use.
int32_t AddCdHandle(const TCdDriveInfo& drive);
bool RemoveCdHandle(int32_t handle);

void SetCdLastError(int32_t code);
int32_t CdLastError();
