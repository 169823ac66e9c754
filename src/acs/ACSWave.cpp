#include "acs/ACSWave.h"

#include "acs/MsAdpcm.h"
#include "acs/WaveConverter.h"
#include "platform/StagedFile.h"
#include "platform/UserFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t ClampToInt32(int64_t v) { return int32_t(std::clamp<int64_t>(v, 0, kInt32Max)); }

void SamplesToBytes(const int16_t* samples, int count, uint8_t* out) {
  for (int i = 0; i < count; ++i) PutLE16(out + 2 * i, uint16_t(samples[i]));
}

}  // namespace

// ---------------------------------------------------------------- TWaveIn

TWaveIn::TWaveIn(QObject* owner) : TACSFileIn(owner), buffer_(kBufferSize) {}

TWaveIn::~TWaveIn() {
  std::lock_guard guard(FOpenLock);
  while (FOpened > 0) CloseFile();
}

TWavType TWaveIn::WavType() {
  std::lock_guard guard(FOpenLock);
  OpenFile();
  const TWavType type = type_;
  CloseFile();
  return type;
}

void TWaveIn::OpenFile() {
  std::lock_guard guard(FOpenLock);
  if (FOpened == 0) {
    FValid = true;
    type_ = wtUnsupported;
    if (!FStreamAssigned) {
      // A FIFO or device named as the input would block the caller (often
      // the window asking for Valid), so only regular files are opened.
      auto file = std::make_unique<QFile>(FFileName);
      if (!OpenRegularFile(*file, QIODevice::ReadOnly))
        throw EACSException(QString("Cannot open file \"%1\"").arg(FFileName));
      ownedStream_ = std::move(file);
      FStream = ownedStream_.get();
    } else if (!FStream) {
      throw EACSException("The Stream is not opened");
    }
    FStream->seek(0);
    ParseAndCheck();
    if (type_ == wtACM && FValid) OpenConverted();
  }
  ++FOpened;
}

// Takes the format from the parsed header and decides whether this reader
// can deliver it without reading outside its tables and buffers.
void TWaveIn::ParseAndCheck() {
  header_ = ParseWaveHeader(*FStream);
  type_ = header_.Type;
  FChan = header_.Channels;
  FSR = int32_t(std::min<uint32_t>(header_.SampleRate, uint32_t(kInt32Max)));
  FBPS = header_.BitsPerSample;
  FSize = 0;
  FTotalSamples = 0;
  blockFrames_ = 0;
  bool ok = type_ != wtUnsupported && (FChan == 1 || FChan == 2) && FSR > 0;
  const int64_t remaining = std::max<int64_t>(0, FStream->size() - header_.DataOffset);
  // The samples of an ADPCM file come from its fact chunk; without one, or
  // with a count of 0, from the blocks of the data chunk (a short last block
  // with the frames it holds).
  // A fact count larger than the data chunk holds is cut to it, so the
  // bytes after the data chunk are never decoded as sound.
  auto adpcmSamples = [&](auto lastBlockFrames) -> int64_t {
    const int64_t bytes = std::min<int64_t>(header_.DataSize, remaining);
    const int64_t inData = bytes / header_.BlockAlign * blockFrames_ +
                           std::min(lastBlockFrames(int(bytes % header_.BlockAlign)), blockFrames_);
    if (header_.FactSamples > 0) return std::min<int64_t>(header_.FactSamples, inData);
    return inData;
  };
  switch (type_) {
    case wtPCM: {
      ok = ok && (FBPS == 8 || FBPS == 16);
      // A data chunk said to be longer than the file ends with the file.
      FSize = ClampToInt32(std::min<int64_t>(header_.DataSize, remaining));
      if (ok) FTotalSamples = FSize / ((FBPS / 8) * FChan);
      break;
    }
    case wtDVIADPCM: {
      ok = ok && FBPS == 4 && header_.BlockAlign > 0;
      FBPS = 16;
      if (ok) {
        blockFrames_ = ImaBlockFrames(header_.BlockAlign, FChan);
        ok = blockFrames_ > 1 && blockFrames_ * 2 * FChan <= kBufferSize &&
             header_.SamplesPerBlock > 0 && header_.SamplesPerBlock <= blockFrames_;
      }
      if (ok) {
        const int64_t samples =
            adpcmSamples([this](int bytes) { return ImaBlockFrames(bytes, FChan); });
        FTotalSamples = ClampToInt32(samples);
        FSize = ClampToInt32(int64_t(FChan) * samples * 2);
      }
      break;
    }
    case wtMSADPCM: {
      FBPS = 16;
      ok = ok && header_.NumCoefficients >= 1 && header_.NumCoefficients <= kMaxMsCoefficients &&
           header_.BlockAlign > 7 * FChan && header_.SamplesPerBlock >= 2;
      if (ok) {
        TMsAdpcmFormat f{FChan, header_.SamplesPerBlock, header_.NumCoefficients,
                         header_.Coefficients};
        blockFrames_ = MsBlockFrames(f, header_.BlockAlign);
        const int wanted =
            FChan == 1 ? 2 + 2 * ((header_.SamplesPerBlock - 2) / 2) : int(header_.SamplesPerBlock);
        ok = blockFrames_ == wanted && blockFrames_ * 2 * FChan <= kBufferSize;
        const int64_t samples = adpcmSamples([&f](int bytes) { return MsBlockFrames(f, bytes); });
        FTotalSamples = ClampToInt32(samples);
        FSize = ClampToInt32(int64_t(FChan) * samples * 2);
      }
      break;
    }
    case wtACM:
      break;
    default:
      ok = false;
  }
  FValid = ok;
  if (ok && type_ != wtPCM && type_ != wtACM) {
    // Room for two blocks: MS ADPCM decodes two at a time.
    block_.assign(size_t(header_.BlockAlign) * 2, 0);
    samples_.assign(size_t(blockFrames_) * FChan * 2, 0);
    if (buffer_.size() < samples_.size() * 2) buffer_.resize(samples_.size() * 2);
  }
}

void TWaveIn::OpenConverted() {
  TWaveConverter converter;
  FStream->seek(0);
  converter.ReadWaveFile(*FStream);
  PutLE16(converter.DesiredFormat.data(), 1);
  if (TWaveConverter::SuggestFormat(converter.SourceFormat.data(),
                                    converter.DesiredFormat.data()) != 0 ||
      converter.ConvertFormat() != 0) {
    FValid = false;
    return;
  }
  setAside_ = FStream;
  memoryStream_ = std::make_unique<QBuffer>();
  memoryStream_->open(QIODevice::ReadWrite);
  converter.WriteWaveStream(*memoryStream_);
  FStream = memoryStream_.get();
  FStream->seek(0);
  ParseAndCheck();
  type_ = wtACM;
}

void TWaveIn::CloseFile() {
  std::lock_guard guard(FOpenLock);
  if (FOpened == 1) {
    if (memoryStream_) {
      memoryStream_.reset();
      FStream = setAside_;
      setAside_ = nullptr;
    }
    if (!FStreamAssigned) {
      ownedStream_.reset();
      FStream = nullptr;
    } else if (FSeekable && FStream) {
      FStream->seek(0);
    }
  }
  if (FOpened > 0) --FOpened;
}

bool TWaveIn::Seek(int32_t sampleNum) {
  if (!FSeekable) return false;
  std::lock_guard guard(FOpenLock);
  OpenFile();
  const int64_t sample = std::max<int32_t>(sampleNum, 0);
  bool ok = FValid;
  int64_t pos = header_.DataOffset;
  switch (type_) {
    case wtPCM:
    case wtACM:
      pos += sample * (FBPS / 8) * FChan;
      break;
    case wtDVIADPCM:
    case wtMSADPCM:
      if (header_.SamplesPerBlock > 0)
        pos += (sample / header_.SamplesPerBlock) * header_.BlockAlign;
      break;
    default:
      ok = false;
  }
  if (ok) FStream->seek(pos);
  CloseFile();
  return ok;
}

int32_t TWaveIn::GetData(uint8_t* buffer, int32_t bufferSize) {
  std::lock_guard guard(FOpenLock);
  if (!FBusy) throw EACSException("The Stream is not opened");
  if (bufferSize <= 0) return 0;
  if (BufStart > BufEnd) {
    int32_t n = 0;
    if (FValid && (type_ == wtPCM || type_ == wtACM)) n = RefillPcm();
    if (FValid && (type_ == wtDVIADPCM || type_ == wtMSADPCM)) n = RefillAdpcm();
    if (n <= 0) return 0;
    BufStart = 1;
    BufEnd = n;
  }
  const int32_t count = std::min(bufferSize, BufEnd - BufStart + 1);
  std::memcpy(buffer, out_ + BufStart - 1, size_t(count));
  BufStart += count;
  FPosition = FPosition + count;
  return count;
}

void TWaveIn::ApplyPcmJump() {
  const int64_t size = FSize;
  int64_t pos = FPosition + std::llround(FJump / 100.0 * double(size));
  pos = std::clamp<int64_t>(pos, 0, size);
  FPosition = int32_t(pos);
  FStream->seek(header_.DataOffset + (pos & ~int64_t(3)));
  FJump = 0;
}

int32_t TWaveIn::RefillPcm() {
  if (FJump != 0) ApplyPcmJump();
  auto readSome = [this]() -> int32_t {
    const int64_t left = int64_t(FSize) - FPosition;
    const int64_t want = std::min<int64_t>(kBufferSize, left);
    if (want <= 0 || !FStream) return 0;
    out_ = buffer_.data();
    const qint64 got = FStream->read(reinterpret_cast<char*>(buffer_.data()), want);
    return got > 0 ? int32_t(got) : 0;
  };
  int32_t n = readSome();
  if (n == 0 && FLoop) {
    Flush();
    Init();
    n = readSome();
  }
  return n;
}

void TWaveIn::ApplyAdpcmJump() {
  const int64_t blockSize = header_.BlockAlign;
  const int64_t spb = header_.SamplesPerBlock;
  const int64_t block = (FStream->pos() - header_.DataOffset) / blockSize;
  int64_t sample = block * spb + std::llround(FJump / 100.0 * double(FTotalSamples));
  sample = std::clamp<int64_t>(sample, 0, kInt32Max);
  Seek(int32_t(sample));
  const int64_t after = (FStream->pos() - header_.DataOffset) / blockSize;
  FPosition = ClampToInt32(after * spb * 2 * FChan);
  FJump = 0;
}

int32_t TWaveIn::RefillAdpcm() {
  if (FJump != 0) ApplyAdpcmJump();
  if (FPosition >= FSize) {
    if (!FLoop) return 0;
    Flush();
    Init();
  }
  if (!FStream) return 0;
  const int align = header_.BlockAlign;
  // Two MS blocks at once, unless the first already reaches the end: then
  // the second would not have been read one block at a time either.
  const bool pair =
      type_ == wtMSADPCM && int64_t(FPosition) + int64_t(blockFrames_) * 2 * FChan < FSize;
  const qint64 got =
      FStream->read(reinterpret_cast<char*>(block_.data()), qint64(pair ? 2 * align : align));
  if (got <= 0) return 0;
  int frames = 0;
  if (type_ == wtDVIADPCM) {
    frames = DecodeImaBlock(block_.data(), int(got), FChan, samples_.data(), blockFrames_);
  } else {
    TMsAdpcmFormat f{FChan, header_.SamplesPerBlock, header_.NumCoefficients, header_.Coefficients};
    frames = DecodeMsBlockPair(f, align, block_.data(), int(got), samples_.data(), blockFrames_);
  }
  if constexpr (std::endian::native == std::endian::little) {
    out_ = reinterpret_cast<const uint8_t*>(samples_.data());
  } else {
    SamplesToBytes(samples_.data(), frames * FChan, buffer_.data());
    out_ = buffer_.data();
  }
  return frames * 2 * FChan;
}

// ---------------------------------------------------------------- TWaveOut

TWaveOut::TWaveOut(QObject* owner) : TACSFileOut(owner), buffer_(kBufferSize) {}

TWaveOut::~TWaveOut() { EndWorker(); }

void TWaveOut::SetWavType(TWavType type) {
  if (!Busy() && (type == wtPCM || type == wtDVIADPCM)) wavType_ = type;
}

void TWaveOut::SetBlockSize(uint16_t size) {
  if (!Busy() && size != 0 && size % 4 == 0) blockSize_ = size;
}

void TWaveOut::SetFileMode(TFileOutputMode mode) { FFileMode = mode; }

void TWaveOut::CloseTarget(bool keep) {
  if (!file_) return;
  bool ok = true;
  if (auto* staged = dynamic_cast<TStagedFile*>(file_.get())) {
    if (keep)
      ok = staged->Commit();
    else
      staged->Discard();
  } else {
    file_->close();
  }
  file_.reset();
  FStream = nullptr;
  if (!ok) throw EACSException(QString("Cannot write the file \"%1\"").arg(FFileName));
}

void TWaveOut::FailPrepare(const QString& message) {
  // A new file is dropped (an existing one it would replace stays as it
  // was); the input is released so that the next Run can Init it again.
  try {
    CloseTarget(false);
  } catch (...) {
    LogSwallowedException(Q_FUNC_INFO);
  }
  if (Input()) Input()->Reset();
  throw EACSException(message);
}

bool TWaveOut::WriteAll(const uint8_t* data, int64_t size) {
  return FStream && FStream->write(reinterpret_cast<const char*>(data), size) == size;
}

void TWaveOut::Prepare() {
  endOfInput_ = false;
  appending_ = false;
  samplesWritten_ = 0;
  headerFact_ = 0;
  existingBlocks_ = 0;
  if (!FStreamAssigned) {
    if (FFileName.isEmpty()) throw EACSException("File name is not assigned.");
    if (FFileMode == foAppend && QFileInfo::exists(FFileName)) {
      auto file = std::make_unique<QFile>(FFileName);
      if (!file->open(QIODevice::ReadWrite))
        throw EACSException(QString("Cannot open file \"%1\"").arg(FFileName));
      file_ = std::move(file);
    } else {
      // Written under a temporary name and put in place by Done, so a
      // failed start or a crash never leaves the target half-written.
      auto file = std::make_unique<TStagedFile>(FFileName);
      if (!file->Open()) throw EACSException(QString("Cannot create file \"%1\"").arg(FFileName));
      file_ = std::move(file);
    }
    FStream = file_.get();
  } else if (!FStream) {
    throw EACSException("File name is not assigned.");
  }
  appending_ = FFileMode == foAppend && FStream->size() > 0;

  TACSInput* in = Input();
  in->Init();
  const int channels = in->Channels();
  const int rate = in->SampleRate();
  const int bits = in->BitsPerSample();
  channels_ = channels;

  if (appending_) {
    FStream->seek(0);
    existing_ = ParseWaveHeader(*FStream);
    const bool imaOk = existing_.Type == wtDVIADPCM &&
                       ImaBlockFrames(existing_.BlockAlign, existing_.Channels) > 1;
    if (existing_.Type != wtPCM && !imaOk) FailPrepare("Cannot append data to this .wav file.");
    wavType_ = existing_.Type;
    if (wavType_ == wtDVIADPCM) blockSize_ = existing_.BlockAlign;
  }

  if (wavType_ == wtPCM) {
    if (appending_) {
      if (uint32_t(rate) != existing_.SampleRate || bits != existing_.BitsPerSample ||
          channels != existing_.Channels)
        FailPrepare("Cannot append data in different audio format.");
      FStream->seek(FStream->size());
    } else {
      const QByteArray header = PcmWaveHeader(channels, rate, bits, uint32_t(in->Size()));
      headerDataSize_ = GetLE32(reinterpret_cast<const uint8_t*>(header.constData()) + 40);
      if (!WriteAll(reinterpret_cast<const uint8_t*>(header.constData()), header.size()))
        FailPrepare(QString("Cannot write the file \"%1\"").arg(FFileName));
    }
  } else {
    if (bits != 16) FailPrepare("Cannot encode 8 bit sound into ADPCM.");
    if (ImaBlockFrames(blockSize_, channels) <= 1)
      FailPrepare("Cannot encode this channel count into ADPCM.");
    // Stereo codes go in groups of 8 bytes: a block size that is not a
    // multiple of 8 would end in 4 bytes no sample fills, which other
    // programs do not skip.
    if (channels == 2 && blockSize_ % 8 != 0)
      FailPrepare(QString("Cannot encode stereo ADPCM in blocks of %1 bytes: the block size "
                          "must be a multiple of 8.")
                      .arg(blockSize_));
    if (appending_) {
      if (uint32_t(rate) != existing_.SampleRate || channels != existing_.Channels)
        FailPrepare("Cannot append data in different audio format.");
      existingBlocks_ = std::max<int64_t>(0, FStream->size() - existing_.DataOffset) / blockSize_;
      FStream->seek(FStream->size());
    } else {
      const uint32_t n = in->Size() > 0 ? uint32_t(in->Size() / 2 / channels) : 0;
      const QByteArray header = ImaWaveHeader(channels, rate, blockSize_, n);
      headerDataSize_ = GetLE32(reinterpret_cast<const uint8_t*>(header.constData()) + 56);
      headerFact_ = n;
      if (!WriteAll(reinterpret_cast<const uint8_t*>(header.constData()), header.size()))
        FailPrepare(QString("Cannot write the file \"%1\"").arg(FFileName));
      ima_[0] = ima_[1] = TImaState{};
    }
  }
  announcedSize_ = in->Size();
}

bool TWaveOut::DoOutput(bool abort) {
  if (!CanOutput) return true;
  ReportProgress();
  if (abort || endOfInput_) return false;
  return wavType_ == wtPCM ? WritePcmStep() : WriteImaStep();
}

bool TWaveOut::WritePcmStep() {
  int32_t n = 0;
  try {
    n = ReadInput(buffer_.data(), kBufferSize);
  } catch (const std::exception&) {
    return false;  // the job ends as at the end of the input
  }
  // A failed write is reported rather than ending as a success.
  if (n > 0 && !WriteAll(buffer_.data(), n))
    throw EACSException(QString("Cannot write the file \"%1\"").arg(FFileName));
  return n > 0;
}

bool TWaveOut::WriteImaStep() {
  const int frames = ImaBlockFrames(blockSize_, channels_);
  const int32_t bytes = frames * 2 * channels_;
  std::vector<uint8_t> pcm(size_t(bytes), 0);
  int32_t got = 0;
  try {
    while (got < bytes) {
      const int32_t n = ReadInput(pcm.data() + got, bytes - got);
      if (n <= 0) {
        endOfInput_ = true;
        break;
      }
      got += n;
    }
  } catch (const std::exception&) {
    // A failing input ends the file as its end would.
    LogSwallowedException(Q_FUNC_INFO);
    endOfInput_ = true;
  }
  // An input that ended on a block boundary gets no block of silence.
  if (got == 0) return false;
  samplesWritten_ += got / (2 * channels_);
  std::vector<int16_t> samples(size_t(frames) * channels_);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(GetLE16(pcm.data() + 2 * i));
  std::vector<uint8_t> block(blockSize_);
  EncodeImaBlock(samples.data(), channels_, ima_, block.data(), blockSize_);
  if (!WriteAll(block.data(), blockSize_))
    throw EACSException(QString("Cannot write the file \"%1\"").arg(FFileName));
  return true;
}

void TWaveOut::PatchHeader() {
  const int64_t length = FStream->size();
  auto put32 = [this](int64_t offset, int64_t value) {
    uint8_t b[4];
    PutLE32(b, uint32_t(std::clamp<int64_t>(value, 0, 0xFFFFFFFFll)));
    FStream->seek(offset);
    FStream->write(reinterpret_cast<const char*>(b), 4);
  };
  int64_t dataSize;
  if (appending_) {
    dataSize = length - existing_.DataOffset;
    put32(existing_.DataSizeOffset, dataSize);
    // The blocks already there play whole (the padding of the last one
    // included), then the samples of this run.
    if (wavType_ == wtDVIADPCM && existing_.FactOffset >= 0)
      put32(existing_.FactOffset,
            int64_t(ImaHeaderSamplesPerBlock(blockSize_, existing_.Channels)) * existingBlocks_ +
                samplesWritten_);
  } else if (wavType_ == wtPCM) {
    put32(40, length - 44);
  } else {
    dataSize = length - 60;
    put32(56, dataSize);
    put32(48, samplesWritten_);
  }
  put32(4, length - 8);
}

void TWaveOut::Done() {
  if (FStream) {
    bool patch = announcedSize_ < 0 || appending_;
    // A known size is patched only when what was written differs from what
    // the header announced (a stopped job, an IMA block count rounded down).
    const int64_t headerSize = wavType_ == wtPCM ? 44 : 60;
    if (!patch) patch = FStream->size() - headerSize != headerDataSize_;
    if (!patch) patch = wavType_ == wtDVIADPCM && samplesWritten_ != headerFact_;
    if (patch) PatchHeader();
    CloseTarget(true);
  }
  if (Input()) Input()->Flush();
}
