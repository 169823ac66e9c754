#include "app/CloseSequence.h"

#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "settings/CDInfo.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QFile>
#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcCloseSequence, "trackwell.app.close")

void RunCloseSequence(const TCloseInput& input) {
  TCDInfo& info = OptionsSetting.CDInfo;
  // The record has room for kMaxTitles titles; a longer list keeps its head.
  const int count = std::min<int>(input.Titles.size(), kMaxTitles);
  info.TrackNumber = count;
  for (int k = 0; k < count; ++k) info.Tracks[k + 1] = input.Titles[k];

  SaveDiscInfo(input.DiscKey);

  // Playback reads its sectors through the handle: it ends before the
  // handle goes, so no read runs into a closed drive.
  if (input.Playing && input.StopPlayer) {
    try {
      input.StopPlayer();
    } catch (...) {
      // The program is ending; a player that will not stop changes nothing.
      qCWarning(lcCloseSequence) << "the CD player did not stop; closing anyway";
    }
  }

  if (!CloseCD(input.CDHandle))
    ShowMessage(input.Owner, "Error while closing CD handle!", TMsgIcon::Error);

  SaveSettings();
}

bool RenameAspiLayerIfNeeded() {
  const QString folder = ProgramFolder();
  const QString spare = folder + "DovaRuvo.dll";
  const QString layer = folder + "wnaspi32.dll";
  if (!QFile::exists(spare) || QFile::exists(layer)) return false;
  return QFile::rename(spare, layer);
}
