#pragma once

#include <QString>

// True when the text can be used as one file name on Linux and Windows
// alike: not empty, not "." or "..", no \ / : * ? " < > | and no control
// characters. Titles that fail this never name a file.
bool IsValidFileName(const QString& name);
