#pragma once

// A sound card for tests, made of ALSA's own file and null plugins: a
// private ALSA configuration (ALSA_CONFIG_PATH) whose devices write every
// byte they are given into files of a temporary folder and play nothing.
//  - "default": writes CardFile();
//  - "second": writes SecondCardFile();
//  - "fifo": writes into the named pipe FifoPath(), so a test decides when
//    the "card" takes data (a reader that does not read is a card that
//    plays slowly);
//  - "broken": a hardware device that does not exist.
// Including this header in a test program installs the configuration
// before the first test, so the process-wide device list sees it.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sys/stat.h>

class TAlsaTestCard : public ::testing::Environment {
 public:
  static QString Folder() { return Dir().path(); }
  static QString CardFile() { return Folder() + "/card.raw"; }
  static QString SecondCardFile() { return Folder() + "/second.raw"; }
  static QString FifoPath() { return Folder() + "/card.fifo"; }

  // What reached a card file so far (empty when nothing was played).
  static QByteArray Played(const QString& file = CardFile()) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Forgets what was played before.
  static void Clear() {
    QFile::remove(CardFile());
    QFile::remove(SecondCardFile());
  }

  void SetUp() override {
    ASSERT_TRUE(Dir().isValid());
    const QString conf = Folder() + "/asound.conf";
    const QString text = QStringLiteral(R"(pcm.tw_null { type null }
pcm.!default {
  type file slave.pcm "tw_null" file "%1" format "raw"
  hint { show on description "Trackwell test card" }
}
pcm.second {
  type file slave.pcm "tw_null" file "%2" format "raw"
  hint { show on description "Trackwell second test card" }
}
pcm.broken {
  type hw card 99
  hint { show on description "A card that is not there" }
}
pcm.fifo {
  type file slave.pcm "tw_null" file "%3" format "raw"
  hint { show on description "Trackwell paced test card" }
}
)")
                             .arg(CardFile(), SecondCardFile(), FifoPath());
    QFile f(conf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
    f.close();
    ASSERT_EQ(mkfifo(QFile::encodeName(FifoPath()).constData(), 0600), 0);
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(conf));
  }

 private:
  static QTemporaryDir& Dir() {
    static QTemporaryDir dir;
    return dir;
  }
};

inline ::testing::Environment* const kAlsaTestCard =
    ::testing::AddGlobalTestEnvironment(new TAlsaTestCard);
