#pragma once

#include <QString>

#include <cstdint>

// Result codes of Tid3tag::ReadTag and WriteTag. Below 256 is success; the
// low byte may carry kId3UnknownGenre.
inline constexpr uint16_t kId3Ok = 0;
inline constexpr uint16_t kId3UnknownGenre = 0x80;  // genre above 147 and not 255
inline constexpr uint16_t kId3CannotOpen = 0x100;   // missing, not a file, or not openable
inline constexpr uint16_t kId3Protected = 0x200;    // WriteTag: the file is read-only
inline constexpr uint16_t kId3ReadError = 0x300;
inline constexpr uint16_t kId3WriteError = 0x400;
inline constexpr uint16_t kId3IoError = 0x500;
inline constexpr uint16_t kId3NoTag = 0x1000;  // ReadTag: shorter than 128 bytes or no "TAG"

// The ID3v1.1 tag of a file: the last 128 bytes, beginning with "TAG".
// One object serves one sequence of operations on the main thread; every
// call opens and closes the file itself. FileName links a ReadTag to a
// later WriteTag("=") or RemoveTag. A failed call never leaves the file
// changed, and no call throws.
class Tid3tag {
 public:
  Tid3tag();

  // Reads the file's tag into the fields. The fields keep their values
  // unless a tag is found.
  uint16_t ReadTag(const QString& fileName);
  // The same from a tag's 128 bytes in memory; kId3NoTag when there are
  // fewer or they do not begin with "TAG". FileName is left alone.
  uint16_t ParseTag(const QByteArray& block);
  // The 128 bytes WriteTag writes.
  QByteArray TagBlock() const;
  // Writes the fields as the file's tag, replacing a tag there or appending
  // one. "=" stands for FileName(). Only an existing regular file can take
  // a tag.
  uint16_t WriteTag(const QString& fileName);
  // Cuts the tag off FileName(); does nothing when the file has no tag or
  // cannot be changed.
  void RemoveTag();

  const QString& Title() const { return Title_; }
  const QString& Artist() const { return Artist_; }
  const QString& Album() const { return Album_; }
  const QString& Comment() const { return Comment_; }
  const QString& Year() const { return Year_; }
  // Cut to 30 characters (Year: 4).
  void SetTitle(const QString& text);
  void SetArtist(const QString& text);
  void SetAlbum(const QString& text);
  void SetComment(const QString& text);
  void SetYear(const QString& text);

  uint8_t Track() const { return Track_; }
  bool HasTrack() const { return HasTrack_; }
  // Track 0 means none.
  void SetTrack(uint8_t track);

  // The file last asked to read, or last written successfully.
  const QString& FileName() const { return FileName_; }
  // The file last read cannot be written by this user.
  bool FileProtected() const { return FileProtected_; }

  // ID3 genre number, 255 = none.
  uint8_t Genre = 255;

 private:
  QString Title_;
  QString Artist_;
  QString Album_;
  QString Comment_;
  QString Year_;
  uint8_t Track_ = 0;
  bool HasTrack_ = false;
  bool FileProtected_ = false;
  QString FileName_;
};
