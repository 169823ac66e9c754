#include "encoders/CommandLine.h"

void TCommandLine::AddSwitch(const QString& name, const QStringList& values) {
  Text += QLatin1Char(' ') + name;
  Arguments.append(name);
  for (const QString& v : values) {
    Text += QLatin1Char(' ') + v;
    Arguments.append(v);
  }
}

void TCommandLine::AddSwitchValue(const QString& name, const QString& value) {
  AddSwitch(name, {value});
}

void TCommandLine::AddQuotedPath(const QString& path) {
  Text += QStringLiteral(" \"") + path + QLatin1Char('"');
  Arguments.append(PathArgument(path));
}

void TCommandLine::AddSwitchPath(const QString& name, const QString& path) {
  Text += QLatin1Char(' ') + name;
  Arguments.append(name);
  AddQuotedPath(path);
}

void TCommandLine::AddHiddenArgument(const QString& argument) { Arguments.append(argument); }

QString PathArgument(const QString& path) {
  if (path.startsWith(QLatin1Char('-'))) return QStringLiteral("./") + path;
  return path;
}
