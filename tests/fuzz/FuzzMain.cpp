// The libFuzzer program of one target; TW_FUZZ_ENTRY names its entry point.
#include "FuzzTargets.h"

#include <QLoggingCategory>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Refusals are logged; millions of them would only slow the run.
  QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false\n*.debug=false"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return TW_FUZZ_ENTRY(data, size);
}
