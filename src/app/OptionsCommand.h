#pragma once

class TMainForm;

// The Options action: opens the options dialog modally, centred over the
// main window. When OK chose another drive, the window opens it, rebuilds its
// track list and keeps the status text as its DriveText. Nothing is written
// to disk; the settings reach options.ini when the program closes.
void ExecuteOptions(TMainForm* form);
