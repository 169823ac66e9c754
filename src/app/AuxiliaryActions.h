#pragma once

class QWidget;
struct TMainActions;

// Wires the auxiliary commands of the menus: "&Open output directory...",
// the two "&Clear History" items, "&Help", "&Tip of the Day" and
// "&About...". Each runs guarded, with the window as owner.
void ConnectAuxiliaryActions(QWidget* window, const TMainActions& actions);
