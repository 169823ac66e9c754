#include "app/JobLauncher.h"

#include <utility>

namespace {

TJobRunnerHook& Hook() {
  static TJobRunnerHook hook;
  return hook;
}

}  // namespace

void OpenJobRunner(const TJobRequest& request) {
  if (Hook()) {
    Hook()(request);
    return;
  }
  // The job runner window is not part of the program yet; until it is, a
  // request opens nothing.
}

void SetJobRunnerHook(TJobRunnerHook hook) { Hook() = std::move(hook); }
