#pragma once

#include "settings/OptionsSetting.h"

#include <QString>
#include <QStringList>

#include <cstdint>

class TVorbisOut;

// Puts the Ogg group of the settings into the encoder. Every job of a run
// gets the same bit rates: the encoder's earlier state is cleared first, so
// the order of the setters (nominal, then maximum and minimum) cannot make
// the first job differ from the later ones. Indexes outside the bit-rate
// list count as automatic.
void ApplyOggSettings(TVorbisOut& out, const TOggOptions& options);

// "NAME=value" Vorbis comments of a ripped track: TITLE, ARTIST, ALBUM, DATE,
// GENRE, TRACKNUMBER and COMMENT, each only when it has a value.
QStringList RipVorbisComments(const TCDInfo& disc, const QString& title, int track);

struct TMp3TagResult {
  uint16_t Id3v1 = 0;  // Tid3tag's result: above 255 is a failure
  bool Id3v2 = true;   // the ID3v2.4 tag was written
};

// Tags a ripped MP3: an ID3v2.4 tag with the full texts in UTF-8 and the
// ID3v1 tag (30 Latin-1 characters a field; genre from the list position).
// The tags go into a copy that replaces the file in one step, so a failure
// leaves the file as it was.
TMp3TagResult WriteRipMp3Tags(const QString& path, const TCDInfo& disc, const QString& title,
                              int track);
