#include "acs/ACSVorbis.h"

#include "acs/VorbisPcm.h"

#include "platform/StagedFile.h"
#include "platform/UserFile.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

Q_LOGGING_CATEGORY(lcVorbis, "trackwell.acs.vorbis")

int32_t VorbisBitRateValue(TVorbisBitRate rate) {
  static constexpr int32_t kRates[] = {-1,     45000,  48000,  56000,  64000,  80000,
                                       96000,  112000, 128000, 144000, 160000, 192000,
                                       224000, 256000, 320000, 499000};
  const auto index = static_cast<size_t>(rate);
  return index < std::size(kRates) ? kRates[index] : -1;
}

// ======================================================================
// TVorbisOut

struct TVorbisEncoder {
  vorbis_info vi{};
  vorbis_comment vc{};
  vorbis_dsp_state vd{};
  vorbis_block vb{};
  ogg_stream_state os{};
  bool info = false, comment = false, dsp = false, block = false, stream = false;
};

namespace {

constexpr int32_t kEncodeChunk = 65536;

// Serial of the last complete page in the file's final 128 KiB (a page is at
// most 65307 bytes, so one whole page fits there); none when no Ogg page is
// found. Leaves the file position undefined.
std::optional<int32_t> LastPageSerial(QIODevice& file) {
  constexpr qint64 kTail = 2 * 65536;
  const qint64 size = file.size();
  const qint64 start = std::max<qint64>(0, size - kTail);
  if (size <= 0 || !file.seek(start)) return std::nullopt;
  const QByteArray tail = file.read(size - start);
  if (tail.isEmpty()) return std::nullopt;
  ogg_sync_state sync;
  ogg_sync_init(&sync);
  char* buffer = ogg_sync_buffer(&sync, static_cast<long>(tail.size()));
  std::memcpy(buffer, tail.constData(), static_cast<size_t>(tail.size()));
  ogg_sync_wrote(&sync, static_cast<long>(tail.size()));
  std::optional<int32_t> serial;
  ogg_page page;
  // 1: a page; -1: bytes skipped to regain sync; 0: nothing complete left.
  for (int got; (got = ogg_sync_pageout(&sync, &page)) != 0;)
    if (got > 0) serial = ogg_page_serialno(&page);
  ogg_sync_clear(&sync);
  return serial;
}

}  // namespace

TVorbisOut::TVorbisOut(QObject* owner) : TACSFileOut(owner) {}

TVorbisOut::~TVorbisOut() {
  EndWorker();
  ReleaseEncoder();
}

void TVorbisOut::SetDesiredNominalBitrate(TVorbisBitRate rate) {
  FNominal = rate;
  if (FNominal < FMinimum) FMinimum = FNominal;
  if (FMaximum < FNominal) FMaximum = FNominal;
  if (FNominal == brAutoSelect) FMaximum = brAutoSelect;
}

void TVorbisOut::SetDesiredMaximumBitrate(TVorbisBitRate rate) {
  if (FNominal == brAutoSelect) return;
  if (rate == brAutoSelect || rate >= FNominal) FMaximum = rate;
}

void TVorbisOut::SetMinimumBitrate(TVorbisBitRate rate) {
  if (rate <= FNominal) FMinimum = rate;
}

void TVorbisOut::Prepare() {
  if (!FStreamAssigned && FFileName.isEmpty()) throw EACSException("File name is not assigned.");
  TACSInput* input = Input();
  // Refuse what the encoder cannot take before any file is touched.
  if (input->BitsPerSample() != 16) throw EACSException("Only 16-bit input can be encoded");
  channels_ = input->Channels();
  if (channels_ != 1 && channels_ != 2)
    throw EACSException("Only mono or stereo input can be encoded");
  const int rate = input->SampleRate();
  if (rate <= 0) throw EACSException("The input sample rate is not valid");

  failed_ = false;
  endOfStream_ = false;
  pending_ = 0;
  buffer_.assign(kEncodeChunk, 0);
  appending_ = false;
  std::optional<int32_t> lastSerial;
  if (!FStreamAssigned) {
    if (FFileMode == foAppend && QFile::exists(FFileName)) {
      auto file = std::make_unique<QFile>(FFileName);
      if (!file->open(QIODevice::ReadWrite)) throw EACSException("Cannot open the output file");
      appending_ = true;
      appendOffset_ = file->size();
      lastSerial = LastPageSerial(*file);
      if (!file->seek(appendOffset_)) throw EACSException("Cannot open the output file");
      file_ = std::move(file);
    } else {
      // Written beside the final name; it replaces the old file on commit.
      auto file = std::make_unique<TStagedFile>(FFileName);
      if (!file->Open()) throw EACSException("Cannot open the output file");
      file_ = std::move(file);
    }
  }

  try {
    input->Init();
    enc_ = std::make_unique<TVorbisEncoder>();
    vorbis_info_init(&enc_->vi);
    enc_->info = true;
    int setup;
    if (FNominal != brAutoSelect) {
      const long nominal = VorbisBitRateValue(FNominal);
      const long maximum = std::max<long>(VorbisBitRateValue(FMaximum), nominal);
      const long minimum = FMinimum == brAutoSelect ? nominal : VorbisBitRateValue(FMinimum);
      setup = vorbis_encode_init(&enc_->vi, channels_, rate, maximum, nominal, minimum);
    } else {
      setup = vorbis_encode_init_vbr(&enc_->vi, channels_, rate, FCompression);
    }
    // An unsupported combination leaves the info unusable for analysis.
    if (setup != 0) throw EACSException("The encoder does not support these settings");

    vorbis_comment_init(&enc_->vc);
    enc_->comment = true;
    for (const QString& line : FComments) {
      const qsizetype eq = line.indexOf('=');
      const QByteArray tag = (eq < 0 ? line : line.left(eq)).toUtf8();
      const QByteArray value = (eq < 0 ? QString() : line.mid(eq + 1)).toUtf8();
      vorbis_comment_add_tag(&enc_->vc, tag.constData(), value.constData());
    }

    if (vorbis_analysis_init(&enc_->vd, &enc_->vi) != 0)
      throw EACSException("The encoder does not support these settings");
    enc_->dsp = true;
    vorbis_block_init(&enc_->vd, &enc_->vb);
    enc_->block = true;
    ogg_stream_init(&enc_->os, StreamSerial(lastSerial));
    enc_->stream = true;

    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&enc_->vd, &enc_->vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&enc_->os, &header);
    ogg_stream_packetin(&enc_->os, &comments);
    ogg_stream_packetin(&enc_->os, &codebooks);
    // The headers end on their own pages, before any audio.
    ogg_page page;
    while (ogg_stream_flush(&enc_->os, &page) != 0)
      WritePage(page.header, page.header_len, page.body, page.body_len);
  } catch (...) {
    ReleaseEncoder();
    CloseOutput(false);
    input->Reset();
    throw;
  }
}

bool TVorbisOut::DoOutput(bool abort) {
  if (!CanOutput) return true;
  ReportProgress();
  if (abort || endOfStream_) return false;
  try {
    Step();
  } catch (...) {
    failed_ = true;
    throw;
  }
  return true;
}

void TVorbisOut::Step() {
  const int32_t got = ReadInput(buffer_.data() + pending_, kEncodeChunk - int32_t(pending_));
  if (got <= 0) {
    vorbis_analysis_wrote(&enc_->vd, 0);  // end of stream
  } else {
    const size_t total = pending_ + static_cast<size_t>(got);
    const size_t frameBytes = 2 * static_cast<size_t>(channels_);
    const size_t frames = total / frameBytes;
    if (frames > 0) {
      float** pcm = vorbis_analysis_buffer(&enc_->vd, static_cast<int>(frames));
      const uint8_t* p = buffer_.data();
      for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels_; ++c, p += 2) {
          const int16_t s = static_cast<int16_t>(p[0] | (p[1] << 8));
          pcm[c][i] = s / 32768.0f;
        }
      }
      vorbis_analysis_wrote(&enc_->vd, static_cast<int>(frames));
    }
    // An incomplete frame waits for the rest of its bytes.
    pending_ = total - frames * frameBytes;
    std::memmove(buffer_.data(), buffer_.data() + frames * frameBytes, pending_);
  }
  Drain();
}

void TVorbisOut::Drain() {
  ogg_packet packet;
  ogg_page page;
  while (vorbis_analysis_blockout(&enc_->vd, &enc_->vb) == 1) {
    vorbis_analysis(&enc_->vb, nullptr);
    vorbis_bitrate_addblock(&enc_->vb);
    while (vorbis_bitrate_flushpacket(&enc_->vd, &packet) == 1) {
      ogg_stream_packetin(&enc_->os, &packet);
      while (!endOfStream_ && ogg_stream_pageout(&enc_->os, &page) != 0) {
        WritePage(page.header, page.header_len, page.body, page.body_len);
        if (ogg_page_eos(&page)) endOfStream_ = true;
      }
    }
  }
}

void TVorbisOut::WritePage(const void* header, long headerLen, const void* body, long bodyLen) {
  QIODevice* out = FStreamAssigned ? FStream : file_.get();
  if (!out) throw EACSException("Cannot write to the output file");
  if (out->write(static_cast<const char*>(header), headerLen) != headerLen ||
      out->write(static_cast<const char*>(body), bodyLen) != bodyLen)
    throw EACSException("Cannot write to the output file");
}

void TVorbisOut::Done() {
  bool keep = !failed_;
  QString error;
  // A job ended early (Stop, or the owner going away) still gets a
  // complete stream up to where it was.
  if (keep && enc_ && enc_->stream && !endOfStream_) {
    try {
      vorbis_analysis_wrote(&enc_->vd, 0);
      Drain();
      ogg_page page;
      while (!endOfStream_ && ogg_stream_flush(&enc_->os, &page) != 0) {
        WritePage(page.header, page.header_len, page.body, page.body_len);
        if (ogg_page_eos(&page)) endOfStream_ = true;
      }
    } catch (const std::exception& e) {
      keep = false;
      error = ExceptionMessage(e);
    }
  }
  try {
    CloseOutput(keep);
  } catch (const std::exception& e) {
    if (error.isEmpty()) error = ExceptionMessage(e);
  }
  if (TACSInput* input = Input()) input->Flush();
  FComments.clear();
  ReleaseEncoder();
  failed_ = false;
  if (!error.isEmpty()) throw EACSException(error);
}

void TVorbisOut::CloseOutput(bool keep) {
  if (!file_) return;
  std::unique_ptr<QIODevice> file = std::move(file_);
  if (auto* staged = dynamic_cast<TStagedFile*>(file.get())) {
    if (!keep) {
      staged->Discard();
      return;
    }
    if (!staged->Commit()) throw EACSException("Cannot write to the output file");
    return;
  }
  auto* plain = static_cast<QFile*>(file.get());
  if (!keep && appending_) plain->resize(appendOffset_);  // the old streams as they were
  plain->close();
}

int32_t TVorbisOut::StreamSerial(const std::optional<int32_t>& lastSerial) const {
  auto serial = FSerialSet ? FSerial : static_cast<int32_t>(QRandomGenerator::global()->generate());
  // Two chained streams with one serial would read as a single broken one.
  if (lastSerial && serial == *lastSerial)
    serial = static_cast<int32_t>(static_cast<uint32_t>(serial) + 1u);
  return serial;
}

void TVorbisOut::ReleaseEncoder() {
  if (!enc_) return;
  if (enc_->stream) ogg_stream_clear(&enc_->os);
  if (enc_->block) vorbis_block_clear(&enc_->vb);
  if (enc_->dsp) vorbis_dsp_clear(&enc_->vd);
  if (enc_->comment) vorbis_comment_clear(&enc_->vc);
  if (enc_->info) vorbis_info_clear(&enc_->vi);
  enc_.reset();
}

// ======================================================================
// TVorbisIn

struct TVorbisDecoder {
  OggVorbis_File vf{};
  QIODevice* io = nullptr;
};

namespace {

constexpr int32_t kDecodeBuffer = 8192;
// Holes in a row, with no audio between them, before a damaged file is
// given up as ended.
constexpr int kMaxHoles = 64;

size_t ReadFunc(void* ptr, size_t size, size_t count, void* source) {
  return static_cast<TVorbisIn*>(source)->ReadCallback(ptr, size, count);
}
int SeekFunc(void* source, ogg_int64_t offset, int whence) {
  return static_cast<TVorbisIn*>(source)->SeekCallback(offset, whence);
}
int CloseFunc(void* source) { return static_cast<TVorbisIn*>(source)->CloseCallback(); }
long TellFunc(void* source) { return static_cast<TVorbisIn*>(source)->TellCallback(); }

const ov_callbacks kCallbacks = {ReadFunc, SeekFunc, CloseFunc, TellFunc};

}  // namespace

TVorbisIn::TVorbisIn(QObject* owner) : TACSFileIn(owner), dec_(std::make_unique<TVorbisDecoder>()) {
  FBPS = 16;
}

TVorbisIn::~TVorbisIn() {
  std::lock_guard guard(FOpenLock);
  if (decoderOpen_) ov_clear(&dec_->vf);
  decoderOpen_ = false;
}

size_t TVorbisIn::ReadCallback(void* ptr, size_t size, size_t count) {
  if (!dec_->io || size == 0) return 0;
  const qint64 got = dec_->io->read(static_cast<char*>(ptr), qint64(size * count));
  return got > 0 ? static_cast<size_t>(got) / size : 0;
}

int TVorbisIn::SeekCallback(int64_t offset, int whence) {
  // -1 tells the decoder the stream cannot seek, so it reads straight on.
  if (!FSeekable || !dec_->io) return -1;
  qint64 target;
  switch (whence) {
    case SEEK_SET:
      target = offset;
      break;
    case SEEK_CUR:
      target = dec_->io->pos() + offset;
      break;
    case SEEK_END:
      target = dec_->io->size() + offset;
      break;
    default:
      return -1;
  }
  if (target < 0) return -1;
  return dec_->io->seek(target) ? 0 : -1;
}

int TVorbisIn::CloseCallback() {
  if (ownedStream_) {
    ownedStream_.reset();
  } else if (dec_->io) {
    dec_->io->seek(0);
  }
  dec_->io = nullptr;
  return 0;
}

long TVorbisIn::TellCallback() { return dec_->io ? static_cast<long>(dec_->io->pos()) : -1; }

QStringList TVorbisIn::Comments() const {
  std::lock_guard guard(commentsLock_);
  return FComments;
}

void TVorbisIn::OpenFile() {
  std::lock_guard guard(FOpenLock);
  if (FOpened > 0) {
    ++FOpened;
    return;
  }
  FValid = true;
  endOfFile_ = false;
  auto fail = [this] {
    FValid = false;
    FChan = FSR = 0;
    FTotalSamples = 0;
    FSize = 0;
    FTime = 0;
  };
  if (FStreamAssigned) {
    dec_->io = FStream;
  } else {
    // Only a regular file: a FIFO named as input would block the caller.
    auto file = std::make_unique<QFile>(FFileName);
    if (!OpenRegularFile(*file, QIODevice::ReadOnly)) return fail();
    ownedStream_ = std::move(file);
    dec_->io = ownedStream_.get();
  }
  if (!dec_->io) return fail();
  if (ov_open_callbacks(this, &dec_->vf, nullptr, 0, kCallbacks) < 0) {
    // The decoder does not close a stream it rejected.
    ownedStream_.reset();
    dec_->io = nullptr;
    return fail();
  }
  decoderOpen_ = true;
  // After opening a chain the decoder can stand in its last link; reading
  // must start at the first.
  if (ov_seekable(&dec_->vf) && ov_streams(&dec_->vf) > 1) ov_pcm_seek(&dec_->vf, 0);

  QStringList comments;
  if (const vorbis_comment* vc = ov_comment(&dec_->vf, -1)) {
    for (int i = 0; i < vc->comments; ++i)
      comments << QString::fromUtf8(vc->user_comments[i], vc->comment_lengths[i]);
  }
  {
    std::lock_guard commentsGuard(commentsLock_);
    FComments = comments;
  }
  if (const vorbis_info* vi = ov_info(&dec_->vf, -1)) {
    FChan = vi->channels;
    FSR = static_cast<int32_t>(vi->rate);
    FMaxBitrate = static_cast<int32_t>(vi->bitrate_upper);
    FNominalBitrate = static_cast<int32_t>(vi->bitrate_nominal);
    FMinBitrate = static_cast<int32_t>(vi->bitrate_lower);
  }
  FBPS = 16;
  // Reading ends where a link of another format begins, so only the leading
  // links in the first link's format count.
  ogg_int64_t total = 0;
  double seconds = 0;
  if (ov_seekable(&dec_->vf)) {
    for (int link = 0; link < ov_streams(&dec_->vf); ++link) {
      const vorbis_info* vi = ov_info(&dec_->vf, link);
      if (!vi || vi->channels != FChan || vi->rate != FSR) break;
      total += std::max<ogg_int64_t>(0, ov_pcm_total(&dec_->vf, link));
      seconds += std::max(0.0, ov_time_total(&dec_->vf, link));
    }
  }
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  const int64_t samples = std::min<int64_t>(total, kMax);
  FTotalSamples = static_cast<int32_t>(samples);
  FSize = static_cast<int32_t>(std::min<int64_t>(samples * 2 * FChan, kMax));
  FTime = static_cast<int32_t>(std::nearbyint(seconds));
  FOpened = 1;
}

void TVorbisIn::CloseFile() {
  std::lock_guard guard(FOpenLock);
  if (FOpened == 1 && decoderOpen_) {
    ov_clear(&dec_->vf);  // calls the close callback
    decoderOpen_ = false;
  }
  if (FOpened > 0) --FOpened;
}

bool TVorbisIn::Seek(int32_t sampleNum) {
  if (!FSeekable) return false;
  std::lock_guard guard(FOpenLock);
  OpenFile();
  const bool ok = decoderOpen_ && ov_pcm_seek(&dec_->vf, sampleNum) == 0;
  CloseFile();
  return ok;
}

void TVorbisIn::Fill(bool cutAtSize) {
  BufStart = 1;
  BufEnd = 0;
  if (endOfFile_) return;
  if (!decoderOpen_) {
    endOfFile_ = true;
    return;
  }
  // Whole frames only: a request for less than one would be refused as an
  // error and end the stream.
  const int32_t frameBytes = 2 * FChan;
  if (frameBytes <= 0) {
    endOfFile_ = true;
    return;
  }
  int holes = 0;
  while (kDecodeBuffer - BufEnd >= frameBytes) {
    int bitstream = 0;
    float** pcm = nullptr;
    // The decoder's float samples, converted here as its 16-bit reader
    // would, but eight at a time.
    const long got =
        ov_read_float(&dec_->vf, &pcm, (kDecodeBuffer - BufEnd) / frameBytes, &bitstream);
    // Damaged or missing pages: the decoder resyncs and goes on after them.
    if (got == OV_HOLE && ++holes <= kMaxHoles) {
      qCWarning(lcVorbis) << "skipping damaged data in" << FFileName;
      continue;
    }
    if (got <= 0) {
      if (got < 0) qCWarning(lcVorbis) << "decoding ends early, error" << got << "in" << FFileName;
      endOfFile_ = true;
      break;
    }
    holes = 0;
    // Audio of a link in another format would play at the wrong speed or
    // channel count: the stream ends there.
    const vorbis_info* vi = ov_info(&dec_->vf, -1);
    if (!vi || vi->channels != FChan || vi->rate != FSR) {
      qCWarning(lcVorbis) << "stream format changes in" << FFileName << "- reading ends there";
      endOfFile_ = true;
      break;
    }
    VorbisFloatsTo16(pcm, FChan, static_cast<size_t>(got), buffer_.data() + BufEnd);
    BufEnd += static_cast<int32_t>(got) * frameBytes;
    if (cutAtSize && FPosition.load() + BufEnd >= FSize.load()) {
      BufEnd = std::max(0, FSize.load() - FPosition.load());
      endOfFile_ = true;
      break;
    }
  }
}

int32_t TVorbisIn::GetData(uint8_t* buffer, int32_t bufferSize) {
  if (!FBusy) throw EACSException("The Stream is not opened");
  if (bufferSize <= 0) return 0;
  buffer_.resize(kDecodeBuffer);
  if (BufStart > BufEnd) {
    std::lock_guard guard(FOpenLock);
    const int32_t jump = FJump.exchange(0);
    if (jump != 0 && decoderOpen_ && FChan > 0) {
      const int64_t size = FSize.load();
      int64_t pos = FPosition.load() + std::llround(jump / 100.0 * double(size));
      pos = std::clamp<int64_t>(pos, 0, size);
      const int64_t frame = 2 * int64_t{FChan};
      const int64_t sample = pos / frame;
      FPosition = static_cast<int32_t>(sample * frame);
      if (ov_seekable(&dec_->vf)) ov_pcm_seek(&dec_->vf, sample + FStartSample);
      endOfFile_ = FPosition.load() >= FSize.load();
    }
    Fill(true);
    if (BufEnd <= 0 && endOfFile_ && FLoop) {
      // Start over at StartSample; a file that gives nothing ends instead.
      Flush();
      Init();
      endOfFile_ = false;
      Fill(true);
    }
    if (BufEnd <= 0) return 0;
  }
  const int32_t count = std::min(bufferSize, BufEnd - BufStart + 1);
  std::memcpy(buffer, buffer_.data() + (BufStart - 1), static_cast<size_t>(count));
  BufStart += count;
  FPosition += count;
  return count;
}
