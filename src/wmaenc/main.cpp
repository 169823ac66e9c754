// trackwell-wmaenc: WAV to WMA for Trackwell's WMA runner.
#include "wmaenc/WmaArguments.h"
#include "wmaenc/WmaEncoder.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::atomic<bool> interrupted{false};

void OnSignal(int) { interrupted.store(true); }

void Say(const std::string& line) {
  // One line at a time, straight through the pipe the runner reads.
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGHUP, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto parsed = ParseWmaArguments(args, error);
  if (!parsed) {
    Say("ERROR: " + error);
    Say("usage: trackwell-wmaenc -input src.wav -output dst.wma -a_setting 64_44_2 "
        "[-author text] [-description text]");
    return 2;
  }
  return RunWmaEncoder(*parsed, Say, &interrupted);
}
