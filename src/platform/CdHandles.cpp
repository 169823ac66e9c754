#include "platform/CdHandles.h"

#include "platform/CdDriveLibrary.h"

#include <array>
#include <atomic>

namespace {
std::mutex tableMutex;
std::array<std::shared_ptr<TCdHandleSlot>, kMaxCDHandles> table;
std::atomic<int32_t> lastError{kCdOk};
}  // namespace

bool MediaPollRereads(bool driveBusy, bool discOpen, int mediaChanged) {
  if (driveBusy) return false;
  return !discOpen || mediaChanged != 0;
}

TCdDisc* TCdHandleSlot::CurrentDisc(bool refresh, int32_t* error) {
  bool reopen = false;
  if (!Drive.IsImage && refresh && Disc)
    reopen = MediaPollRereads(false, true, Disc->MediaChanged());
  if (Drive.IsImage) {
    if (!ImageFiles) ImageFiles.emplace(Drive.Source);
    const std::optional<TImageStamp> stamp = ImageStamp(*ImageFiles);
    if (!stamp) {
      Disc.reset();
      *error = kCdErrNoMedia;
      return nullptr;
    }
    if (stamp != ImageStampAtOpen) reopen = true;
    ImageStampAtOpen = stamp;
  }
  if (reopen || !Disc) {
    Disc.reset();
    Disc = TCdDisc::Open(Drive.Source, Drive.IsImage, error);
    if (!Disc) return nullptr;
  }
  *error = kCdOk;
  return Disc.get();
}

std::shared_ptr<TCdHandleSlot> FindCdHandle(int32_t handle) {
  if (handle < 1 || handle > kMaxCDHandles) return nullptr;
  std::lock_guard lock(tableMutex);
  return table[handle - 1];
}

int32_t AddCdHandle(const TCdDriveInfo& drive) {
  std::lock_guard lock(tableMutex);
  for (int i = 0; i < kMaxCDHandles; ++i) {
    if (table[i]) continue;
    auto slot = std::make_shared<TCdHandleSlot>();
    slot->Drive = drive;
    table[i] = std::move(slot);
    return i + 1;
  }
  return 0;
}

bool RemoveCdHandle(int32_t handle) {
  if (handle < 1 || handle > kMaxCDHandles) return false;
  std::shared_ptr<TCdHandleSlot> slot;
  {
    std::lock_guard lock(tableMutex);
    slot = std::move(table[handle - 1]);
  }
  if (!slot) return false;
  // A read still running on another thread keeps the slot alive until done.
  return true;
}

void SetCdLastError(int32_t code) { lastError = code; }
int32_t CdLastError() { return lastError; }
