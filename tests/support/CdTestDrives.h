#pragma once

#include <cstdint>

// Opens the drive of the list whose product text is the given one (a disc
// image's base name) through the drive library; 0 when it is not listed.
int32_t OpenDriveByProduct(const char* product);
