#include "cd/MediaWatcher.h"

#include "cd/DriveAccess.h"
#include "platform/CdDrives.h"

TMediaWatcher::TMediaWatcher(TDriveAccess* drive, QObject* parent)
    : QObject(parent), drive_(drive) {
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &TMediaWatcher::PollNow);
}

void TMediaWatcher::Start() {
  lastHandle_ = drive_->CDHandle();
  lastSignature_ = CdMediaSignature(lastHandle_);
  timer_.start();
}

void TMediaWatcher::Stop() { timer_.stop(); }

void TMediaWatcher::PollNow() {
  const int32_t handle = drive_->CDHandle();
  const QString signature = CdMediaSignature(handle);
  if (handle != lastHandle_) {
    // Another drive was opened and its list loaded by whoever opened it.
    lastHandle_ = handle;
    lastSignature_ = signature;
    return;
  }
  if (signature == lastSignature_) return;
  const bool hadDisc = !lastSignature_.isEmpty();
  lastSignature_ = signature;
  if (hadDisc) emit Removed();
  if (!signature.isEmpty()) emit Arrived();
}
