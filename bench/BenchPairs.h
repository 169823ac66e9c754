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

#include <unistd.h>

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

// Lets the disk finish what earlier jobs left for it, outside the timed
// part: the previous job's output (10 MB a conversion) is still being
// written back, and that write-back lands on whichever job runs next, a
// program's start-up (page faults) or our writes, by tens of ms.
inline void SettleDisk() { ::sync(); }

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

// rounds x (ours, peer, peer start-up, our start-up); any failure fails the
// pair. A start-up job, when given, is subtracted from its side's run of the
// same round: when ours is a program of its own too, both sides are timed
// marginally.
inline TPairResult MeasurePair(int rounds, const TJob& ours, const TJob& peer,
                               const TJob& peerStartup = {}, const TJob& oursStartup = {}) {
  std::vector<double> o, p, s, os;
  for (int i = 0; i < rounds; ++i) {
    o.push_back(ours());
    p.push_back(peer());
    if (peerStartup) s.push_back(peerStartup());
    if (oursStartup) os.push_back(oursStartup());
  }
  auto failed = [](const std::vector<double>& v) {
    return std::any_of(v.begin(), v.end(), [](double x) { return x < 0; });
  };
  // A marginal time is the median of each round's difference: a program's
  // start-up here varies by tens of ms from minute to minute, which the
  // runs of one round share but the medians of the two sides do not.
  auto marginal = [](const std::vector<double>& run, const std::vector<double>& startup) {
    if (startup.empty()) return Median(run);
    std::vector<double> d(run.size());
    for (size_t i = 0; i < run.size(); ++i) d[i] = run[i] - startup[i];
    return Median(d);
  };
  TPairResult r;
  if (failed(o) || failed(p) || failed(s) || failed(os)) return r;
  r.Failed = false;
  r.OursMs = marginal(o, os);
  r.PeerMs = marginal(p, s);
  return r;
}

namespace detail {
inline void Line(const char* path, const char* ours, const char* peer, const char* peerMs,
                 const char* ratio, const char* target) {
  std::printf("| %-40s | %9s | %-16s | %9s | %5s | %-7s |\n", path, ours, peer, peerMs, ratio,
              target);
}
inline std::string Ms(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", ms);
  return text;
}
}  // namespace detail

inline void PrintHeader() {
  detail::Line("path", "ours ms", "peer", "peer ms", "ratio", "target");
  auto dashes = [](int n) { return std::string(n, '-'); };
  std::printf("|%s|%s|%s|%s|%s|%s|\n", dashes(42).c_str(), dashes(11).c_str(), dashes(18).c_str(),
              dashes(11).c_str(), dashes(7).c_str(), dashes(9).c_str());
}

// One table row. The ratio is peer / ours, so above 1 Trackwell is faster;
// the target, when there is one, is the ratio the path should reach.
inline void PrintRow(const char* path, const char* peer, const TPairResult& r,
                     const char* target = "") {
  if (r.Failed) {
    detail::Line(path, "failed", peer, "failed", "n/a", target);
  } else if (r.OursMs <= 0 || r.PeerMs <= 0) {
    // A marginal time lost in the noise: too little audio for this peer.
    detail::Line(path, detail::Ms(r.OursMs).c_str(), peer, detail::Ms(r.PeerMs).c_str(), "n/a",
                 target);
  } else {
    char ratio[16];
    std::snprintf(ratio, sizeof ratio, "%.2f", r.PeerMs / r.OursMs);
    detail::Line(path, detail::Ms(r.OursMs).c_str(), peer, detail::Ms(r.PeerMs).c_str(), ratio,
                 target);
  }
  std::fflush(stdout);
}

// A row of a path no peer does the same work for: "-" as peer and ratio;
// a negative time is a failure.
inline void PrintOursRow(const char* path, double oursMs, const char* target = "") {
  detail::Line(path, oursMs < 0 ? "failed" : detail::Ms(oursMs).c_str(), "-", "-", "-", target);
  std::fflush(stdout);
}

// Rounds from the command line (argument index), at least 1, default 5.
inline int RoundsArg(int argc, char** argv, int index) {
  return argc > index ? std::max(1, std::atoi(argv[index])) : 5;
}

}  // namespace bench
