#pragma once

#include "settings/CDInfo.h"

#include <QString>

#include <cstdint>

struct TCommonOptions {
  QString OutputFolder;
  int32_t OutputFormat = 0;  // 0 MP3, 1 WAV, 2 OGG, 3 WMA
  bool IsKeepWav = false;
  bool IsNormalize = false;
  int32_t NormalizePercent = 0;
  bool EnableRipTime = false;
  int32_t RipTime = 0;  // seconds
};

struct TMp3Options {
  bool IsSelectVBR = false;
  bool IsVBRHead = false;  // true: do not write the VBR tag
  int32_t BitRate = 0;     // kbit/s
  int32_t MaxBitRate = 0;  // kbit/s
  int32_t MpegQuality = 0;
  int32_t VBRQuality = 0;
  int32_t StereoMode = 0;
};

struct TOggOptions {
  bool IsUseCompress = false;
  int32_t CompressPosition = 0;  // 30..100
  int32_t MaxBitRate = 0;        // index into the Ogg bit-rate list
  int32_t NomalBitRate = 0;
  int32_t MinBitRate = 0;
};

struct TWMAOptions {
  int32_t BitRate = 0;  // index into the WMA profile table
};

struct TCDOptions {
  int32_t Index = 0;  // drive position, -1 none chosen
  bool CDDb = false;
  bool SecureRead = true;  // re-read each range until the reads agree
  int32_t ReadOffset = 0;  // the drive's read offset, in samples
};

struct TRecordOptions {
  bool SaveMp3 = false;
};

struct TQueryCDDB {
  QString Server;
  QString Script;
  bool UseProxy = false;
  QString ProxyAddress;
  QString Port;
};

struct TOptionsSetting {
  TCommonOptions CommonOptions;
  TMp3Options Mp3Options;
  TOggOptions OggOptions;
  TWMAOptions WMAOptions;
  TCDOptions CDOptions;
  TRecordOptions RecordOptions;
  TCDInfo CDInfo;
  TQueryCDDB QueryCDDB;
  bool ID3Use = false;
  bool IsShowTips = false;
  int32_t SkinIndex = 0;
};

// The one settings record of the process. Read by workers while a job runs,
// written only by modal windows on the main thread.
extern TOptionsSetting OptionsSetting;

// Reads (read = true) or writes every key of options.ini beside the program.
// Reading never fails; writing throws TProfileWriteError.
void LoadSaveSettings(bool read);
inline void LoadSettings() { LoadSaveSettings(true); }
inline void SaveSettings() { LoadSaveSettings(false); }

// Full path of options.ini.
QString SettingsFile();

// The largest read offset, in samples, either way.
inline constexpr int32_t kMaxReadOffset = 5880;

// The default freedb server.
inline constexpr const char* kDefaultCddbServer = "gnudb.gnudb.org";
