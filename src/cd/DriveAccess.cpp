#include "cd/DriveAccess.h"

#include "cd/DiscId.h"
#include "cd/TrackRows.h"
#include "platform/CdDriveLibrary.h"
#include "platform/CdDrives.h"
#include "settings/CDInfo.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <cstring>

namespace {
const char kNoDevices[] = "No CD devices found!";
const char kBadConfiguration[] = "CD device information error in your configration!";
const char kNoInformation[] = "Not get CD device information!";

CDList ReadDriveList() {
  CDList list;
  std::memset(&list, 0, sizeof list);
  list.Capacity = kCDListCapacity;
  GetCDList(&list);
  return list;
}

QString FieldText(const char* field, size_t size) {
  return QString::fromUtf8(field, static_cast<qsizetype>(strnlen(field, size)));
}

QString Description(const CDListEntry& entry) {
  return (FieldText(entry.Vendor, sizeof entry.Vendor) +
          FieldText(entry.Product, sizeof entry.Product))
      .left(26);
}
}  // namespace

TDriveAccess::~TDriveAccess() = default;

int32_t TDriveAccess::OpenDrive(int index) {
  const CDList list = ReadDriveList();
  if (list.Count == 0) {
    status_ = kNoDevices;
    handle_ = 0;
    return 0;
  }
  if (index < 0 || index >= list.Count) {
    status_ = kBadConfiguration;
    handle_ = 0;
    return 0;
  }
  const CDListEntry& entry = list.Entries[index];
  status_ = Description(entry);

  CDHandleRequest request;
  std::memset(&request, 0, sizeof request);
  request.Size = sizeof request;
  request.Version = 1;
  request.HostAdapter = entry.HostAdapter;
  request.Target = entry.Target;
  request.Lun = entry.Lun;
  int32_t handle = GetCDHandle(&request);
  if (handle == 0) {
    // All handles may be taken by earlier opens: free one and ask again.
    for (int32_t h = 1; h <= kMaxCDHandles; ++h) {
      if (CloseCD(h)) {
        handle = GetCDHandle(&request);
        break;
      }
    }
  }
  if (handle == 0) status_ = kNoDevices;
  handle_ = handle;
  return handle;
}

bool TDriveAccess::HasAudioCD() const { return IsAudioCDDrive(0); }

void TDriveAccess::LoadTrackList() {
  if (handle_ == 0) return;
  LoadDiscInfo(CurrentDiscKey());
  ModifyCDParms(handle_, kModifyMsfAddressing, 1);
  rows_.clear();
  CDTOC toc;
  std::memset(&toc, 0, sizeof toc);
  if (ReadTOC(handle_, &toc) != 1) {
    status_ = kNoInformation;
    return;
  }
  rows_ = BuildTrackRows(toc, OptionsSetting.CDInfo);
}

int TDriveAccess::DriveCount() const { return ReadDriveList().Count; }

QString TDriveAccess::DriveDescription(int index) const {
  const CDList list = ReadDriveList();
  if (index < 0 || index >= list.Count) return {};
  return Description(list.Entries[index]);
}

QStringList DriveDescriptions() {
  const CDList list = ReadDriveList();
  QStringList descriptions;
  for (int i = 0; i < list.Count && i < kCDListCapacity; ++i)
    descriptions << Description(list.Entries[i]);
  return descriptions;
}

QString TDriveAccess::CurrentDiscKey() const {
  TCdLayout layout;
  if (handle_ == 0 || !CdReadLayout(handle_, &layout)) return {};
  bool audio = false;
  std::vector<int64_t> starts;
  for (const TCdTrackInfo& track : layout.Tracks) {
    starts.push_back(track.StartLsn);
    audio = audio || track.IsAudio;
  }
  if (!audio) return {};
  return DiscKeyFromId(FreedbDiscId(starts, layout.LeadOutLsn));
}
