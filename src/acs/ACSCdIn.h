#pragma once

// A source that reads CD audio straight off a disc: raw sectors of the drive
// behind a CD handle, through the drive library (ReadCDAudioLBA, at most ten
// sectors a call). It delivers 16-bit stereo PCM at 44100 Hz, 2352 bytes a
// sector, from StartSector up to (not including) EndSector.
//
// Sector numbers count from the first track's start, as ReadCDAudioLBA
// does. The handle and the range are set on the owning thread while the
// input is idle; GetData runs on the sink's worker.

#include "acs/ACSClasses.h"
#include "platform/CdDriveLibrary.h"

#include <cstdint>

class TCDIn : public TACSInput {
 public:
  explicit TCDIn(QObject* owner = nullptr);

  int32_t CDHandle() const { return FCDHandle; }
  void SetCDHandle(int32_t handle) { FCDHandle = handle; }
  int32_t StartSector() const { return FStartSector; }
  int32_t EndSector() const { return FEndSector; }
  // Raises "The component is buisy" while busy, and "Invalid sector range"
  // for a negative start or an end before the start.
  void SetRange(int32_t startSector, int32_t endSector);
  // The sector the next read starts at (the position delivered so far, in
  // whole sectors from StartSector on). Any thread.
  int32_t CurrentSector() const;

  int GetBitsPerSample() override { return 16; }
  int GetChannels() override { return 2; }
  int GetSampleRate() override { return 44100; }
  int GetTotalTime() override;
  // Raises "The Stream is not opened" when not busy and, when a read of the
  // drive fails, "Cannot read the CD at sector n".
  int32_t GetData(uint8_t* buffer, int32_t bufferSize) override;
  // Raises "The component is buisy" when busy and "The CD is not assigned"
  // without a handle.
  void Init() override;
  void Flush() override;

 private:
  int32_t FCDHandle = 0;
  int32_t FStartSector = 0;
  int32_t FEndSector = 0;
  // Worker side: the next sector to read and the sectors of the last read.
  int32_t nextSector_ = 0;
  TTrackBufferPtr buffer_;
  const uint8_t* audio_ = nullptr;
};
