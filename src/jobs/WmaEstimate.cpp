#include "jobs/WmaEstimate.h"

#include <cmath>

namespace {
constexpr int64_t kSmallSource = 2000000;
constexpr int64_t kSmallSourceSeconds = 2;
}  // namespace

std::optional<int64_t> EstimateWmaTotal(int64_t elapsed, int64_t sourceSize, int64_t outSize,
                                        int32_t ratio) {
  int64_t total = kSmallSourceSeconds;
  if (sourceSize >= kSmallSource) {
    if (ratio <= 0 || outSize <= 0) return std::nullopt;
    int64_t expected = std::llround(double(sourceSize) * 1000.0 / double(ratio));
    if (outSize > expected) expected = outSize;
    total = expected * elapsed / outSize;
  }
  if (elapsed >= total) total = elapsed + 1;
  return total;
}

int32_t EffectiveWmaRatio(int32_t tableRatio, int profileKbps, int actualKbps) {
  if (actualKbps <= 0 || profileKbps <= 0 || actualKbps == profileKbps) return tableRatio;
  return static_cast<int32_t>(std::llround(double(tableRatio) * profileKbps / actualKbps));
}

int WmaGaugePercent(int64_t elapsed, int64_t total) {
  if (total <= 0) return 0;
  return static_cast<int>(std::llround(double(elapsed) * 100.0 / double(total)));
}
