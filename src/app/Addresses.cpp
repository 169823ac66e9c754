#include "app/Addresses.h"

#include "platform/ProgramFolder.h"

#include <QUrl>

QString HelpFilePath() { return ProgramFolder() + "Trackwell.html"; }

QString HomePageAddress() { return QUrl::fromLocalFile(HelpFilePath()).toString(); }
