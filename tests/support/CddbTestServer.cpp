#include "CddbTestServer.h"

#include <QFile>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QStringList>

#include <cstdio>

#ifndef TW_SUPPORT_DIR
#error "TW_SUPPORT_DIR names the folder of cddb_server.py"
#endif

TCddbTestServer::TCddbTestServer() {
  if (!dir_.isValid()) return;
  SetScenario(QJsonObject{});
  QString python = QStandardPaths::findExecutable("python3");
  if (python.isEmpty()) python = "/usr/bin/python3";
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(python, {QStringLiteral(TW_SUPPORT_DIR "/cddb_server.py"), dir_.path()});
  if (!process_.waitForStarted(10000)) return;
  while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
  }
  bool ok = false;
  const int port = process_.readLine().trimmed().toInt(&ok);
  if (ok) port_ = port;
}

TCddbTestServer::~TCddbTestServer() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(5000);
}

QString TCddbTestServer::Address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

void TCddbTestServer::SetScenario(const QJsonObject& scenario) {
  QFile file(dir_.filePath("scenario.json.new"));
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(QJsonDocument(scenario).toJson());
  file.close();
  // Renamed over the old one so the server never reads half a scenario.
  std::rename(QFile::encodeName(file.fileName()).constData(),
              QFile::encodeName(dir_.filePath("scenario.json")).constData());
}

std::vector<QJsonObject> TCddbTestServer::Requests() const {
  std::vector<QJsonObject> requests;
  QFile file(dir_.filePath("requests.log"));
  if (!file.open(QIODevice::ReadOnly)) return requests;
  while (!file.atEnd()) {
    const QJsonDocument line = QJsonDocument::fromJson(file.readLine());
    if (line.isObject()) requests.push_back(line.object());
  }
  return requests;
}

QString CddbLines(const QStringList& lines) {
  QString text;
  for (const QString& line : lines) text += line + "\r\n";
  return text;
}
