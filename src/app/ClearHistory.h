#pragma once

class QWidget;
class TRegistryText;

// Deletes RealOne Player's recent-clip keys MostRecentClips1 to
// MostRecentClips8 in order, stopping at the first that cannot be deleted;
// returns how many went.
int DeleteRealOneRecentClips(TRegistryText& registry);
// Deletes Windows Media Player's recent-file values File0 to File8 in order,
// stopping at the first that cannot be deleted; 0 without the key.
int DeleteMediaPlayerRecentFiles(TRegistryText& registry);

// The two "&Clear History" commands: ask first when the player runs, clear
// its list in the Wine user hive and report the count. Main thread only.
void ClearRealOneHistory(QWidget* owner);
void ClearMediaPlayerHistory(QWidget* owner);
