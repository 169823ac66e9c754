// Runs every seed and every kept crashing input through the fuzz entry
// points: tests/fuzz/seeds/<target>/ and tests/fuzz/crashes/<target>/. A
// broken invariant aborts; a target without seeds fails. Arguments: the
// corpus root (default: this source folder), then optionally target names.
// Options starting with "--" (as the sanitized runner passes) are ignored.
#include "FuzzTargets.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the regular files of dir in name order; the count run.
int RunFolder(const TFuzzTarget& target, const fs::path& dir) {
  if (!fs::is_directory(dir)) return 0;
  std::vector<fs::path> files;
  for (const fs::directory_entry& e : fs::directory_iterator(dir))
    if (e.is_regular_file() && e.path().filename().string()[0] != '.') files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    const std::vector<uint8_t> bytes = ReadBytes(file);
    std::fprintf(stderr, "  %s\n", file.filename().c_str());
    target.Run(bytes.data(), bytes.size());
  }
  return int(files.size());
}

}  // namespace

int main(int argc, char** argv) {
  QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false\n*.debug=false"));
  fs::path root = TW_FUZZ_CORPUS;
  std::vector<std::string> only;
  bool rootGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--", 0) == 0) continue;
    if (!rootGiven) {
      root = arg;
      rootGiven = true;
    } else {
      only.push_back(arg);
    }
  }
  int failed = 0;
  for (const TFuzzTarget& target : kFuzzTargets) {
    if (!only.empty() && std::find(only.begin(), only.end(), target.Name) == only.end()) continue;
    std::fprintf(stderr, "%s\n", target.Name);
    const int seeds = RunFolder(target, root / "seeds" / target.Name);
    const int crashes = RunFolder(target, root / "crashes" / target.Name);
    std::printf("%-14s %3d seeds, %3d kept crashes replayed\n", target.Name, seeds, crashes);
    if (seeds == 0) {
      std::printf("%s: no seeds under %s\n", target.Name, (root / "seeds" / target.Name).c_str());
      ++failed;
    }
  }
  return failed == 0 ? 0 : 1;
}
