#pragma once

#include <QString>

// Full path of a helper program: the program folder first, then the
// folders of PATH. Empty when it is in neither or not executable.
QString FindHelperProgram(const QString& name);
