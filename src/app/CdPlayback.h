#pragma once

// The main window's Play, Pause and Stop commands and the playback state
// they share, kept apart from the window so tests drive them directly.
//
//   state     Play                      Pause     Stop    playback ends
//   idle      -> playing                disabled  disab.  -
//   playing   -> playing (selected row) -> paused -> idle -> idle
//   paused    -> playing (resumed)      disabled  -> idle  -
//
// Player errors are swallowed (and logged): the flags are set before the
// player is called, so a failed Play still leaves Stop enabled, and the
// status text keeps "Play <title>" until Stop restores the drive's text.
// Main thread only.

#include "app/CdPlayer.h"

#include <QString>

#include <cstdint>
#include <functional>

// What the commands need of the window.
struct TPlaybackView {
  std::function<int()> SelectedRow;  // -1 when none
  std::function<int()> RowCount;
  std::function<QString(int row)> RowTitle;
  std::function<int32_t()> CDHandle;
  std::function<QString()> DriveText;
  std::function<void(const QString&)> SetStatusText;
  std::function<void()> StateChanged;  // the enabling needs refreshing
};

class TCdPlayback {
 public:
  explicit TCdPlayback(TPlaybackView view);
  TCdPlayback(const TCdPlayback&) = delete;
  TCdPlayback& operator=(const TCdPlayback&) = delete;

  bool Playing() const { return playing_; }
  bool Paused() const { return paused_; }
  bool PauseEnabled() const { return playing_ && !paused_; }
  bool StopEnabled() const { return playing_; }

  // Plays the selected row's track up to the next track's start (the last
  // row to the end of the disc), restarting on that row while playing;
  // while paused it resumes the paused track, whichever row is selected.
  void PlayExecute();
  void PauseExecute();
  // Idle again; the player is stopped and closed and the status text is the
  // drive's text. Also the end of a play that ran to its end.
  void StopExecute();

  TCdPlayer& Player() { return player_; }

 private:
  void PlayerNotify(TCdNotify notice);

  TPlaybackView view_;
  TCdPlayer player_;
  bool playing_ = false;
  bool paused_ = false;
};
