#pragma once

class QWidget;

// "&Open output directory...": opens OutputFolder in the file browser, or
// names it in an error box when it does not exist. Main thread only.
void OpenOutputDirectory(QWidget* owner);

// "&Help": opens the help page beside the program; a missing page or
// browser shows nothing.
void OpenHelp();

// "Home &Page".
void OpenHomePage();
