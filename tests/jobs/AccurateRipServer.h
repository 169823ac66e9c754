#pragma once

// A local stand-in for the AccurateRip server: Python's static file server
// on 127.0.0.1 over a folder (files as they are, 404 for the rest), and the
// dBAR records the tests put there.

#include "cd/AccurateRipId.h"

#include <QByteArray>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

class TStaticHttpServer {
 public:
  explicit TStaticHttpServer(const QString& folder) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start("python3",
                   {"-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", folder});
    const QRegularExpression re("port (\\d+)");
    QByteArray out;
    while (port_ == 0 && process_.waitForReadyRead(10000)) {
      out += process_.readAll();
      const auto m = re.match(QString::fromLatin1(out));
      if (m.hasMatch()) port_ = m.captured(1).toInt();
    }
  }
  ~TStaticHttpServer() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  TStaticHttpServer(const TStaticHttpServer&) = delete;
  TStaticHttpServer& operator=(const TStaticHttpServer&) = delete;

  int Port() const { return port_; }  // 0 when it did not come up

 private:
  QProcess process_;
  int port_ = 0;
};

inline void AppendLe32(QByteArray* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b->append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// One record of a dBAR file: the disc's ids, then confidence and CRC per
// track (frame-450 CRCs are not checked and get a filler).
inline QByteArray DbarRecord(const TAccurateRipDiscIds& ids,
                             const std::vector<std::pair<int, uint32_t>>& tracks) {
  QByteArray b;
  b.append(static_cast<char>(tracks.size()));
  AppendLe32(&b, ids.Id1);
  AppendLe32(&b, ids.Id2);
  AppendLe32(&b, ids.FreedbId);
  for (const auto& [confidence, crc] : tracks) {
    b.append(static_cast<char>(confidence));
    AppendLe32(&b, crc);
    AppendLe32(&b, 0x450450u);
  }
  return b;
}
