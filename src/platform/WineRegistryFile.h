#pragma once

#include <QString>

#include <functional>

class TRegistryText;

// The current user's hive of the Wine prefix, where Windows programs run
// under Wine keep HKEY_CURRENT_USER: $WINEPREFIX/user.reg, else
// ~/.wine/user.reg.
QString WineUserRegistryPath();

// Runs edit over the hive's text and returns its count. When the count is
// above 0 the whole text is written back in one step (a new file renamed
// over the old one, so a failure leaves the old file as it was). A hive that
// is missing or cannot be read is edited as an empty text; when it cannot
// be written back nothing was deleted and the result is 0. Main thread only.
int EditRegistryFile(const QString& path, const std::function<int(TRegistryText&)>& edit);
