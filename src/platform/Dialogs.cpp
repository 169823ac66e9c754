#include "platform/Dialogs.h"

#include "platform/MainThread.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

class TQtDialogs final : public TDialogSeam {
 public:
  TMsgResult MessageBox(QWidget* parent, const QString& text, TMsgIcon icon, TMsgButtons buttons,
                        TMsgDefault defaultButton) override {
    QMessageBox box(parent);
    box.setWindowTitle(kAppCaption);
    box.setText(text);
    switch (icon) {
      case TMsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
      case TMsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
      case TMsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
      case TMsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
      case TMsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
      case TMsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
      case TMsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
      case TMsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    const bool firstIsYes = buttons == TMsgButtons::YesNo || buttons == TMsgButtons::YesNoCancel;
    if (defaultButton == TMsgDefault::No && firstIsYes) {
      box.setDefaultButton(QMessageBox::No);
    } else {
      box.setDefaultButton(firstIsYes ? QMessageBox::Yes : QMessageBox::Ok);
    }
    switch (box.exec()) {
      case QMessageBox::Yes:
        return TMsgResult::Yes;
      case QMessageBox::No:
        return TMsgResult::No;
      case QMessageBox::Ok:
        return TMsgResult::Ok;
      default:
        return TMsgResult::Cancel;
    }
  }

  QStringList OpenFiles(QWidget* parent, const TFileDialogRequest& request) override {
    QFileDialog dialog(parent, request.Title.isEmpty() ? QString(kAppCaption) : request.Title,
                       request.InitialDir, QtFilterFromPipes(request.Filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.MultiSelect ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
    if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
  }

  QString SaveFile(QWidget* parent, const TFileDialogRequest& request) override {
    QFileDialog dialog(parent, request.Title.isEmpty() ? QString(kAppCaption) : request.Title,
                       request.InitialDir, QtFilterFromPipes(request.Filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!request.DefaultExt.isEmpty()) dialog.setDefaultSuffix(request.DefaultExt);
    if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
  }

  QString BrowseFolder(QWidget* parent, const QString& caption, const QString& start) override {
    return QFileDialog::getExistingDirectory(parent, caption.isEmpty() ? kAppCaption : caption,
                                             start);
  }
};

TQtDialogs& QtDialogs() {
  static TQtDialogs dialogs;
  return dialogs;
}

TDialogSeam*& Installed() {
  static TDialogSeam* seam = nullptr;
  return seam;
}

}  // namespace

TDialogSeam& Dialogs() {
  ExpectMainThread(Q_FUNC_INFO);  // every dialog of the seam is a window
  return Installed() ? *Installed() : QtDialogs();
}

void SetDialogs(TDialogSeam* seam) { Installed() = seam; }

TMsgResult ShowMessage(QWidget* parent, const QString& text, TMsgIcon icon, TMsgButtons buttons,
                       TMsgDefault defaultButton) {
  return Dialogs().MessageBox(parent, text, icon, buttons, defaultButton);
}

QString QtFilterFromPipes(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1].trimmed();
    patterns.replace(';', ' ');
    out << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns);
  }
  return out.join(";;");
}
