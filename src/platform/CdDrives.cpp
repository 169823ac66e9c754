#include "platform/CdDrives.h"

#include "platform/CdDriveLibrary.h"
#include "platform/CdHandles.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

#include <cdio/cdio.h>
#include <cdio/device.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace {
std::atomic<bool> hardwareScan{true};

// Cuts UTF-8 text to at most max bytes without splitting a character.
QByteArray CutUtf8(const QByteArray& text, int max) {
  if (text.size() <= max) return text;
  int end = max;
  while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80) --end;
  return text.left(end);
}

void AddHardwareDrives(std::vector<TCdDriveInfo>& drives) {
  char** devices = cdio_get_devices(DRIVER_DEVICE);
  if (!devices) return;  // no drive: NULL rather than an empty list
  for (char** d = devices; *d && drives.size() < kCDListCapacity; ++d) {
    TCdDriveInfo drive;
    drive.HostAdapter = 0;
    drive.Target = static_cast<uint8_t>(drives.size());
    drive.Source = QFile::decodeName(*d);
    drive.Product = CutUtf8(QFileInfo(drive.Source).fileName().toUtf8(), 16);
    if (CdIo_t* p = cdio_open(*d, DRIVER_DEVICE)) {
      cdio_hwinfo_t info{};
      if (cdio_get_hwinfo(p, &info)) SetInquiryNames(&drive, info.psz_vendor, info.psz_model);
      cdio_destroy(p);
    }
    drives.push_back(drive);
  }
  cdio_free_device_list(devices);
}

void AddImages(std::vector<TCdDriveInfo>& drives) {
  QDir discs(ProgramFolder() + "discs");
  const QStringList cues =
      discs.entryList({"*.cue"}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
  uint8_t position = 0;
  for (const QString& cue : cues) {
    if (drives.size() >= kCDListCapacity) break;
    TCdDriveInfo drive;
    drive.HostAdapter = 1;
    drive.Target = position++;
    drive.IsImage = true;
    drive.Source = discs.absoluteFilePath(cue);
    // Padded like a drive's eight-character vendor field, so the
    // description reads "Virtual <name>".
    drive.Vendor = "Virtual ";
    drive.Product = CutUtf8(QFileInfo(cue).completeBaseName().toUtf8(), 16);
    drives.push_back(drive);
  }
}
}  // namespace

void SetInquiryNames(TCdDriveInfo* drive, const QByteArray& vendor, const QByteArray& model) {
  // The vendor field is blank-padded to its 8 characters in inquiry data and
  // the product follows it directly, so the padding is part of the name.
  drive->Vendor = CutUtf8(vendor, 8).leftJustified(8, ' ');
  const QByteArray product = model.trimmed();
  if (!product.isEmpty()) drive->Product = CutUtf8(product, 16);
}

std::vector<TCdDriveInfo> ListCdDrives() {
  QuietCdioLogging();
  std::vector<TCdDriveInfo> drives;
  if (hardwareScan) AddHardwareDrives(drives);
  AddImages(drives);
  return drives;
}

void SetCdHardwareScan(bool enabled) { hardwareScan = enabled; }

QString CdMediaSignature(int32_t handle) {
  auto slot = FindCdHandle(handle);
  if (!slot) return {};
  if (slot->Drive.IsImage) return ImageSignature(slot->Drive.Source);
  // An extraction or playback holds the drive: the poll must not compete
  // with it, so it answers with what it saw last.
  std::unique_lock lock(slot->Mutex, std::try_to_lock);
  std::lock_guard signatureLock(slot->SignatureMutex);
  if (!lock.owns_lock()) return slot->LastSignature;
  int32_t error = kCdOk;
  TCdDisc* disc = slot->CurrentDisc(true, &error);
  QString signature;
  if (disc) {
    const TCdLayout& layout = disc->Layout();
    signature = QString::number(layout.FirstTrack);
    for (const TCdTrackInfo& track : layout.Tracks)
      signature += ':' + QString::number(track.StartLsn);
    signature += ':' + QString::number(layout.LeadOutLsn);
  }
  slot->LastSignature = signature;
  return signature;
}

bool CdReadLayout(int32_t handle, TCdLayout* layout) {
  auto slot = FindCdHandle(handle);
  if (!slot || !layout) {
    SetCdLastError(slot ? kCdErrBadArgument : kCdErrBadHandle);
    return false;
  }
  std::lock_guard lock(slot->Mutex);
  int32_t error = kCdOk;
  TCdDisc* disc = slot->CurrentDisc(!slot->Drive.IsImage, &error);
  if (!disc) {
    SetCdLastError(error);
    return false;
  }
  *layout = disc->Layout();
  return true;
}

bool CdDriveHasAudio(int position) {
  const std::vector<TCdDriveInfo> drives = ListCdDrives();
  if (position < 0 || position >= static_cast<int>(drives.size())) return false;
  int32_t error = kCdOk;
  std::unique_ptr<TCdDisc> disc =
      TCdDisc::Open(drives[position].Source, drives[position].IsImage, &error);
  return disc && disc->HasAudioTrack();
}

bool CdOpenTray(int32_t handle) {
  auto slot = FindCdHandle(handle);
  if (!slot || slot->Drive.IsImage) return false;
  std::lock_guard lock(slot->Mutex);
  slot->Disc.reset();
  const QByteArray path = QFile::encodeName(slot->Drive.Source);
  return cdio_eject_media_drive(path.constData()) == DRIVER_OP_SUCCESS;
}

bool CdCloseTray(int32_t handle) {
  auto slot = FindCdHandle(handle);
  if (!slot || slot->Drive.IsImage) return false;
  std::lock_guard lock(slot->Mutex);
  const QByteArray path = QFile::encodeName(slot->Drive.Source);
  driver_id_t driver = DRIVER_DEVICE;
  return cdio_close_tray(path.constData(), &driver) == DRIVER_OP_SUCCESS;
}
