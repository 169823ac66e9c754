#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

// A dialog seam for tests: records every message box and answers from queues
// (Ok / the first queued answer for questions; files and folders from their
// queues, cancel when a queue is empty). Installs itself while alive.
class TScriptedDialogs final : public TDialogSeam {
 public:
  struct Shown {
    QString Text;
    TMsgIcon Icon;
    TMsgButtons Buttons;
    TMsgDefault Default;
  };

  TScriptedDialogs();
  ~TScriptedDialogs() override;

  TMsgResult MessageBox(QWidget* parent, const QString& text, TMsgIcon icon, TMsgButtons buttons,
                        TMsgDefault defaultButton) override;
  QStringList OpenFiles(QWidget* parent, const TFileDialogRequest& request) override;
  QString SaveFile(QWidget* parent, const TFileDialogRequest& request) override;
  QString BrowseFolder(QWidget* parent, const QString& caption, const QString& start) override;

  std::vector<Shown> Messages;
  std::vector<TFileDialogRequest> FileRequests;
  struct FolderRequest {
    QString Caption;
    QString Start;
  };
  std::vector<FolderRequest> FolderRequests;
  std::deque<TMsgResult> Answers;
  std::deque<QStringList> OpenAnswers;
  std::deque<QString> SaveAnswers;
  std::deque<QString> FolderAnswers;

 private:
  TDialogSeam* previous_ = nullptr;
};
