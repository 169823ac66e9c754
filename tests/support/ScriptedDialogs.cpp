#include "ScriptedDialogs.h"

TScriptedDialogs::TScriptedDialogs() : previous_(&Dialogs()) { SetDialogs(this); }

TScriptedDialogs::~TScriptedDialogs() { SetDialogs(nullptr); }

TMsgResult TScriptedDialogs::MessageBox(QWidget*, const QString& text, TMsgIcon icon,
                                        TMsgButtons buttons, TMsgDefault defaultButton) {
  Messages.push_back({text, icon, buttons, defaultButton});
  if (!Answers.empty()) {
    const TMsgResult answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  return buttons == TMsgButtons::Ok || buttons == TMsgButtons::OkCancel ? TMsgResult::Ok
                                                                        : TMsgResult::No;
}

QStringList TScriptedDialogs::OpenFiles(QWidget*, const TFileDialogRequest& request) {
  FileRequests.push_back(request);
  if (OpenAnswers.empty()) return {};
  QStringList answer = OpenAnswers.front();
  OpenAnswers.pop_front();
  return answer;
}

QString TScriptedDialogs::SaveFile(QWidget*, const TFileDialogRequest& request) {
  FileRequests.push_back(request);
  if (SaveAnswers.empty()) return {};
  QString answer = SaveAnswers.front();
  SaveAnswers.pop_front();
  return answer;
}

QString TScriptedDialogs::BrowseFolder(QWidget*, const QString& caption, const QString& start) {
  FolderRequests.push_back({caption, start});
  if (FolderAnswers.empty()) return {};
  QString answer = FolderAnswers.front();
  FolderAnswers.pop_front();
  return answer;
}
