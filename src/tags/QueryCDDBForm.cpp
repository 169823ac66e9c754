#include "tags/QueryCDDBForm.h"

#include "platform/MainThread.h"
#include "settings/OptionsSetting.h"
#include "settings/SharedRoutines.h"
#include "tags/StopQueryForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

const QStringList& CddbServerNames() {
  static const QStringList names = {
      QString::fromLatin1(kDefaultCddbServer),
      QStringLiteral("www.gnudb.org"),
      QStringLiteral("freedb.dbpoweramp.com"),
  };
  return names;
}

TfrmQueryCDDB::TfrmQueryCDDB(QWidget* parent, uint8_t firstTrack, uint8_t lastTrack,
                             int32_t driveHandle, TCddbTitleTarget target)
    : QDialog(parent),
      firstTrack_(firstTrack),
      lastTrack_(lastTrack),
      driveHandle_(driveHandle),
      target_(std::move(target)) {
  ExpectMainThread(Q_FUNC_INFO);
  setWindowTitle(QStringLiteral("Query CDDB"));
  BuildLayout();
  connect(btQuery, &QPushButton::clicked, this, &TfrmQueryCDDB::btQueryClick);
  connect(btClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(btDefault, &QPushButton::clicked, this, &TfrmQueryCDDB::btDefaultClick);
  connect(cbUseProxy, &QCheckBox::toggled, this, &TfrmQueryCDDB::cbUseProxyClick);
  ApplySkin(this, OptionsSetting.SkinIndex);
}

void TfrmQueryCDDB::BuildLayout() {
  auto* server = new QGroupBox(QStringLiteral("Server"), this);
  cbServer = new QComboBox(server);
  cbServer->setObjectName("cbServer");
  cbServer->setEditable(true);
  cbServer->setInsertPolicy(QComboBox::NoInsert);
  cbServer->addItems(CddbServerNames());
  eScript = new QLineEdit(server);
  eScript->setObjectName("eScript");
  auto* serverForm = new QFormLayout(server);
  serverForm->addRow(QStringLiteral("Freedb Server:"), cbServer);
  serverForm->addRow(QStringLiteral("Query Script:"), eScript);

  auto* proxy = new QGroupBox(QStringLiteral("Proxy server"), this);
  cbUseProxy = new QCheckBox(QStringLiteral("Use a proxy server"), proxy);
  cbUseProxy->setObjectName("cbUseProxy");
  eAddress = new QLineEdit(proxy);
  eAddress->setObjectName("eAddress");
  ePort = new QLineEdit(proxy);
  ePort->setObjectName("ePort");
  eAddress->setEnabled(false);
  ePort->setEnabled(false);
  auto* proxyForm = new QFormLayout(proxy);
  proxyForm->addRow(cbUseProxy);
  proxyForm->addRow(QStringLiteral("Address:"), eAddress);
  proxyForm->addRow(QStringLiteral("Port:"), ePort);

  btQuery = new QPushButton(QStringLiteral("Query"), this);
  btClose = new QPushButton(QStringLiteral("Close"), this);
  btDefault = new QPushButton(QStringLiteral("Default"), this);
  btQuery->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btQuery);
  buttons->addWidget(btClose);
  buttons->addWidget(btDefault);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(server);
  layout->addWidget(proxy);
  layout->addLayout(buttons);
}

void TfrmQueryCDDB::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TfrmQueryCDDB::FormShow() {
  const TQueryCDDB& q = OptionsSetting.QueryCDDB;
  const int index = cbServer->findText(q.Server, Qt::MatchExactly | Qt::MatchCaseSensitive);
  cbServer->setCurrentIndex(index >= 0 ? index : 0);
  eScript->setText(q.Script);
  cbUseProxy->setChecked(q.UseProxy);
  eAddress->setText(q.ProxyAddress);
  ePort->setText(q.Port);
  cbUseProxyClick();
}

void TfrmQueryCDDB::cbUseProxyClick() {
  const bool on = cbUseProxy->isChecked();
  eAddress->setEnabled(on);
  ePort->setEnabled(on);
}

void TfrmQueryCDDB::btDefaultClick() {
  cbServer->setCurrentIndex(0);
  eScript->setText(QString::fromLatin1(kDefaultCddbScript));
  cbUseProxy->setChecked(false);
}

void TfrmQueryCDDB::btQueryClick() {
  ExpectMainThread(Q_FUNC_INFO);
  TQueryCDDB& q = OptionsSetting.QueryCDDB;
  q.Server = cbServer->currentText();
  q.Script = eScript->text();
  q.UseProxy = cbUseProxy->isChecked();
  q.ProxyAddress = eAddress->text();
  q.Port = ePort->text();
  TfrmStopQuery stop(this, firstTrack_, lastTrack_, driveHandle_, target_);
  if (stop.exec() == QDialog::Accepted) accept();
}
