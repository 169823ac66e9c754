#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>

void FuzzFail(const char* what) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}
