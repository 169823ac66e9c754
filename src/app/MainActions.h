#pragma once

#include <array>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QToolBar;

// The commands of the main window. The actions proper share caption,
// shortcut, hint and enabling between menu, pop-up menu and tool bar; the
// other entries are plain menu items.
struct TMainActions {
  // Actions.
  QAction* Extract = nullptr;
  QAction* SelectAll = nullptr;
  QAction* SelectNone = nullptr;
  QAction* Options = nullptr;
  QAction* Exit = nullptr;
  QAction* Record = nullptr;
  QAction* WavToMp3 = nullptr;
  QAction* Play = nullptr;
  QAction* Pause = nullptr;
  QAction* Stop = nullptr;
  QAction* ID3TagEdit = nullptr;
  QAction* RenameTitle = nullptr;
  QAction* QueryFreedb = nullptr;

  // Menu items of their own.
  QAction* WavToWav = nullptr;
  QAction* Mp3ToWav = nullptr;
  QAction* WavToOgg = nullptr;
  QAction* WavToWma = nullptr;
  QAction* OpenOutputFolder = nullptr;
  QAction* Refresh = nullptr;
  QAction* EjectCD = nullptr;
  QAction* CloseCD = nullptr;
  QAction* OggPlayer = nullptr;
  QAction* VolumeControl = nullptr;
  QAction* ClearRealOne = nullptr;
  QAction* ClearMediaPlayer = nullptr;
  QAction* Help = nullptr;
  QAction* TipOfTheDay = nullptr;
  QAction* HomePage = nullptr;
  QAction* About = nullptr;

  // "Change &Skin": the submenu and its six items, numbered 0 to 5.
  QMenu* ChangeSkin = nullptr;
  QActionGroup* SkinGroup = nullptr;
  std::array<QAction*, 6> SkinItems{};

  QMenu* FileMenu = nullptr;
  QMenu* ActionsMenu = nullptr;
  QMenu* EditMenu = nullptr;
  QMenu* HelpMenu = nullptr;
  QMenu* PopupMenu = nullptr;  // the track list's
  QToolBar* ToolBar = nullptr;
};

// Creates every action and menu item (owned by the window), the four menus
// of the menu bar, the track list's pop-up menu and the tool bar.
TMainActions CreateMainActions(QMainWindow* window);
