#include "platform/CdDriveLibrary.h"

#include "platform/CdDrives.h"
#include "platform/CdHandles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
int32_t Fail(int32_t code) {
  SetCdLastError(code);
  return 0;
}

void CopyText(char* field, size_t fieldSize, const QByteArray& text) {
  std::memset(field, 0, fieldSize);
  std::memcpy(field, text.constData(), std::min<size_t>(text.size(), fieldSize - 1));
}

void PutAddress(CDTOCEntry& entry, int64_t lsn, bool msf) {
  if (msf) {
    const int64_t absolute = lsn + 150;
    entry.Address[0] = 0;
    entry.Address[1] = static_cast<uint8_t>(std::min<int64_t>(absolute / (75 * 60), 255));
    entry.Address[2] = static_cast<uint8_t>((absolute / 75) % 60);
    entry.Address[3] = static_cast<uint8_t>(absolute % 75);
  } else {
    const uint32_t value = static_cast<uint32_t>(lsn);
    for (int i = 0; i < 4; ++i) entry.Address[i] = static_cast<uint8_t>(value >> (8 * i));
  }
}
}  // namespace

int32_t GetCDList(CDList* list) {
  if (!list) return Fail(kCdErrBadArgument);
  const int capacity = std::min<int>(list->Capacity, kCDListCapacity);
  const std::vector<TCdDriveInfo> drives = ListCdDrives();
  const int count = std::min<int>(capacity, static_cast<int>(drives.size()));
  list->Count = static_cast<uint8_t>(count);
  for (int i = 0; i < count; ++i) {
    CDListEntry& entry = list->Entries[i];
    std::memset(&entry, 0, sizeof entry);
    entry.HostAdapter = drives[i].HostAdapter;
    entry.Target = drives[i].Target;
    entry.Lun = drives[i].Lun;
    CopyText(entry.Vendor, sizeof entry.Vendor, drives[i].Vendor);
    CopyText(entry.Product, sizeof entry.Product, drives[i].Product);
  }
  if (count == 0) SetCdLastError(kCdErrNoDrive);
  return count;
}

int32_t GetCDHandle(CDHandleRequest* request) {
  if (!request || request->Size != sizeof(CDHandleRequest)) return Fail(kCdErrBadArgument);
  for (const TCdDriveInfo& drive : ListCdDrives()) {
    if (drive.HostAdapter != request->HostAdapter || drive.Target != request->Target ||
        drive.Lun != request->Lun)
      continue;
    const int32_t handle = AddCdHandle(drive);
    return handle ? handle : Fail(kCdErrNoHandleFree);
  }
  return Fail(kCdErrNoDrive);
}

int32_t CloseCDHandle(int32_t handle) { return RemoveCdHandle(handle) ? 1 : Fail(kCdErrBadHandle); }

int32_t ModifyCDParms(int32_t handle, int32_t parameter, uint32_t value) {
  auto slot = FindCdHandle(handle);
  if (!slot) return Fail(kCdErrBadHandle);
  if (parameter != kModifyMsfAddressing) return Fail(kCdErrBadArgument);
  std::lock_guard lock(slot->Mutex);
  slot->Msf = value != 0;
  return 1;
}

int32_t ReadTOC(int32_t handle, CDTOC* toc) {
  auto slot = FindCdHandle(handle);
  if (!slot) return Fail(kCdErrBadHandle);
  if (!toc) return Fail(kCdErrBadArgument);
  std::lock_guard lock(slot->Mutex);
  int32_t error = kCdOk;
  // A drive may hold another disc by now; an image is reopened when it changed.
  TCdDisc* disc = slot->CurrentDisc(!slot->Drive.IsImage, &error);
  if (!disc) return Fail(error);
  const TCdLayout& layout = disc->Layout();
  std::memset(toc, 0, sizeof *toc);
  const int tracks = static_cast<int>(layout.Tracks.size());
  toc->FirstTrack = static_cast<uint8_t>(layout.FirstTrack);
  toc->LastTrack = static_cast<uint8_t>(layout.LastTrack);
  toc->Length = static_cast<uint16_t>(2 + 8 * (tracks + 1));
  for (int i = 0; i < tracks; ++i) {
    CDTOCEntry& entry = toc->Entries[i];
    entry.AdrControl = static_cast<uint8_t>(0x10 | (layout.Tracks[i].IsAudio ? 0x00 : 0x04));
    entry.TrackNumber = static_cast<uint8_t>(layout.Tracks[i].Number);
    PutAddress(entry, layout.Tracks[i].StartLsn, slot->Msf);
  }
  CDTOCEntry& leadOut = toc->Entries[tracks];
  leadOut.AdrControl = 0x10;
  leadOut.TrackNumber = kLeadOutTrack;
  PutAddress(leadOut, layout.LeadOutLsn, slot->Msf);
  return 1;
}

int32_t ReadCDAudioLBA(int32_t handle, TrackBuffer* buffer) {
  if (!buffer) return Fail(kCdErrBadArgument);
  buffer->Len = 0;
  buffer->StartOffset = 0;
  auto slot = FindCdHandle(handle);
  if (!slot) {
    buffer->Status = kCdErrBadHandle;
    return Fail(kCdErrBadHandle);
  }
  const uint32_t count = buffer->NumFrames;
  if (count < 1 || count > kMaxSectorsPerRead ||
      buffer->MaxLen < static_cast<uint64_t>(count) * kRawSectorBytes) {
    buffer->Status = kCdErrBadArgument;
    return Fail(kCdErrBadArgument);
  }
  std::lock_guard lock(slot->Mutex);
  int32_t error = kCdOk;
  TCdDisc* disc = slot->CurrentDisc(false, &error);
  // Sector 0 is where the first track starts, which on a disc with audio
  // hidden before track 1 lies past the disc's first sector.
  if (disc && ReadAudioRange(*disc, disc->Layout().Tracks.front().StartLsn + buffer->StartFrame,
                             static_cast<int>(count), slot->ReadMode, buffer->Data(), &error)) {
    buffer->Len = count * kRawSectorBytes;
    buffer->Status = kCdOk;
    return 1;
  }
  buffer->Status = static_cast<uint32_t>(error);
  return Fail(error);
}

int32_t GetAspiLibError() { return CdLastError(); }

int32_t CdSetReadMode(int32_t handle, bool secure, int32_t offsetSamples) {
  auto slot = FindCdHandle(handle);
  if (!slot) return Fail(kCdErrBadHandle);
  std::lock_guard lock(slot->Mutex);
  slot->ReadMode.Secure = secure;
  slot->ReadMode.OffsetSamples = offsetSamples;
  slot->ReadMode.Paranoia = secure && !slot->Drive.IsImage;
  return 1;
}

int32_t CdSetParanoia(int32_t handle, bool on) {
  auto slot = FindCdHandle(handle);
  if (!slot) return Fail(kCdErrBadHandle);
  std::lock_guard lock(slot->Mutex);
  slot->ReadMode.Paranoia = on;
  return 1;
}

std::vector<int64_t> CdTakeSuspiciousSectors(int32_t handle) {
  auto slot = FindCdHandle(handle);
  if (!slot) return {};
  std::lock_guard lock(slot->Mutex);
  // The disc the last read used; asking again would stat an image's files
  // on every read of a rip.
  TCdDisc* disc = slot->Disc.get();
  if (!disc) return {};
  std::vector<int64_t> sectors = disc->TakeSuspiciousSectors();
  const int64_t origin = disc->Layout().Tracks.front().StartLsn;
  for (int64_t& s : sectors) s -= origin;
  return sectors;
}

void TTrackBufferDeleter::operator()(TrackBuffer* buffer) const { std::free(buffer); }

TTrackBufferPtr NewTrackBuffer(int sectors) {
  sectors = std::clamp(sectors, 1, kMaxSectorsPerRead);
  const size_t capacity = static_cast<size_t>(sectors) * kRawSectorBytes;
  void* memory = std::calloc(1, sizeof(TrackBuffer) + capacity);
  if (!memory) throw std::bad_alloc();
  TTrackBufferPtr buffer(static_cast<TrackBuffer*>(memory));
  buffer->NumFrames = static_cast<uint32_t>(sectors);
  buffer->MaxLen = static_cast<uint32_t>(capacity);
  return buffer;
}
