#pragma once

// The drive library's table of open handles 1..10. Each slot has its own
// lock, so a sector read on one handle never waits for the table.

#include "platform/CdDisc.h"
#include "platform/CdDrives.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>

struct TCdHandleSlot {
  std::mutex Mutex;  // held for every operation on this handle
  TCdDriveInfo Drive;
  bool Msf = false;  // ReadTOC addresses in minutes, seconds, frames
  std::unique_ptr<TCdDisc> Disc;
  QString ImageSignatureAtOpen;

  // The disc in the drive, opened on first use. An image is reopened when
  // its files changed; reopen forces it (a drive's table of contents).
  // Caller holds Mutex. Null with *error set when there is no readable disc.
  TCdDisc* CurrentDisc(bool reopen, int32_t* error);
};

// The slot of a handle, null for a handle that is not open.
std::shared_ptr<TCdHandleSlot> FindCdHandle(int32_t handle);
// Takes the lowest free handle for the drive; 0 when all ten are in use.
int32_t AddCdHandle(const TCdDriveInfo& drive);
bool RemoveCdHandle(int32_t handle);

void SetCdLastError(int32_t code);
int32_t CdLastError();
