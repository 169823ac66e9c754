#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// One row of the main window's track list.
struct TTrackRow {
  QString Caption;  // track number, no leading zero
  QString Title;
  QString Length;  // "mm:ss"
  QString Size;    // megabytes, "dd.dd"
};

// The drive operations of the main window, without the window: it owns the
// one CD handle of the run. Main thread only.
class TDriveAccess {
 public:
  TDriveAccess() = default;
  TDriveAccess(const TDriveAccess&) = delete;
  TDriveAccess& operator=(const TDriveAccess&) = delete;
  // Does not close the handle (the window's close does, via CloseCD).
  ~TDriveAccess();

  int32_t CDHandle() const { return handle_; }
  void SetCDHandle(int32_t handle) { handle_ = handle; }

  // Opens the drive at that position of the drive list; stores and returns
  // the handle (0 on failure). StatusText() becomes the drive description or
  // one of the three drive error texts.
  int32_t OpenDrive(int index);

  // True when the first drive of the list holds a disc with an audio track.
  bool HasAudioCD() const;

  // Handle 0: nothing. Loads the disc's catalogue entry into
  // OptionsSetting.CDInfo, reads the table of contents and rebuilds Rows().
  // When the table cannot be read, StatusText() says so and Rows() is empty.
  void LoadTrackList();

  const std::vector<TTrackRow>& Rows() const { return rows_; }
  void ClearRows() { rows_.clear(); }

  // The text for the status bar's first panel.
  QString StatusText() const { return status_; }

  int DriveCount() const;
  // Vendor followed by product, at most 26 characters; empty for a position
  // outside the list.
  QString DriveDescription(int index) const;

  // The catalogue key of the disc in the open drive (DiscKeyFromId of its
  // freedb id); empty when no drive is open or it holds no audio track.
  QString CurrentDiscKey() const;

 private:
  int32_t handle_ = 0;
  QString status_;
  std::vector<TTrackRow> rows_;
};

// The description of every drive in the list, in list order, read at once.
QStringList DriveDescriptions();
