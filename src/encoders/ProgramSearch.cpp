#include "encoders/ProgramSearch.h"

#include "platform/ProgramFolder.h"

#include <QFileInfo>
#include <QStandardPaths>

QString FindHelperProgram(const QString& name) {
  const QFileInfo beside(ProgramFolder() + name);
  if (beside.isFile() && beside.isExecutable()) return beside.absoluteFilePath();
  return QStandardPaths::findExecutable(name);
}
