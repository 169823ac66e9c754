#pragma once

// CRC-32 (the zip polynomial, reflected) by carry-less multiplication:
// 64 bytes folded per step with PCLMULQDQ, several times the speed of
// table lookups, for x86-64 processors that have it.

#include <cstddef>
#include <cstdint>

// Whether this processor can run Crc32Fold.
bool Crc32FoldAvailable();

// Folds the first bytes & ~15 bytes (bytes >= 64) into state, the running
// register as table-driven code keeps it (pre-inverted, not yet
// post-inverted), and returns the new state. *used receives the bytes
// taken; the caller finishes the rest byte by byte.
uint32_t Crc32Fold(uint32_t state, const uint8_t* data, size_t bytes, size_t* used);
