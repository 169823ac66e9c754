#pragma once

#include <QStringList>

// The fixed item lists of the options dialog, in list order: a setting that
// is a list position indexes these directly.

// "MP3 file(*.MP3)" ... "WMA file(*.WMA)": position = OutputFormat.
const QStringList& OutputFormatItems();

// The 14 LAME bit rates, " 32 kbit/s" to "320 kbit/s"; two-digit rates carry
// a leading blank so the numbers line up.
const QStringList& Mp3BitRateItems();
inline constexpr int kDefaultMinBitRateItem = 8;   // 128 kbit/s
inline constexpr int kDefaultMaxBitRateItem = 13;  // 320 kbit/s

// "0" to "9".
const QStringList& VbrQualityItems();
// "Default", "Faster encode/Lower quality", "Slower encode/Higher quality".
const QStringList& MpegQualityItems();
// "Stereo" ... "Mono".
const QStringList& StereoModeItems();
inline constexpr int kJointStereoItem = 1;

// The 15 Ogg bit rates, " Default" then " 45 kbit/s" to "320 kbit/s".
const QStringList& OggBitRateItems();

// The 33 WMA profiles as sample rate, bit rate and channels, padded to fixed
// widths ("44.100 kHz,  64 kbit/s, Stereo"), in the profile table's order.
const QStringList& WmaProfileItems();

// An empty entry (no genre) followed by the 148 genre names: position =
// Genre + 1.
const QStringList& GenreItems();
