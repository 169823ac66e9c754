#include "acs/ACSConverters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void TACSBlockConverter::StartBlocks(int32_t inputBlockSize) {
  TACSInput* input = RequireInput();
  input->Init();
  InputLock = false;
  endOfInput_ = false;
  InBuffer.assign(static_cast<size_t>(inputBlockSize), 0);
  OutBuffer.clear();
  FBusy = true;
  FPosition = 0;
  BufStart = 1;
  BufEnd = 0;
}

TACSInput* TACSBlockConverter::RequireInput() const {
  TACSInput* input = Input();
  if (!input) throw EACSException("Input not assigned");
  return input;
}

void TACSBlockConverter::SizeFromInput(double factor) {
  const int32_t inputSize = RequireInput()->Size();
  if (inputSize < 0) {
    FSize = -1;
    return;
  }
  FSize = static_cast<int32_t>(
      std::min(std::nearbyint(factor * inputSize), double{std::numeric_limits<int32_t>::max()}));
}

int32_t TACSBlockConverter::GetData(uint8_t* buffer, int32_t bufferSize) {
  if (!FBusy) throw EACSException("The Stream is not opened");
  if (bufferSize <= 0) return 0;
  while (BufStart > BufEnd) {
    if (endOfInput_) return 0;
    BufStart = 1;
    BufEnd = 0;
    const int32_t block = static_cast<int32_t>(InBuffer.size());
    int32_t got = ReadInput(InBuffer.data(), block);
    if (got <= 0) return 0;
    while (got < block) {
      const int32_t more = ReadInput(InBuffer.data() + got, block - got);
      if (more <= 0) {
        endOfInput_ = true;
        break;
      }
      got += more;
    }
    // A block may convert to nothing (a lone partial frame at the end, or a
    // steep downsampling step); then read on.
    BufEnd = static_cast<int32_t>(ConvertBlock(InBuffer.data(), static_cast<size_t>(got)));
  }
  const int32_t count = std::min(bufferSize, BufEnd - BufStart + 1);
  std::memcpy(buffer, OutBuffer.data() + (BufStart - 1), static_cast<size_t>(count));
  BufStart += count;
  UpdatePosition(count);
  return count;
}

void TACSBlockConverter::UpdatePosition(int32_t delivered) {
  TACSInput* input = Input();
  const int32_t inputSize = input ? input->Size() : 0;
  if (inputSize > 0 && FSize >= 0) {
    FPosition = static_cast<int32_t>(
        std::nearbyint(double(FSize.load()) / inputSize * double(input->Position())));
  } else {
    FPosition += delivered;
  }
}

void TACSBlockConverter::Flush() {
  if (TACSInput* input = Input()) input->Flush();
  FBusy = false;
}
