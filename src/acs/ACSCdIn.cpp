#include "acs/ACSCdIn.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {
constexpr int32_t kBytesPerSecond = 44100 * 4;
}

TCDIn::TCDIn(QObject* owner) : TACSInput(owner) {}

void TCDIn::SetRange(int32_t startSector, int32_t endSector) {
  if (Busy()) throw EACSException("The component is buisy");
  // Size is a 32-bit byte count: a range is at most about fifteen minutes
  // over the longest disc, and must stay countable.
  if (startSector < 0 || endSector < startSector ||
      int64_t{endSector - startSector} * kRawSectorBytes > INT32_MAX)
    throw EACSException("Invalid sector range");
  FStartSector = startSector;
  FEndSector = endSector;
}

int32_t TCDIn::CurrentSector() const { return FStartSector + Position() / kRawSectorBytes; }

int TCDIn::GetTotalTime() {
  const int64_t bytes = int64_t{FEndSector - FStartSector} * kRawSectorBytes;
  return static_cast<int>(std::llround(double(bytes) / kBytesPerSecond));
}

void TCDIn::Init() {
  if (Busy()) throw EACSException("The component is buisy");
  if (FCDHandle == 0) throw EACSException("The CD is not assigned");
  if (!buffer_) buffer_ = NewTrackBuffer(kMaxSectorsPerRead);
  nextSector_ = FStartSector;
  BufStart = 1;
  BufEnd = 0;
  FPosition = 0;
  FSize = (FEndSector - FStartSector) * kRawSectorBytes;
  FBusy = true;
}

void TCDIn::Flush() { FBusy = false; }

int32_t TCDIn::GetData(uint8_t* buffer, int32_t bufferSize) {
  if (!Busy()) throw EACSException("The Stream is not opened");
  if (bufferSize <= 0) return 0;
  if (BufStart > BufEnd) {
    if (nextSector_ >= FEndSector) return 0;
    const int32_t count = std::min<int32_t>(kMaxSectorsPerRead, FEndSector - nextSector_);
    TrackBuffer* read = buffer_.get();
    read->StartFrame = static_cast<uint32_t>(nextSector_);
    read->NumFrames = static_cast<uint32_t>(count);
    read->Len = 0;
    read->StartOffset = 0;
    const bool ok = ReadCDAudioLBA(FCDHandle, read) == 1 && read->StartOffset >= 0 &&
                    int64_t{read->StartOffset} + read->Len <= read->MaxLen &&
                    read->Len == static_cast<uint32_t>(count) * kRawSectorBytes;
    if (!ok) throw EACSException("Cannot read the CD at sector " + QString::number(nextSector_));
    audio_ = read->Data() + read->StartOffset;
    BufStart = 1;
    BufEnd = static_cast<int32_t>(read->Len);
    nextSector_ += count;
  }
  const int32_t n = std::min(bufferSize, BufEnd - BufStart + 1);
  std::memcpy(buffer, audio_ + (BufStart - 1), static_cast<size_t>(n));
  BufStart += n;
  FPosition += n;
  return n;
}
