#include "FuzzTargets.h"

#include "platform/CueSheetCheck.h"

// A refusal always says why; an accepted sheet names its FILE and a first
// TRACK 01, the two things libcdio's parser relies on most.
int FuzzCueSheet(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  QString why;
  const bool accepted = IsAudioCueSheet(bytes, &why);
  if (!accepted) {
    FUZZ_CHECK(!why.isEmpty());
    return 0;
  }
  const QByteArray upper = bytes.toUpper();
  FUZZ_CHECK(upper.contains("FILE"));
  FUZZ_CHECK(upper.contains("TRACK"));
  FUZZ_CHECK(upper.contains("INDEX"));
  FUZZ_CHECK(IsAudioCueSheet(bytes, nullptr));
  return 0;
}
