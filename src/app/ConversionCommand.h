#pragma once

#include <QString>

#include <cstdint>

class QWidget;

// The file dialog filter of a conversion kind (2, 3, 5 or 6).
QString ConversionFilter(uint8_t jobKind);

// A file conversion command (WAV to MP3, MP3 to WAV, WAV to OGG, WAV to WMA):
// asks for source files, checks the output folder and hands the chosen paths
// to the job runner. Returns true when a job was requested. Errors of the job
// runner are swallowed for the Ogg and WMA kinds and passed on for the others.
bool ExecuteConversion(QWidget* owner, uint8_t jobKind);
