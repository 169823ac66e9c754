#pragma once

#include "jobs/JobKinds.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class QWidget;

// What a command hands to the job runner. For kind 1 each item is the
// two-digit track position directly followed by the title; otherwise each
// item is a file path. The runner copies the list.
struct TJobRequest {
  QWidget* Owner = nullptr;
  uint8_t JobKind = 0;
  int32_t CDHandle = 0;  // 0 when the job reads no CD
  QStringList List;
};

// Opens the job runner modally for the request and returns when it has
// closed, with the verdict of a rip for the status line (empty for other
// jobs and under a hook). Main thread only. Every command that starts jobs
// comes through here.
QString OpenJobRunner(const TJobRequest& request);

// Replaces what OpenJobRunner does (tests watch the requests). An empty
// function restores the default.
using TJobRunnerHook = std::function<void(const TJobRequest&)>;
void SetJobRunnerHook(TJobRunnerHook hook);
