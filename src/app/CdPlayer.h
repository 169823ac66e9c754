#pragma once

// The CD player: plays a range of the disc in an open drive digitally. The
// sectors are read through the drive library (TCDIn) and played on the
// sound card (TAudioOut), so playback needs no analogue cable and works on
// disc images as well as drives.
//
// Positions are sector numbers counted from the first track's start (75 a
// second), the addressing of ReadCDAudioLBA. Every call is for the main
// thread; failures raise ECdPlayerError. A play ends with one notice,
// delivered on the main thread through OnNotify: Successful when the range
// has been played, Failure when reading or the sound card failed,
// Superseded when another Play replaced it, Aborted after Stop or Close.

#include "acs/ACSAudioOut.h"
#include "acs/ACSCdIn.h"
#include "platform/CdDisc.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

class ECdPlayerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TCdNotify { Successful, Superseded, Aborted, Failure };

class TCdPlayer : public QObject {
 public:
  explicit TCdPlayer(QObject* parent = nullptr);
  // Stops a play and waits for the sound card to finish it.
  ~TCdPlayer() override;

  // Opens the player on the drive behind the handle and takes its table of
  // contents; an open player is closed first. Raises when the drive holds
  // no readable disc.
  void Open(int32_t cdHandle);
  bool IsOpen() const { return handle_ != 0; }
  int TrackCount() const;
  // Where track n (its position on the disc, from 1) starts. Raises for a
  // track that is not there.
  int32_t TrackPosition(int track) const;
  // The lead-out: where the disc's last track ends.
  int32_t DiscEnd() const;

  // Plays from `from` up to, not including, `to`; to < 0 plays to the end
  // of the disc. A data track is never played: a range that starts in one
  // raises, one that reaches one ends at its start. A running play is
  // superseded. Returns once the sound card has been opened.
  void Play(int32_t from, int32_t to);
  // Halts the play where it is; the sound card plays out what it holds
  // (under half a second).
  void Pause();
  // Continues a paused play exactly where it halted.
  void Resume();
  // Ends a play (paused or not); returns once the sound card is done.
  void Stop();
  // Stops and forgets the drive. Harmless when not open.
  void Close();
  // True from Play until the play has ended or was stopped.
  bool Busy() const;
  bool IsPaused() const;
  // The next sector the play reads, and the bytes of the range read so far.
  int32_t Position() const;
  int32_t BytesRead() const { return input_->Position(); }
  // Buffers the sound card has been given and not yet played.
  int32_t QueuedBuffers() const { return output_->QueuedCount(); }

  // Tray of the drive behind a handle, through libcdio; both return once
  // the tray has moved. False when it did not move or the drive has no
  // tray (a disc image).
  static bool DoorOpen(int32_t cdHandle);
  static bool DoorClosed(int32_t cdHandle);

  // The sound card, as TAudioOut::BaseChannel. Not while playing.
  void SetOutputChannel(int32_t channel);

  std::function<void(TCdNotify)> OnNotify;

 private:
  void RequireOpen() const;
  // Ends the running job of the sound card, if any, and waits for it.
  void StopOutput();
  // Sends the notice of the current play, if it still has one pending.
  void EndPendingPlay(TCdNotify notice);
  // From the worker: the notice of play `generation`, delivered on the main
  // thread unless that play has meanwhile been ended another way.
  void PostNotice(uint64_t generation, TCdNotify notice);
  void Deliver(TCdNotify notice);

  int32_t handle_ = 0;
  TCdLayout layout_;
  // Declared before the output, which reads it until it is destroyed.
  std::unique_ptr<TCDIn> input_;
  std::unique_ptr<TAudioOut> output_;
  uint64_t lastGeneration_ = 0;
  // The play whose notice is still due (0: none). Main thread.
  uint64_t pendingGeneration_ = 0;
  // The play the sound card is running. Read by the worker.
  std::atomic<uint64_t> jobGeneration_{0};
};
