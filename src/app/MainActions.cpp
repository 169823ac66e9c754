#include "app/MainActions.h"

#include "app/MainForm.h"
#include "app/RecordCommand.h"
#include "tools/OggPlayerForm.h"
#include "tools/ResampleForm.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QToolBar>

namespace {

QAction* MakeAction(QMainWindow* window, const QString& caption, const QKeySequence& shortcut,
                    const QString& hint) {
  auto* action = new QAction(caption, window);
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  if (!hint.isEmpty()) {
    action->setToolTip(hint);
    action->setStatusTip(hint);
  }
  // Shortcuts work while any widget of the window has the focus.
  action->setShortcutContext(Qt::WindowShortcut);
  window->addAction(action);
  return action;
}

// A menu entry that shows an action under another caption ("&Record..."):
// it triggers the action and follows its enabling.
QAction* Alias(QMainWindow* window, QAction* target, const QString& caption) {
  auto* alias = new QAction(caption, window);
  alias->setShortcut(target->shortcut());
  alias->setShortcutContext(Qt::WidgetShortcut);  // the action itself owns the key
  alias->setToolTip(target->toolTip());
  alias->setStatusTip(target->statusTip());
  alias->setEnabled(target->isEnabled());
  QObject::connect(alias, &QAction::triggered, target, &QAction::trigger);
  QObject::connect(target, &QAction::enabledChanged, alias, &QAction::setEnabled);
  return alias;
}

// A tool bar icon: the desktop icon theme's icon of that freedesktop name,
// else the style's own. It is drawn on a light tile so that it reads on the
// dark tool bars of some looks as well as on the light ones; small sources
// are scaled up so every button has the same height.
QIcon ToolIcon(const char* themeName, QStyle::StandardPixmap fallback) {
  const QSize size(32, 32);
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeName));
  if (icon.isNull()) icon = QApplication::style()->standardIcon(fallback);
  QSize best;
  for (const QSize& available : icon.availableSizes())
    if (available.width() > best.width()) best = available;
  const QSize inner(26, 26);
  const QPixmap source = icon.pixmap(best.isValid() ? best : inner);
  const QPixmap scaled = source.scaled(inner, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPixmap canvas(size);
  canvas.fill(Qt::transparent);
  QPainter painter(&canvas);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QColor(0, 0, 0, 70));
  painter.setBrush(QColor(0xf4, 0xf6, 0xf8));
  painter.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 5, 5);
  painter.drawPixmap((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2,
                     scaled);
  painter.end();
  return QIcon(canvas);
}

}  // namespace

TMainActions CreateMainActions(QMainWindow* window) {
  TMainActions a;
  a.Extract = MakeAction(window, "E&xtract", QKeySequence("Ctrl+X"), "Extract the selected track");
  a.SelectAll = MakeAction(window, "Select &All", QKeySequence("Ctrl+A"), "Select all tracks");
  a.SelectNone =
      MakeAction(window, "Select &None", QKeySequence("Ctrl+N"), "Cancel selected track");
  a.Options = MakeAction(window, "&Options", QKeySequence("Ctrl+O"), "Options");
  a.Exit = MakeAction(window, "E&xit", {}, "Exit the program");
  a.Record = MakeAction(window, "&Record", QKeySequence("Ctrl+R"), "Record to wav or mp3");
  QObject::connect(a.Record, &QAction::triggered, window, [window] {
    const auto* main = qobject_cast<TMainForm*>(window);
    ExecuteRecord(window, main ? main->CDHandle() : 0);
  });
  a.WavToMp3 =
      MakeAction(window, "&WAV to MP3", QKeySequence("Ctrl+W"), "Convert  WAV file to MP3 file");
  a.Play = MakeAction(window, "&Play", QKeySequence("Ctrl+P"), "Play the current track");
  a.Pause = MakeAction(window, "P&ause", {}, "Pause the current track");
  a.Stop = MakeAction(window, "&Stop", {}, "Stop the current track");
  a.ID3TagEdit = MakeAction(window, "&ID3 Tag Edit", {}, "MP3 ID3 edit");
  a.RenameTitle =
      MakeAction(window, "Rename &Title", QKeySequence(Qt::Key_F2), "Rename track title");
  a.QueryFreedb = MakeAction(window, "&Query Freedb", {}, {});

  a.WavToWav = MakeAction(window, "WA&V to WAV...", {}, {});
  QObject::connect(a.WavToWav, &QAction::triggered, window, [window] { ShowResample(window); });
  a.Mp3ToWav = MakeAction(window, "&MP3 to WAV...", {}, "Convert  MP3 file to WAV file");
  a.WavToOgg = MakeAction(window, "WAV to O&GG...", {}, {});
  a.WavToWma = MakeAction(window, "WAV to WM&A...", {}, {});
  a.OpenOutputFolder = MakeAction(window, "&Open output directory...", {}, {});
  a.Refresh = MakeAction(window, "&Refresh", {}, {});
  a.EjectCD = MakeAction(window, "&Eject CD", QKeySequence("Ctrl+E"), {});
  a.CloseCD = MakeAction(window, "&Close CD", QKeySequence("Ctrl+L"), {});
  a.OggPlayer = MakeAction(window, "Ogg Player", {}, {});
  QObject::connect(a.OggPlayer, &QAction::triggered, window, [window] { ShowOggPlayer(window); });
  a.VolumeControl = MakeAction(window, "&Volume Control...", QKeySequence("Ctrl+V"), {});
  a.ClearRealOne = MakeAction(window, "&RealOne Player", {}, {});
  a.ClearMediaPlayer = MakeAction(window, "&Windows Media Player", {}, {});
  a.Help = MakeAction(window, "&Help", QKeySequence(Qt::Key_F1), {});
  a.TipOfTheDay = MakeAction(window, "&Tip of the Day", {}, {});
  a.HomePage = MakeAction(window, "Home &Page", {}, "Trackwell Home Page");
  a.About = MakeAction(window, "&About...", {}, {});

  a.SkinGroup = new QActionGroup(window);
  a.SkinGroup->setExclusive(true);
  const char* skinNames[] = {"&Diamond Blue", "&RealOne", "Win &XP",
                             "&Deep Blue",    "&Protein", "&Matrix"};
  for (int i = 0; i < 6; ++i) {
    a.SkinItems[i] = new QAction(skinNames[i], a.SkinGroup);
    a.SkinItems[i]->setCheckable(true);
    a.SkinItems[i]->setData(i);
  }

  QMenuBar* bar = window->menuBar();

  a.FileMenu = bar->addMenu("&File");
  a.FileMenu->addAction(a.WavToWav);
  a.FileMenu->addAction(Alias(window, a.WavToMp3, "&WAV to MP3..."));
  a.FileMenu->addAction(a.Mp3ToWav);
  a.FileMenu->addAction(a.WavToOgg);
  a.FileMenu->addAction(a.WavToWma);
  a.FileMenu->addSeparator();
  a.FileMenu->addAction(a.OpenOutputFolder);
  a.FileMenu->addSeparator();
  a.FileMenu->addAction(a.Refresh);
  a.FileMenu->addSeparator();
  a.FileMenu->addAction(a.EjectCD);
  a.FileMenu->addAction(a.CloseCD);
  a.FileMenu->addSeparator();
  a.ChangeSkin = a.FileMenu->addMenu("Change &Skin");
  for (QAction* item : a.SkinItems) a.ChangeSkin->addAction(item);
  a.FileMenu->addSeparator();
  a.FileMenu->addAction(a.Exit);

  a.ActionsMenu = bar->addMenu("&Actions");
  a.ActionsMenu->addAction(a.Extract);
  a.ActionsMenu->addSeparator();
  a.ActionsMenu->addAction(Alias(window, a.Record, "&Record..."));
  a.ActionsMenu->addSeparator();
  a.ActionsMenu->addAction(a.OggPlayer);
  a.ActionsMenu->addSeparator();
  a.ActionsMenu->addAction(a.Play);
  a.ActionsMenu->addAction(a.Pause);
  a.ActionsMenu->addAction(a.Stop);
  a.ActionsMenu->addSeparator();
  a.ActionsMenu->addAction(a.VolumeControl);
  a.ActionsMenu->addSeparator();
  QMenu* history = a.ActionsMenu->addMenu("&Clear History");
  history->addAction(a.ClearRealOne);
  history->addAction(a.ClearMediaPlayer);

  a.EditMenu = bar->addMenu("&Edit");
  a.EditMenu->addAction(a.SelectAll);
  a.EditMenu->addAction(a.SelectNone);
  a.EditMenu->addSeparator();
  a.EditMenu->addAction(a.QueryFreedb);
  a.EditMenu->addSeparator();
  a.EditMenu->addAction(a.RenameTitle);
  a.EditMenu->addAction(a.ID3TagEdit);
  a.EditMenu->addSeparator();
  a.EditMenu->addAction(Alias(window, a.Options, "&Options..."));

  a.HelpMenu = bar->addMenu("&Help");
  a.HelpMenu->addAction(a.Help);
  a.HelpMenu->addAction(a.TipOfTheDay);
  a.HelpMenu->addSeparator();
  a.HelpMenu->addAction(a.HomePage);
  a.HelpMenu->addSeparator();
  a.HelpMenu->addAction(a.About);

  a.PopupMenu = new QMenu(window);
  a.PopupMenu->addAction(a.Extract);
  a.PopupMenu->addSeparator();
  a.PopupMenu->addAction(a.SelectAll);
  a.PopupMenu->addAction(a.SelectNone);
  a.PopupMenu->addSeparator();
  a.PopupMenu->addAction(a.Play);
  a.PopupMenu->addAction(a.Pause);
  a.PopupMenu->addAction(a.Stop);
  a.PopupMenu->addSeparator();
  a.PopupMenu->addAction(a.RenameTitle);

  a.ToolBar = new QToolBar("ToolBar1", window);
  a.ToolBar->setObjectName("ToolBar1");
  a.ToolBar->setMovable(false);
  a.ToolBar->setFloatable(false);
  a.ToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  a.ToolBar->setIconSize(QSize(32, 32));
  a.ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
  window->addToolBar(Qt::TopToolBarArea, a.ToolBar);
  const struct {
    QAction* action;
    const char* caption;
    const char* themeName;
    QStyle::StandardPixmap fallback;
  } buttons[] = {
      {a.Extract, "Extract", "media-optical", QStyle::SP_DriveCDIcon},
      {a.WavToMp3, "Encode", "media-seek-forward", QStyle::SP_MediaSeekForward},
      {a.Record, "Record", "media-record", QStyle::SP_MediaVolume},
      {a.QueryFreedb, "Freedb", "network-server", QStyle::SP_DriveNetIcon},
      {a.Options, "Options", "preferences-system", QStyle::SP_FileDialogDetailedView},
      {a.Exit, "Exit", "application-exit", QStyle::SP_DialogCloseButton},
  };
  for (const auto& button : buttons) {
    button.action->setIcon(ToolIcon(button.themeName, button.fallback));
    // The tool bar shows a short caption under the icon; menus keep the
    // action's own caption.
    button.action->setIconText(button.caption);
    a.ToolBar->addAction(button.action);
    if (QWidget* tool = a.ToolBar->widgetForAction(button.action)) tool->setMinimumWidth(56);
    a.ToolBar->addSeparator();
  }
  // Menus show no icons: the captions carry the meaning there.
  for (QAction* action : window->actions()) action->setIconVisibleInMenu(false);
  return a;
}
