#pragma once

#include <QString>

#include <cstdint>

// "%d" for n > 9, otherwise "0%d".
QString FormatTwoDigits(int n);

// Appends the platform separator unless the folder is empty or ends in one.
QString WithTrailingBackslash(const QString& folder);

// False when the file does not exist; true when it exists and cannot be
// opened for reading and writing, or another process holds a lock on it.
bool IsFileInUse(const QString& path);

// Busy-waits at least ms milliseconds; returns at once when ms < 1.
void WaitMilliseconds(int ms);

// The file's size in bytes, -1 when it does not exist.
int64_t GetFileSizeOrMinusOne(const QString& path);

// True when the drive at that position of the drive list holds a disc with
// at least one audio track.
bool IsAudioCDDrive(int drivePosition);

// True for handle 0; otherwise closes it and tells whether that worked.
bool CloseCD(int32_t handle);

class QWidget;
// Gives the window the look that the skin number selects; a number outside
// 0..5 leaves the window as designed. Main thread only.
void ApplySkin(QWidget* window, int skinIndex);
