#pragma once

// The plain-text log of a rip, written beside the ripped files, and the
// one-line verdict the main window shows after it. Pure text building apart
// from WriteRipLog.

#include "jobs/RipReport.h"

#include <QString>

#include <vector>

// The facts of the run the log opens with.
struct TRipLogHeader {
  QString Program;  // name and version
  QString Date;
  QString Drive;       // vendor and product of the drive
  QString ReadMode;    // how sectors were read
  int ReadOffset = 0;  // samples
  QString Output;      // format and its options
};

// The tracks in the order they were ripped.
QString RipLogText(const TRipLogHeader& header, const std::vector<TRipTrackReport>& tracks);

// "5 of 5 tracks accurately ripped (confidence 12)": the confidence is the
// lowest of the accurate tracks; tracks not in the database, tracks with
// read errors and tracks with suspicious positions are named after it.
QString RipVerdictText(const std::vector<TRipTrackReport>& tracks);

// "<album>.log" when the album makes a valid file name, else the freedb id
// as eight hex digits + ".log".
QString RipLogFileName(const QString& album, uint32_t freedbId);

// Writes the whole file or nothing (QSaveFile); false when it cannot.
bool WriteRipLog(const QString& path, const QString& text);
