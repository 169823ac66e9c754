// The shared routines that ask the CD drive library.
#include "settings/SharedRoutines.h"

#include "platform/CdDriveLibrary.h"
#include "platform/CdDrives.h"

bool IsAudioCDDrive(int drivePosition) { return CdDriveHasAudio(drivePosition); }

bool CloseCD(int32_t handle) { return handle == 0 || CloseCDHandle(handle) != 0; }
