#include "app/AboutForm.h"

#include "app/Addresses.h"
#include "app/ModalDialog.h"
#include "platform/MainThread.h"
#include "platform/Shell.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"
#include "settings/Skins.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcAboutForm, "trackwell.app.about")

#ifndef TW_VERSION
#define TW_VERSION "0.0"
#endif
#ifndef TW_BUILD_NUMBER
#define TW_BUILD_NUMBER "0"
#endif

QString AboutVersionText() {
  return QStringLiteral("Version: %1 Build %2").arg(TW_VERSION, TW_BUILD_NUMBER);
}

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  ExpectMainThread(Q_FUNC_INFO);
  setWindowTitle("About Trackwell");
  lblName = new QLabel("Trackwell", this);
  QFont name = lblName->font();
  name.setBold(true);
  name.setPointSizeF(name.pointSizeF() * 1.6);
  lblName->setFont(name);
  lblVersion = new QLabel(AboutVersionText(), this);
  lblOwner = new QLabel("Copyright (C) 2026 the Trackwell developers", this);
  lblContact = new QLabel(
      "Support: there is no e-mail address; the help page (F1) answers the common questions.",
      this);
  lblHomePage = new QLabel(this);
  SetLinkLabel(lblHomePage, HomePageAddress(), "Trackwell Home Page");
  connect(lblHomePage, &QLabel::linkActivated, this, [](const QString& link) {
    if (!ShellOpen(link)) qCWarning(lcAboutForm) << "the link did not open" << link;
  });
  for (QLabel* label : {lblName, lblVersion, lblOwner, lblContact, lblHomePage})
    label->setAlignment(Qt::AlignHCenter);

  btnOK = new QPushButton("OK", this);
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(8);
  layout->addWidget(lblName);
  layout->addWidget(lblVersion);
  layout->addWidget(lblOwner);
  layout->addWidget(lblContact);
  layout->addWidget(lblHomePage);
  layout->addLayout(buttons);
  ApplySkin(this, OptionsSetting.SkinIndex);
}

void ShowAbout(QWidget* owner) {
  TfrmAbout dialog(owner);
  ExecModal(dialog);
}
