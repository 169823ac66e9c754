#pragma once

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <optional>

// A user's file is opened only when it is a regular file. The open itself is
// non-blocking, so a FIFO or a device put where a file belongs (or swapped
// in after a check) is refused instead of freezing the caller.
bool OpenRegularFile(QFile& file, QIODevice::OpenMode mode);

// Reads a whole regular file of at most maxBytes; nothing when the path is
// not a regular file, cannot be read or is larger (a profile linked to
// /dev/zero or a huge file must not eat the memory).
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes);

// Commits a QSaveFile only when everything written has reached the disk; a
// failed flush abandons the new file. commit() alone can report success
// after a buffered write failed (a full disk), leaving a file cut short.
bool CommitWhole(QSaveFile& file);
