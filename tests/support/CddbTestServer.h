#pragma once

// A real CDDB-over-HTTP server on 127.0.0.1 for the tests: python3 running
// tests/support/cddb_server.py on a free port, configured by a scenario
// (JSON, see the script) and recording every request it receives.

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <vector>

class TCddbTestServer {
 public:
  // Starts the server; Port() is 0 when it did not come up.
  TCddbTestServer();
  ~TCddbTestServer();
  TCddbTestServer(const TCddbTestServer&) = delete;
  TCddbTestServer& operator=(const TCddbTestServer&) = delete;

  int Port() const { return port_; }
  // "127.0.0.1:<port>", the text for the server option.
  QString Address() const;

  // Replaces the scenario; takes effect with the next request.
  void SetScenario(const QJsonObject& scenario);
  // Every request so far, oldest first (fields as the script logs them).
  std::vector<QJsonObject> Requests() const;

 private:
  QTemporaryDir dir_;
  QProcess process_;
  int port_ = 0;
};

// One line of a CDDB reply or entry, ended with "\r\n" as servers send it.
QString CddbLines(const QStringList& lines);
