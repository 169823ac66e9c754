// The CDDB exchange of the drive library. Until the freedb client lands,
// each operation fails with kCdErrCddbUnavailable and touches no output.
#include "platform/CdDriveLibrary.h"
#include "platform/CdHandles.h"

int32_t CDDBSetOption(int32_t, const char*, int32_t) {
  SetCdLastError(kCdErrCddbUnavailable);
  return 0;
}

int32_t CDDBQuery(int32_t handle, CDDBQueryRecord* query) {
  if (!FindCdHandle(handle) || !query) {
    SetCdLastError(query ? kCdErrBadHandle : kCdErrBadArgument);
    return 0;
  }
  query->Count = 0;
  SetCdLastError(kCdErrCddbUnavailable);
  return 0;
}

int32_t CDDBGetDiskInfo(const CDDBQueryItem*, char* text, int32_t size) {
  if (text && size > 0) text[0] = '\0';
  SetCdLastError(kCdErrCddbUnavailable);
  return 0;
}
