#pragma once

#include <QString>

#include <stdexcept>

// Raised by the child-process runners when a pipe or the child cannot be
// made or read. The text is a fixed message followed directly by the system
// error number in decimal, e.g. "Error while creating mp3 encoding process!2".
class EEncodeProcessError : public std::runtime_error {
 public:
  EEncodeProcessError(const QString& text, int errorNumber)
      : std::runtime_error((text + QString::number(errorNumber)).toStdString()),
        ErrorNumber(errorNumber) {}

  int ErrorNumber;
};
