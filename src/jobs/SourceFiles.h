#pragma once

#include <QString>

// Checks of a conversion's source before any work starts on it. Both refuse
// anything but a regular file (a FIFO or a device would block the reader).

// A WAV file that the stream reader can decode.
bool IsReadableWav(const QString& path);

// A file in which the MP3 decoder finds a frame.
bool IsReadableMp3(const QString& path);
