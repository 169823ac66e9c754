#include "DiscImageCommand.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList arguments = app.arguments();
  arguments.removeFirst();
  TDiscImageCommand command;
  QString error;
  if (!ParseDiscImageCommand(arguments, &command, &error)) {
    std::fprintf(stderr, "trackwell-discimage: %s\n", qPrintable(error));
    return 2;
  }
  const int code = RunDiscImageCommand(command, &error);
  if (code != 0) std::fprintf(stderr, "trackwell-discimage: %s\n", qPrintable(error));
  return code;
}
