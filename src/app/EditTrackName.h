#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// Asks for a new title of one track. "&OK" is enabled only while the field
// holds text; Enter in the field accepts even when it is empty.
class TfrmEditTrackName final : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmEditTrackName(QWidget* parent = nullptr);

  void SetName(const QString& name);
  QString Name() const;

  QLineEdit* eName = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void eNameChange();
};

// Opens the dialog modally on the title; returns true with the edited text
// in *title when it ends with OK.
bool EditTrackTitle(QWidget* parent, QString* title);
