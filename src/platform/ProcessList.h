#pragma once

#include <QString>

// True when a process of this user's machine runs the executable of that
// name (compared without regard to case): its /proc name, or the last part
// of its first argument, split at "/" or "\" as Wine passes Windows paths.
// procRoot is "/proc" outside tests.
bool IsProcessRunning(const QString& executableName, const QString& procRoot = "/proc");
