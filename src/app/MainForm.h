#pragma once

#include "app/CdPlayback.h"
#include "app/MainActions.h"
#include "cd/DriveAccess.h"

#include <QMainWindow>
#include <QString>

#include <memory>

class QLabel;
class QStatusBar;
class TMediaWatcher;
class TTrackListView;

// The program's main window. It owns the CD handle (through its drive) and
// the track list; every other window is opened from it, modally. The window
// forwards its commands to the command functions (ExtractCommand.h,
// ConversionCommand.h, CloseSequence.h). Main thread only.
class TMainForm final : public QMainWindow {
  Q_OBJECT
 public:
  // Loads the settings and applies the chosen look.
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  TDriveAccess& Drive() { return drive_; }
  int32_t CDHandle() const { return drive_.CDHandle(); }
  TTrackListView* TrackList() const { return lvTracks; }
  const TMainActions& Actions() const { return actions_; }
  TMediaWatcher* MediaWatcher() const { return watcher_; }

  QString StatusText() const;
  void SetStatusText(const QString& text);
  QString DriveText() const { return driveText_; }
  void SetDriveText(const QString& text) { driveText_ = text; }

  // Opens the drive at that list position and shows its status text; the
  // handle it replaces is closed. Returns the new handle (0 on failure).
  int32_t OpenDrive(int index);

  bool Playing() const { return playback_->Playing(); }
  bool Paused() const { return playback_->Paused(); }
  TCdPlayback& Playback() { return *playback_; }
  bool NoAudioCD() const { return noAudioCD_; }

  // Rebuilds the rows from the disc (catalogue titles first); new rows are
  // unticked. Also used when another drive is chosen.
  void LoadTrackList();
  // Enabling of every action, from the list and the playback state.
  void UpdateActions();

  // Command handlers.
  void ExtractExecute();
  void SelectAllExecute();
  void SelectNoneExecute();
  void OptionsExecute();
  void RenameTitleExecute();
  void ID3TagEditExecute();
  void QueryFreedbExecute();
  void ConversionExecute(uint8_t jobKind);
  void RefreshExecute();
  void HomePageExecute();
  void SkinItemClick(int skinIndex);
  void PlayExecute();
  void PauseExecute();
  void StopExecute();
  void EjectCDExecute();
  void CloseCDExecute();
  void VolumeControlExecute();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormShow();
  void FormActivate();
  void CloseQuery();
  void FormClose();
  void ConnectActions();
  void CheckCurrentSkin();

  TDriveAccess drive_;
  TMainActions actions_;
  TTrackListView* lvTracks = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QLabel* statusPanel_ = nullptr;
  TMediaWatcher* watcher_ = nullptr;

  // CD playback: the Playing and Paused flags and the player.
  std::unique_ptr<TCdPlayback> playback_;
  bool noAudioCD_ = false;
  QString driveText_;
  bool shown_ = false;
  bool closed_ = false;
};
