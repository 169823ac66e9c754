#include "app/NoDeviceHint.h"

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

Q_LOGGING_CATEGORY(lcNoDeviceHint, "trackwell.app.nodevicehint")

namespace {

QLabel* Link(QWidget* parent, const QString& text, const QString& url) {
  auto* label = new QLabel(parent);
  SetLinkLabel(label, url, text);
  QObject::connect(label, &QLabel::linkActivated, parent, [](const QString& link) {
    if (!ShellOpen(link)) qCWarning(lcNoDeviceHint) << "the link did not open" << link;
  });
  return label;
}

}  // namespace

TfrmNoDeviceHint::TfrmNoDeviceHint(QWidget* parent) : QDialog(parent) {
  ExpectMainThread(Q_FUNC_INFO);
  setWindowTitle("Trackwell");
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(2);
  auto line = [&](const QString& text, QLabel* link = nullptr) {
    auto* label = new QLabel(text, this);
    label->setTextFormat(Qt::PlainText);
    lines_ << text;
    if (!link) {
      layout->addWidget(label);
      return;
    }
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(label);
    row->addWidget(link);
    row->addStretch(1);
    lines_ << link->property("twLinkText").toString();
    layout->addLayout(row);
  };
  auto gap = [&] { layout->addSpacing(8); };

  line("The Software couldn't find CD devices.Please check the following problems:");
  gap();
  line("1.CD devices are locked by another application.Such as a CD player or a ");
  line("multimedia player or other CD ripper software.");
  gap();
  line("2.Your right permissions: only Administrators or Power Users can directly ");
  line("access to low level SCSI/IDE interface API on Windows 2000/NT/XP.");
  gap();
  line("3.Incorrect ASPI driver.Please install latest ASPI driver,you can downlaod");
  lblForceAspi = Link(this, "ForceASPI 1.8", QString::fromLatin1(kForceAspiUrl));
  line("ForceASPI(install tool include drivers)  from", lblForceAspi);
  lblAdaptec = Link(this, QString::fromLatin1(kAspiMakerText), QString::fromLatin1(kAspiMakerUrl));
  line("or drivers from Adaptec web site at", lblAdaptec);

  btnClose = new QPushButton("&Close", this);
  btnClose->setDefault(true);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnClose);
  layout->addSpacing(10);
  layout->addLayout(buttons);
  ApplySkin(this, OptionsSetting.SkinIndex);
}

QStringList TfrmNoDeviceHint::Lines() const { return lines_; }

void ShowNoDeviceHint(QWidget* owner) {
  TfrmNoDeviceHint dialog(owner);
  ExecModal(dialog);
}
