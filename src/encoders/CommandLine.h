#pragma once

#include <QString>
#include <QStringList>

// A child's command line in two forms built side by side: Text is the
// Windows-style string (what is shown and compared), Arguments the argument
// vector the child is really started with. No shell ever sees either.
struct TCommandLine {
  QString Text;
  QStringList Arguments;

  // A switch with its values: Text gets " -b 128", Arguments "-b", "128".
  void AddSwitch(const QString& name, const QStringList& values = {});
  // A switch whose value is inserted as it stands (no quotes in Text).
  void AddSwitchValue(const QString& name, const QString& value);
  // A file path: Text gets a blank and the quoted path; the argument is
  // the path, made unmistakable for a switch when it begins with "-".
  void AddQuotedPath(const QString& path);
  // A switch followed by a quoted path: " -input "src"".
  void AddSwitchPath(const QString& name, const QString& path);
  // Only in the argument vector (a switch the display string omits).
  void AddHiddenArgument(const QString& argument);
};

// "./-x.wav" for "-x.wav"; any other path unchanged.
QString PathArgument(const QString& path);
