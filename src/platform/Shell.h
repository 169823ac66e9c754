#pragma once

#include <QString>

// Opens a file, folder or web address with the desktop's handler (the
// shell's "Open" verb). Returns false when nothing could be started.
bool ShellOpen(const QString& pathOrUrl);
