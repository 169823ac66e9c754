#pragma once

#include "tags/QueryCDDBThread.h"

#include <cstdint>

class QWidget;

// "&Query Freedb": reads the table of contents of the drive; when that
// fails, says so ("Error while reading TOC information!"); otherwise opens
// the freedb dialog modally with the first and last track and the handle.
// Main thread only.
void ExecuteQueryFreedb(QWidget* owner, int32_t cdHandle, const TCddbTitleTarget& target);
