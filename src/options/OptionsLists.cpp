#include "options/OptionsLists.h"

#include "tags/Id3Genres.h"

const QStringList& OutputFormatItems() {
  static const QStringList items = {"MP3 file(*.MP3)", "WAV file(*.WAV)", "OGG file(*.OGG)",
                                    "WMA file(*.WMA)"};
  return items;
}

const QStringList& Mp3BitRateItems() {
  static const QStringList items = {" 32 kbit/s", " 40 kbit/s", " 48 kbit/s", " 56 kbit/s",
                                    " 64 kbit/s", " 80 kbit/s", " 96 kbit/s", "112 kbit/s",
                                    "128 kbit/s", "160 kbit/s", "192 kbit/s", "224 kbit/s",
                                    "256 kbit/s", "320 kbit/s"};
  return items;
}

const QStringList& VbrQualityItems() {
  static const QStringList items = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  return items;
}

const QStringList& MpegQualityItems() {
  static const QStringList items = {"Default", "Faster encode/Lower quality",
                                    "Slower encode/Higher quality"};
  return items;
}

const QStringList& StereoModeItems() {
  static const QStringList items = {"Stereo", "Joint Stereo", "Forced Joint Stereo",
                                    "Dual Channels", "Mono"};
  return items;
}

const QStringList& OggBitRateItems() {
  static const QStringList items = {" Default",   " 45 kbit/s", " 48 kbit/s", " 56 kbit/s",
                                    " 64 kbit/s", " 80 kbit/s", " 96 kbit/s", "112 kbit/s",
                                    "128 kbit/s", "144 kbit/s", "160 kbit/s", "192 kbit/s",
                                    "224 kbit/s", "256 kbit/s", "320 kbit/s"};
  return items;
}

const QStringList& WmaProfileItems() {
  static const QStringList items = {
      "48.000 kHz, 192 kbit/s, Stereo", "48.000 kHz, 160 kbit/s, Stereo",
      "48.000 kHz, 128 kbit/s, Stereo", "44.100 kHz, 192 kbit/s, Stereo",
      "44.100 kHz, 160 kbit/s, Stereo", "44.100 kHz, 128 kbit/s, Stereo",
      "44.100 kHz,  96 kbit/s, Stereo", "44.100 kHz,  80 kbit/s, Stereo",
      "44.100 kHz,  64 kbit/s, Stereo", "44.100 kHz,  48 kbit/s, Stereo",
      "44.100 kHz,  32 kbit/s, Stereo", "44.100 kHz,  48 kbit/s, Mono",
      "44.100 kHz,  32 kbit/s, Mono",   "32.000 kHz,  48 kbit/s, Stereo",
      "32.000 kHz,  40 kbit/s, Stereo", "32.000 kHz,  32 kbit/s, Stereo",
      "32.000 kHz,  20 kbit/s, Mono",   "22.050 kHz,  32 kbit/s, Stereo",
      "22.050 kHz,  22 kbit/s, Stereo", "22.050 kHz,  20 kbit/s, Stereo",
      "22.050 kHz,  20 kbit/s, Mono",   "22.050 kHz,  16 kbit/s, Mono",
      "16.000 kHz,  20 kbit/s, Stereo", "16.000 kHz,  16 kbit/s, Stereo",
      "16.000 kHz,  16 kbit/s, Mono",   "16.000 kHz,  12 kbit/s, Mono",
      "16.000 kHz,  10 kbit/s, Mono",   "11.025 kHz,  10 kbit/s, Mono",
      "11.025 kHz,   8 kbit/s, Mono",   " 8.000 kHz,  12 kbit/s, Stereo",
      " 8.000 kHz,   8 kbit/s, Mono",   " 8.000 kHz,   6 kbit/s, Mono",
      " 8.000 kHz,   5 kbit/s, Mono"};
  return items;
}

const QStringList& GenreItems() {
  static const QStringList items = QStringList{QString()} + GenreNames();
  return items;
}
