#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box, file dialog and folder browser of the program goes
// through this seam, so tests can read what would be shown and answer it.
// The default shows Qt dialogs captioned "Trackwell". Main thread only.

enum class TMsgIcon { Information, Warning, Error, Question };
enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class TMsgResult { Ok, Cancel, Yes, No };
// Which button Enter presses: the first of the set, or the one named.
enum class TMsgDefault { First, No };

// File dialog filters use the "Caption|*.ext|Caption|*.*" form.
struct TFileDialogRequest {
  // Window title; empty gives the program's caption.
  QString Title;
  QString Filter;
  QString InitialDir;
  QString FileName;
  QString DefaultExt;
  bool MultiSelect = false;
};

class TDialogSeam {
 public:
  virtual ~TDialogSeam() = default;
  virtual TMsgResult MessageBox(QWidget* parent, const QString& text, TMsgIcon icon,
                                TMsgButtons buttons, TMsgDefault defaultButton) = 0;
  // Chosen paths; empty when cancelled.
  virtual QStringList OpenFiles(QWidget* parent, const TFileDialogRequest& request) = 0;
  virtual QString SaveFile(QWidget* parent, const TFileDialogRequest& request) = 0;
  // Chosen folder; empty when cancelled.
  virtual QString BrowseFolder(QWidget* parent, const QString& caption, const QString& start) = 0;
};

// The seam in force. Never null.
TDialogSeam& Dialogs();

// Installs a replacement (tests); nullptr restores the Qt dialogs. The
// caller keeps ownership.
void SetDialogs(TDialogSeam* seam);

// Shorthands for the common calls.
TMsgResult ShowMessage(QWidget* parent, const QString& text, TMsgIcon icon,
                       TMsgButtons buttons = TMsgButtons::Ok,
                       TMsgDefault defaultButton = TMsgDefault::First);

// Turns "A|*.x|B|*.*" into Qt's "A (*.x);;B (*.*)".
QString QtFilterFromPipes(const QString& filter);

// The caption of every message box.
inline constexpr const char* kAppCaption = "Trackwell";
