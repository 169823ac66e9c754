#pragma once

#include <QString>

class QObject;

// Scales every 16-bit sample of a WAV file with a 44-byte header by
// percent / 100 (single precision, rounded half to even, saturated at the
// 16-bit limits), through "<name>.nor" beside it, which then replaces the
// file. Posts WM_PROCESS_INFO 999 and then a progress message whenever the
// percentage done moves on (checked before each 2048-byte block and before
// the final empty read). Reads and writes in large chunks. Runs on the
// extraction thread.
//
// Returns false on a read or write error (the WAV file then stays as it
// was and no ".nor" file is left behind) and when the ".nor" file cannot
// be put in place (both files then stay).
bool NormalizeFile(const QString& path, int percent, QObject* window);
