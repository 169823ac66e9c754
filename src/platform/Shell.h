#pragma once

#include <QString>

#include <functional>

// Opens a file, folder or web address with the desktop's handler (the
// shell's "Open" verb). Returns false when nothing could be started.
bool ShellOpen(const QString& pathOrUrl);

// Tests see what would be opened instead of starting the desktop's handler;
// an empty hook restores it.
using TShellOpenHook = std::function<bool(const QString&)>;
void SetShellOpenHook(TShellOpenHook hook);
