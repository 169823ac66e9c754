#pragma once

#include <QFile>
#include <QString>

#include <vector>

// A new output written beside its target and put in place whole by
// Commit, as QSaveFile does: until then the target (if any) is untouched,
// and a failed or discarded file leaves nothing behind. It differs in not
// waiting for the disk. Commit starts the write-back of the data and then
// renames, so on ext4 (data=ordered) the journal holds the new name only
// after the data, the same care ext4 takes for a file replaced by rename;
// what a power cut in the seconds after a conversion can cost is the new
// file, never the old one or a part-written one under the target's name.
// The audio writers use it: the wait for the disk took a third of a
// file-to-file conversion, and no converter of the same files waits.
// Settings and catalogues, small and not to be made again, keep
// QSaveFile and its sync.
class TStagedFile : public QFile {
 public:
  explicit TStagedFile(const QString& target);
  ~TStagedFile() override;

  // Opens the unnamed new file for writing in the target's folder.
  bool Open();
  // Flushes, checks that every byte was written, and renames the new file
  // over the target. A failure discards the new file.
  bool Commit();
  // Drops the new file; the target stays as it was.
  void Discard();

  QString Target() const { return target_; }

  // Writes go out in pieces of this size (or larger): a conversion hands
  // over 16 KB at a time, and every write call has its cost.
  static constexpr qint64 kWritePiece = 256 * 1024;

  bool seek(qint64 pos) override;
  qint64 size() const override;
  bool flush();

 protected:
  qint64 writeData(const char* data, qint64 len) override;

 private:
  bool Place();
  // Writes what is held; false (with the error set) when the disk refuses.
  bool WritePending();
  std::vector<char> pending_;
  bool failed_ = false;  // a write of held bytes was refused

  QString target_;
  int fd_ = -1;
  // Where the file lies before its rename: empty for an unnamed file
  // (O_TMPFILE), which gets a name only at Commit.
  QString staged_;
};
