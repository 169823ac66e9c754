#include "options/OptionsView.h"

namespace {
constexpr int kWavFormat = 1;  // "WAV file(*.WAV)"
}

TOptionsEnabling EnablingOf(const TOptionsView& view) {
  TOptionsEnabling e;
  e.NormalizePercent = view.Normalize;
  e.RipTime = view.EnableRipTime;
  e.VBRControls = view.EnableVBR;
  // A WAV rip leaves nothing to delete.
  e.DeleteWav = view.OutputFormat != kWavFormat;
  return e;
}
