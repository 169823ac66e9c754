#include "encoders/WMAProfiles.h"

#include <cstdlib>

const std::array<const char*, kWMAProfileCount> WMAProfileTable = {
    "192_48_2", "160_48_2", "128_48_2", "192_44_2", "160_44_2", "128_44_2", "96_44_2",
    "80_44_2",  "64_44_2",  "48_44_2",  "32_44_2",  "48_44_1",  "32_44_1",  "48_32_2",
    "40_32_2",  "32_32_2",  "20_32_1",  "32_22_2",  "22_22_2",  "20_22_2",  "20_22_1",
    "16_22_1",  "20_16_2",  "16_16_2",  "16_16_1",  "12_16_1",  "10_16_1",  "10_11_1",
    "8_11_1",   "12_8_2",   "8_8_1",    "6_8_1",    "5_8_1"};

const std::array<int32_t, kWMAProfileCount> WMAProfileRatio = {
    7315,  8770,  10949, 7316,   8772,   10954,  14581,  17471,  21790,  28963,  43174,
    28963, 43134, 28999, 34720,  43214,  68873,  43134,  62208,  68264,  68264,  84458,
    67963, 84150, 84150, 110460, 131113, 133765, 165296, 113717, 167692, 220395, 261485};

int ValidWMAProfileIndex(int32_t& index) {
  if (index < 0 || index >= kWMAProfileCount) index = kDefaultWMAProfile;
  return index;
}

int WMAProfileKbps(int index) {
  if (index < 0 || index >= kWMAProfileCount) return 0;
  return std::atoi(WMAProfileTable[static_cast<size_t>(index)]);
}
