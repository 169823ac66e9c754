// The program's start-up on the demo disc, offscreen: from starting the
// process to the main window showing the disc's tracks ticked in the list.
// Each round starts this program again (bench_startup --once <folder>),
// which builds the application and the main window as the program does, on
// a program folder holding the demo disc, its catalogue entry and the skin
// files, and reports when the list is filled; the parent times that from
// the process start. The median of the rounds is printed. No peer does the
// same work, so the peer and the ratio are "-".
//
//   bench_startup [seconds (ignored)] [rounds (5)]
#include "BenchPairs.h"
#include "DiscImage.h"
#include "app/AppErrors.h"
#include "app/MainForm.h"
#include "app/ModalDialog.h"
#include "app/TrackListView.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr char kFilled[] = "filled";

// The child: the window on the program folder, until every row is ticked.
int Once(int argc, char** argv, const QString& folder) {
  TTrackwellApplication app(argc, argv);
  QApplication::setApplicationName("Trackwell");
  SetProgramFolder(folder);
  // Start-up dialogs (the no-device hint, tips) would wait for a user.
  SetModalDialogHook([](QDialog&) { return int(QDialog::Rejected); });
  TMainForm window;
  window.show();
  const TTrackListView* list = window.TrackList();
  QElapsedTimer limit;
  limit.start();
  auto filled = [&] {
    if (list->RowCount() == 0) return false;
    for (int row = 0; row < list->RowCount(); ++row)
      if (!list->Checked(row)) return false;
    return true;
  };
  while (!filled()) {
    if (limit.elapsed() > 30000) {
      std::fprintf(stderr, "the track list stayed empty\n");
      return 1;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  std::printf("%s %d\n", kFilled, list->RowCount());
  std::fflush(stdout);
  return 0;
}

bool MakeProgramFolder(const QString& folder) {
  QString error;
  const TDiscDescription disc = DemoDisc();
  if (!QDir().mkpath(folder + "/discs") ||
      !WriteDiscImage(disc, folder + "/discs/Demo Disc.cue", &error) ||
      !WriteCatalogueSection(disc, folder + "/cdinfo.dat", false, &error)) {
    std::fprintf(stderr, "cannot write the demo disc: %s\n", qPrintable(error));
    return false;
  }
  const QDir skins(QStringLiteral(TW_SKIN_DIR));
  for (const QString& name : skins.entryList({"*.ssk"}, QDir::Files))
    if (!QFile::copy(skins.filePath(name), folder + "/" + name)) return false;
  return true;
}

// Milliseconds from starting the child to its report; negative on failure.
double OneStart(const QString& self, const QString& folder, int tracks) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  child.setProcessEnvironment(env);
  QElapsedTimer clock;
  clock.start();
  child.start(self, {"--once", folder});
  QByteArray out;
  while (!out.contains('\n') && child.waitForReadyRead(30000)) out += child.readAllStandardOutput();
  const double ms = clock.nsecsElapsed() / 1e6;
  child.waitForFinished(30000);
  const bool ok = out.trimmed() == kFilled + (" " + QByteArray::number(tracks)) &&
                  child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
  // The offscreen platform's notes are noise unless the start failed.
  if (!ok) std::fprintf(stderr, "%s", child.readAllStandardError().constData());
  return ok ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--once") == 0)
    return Once(argc, argv, QString::fromLocal8Bit(argv[2]));
  QCoreApplication app(argc, argv);
  const int rounds = bench::RoundsArg(argc, argv, 2);
  QTemporaryDir dir;
  if (!MakeProgramFolder(dir.path())) return 1;
  std::printf(
      "bench_startup: start-up to the demo disc's ticked track list, offscreen, %d rounds\n",
      rounds);
  bench::PrintHeader();
  std::vector<double> times;
  bool failed = false;
  for (int i = 0; i < rounds; ++i) {
    times.push_back(OneStart(QCoreApplication::applicationFilePath(), dir.path(),
                             int(DemoDisc().Tracks.size())));
    failed = failed || times.back() < 0;
  }
  bench::PrintOursRow("start-up to a filled track list", failed ? -1 : bench::Median(times));
  return failed ? 1 : 0;
}
