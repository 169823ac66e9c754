#pragma once

#include <QString>
#include <QStringList>

// What the options dialog's controls hold, as plain values: list choices are
// positions (-1 nothing selected), free texts are kept as typed. The window
// copies its controls into one of these and back; TOptionSetLogic loads,
// checks and stores it.
struct TOptionsView {
  // "Output"
  QString OutputFolder;
  bool DeleteWav = false;  // "Delete WAV file after processing"
  int OutputFormat = -1;
  bool Normalize = false;
  int NormalizePercent = 0;  // 0..100
  bool EnableRipTime = false;
  QString RipTimeText;

  // "LAME"
  bool EnableVBR = false;
  bool DisableVBRTag = false;
  QString MinBitRateText;  // editable: an item or anything typed
  QString MaxBitRateText;
  int VBRQuality = -1;
  int MpegQuality = -1;
  int StereoMode = -1;

  // "OGG"
  bool UseQuality = false;
  int CompressPosition = 30;  // 30..100
  int OggNominalBitRate = -1;
  int OggMaxBitRate = -1;
  int OggMinBitRate = -1;

  // "WMA"
  int WmaProfile = -1;

  // "ID3 Tag"
  bool UseID3 = false;
  QString Artist;
  QString Album;
  QString Year;
  QString Comment;
  int Genre = -1;  // list position: 0 the empty entry, then the genre names

  // "CD-ROM": empty until the page is shown.
  QStringList Devices;
  int Device = -1;
};

// Which controls the enabling rules leave enabled for these values.
struct TOptionsEnabling {
  bool NormalizePercent = false;
  bool RipTime = false;
  bool VBRControls = false;  // VBR tag box, "Maximum bitrate:", "VBR Quality:"
  bool DeleteWav = false;
};

TOptionsEnabling EnablingOf(const TOptionsView& view);
