#pragma once

#include <QString>

// The folder of the program's executable, with a trailing "/". Everything
// kept "beside the program" (options.ini, cdinfo.dat, discs/, skins, the
// recorder's working files) lives here. Main thread only.
QString ProgramFolder();

// Tests point the program folder at a temporary folder. An empty folder
// restores the executable's folder.
void SetProgramFolder(const QString& folder);
