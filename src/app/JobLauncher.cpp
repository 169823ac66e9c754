#include "app/JobLauncher.h"

#include "jobs/RipForm.h"
#include "platform/MainThread.h"

#include <utility>

namespace {

TJobRunnerHook& Hook() {
  static TJobRunnerHook hook;
  return hook;
}

}  // namespace

QString OpenJobRunner(const TJobRequest& request) {
  ExpectMainThread(Q_FUNC_INFO);
  if (Hook()) {
    Hook()(request);
    return QString();
  }
  TRipForm form(request.Owner, request.JobKind, request.CDHandle, request.List);
  // A run that ended while the first job started (nothing to do, or its only
  // job ended at once) has shown what it had to say; no empty window.
  if (!form.Runner().Finished()) form.exec();
  return form.Runner().RipVerdict();
}

void SetJobRunnerHook(TJobRunnerHook hook) { Hook() = std::move(hook); }
