#include "app/AuxiliaryActions.h"

#include "app/AboutForm.h"
#include "app/AppErrors.h"
#include "app/ClearHistory.h"
#include "app/HelpCommands.h"
#include "app/MainActions.h"
#include "app/TipsForm.h"

#include <QAction>

void ConnectAuxiliaryActions(QWidget* window, const TMainActions& a) {
  auto on = [window](QAction* action, auto handler) {
    QObject::connect(action, &QAction::triggered, window,
                     [window, handler] { RunGuarded(window, handler); });
  };
  on(a.OpenOutputFolder, [window] { OpenOutputDirectory(window); });
  on(a.ClearRealOne, [window] { ClearRealOneHistory(window); });
  on(a.ClearMediaPlayer, [window] { ClearMediaPlayerHistory(window); });
  on(a.Help, [] { OpenHelp(); });
  on(a.TipOfTheDay, [window] { ShowTipOfTheDay(window); });
  on(a.About, [window] { ShowAbout(window); });
}
