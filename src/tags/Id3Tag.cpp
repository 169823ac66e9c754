#include "tags/Id3Tag.h"

#include "tags/Id3Text.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr int kTagSize = 128;
constexpr int kTextWidth = 30;
constexpr int kYearWidth = 4;
constexpr int kCommentWithTrack = 28;

using TTagBlock = std::array<char, kTagSize>;

// Owns a descriptor; closes it on every way out.
class TFd {
 public:
  explicit TFd(int fd) : fd_(fd) {}
  ~TFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

bool IsRegularFile(const QByteArray& path, struct stat* info) {
  return !path.isEmpty() && ::stat(path.constData(), info) == 0 && S_ISREG(info->st_mode);
}

// Linux has no read-only attribute: a file counts as protected when it has
// no write permission bit at all (which even root should respect) or when
// this user may not write it (permissions, read-only mount).
bool IsProtected(const QByteArray& path, const struct stat& info) {
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0;
}

// O_NONBLOCK keeps a FIFO swapped in after the check from blocking the open.
int OpenFile(const QByteArray& path, int mode) {
  return ::open(path.constData(), mode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

// Reads exactly size bytes at offset; false on an error or a short read.
bool ReadAt(int fd, char* buffer, size_t size, off_t offset) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, buffer + done, size - done, offset + off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

bool WriteAt(int fd, const char* buffer, size_t size, off_t offset) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, buffer + done, size - done, offset + off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

bool BeginsWithTag(const char* bytes) { return std::memcmp(bytes, "TAG", 3) == 0; }

// Where an existing tag starts, the end of the file when there is none, or
// -1 on a read error.
off_t TagOffset(int fd, off_t size) {
  if (size < kTagSize) return size;
  char head[3];
  if (!ReadAt(fd, head, sizeof head, size - kTagSize)) return -1;
  return BeginsWithTag(head) ? size - kTagSize : size;
}

void Put(TTagBlock& block, int offset, const QByteArray& bytes) {
  std::memcpy(block.data() + offset, bytes.constData(), size_t(bytes.size()));
}

}  // namespace

Tid3tag::Tid3tag()
    : Title_(kTextWidth, QChar(0)),
      Artist_(kTextWidth, QChar(0)),
      Album_(kTextWidth, QChar(0)),
      Comment_(kTextWidth, QChar(0)),
      Year_(kYearWidth, QChar(0)) {}

void Tid3tag::SetTitle(const QString& text) { Title_ = LeftCharacters(text, kTextWidth); }
void Tid3tag::SetArtist(const QString& text) { Artist_ = LeftCharacters(text, kTextWidth); }
void Tid3tag::SetAlbum(const QString& text) { Album_ = LeftCharacters(text, kTextWidth); }
void Tid3tag::SetComment(const QString& text) { Comment_ = LeftCharacters(text, kTextWidth); }
void Tid3tag::SetYear(const QString& text) { Year_ = LeftCharacters(text, kYearWidth); }

void Tid3tag::SetTrack(uint8_t track) {
  Track_ = track;
  HasTrack_ = track != 0;
}

uint16_t Tid3tag::ReadTag(const QString& fileName) {
  // Remembered even when the read fails, so a later WriteTag("=") aims at
  // the file the user chose and not at an earlier one.
  FileName_ = fileName;
  const QByteArray path = QFile::encodeName(fileName);
  struct stat info {};
  if (!IsRegularFile(path, &info)) return kId3CannotOpen;
  FileProtected_ = IsProtected(path, info);

  const TFd fd(OpenFile(path, O_RDONLY));
  if (!fd.ok()) return kId3CannotOpen;
  if (::fstat(fd.get(), &info) != 0) return kId3IoError;
  if (!S_ISREG(info.st_mode)) return kId3CannotOpen;
  if (info.st_size < kTagSize) return kId3NoTag;

  TTagBlock block{};
  if (!ReadAt(fd.get(), block.data(), kTagSize, info.st_size - kTagSize)) return kId3ReadError;
  if (!BeginsWithTag(block.data())) return kId3NoTag;

  return ParseTag(QByteArray(block.data(), kTagSize));
}

uint16_t Tid3tag::ParseTag(const QByteArray& block) {
  if (block.size() < kTagSize || !BeginsWithTag(block.constData())) return kId3NoTag;
  const char* bytes = block.constData();
  Title_ = DecodeId3Text(bytes + 3, kTextWidth);
  Artist_ = DecodeId3Text(bytes + 33, kTextWidth);
  Album_ = DecodeId3Text(bytes + 63, kTextWidth);
  Year_ = DecodeId3Text(bytes + 93, kYearWidth);
  const char* comment = bytes + 97;
  if (comment[28] == 0 && comment[29] != 0) {
    Track_ = static_cast<uint8_t>(comment[29]);
    HasTrack_ = true;
    Comment_ = DecodeId3Text(comment, kCommentWithTrack);
  } else {
    Track_ = 0;
    HasTrack_ = false;
    Comment_ = DecodeId3Text(comment, kTextWidth);
  }
  Genre = static_cast<uint8_t>(bytes[127]);
  return Genre > 147 && Genre != 255 ? kId3UnknownGenre : kId3Ok;
}

uint16_t Tid3tag::WriteTag(const QString& fileName) {
  const QString target = fileName == QLatin1String("=") ? FileName_ : fileName;
  const QByteArray path = QFile::encodeName(target);
  struct stat info {};
  if (!IsRegularFile(path, &info)) return kId3CannotOpen;
  if (IsProtected(path, info)) return kId3Protected;

  const TFd fd(OpenFile(path, O_RDWR));
  if (!fd.ok()) return kId3CannotOpen;
  // Others may read meanwhile but not write: honour their advisory locks.
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return kId3CannotOpen;
  if (::fstat(fd.get(), &info) != 0) return kId3IoError;
  if (!S_ISREG(info.st_mode)) return kId3CannotOpen;
  const off_t offset = TagOffset(fd.get(), info.st_size);
  if (offset < 0) return kId3ReadError;

  const QByteArray block = TagBlock();
  if (!WriteAt(fd.get(), block.constData(), kTagSize, offset)) {
    // A partly appended tag would corrupt the end of the audio: take it back.
    if (offset == info.st_size && ::ftruncate(fd.get(), info.st_size) != 0) return kId3IoError;
    return kId3WriteError;
  }
  FileName_ = target;
  return kId3Ok;
}

QByteArray Tid3tag::TagBlock() const {
  TTagBlock block{};
  std::memcpy(block.data(), "TAG", 3);
  Put(block, 3, EncodeId3Text(Title_, kTextWidth));
  Put(block, 33, EncodeId3Text(Artist_, kTextWidth));
  Put(block, 63, EncodeId3Text(Album_, kTextWidth));
  Put(block, 93, EncodeId3Text(Year_, kYearWidth));
  if (HasTrack_ && Track_ != 0) {
    Put(block, 97, EncodeId3Text(Comment_, kCommentWithTrack));
    block[125] = 0;
    block[126] = static_cast<char>(Track_);
  } else {
    Put(block, 97, EncodeId3Text(Comment_, kTextWidth));
    // A NUL as the comment's 29th byte followed by another byte reads back
    // as a track number: end the comment at that NUL instead.
    if (block[125] == 0) block[126] = 0;
  }
  block[127] = static_cast<char>(Genre);

  return QByteArray(block.data(), kTagSize);
}

void Tid3tag::RemoveTag() {
  const QByteArray path = QFile::encodeName(FileName_);
  struct stat info {};
  if (!IsRegularFile(path, &info) || IsProtected(path, info)) return;
  const TFd fd(OpenFile(path, O_RDWR));
  if (!fd.ok() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return;
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < kTagSize) return;
  if (TagOffset(fd.get(), info.st_size) != info.st_size - kTagSize) return;
  [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), info.st_size - kTagSize);
}
