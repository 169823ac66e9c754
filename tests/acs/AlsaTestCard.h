#pragma once

// A sound card for tests, made of ALSA's own file and null plugins: a
// private ALSA configuration (ALSA_CONFIG_PATH) whose devices write every
// byte they get into a file and play nothing. "default" writes CardFile(),
// and records MicFile(), which the test writes first (read from its start
// at every open, as fast as asked: recorders pace themselves);
// "fifo" writes into the named pipe FifoPath(), so the test decides when
// the card takes data; "broken" is a hardware card that is not there.
// Including this header installs the configuration before the first test,
// so the process-wide device list sees it.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

#include <sys/stat.h>

class TAlsaTestCard : public ::testing::Environment {
 public:
  static QString Folder() {
    static QTemporaryDir dir;
    return dir.path();
  }
  static QString CardFile() { return Folder() + "/card.raw"; }
  static QString FifoPath() { return Folder() + "/card.fifo"; }
  static QString MicFile() { return Folder() + "/mic.raw"; }
  // What reached the default card since Clear().
  static QByteArray Played() {
    QFile f(CardFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static void Clear() { QFile::remove(CardFile()); }

  void SetUp() override {
    const QString card = R"(type file slave.pcm "tw_null" format "raw" file ")";
    const QString mic = QString(R"(" infile "%1)").arg(MicFile());
    QFile conf(Folder() + "/asound.conf");
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(QString("pcm.tw_null { type null }\n"
                       "pcm.!default { %1%2%4\" hint { show on description \"Test card\" } }\n"
                       "pcm.broken { type hw card 99 hint { show on description \"Gone\" } }\n"
                       "pcm.fifo { %1%3\" hint { show on description \"Paced card\" } }\n")
                   .arg(card, CardFile(), FifoPath(), mic)
                   .toUtf8());
    conf.close();
    ASSERT_EQ(mkfifo(QFile::encodeName(FifoPath()).constData(), 0600), 0);
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(conf.fileName()));
  }
};

inline ::testing::Environment* const kAlsaTestCard =
    ::testing::AddGlobalTestEnvironment(new TAlsaTestCard);

// An Ogg file made by sox and oggenc: a 440 Hz tone on the left, 1500 Hz on
// the right.
inline QString MakeTestOgg(const QString& name, int seconds, int rate = 44100) {
  const QString wav = TAlsaTestCard::Folder() + "/tones.wav";
  const QString ogg = TAlsaTestCard::Folder() + "/" + name;
  EXPECT_EQ(QProcess::execute(
                "sox", {"-n", "-r", QString::number(rate), "-c", "2", "-b", "16", wav, "synth",
                        QString::number(seconds), "sine", "440", "sine", "1500", "gain", "-3"}),
            0);
  EXPECT_EQ(QProcess::execute("oggenc", {"-Q", "-q", "0", "-o", ogg, wav}), 0);
  return ogg;
}

// Waits (bounded, generously) for the condition, letting posted events in.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 60000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents();
    QThread::msleep(2);
  }
  return true;
}
