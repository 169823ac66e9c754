#pragma once

// The command line of trackwell-discimage:
//
//   trackwell-discimage [options] OUT.cue
//     --demo                 the five-track demo disc, titles included
//     --track KIND:SECONDS[:VALUE]
//                            append a track; KIND is tone (VALUE = Hz,
//                            default 440), noise (VALUE = seed), silence,
//                            ramp or data; SECONDS may have decimals
//     --sectors              read SECONDS of the following tracks as sectors
//     --gap SECONDS          a silent gap before the next track
//     --artist/--album/--year/--comment TEXT, --genre N, --title TEXT
//                            the catalogue entry (--title once per track)
//     --catalogue FILE       also write FILE with this disc's section only
//     --keep-existing        leave an existing catalogue FILE untouched
//     --no-image             write only the catalogue

#include "DiscImage.h"

#include <QString>
#include <QStringList>

struct TDiscImageCommand {
  TDiscDescription Disc;
  QString CuePath;
  QString CataloguePath;
  bool KeepExisting = false;
  bool WriteImage = true;
};

// Parses the arguments (without the program name). False with *error set
// for an unknown option, a missing value or a malformed track.
bool ParseDiscImageCommand(const QStringList& arguments, TDiscImageCommand* command,
                           QString* error);

// Runs a parsed command; the process exit code (0 success), the failure
// written to *error.
int RunDiscImageCommand(const TDiscImageCommand& command, QString* error);
