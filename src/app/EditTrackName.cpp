#include "app/EditTrackName.h"

#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmEditTrackName::TfrmEditTrackName(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Rename Track Title");
  auto* group = new QGroupBox("Please enter the new track title", this);
  eName = new QLineEdit(group);
  eName->setMinimumWidth(280);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(eName);

  btnOK = new QPushButton("&OK", this);
  btnCancel = new QPushButton("&Cancel", this);
  // Enter is handled by the field itself, so no button is the default one.
  btnOK->setAutoDefault(false);
  btnCancel->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(buttons);

  connect(eName, &QLineEdit::textChanged, this, [this] { eNameChange(); });
  connect(eName, &QLineEdit::returnPressed, this, &QDialog::accept);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  eNameChange();
  ApplySkin(this, OptionsSetting.SkinIndex);
}

void TfrmEditTrackName::SetName(const QString& name) {
  eName->setText(name);
  eNameChange();
}

QString TfrmEditTrackName::Name() const { return eName->text(); }

void TfrmEditTrackName::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  eName->selectAll();
  eName->setFocus();
}

void TfrmEditTrackName::eNameChange() { btnOK->setEnabled(!eName->text().isEmpty()); }

bool EditTrackTitle(QWidget* parent, QString* title) {
  TfrmEditTrackName dialog(parent);
  dialog.SetName(*title);
  if (dialog.exec() != QDialog::Accepted) return false;
  *title = dialog.Name();
  return true;
}
