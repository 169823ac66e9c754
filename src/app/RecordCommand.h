#pragma once

#include <cstdint>

class QWidget;

// Opens the recorder modally over the owner. Its MP3 copies go through the
// job runner (kind 4) with this CD handle; without one (0) the recorder
// refuses to make them.
void ExecuteRecord(QWidget* owner, int32_t cdHandle);
