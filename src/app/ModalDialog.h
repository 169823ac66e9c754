#pragma once

#include <functional>

class QDialog;

// Shows a dialog modally over its parent and returns its result. Tests that
// open the main window install a hook so the start-up dialogs (tips, the
// no-device hint) do not wait for a user; the hook gets the dialog instead
// and returns the result. Main thread only.
int ExecModal(QDialog& dialog);

using TModalDialogHook = std::function<int(QDialog&)>;
// An empty hook shows dialogs for real again.
void SetModalDialogHook(TModalDialogHook hook);
