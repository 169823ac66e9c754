#pragma once

#include <QString>

#include <mpg123.h>

// What libmpg123 makes of an MP3 file: its format and its decoded length.
struct TDecodedMp3 {
  bool Ok = false;
  long Rate = 0;
  int Channels = 0;
  long long Frames = 0;  // samples per channel
};

inline TDecodedMp3 DecodeMp3(const QString& path) {
  TDecodedMp3 result;
  int err = MPG123_OK;
  mpg123_handle* h = mpg123_new(nullptr, &err);
  if (!h) return result;
  if (mpg123_open(h, path.toLocal8Bit().constData()) == MPG123_OK) {
    int encoding = 0;
    if (mpg123_getformat(h, &result.Rate, &result.Channels, &encoding) == MPG123_OK &&
        encoding == MPG123_ENC_SIGNED_16) {
      unsigned char buffer[16384];
      size_t done = 0;
      long long bytes = 0;
      int rc = MPG123_OK;
      while ((rc = mpg123_read(h, buffer, sizeof buffer, &done)) == MPG123_OK ||
             rc == MPG123_NEW_FORMAT)
        bytes += static_cast<long long>(done);
      bytes += static_cast<long long>(done);
      result.Ok = rc == MPG123_DONE && result.Channels > 0;
      result.Frames = bytes / (2 * result.Channels);
    }
    mpg123_close(h);
  }
  mpg123_delete(h);
  return result;
}
