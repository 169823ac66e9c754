#include "CdTestDrives.h"

#include "platform/CdDriveLibrary.h"

#include <cstring>

int32_t OpenDriveByProduct(const char* product) {
  CDList list{};
  list.Capacity = kCDListCapacity;
  GetCDList(&list);
  for (int i = 0; i < list.Count; ++i) {
    if (std::strcmp(list.Entries[i].Product, product) != 0) continue;
    CDHandleRequest request{};
    request.Size = 12;
    request.Version = 1;
    request.HostAdapter = list.Entries[i].HostAdapter;
    request.Target = list.Entries[i].Target;
    request.Lun = list.Entries[i].Lun;
    return GetCDHandle(&request);
  }
  return 0;
}
