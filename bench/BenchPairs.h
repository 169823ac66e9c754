#pragma once

// Timing pairs for the benchmarks: one Trackwell path and a peer tool doing
// the same work on the same input, alternated round by round so both see
// the same machine load, the median of each kept. A peer that is a program
// of its own is timed marginally: the same command on a tiny input (its
// start-up, probing and exit) is timed in the same rounds and subtracted.
// Every row prints the ratio peer / ours: above 1, Trackwell is faster.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// A timed job: milliseconds of its measured part, negative when it failed.
using TJob = std::function<double()>;

inline double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  const size_t mid = v.size() / 2;
  return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

// Times the whole of a job that reports success.
inline TJob Timed(std::function<bool()> job) {
  return [job = std::move(job)] {
    QElapsedTimer clock;
    clock.start();
    if (!job()) return -1.0;
    return clock.nsecsElapsed() / 1e6;
  };
}

// Runs a program to its end; false when it is missing or fails.
inline bool RunProgram(const QString& program, const QStringList& args) {
  const QString path = QStandardPaths::findExecutable(program);
  if (path.isEmpty()) {
    std::fprintf(stderr, "%s is not installed\n", qPrintable(program));
    return false;
  }
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  p.start(path, args);
  return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

struct TPairResult {
  bool Failed = true;
  double OursMs = -1;
  double PeerMs = -1;  // marginal when a start-up job was given
};

// rounds x (ours, peer, peer start-up); any failure fails the pair.
inline TPairResult MeasurePair(int rounds, const TJob& ours, const TJob& peer,
                               const TJob& peerStartup = {}) {
  std::vector<double> o, p, s;
  for (int i = 0; i < rounds; ++i) {
    o.push_back(ours());
    p.push_back(peer());
    if (peerStartup) s.push_back(peerStartup());
  }
  auto failed = [](const std::vector<double>& v) {
    return std::any_of(v.begin(), v.end(), [](double x) { return x < 0; });
  };
  TPairResult r;
  if (failed(o) || failed(p) || failed(s)) return r;
  r.Failed = false;
  r.OursMs = Median(o);
  r.PeerMs = Median(p) - (peerStartup ? Median(s) : 0.0);
  return r;
}

inline void PrintHeader() {
  std::printf("| %-36s | %9s | %-14s | %9s | %5s |\n", "path", "ours ms", "peer", "peer ms",
              "ratio");
  std::printf("|%s|%s|%s|%s|%s|\n", std::string(38, '-').c_str(), std::string(11, '-').c_str(),
              std::string(16, '-').c_str(), std::string(11, '-').c_str(),
              std::string(7, '-').c_str());
}

// One table row. The ratio is peer / ours, so above 1 Trackwell is faster.
inline void PrintRow(const char* path, const char* peer, const TPairResult& r) {
  if (r.Failed) {
    std::printf("| %-36s | %9s | %-14s | %9s | %5s |\n", path, "failed", peer, "failed", "n/a");
  } else if (r.OursMs <= 0 || r.PeerMs <= 0) {
    // A marginal time lost in the noise: too little audio for this peer.
    std::printf("| %-36s | %9.1f | %-14s | %9.1f | %5s |\n", path, r.OursMs, peer, r.PeerMs, "n/a");
  } else {
    std::printf("| %-36s | %9.1f | %-14s | %9.1f | %5.2f |\n", path, r.OursMs, peer, r.PeerMs,
                r.PeerMs / r.OursMs);
  }
  std::fflush(stdout);
}

// Rounds from the command line (argument index), at least 1, default 5.
inline int RoundsArg(int argc, char** argv, int index) {
  return argc > index ? std::max(1, std::atoi(argv[index])) : 5;
}

}  // namespace bench
