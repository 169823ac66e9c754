#include "app/CdPlayback.h"

#include "platform/MainThread.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcPlayback, "trackwell.app.playback")

// Runs one player call; its error is only logged, the commands go on.
template <typename Call>
bool Quietly(const char* what, Call call) {
  try {
    call();
    return true;
  } catch (const std::exception& e) {
    qCWarning(lcPlayback) << what << "failed:" << e.what();
    return false;
  }
}
}  // namespace

TCdPlayback::TCdPlayback(TPlaybackView view) : view_(std::move(view)) {
  player_.OnNotify = [this](TCdNotify notice) { PlayerNotify(notice); };
}

void TCdPlayback::PlayExecute() {
  ExpectMainThread(Q_FUNC_INFO);
  const int row = view_.SelectedRow();
  if (row < 0) return;
  view_.SetStatusText("Play " + view_.RowTitle(row));
  const bool stopWasEnabled = StopEnabled();
  const bool pauseWasEnabled = PauseEnabled();
  playing_ = true;
  paused_ = false;
  if (!stopWasEnabled || pauseWasEnabled) {
    Quietly("starting CD playback", [&] {
      if (stopWasEnabled) player_.Close();
      player_.Open(view_.CDHandle());
      const int32_t start = player_.TrackPosition(row + 1);
      const bool lastRow = row + 1 >= view_.RowCount();
      player_.Play(start, lastRow ? -1 : player_.TrackPosition(row + 2));
    });
  } else {
    Quietly("resuming CD playback", [&] { player_.Resume(); });
  }
  view_.StateChanged();
}

void TCdPlayback::PauseExecute() {
  ExpectMainThread(Q_FUNC_INFO);
  paused_ = true;
  Quietly("pausing CD playback", [&] { player_.Pause(); });
  view_.StateChanged();
}

void TCdPlayback::StopExecute() {
  ExpectMainThread(Q_FUNC_INFO);
  playing_ = false;
  paused_ = false;
  // A player that cannot stop is left as it is, not closed under a play.
  if (Quietly("stopping CD playback", [&] { player_.Stop(); }))
    Quietly("closing the CD player", [&] { player_.Close(); });
  view_.SetStatusText(view_.DriveText());
  view_.StateChanged();
}

void TCdPlayback::PlayerNotify(TCdNotify notice) {
  // Only a range played to its end ends playback; a superseded, stopped or
  // failed play changes nothing here.
  if (notice != TCdNotify::Successful) {
    if (notice == TCdNotify::Failure)
      qCWarning(lcPlayback) << "a CD play failed; playback stays on until Stop";
    return;
  }
  StopExecute();
}
