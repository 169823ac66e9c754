#include "wmaenc/WmaEncoder.h"

#include "wmaenc/WmaProfile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kHighestBitRate = 320000;

struct EncodeFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// libavformat reads "name:" at the start of a path as a protocol; "file:"
// makes every path a plain file.
std::string FileUrl(const std::string& path) { return "file:" + path; }

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

struct InputCloser {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwrCloser {
  void operator()(SwrContext* c) const { swr_free(&c); }
};
struct FifoCloser {
  void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct FrameCloser {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketCloser {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using FramePtr = std::unique_ptr<AVFrame, FrameCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketCloser>;

// The output file; removed unless Finish() has completed it.
class TOutput {
 public:
  explicit TOutput(std::string path) : path_(std::move(path)) {}
  ~TOutput() {
    if (context_) {
      if (context_->pb) avio_closep(&context_->pb);
      avformat_free_context(context_);
    }
    if (opened_ && !finished_) ::unlink(path_.c_str());
  }
  AVFormatContext* Context() const { return context_; }
  void Create() {
    const int rc = avformat_alloc_output_context2(&context_, nullptr, "asf", nullptr);
    if (rc < 0 || !context_) throw EncodeFailure("cannot set up the ASF writer: " + AvError(rc));
  }
  void Open() {
    const int rc = avio_open(&context_->pb, FileUrl(path_).c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) throw EncodeFailure("cannot write output file \"" + path_ + "\": " + AvError(rc));
    opened_ = true;
  }
  void Finish() {
    const int rc = av_write_trailer(context_);
    if (rc < 0) throw EncodeFailure("cannot finish output file: " + AvError(rc));
    const int closed = avio_closep(&context_->pb);
    if (closed < 0) throw EncodeFailure("cannot finish output file: " + AvError(closed));
    finished_ = true;
  }

 private:
  std::string path_;
  AVFormatContext* context_ = nullptr;
  bool opened_ = false;
  bool finished_ = false;
};

// Opens wmav2 at the profile's bit rate, or at the lowest rate above it that
// the encoder takes for this sample rate and channel count.
CodecPtr OpenEncoder(const TWmaProfile& profile, bool globalHeader,
                     const std::function<void(const std::string&)>& say) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
  if (!codec) throw EncodeFailure("this system's libavcodec has no WMA encoder");
  for (int bitRate = profile.BitRate; bitRate <= kHighestBitRate; bitRate += 1000) {
    CodecPtr encoder(avcodec_alloc_context3(codec));
    if (!encoder) throw EncodeFailure("out of memory");
    encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    encoder->sample_rate = profile.SampleRate;
    av_channel_layout_default(&encoder->ch_layout, profile.Channels);
    encoder->bit_rate = bitRate;
    encoder->time_base = AVRational{1, profile.SampleRate};
    if (globalHeader) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(encoder.get(), codec, nullptr) == 0) {
      if (bitRate != profile.BitRate) {
        say("Note: " + std::to_string(profile.BitRate / 1000) +
            " kbit/s is below what the encoder takes at " + std::to_string(profile.SampleRate) +
            " Hz with " + std::to_string(profile.Channels) + " channel(s); encoding at " +
            std::to_string(bitRate / 1000) + " kbit/s");
      }
      return encoder;
    }
  }
  throw EncodeFailure("the encoder takes no bit rate for this setting");
}

class TEncodeJob {
 public:
  TEncodeJob(const TWmaArguments& args, const std::function<void(const std::string&)>& say,
             const std::atomic<bool>* interrupted)
      : args_(args), say_(say), interrupted_(interrupted), output_(args.Output) {}

  void Run() {
    const auto profile = ParseWmaProfile(args_.Setting);
    if (!profile) throw EncodeFailure("unknown encoder setting \"" + args_.Setting + "\"");
    if (SameFile(args_.Input, args_.Output))
      throw EncodeFailure("input and output are the same file");
    OpenInput();
    output_.Create();
    AVFormatContext* out = output_.Context();
    encoder_ = OpenEncoder(*profile, out->oformat->flags & AVFMT_GLOBALHEADER, say_);
    stream_ = avformat_new_stream(out, nullptr);
    if (!stream_) throw EncodeFailure("out of memory");
    if (avcodec_parameters_from_context(stream_->codecpar, encoder_.get()) < 0)
      throw EncodeFailure("cannot describe the WMA stream");
    stream_->time_base = encoder_->time_base;
    if (args_.Author) av_dict_set(&out->metadata, "author", args_.Author->c_str(), 0);
    if (args_.Description) av_dict_set(&out->metadata, "comment", args_.Description->c_str(), 0);
    SetUpResampler();
    output_.Open();
    const int rc = avformat_write_header(out, nullptr);
    if (rc < 0) throw EncodeFailure("cannot write output file: " + AvError(rc));
    Transcode();
    output_.Finish();
    say_("Progress: 100%");
  }

 private:
  void OpenInput() {
    if (::access(args_.Input.c_str(), R_OK) != 0)
      throw EncodeFailure("cannot read input file \"" + args_.Input + "\"");
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, FileUrl(args_.Input).c_str(), av_find_input_format("wav"),
                                 nullptr);
    if (rc < 0)
      throw EncodeFailure("input file \"" + args_.Input +
                          "\" is not a readable WAV file: " + AvError(rc));
    input_.reset(raw);
    rc = avformat_find_stream_info(input_.get(), nullptr);
    if (rc < 0) throw EncodeFailure("input file is not a readable WAV file: " + AvError(rc));
    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || !codec) throw EncodeFailure("input file holds no audio it can read");
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_) throw EncodeFailure("out of memory");
    avcodec_parameters_to_context(decoder_.get(), input_->streams[streamIndex_]->codecpar);
    rc = avcodec_open2(decoder_.get(), codec, nullptr);
    if (rc < 0) throw EncodeFailure("cannot decode the input's audio: " + AvError(rc));
    if (decoder_->ch_layout.nb_channels < 1 || decoder_->sample_rate < 1)
      throw EncodeFailure("input file has no channels or no sample rate");
    if (decoder_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
      const int channels = decoder_->ch_layout.nb_channels;
      av_channel_layout_uninit(&decoder_->ch_layout);
      av_channel_layout_default(&decoder_->ch_layout, channels);
    }
    inputSize_ = avio_size(input_->pb);
  }

  void SetUpResampler() {
    SwrContext* raw = nullptr;
    int rc = swr_alloc_set_opts2(&raw, &encoder_->ch_layout, encoder_->sample_fmt,
                                 encoder_->sample_rate, &decoder_->ch_layout, decoder_->sample_fmt,
                                 decoder_->sample_rate, 0, nullptr);
    resampler_.reset(raw);
    if (rc < 0 || (rc = swr_init(resampler_.get())) < 0)
      throw EncodeFailure("cannot convert the input's format: " + AvError(rc));
    fifo_.reset(av_audio_fifo_alloc(encoder_->sample_fmt, encoder_->ch_layout.nb_channels,
                                    encoder_->frame_size));
    if (!fifo_) throw EncodeFailure("out of memory");
  }

  void CheckInterrupted() const {
    if (interrupted_ && interrupted_->load()) throw EncodeFailure("interrupted");
  }

  void ReportProgress() {
    if (inputSize_ <= 0) return;
    const int64_t position = avio_tell(input_->pb);
    int percent = static_cast<int>(position * 100 / inputSize_);
    if (percent > 99) percent = 99;  // 100 % only once the file is complete
    if (percent > lastPercent_) {
      lastPercent_ = percent;
      say_("Progress: " + std::to_string(percent) + "%");
    }
  }

  // Converts (or, with no frame, flushes) into the FIFO.
  void Resample(const AVFrame* frame) {
    const int inSamples = frame ? frame->nb_samples : 0;
    const int room = swr_get_out_samples(resampler_.get(), inSamples);
    if (room <= 0) return;
    FramePtr converted(av_frame_alloc());
    if (!converted) throw EncodeFailure("out of memory");
    converted->format = encoder_->sample_fmt;
    converted->sample_rate = encoder_->sample_rate;
    av_channel_layout_copy(&converted->ch_layout, &encoder_->ch_layout);
    converted->nb_samples = room;
    if (av_frame_get_buffer(converted.get(), 0) < 0) throw EncodeFailure("out of memory");
    const int got =
        swr_convert(resampler_.get(), converted->extended_data, room,
                    frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inSamples);
    if (got < 0) throw EncodeFailure("cannot convert the input's audio: " + AvError(got));
    if (got > 0 && av_audio_fifo_write(
                       fifo_.get(), reinterpret_cast<void**>(converted->extended_data), got) < got)
      throw EncodeFailure("out of memory");
  }

  // Encodes whole frames from the FIFO; at the end the rest, padded with
  // silence to a whole frame (the encoder takes only whole frames).
  void EncodeFromFifo(bool last) {
    const int frameSize = encoder_->frame_size;
    while (av_audio_fifo_size(fifo_.get()) >= frameSize ||
           (last && av_audio_fifo_size(fifo_.get()) > 0)) {
      FramePtr frame(av_frame_alloc());
      if (!frame) throw EncodeFailure("out of memory");
      frame->format = encoder_->sample_fmt;
      frame->sample_rate = encoder_->sample_rate;
      av_channel_layout_copy(&frame->ch_layout, &encoder_->ch_layout);
      frame->nb_samples = frameSize;
      if (av_frame_get_buffer(frame.get(), 0) < 0) throw EncodeFailure("out of memory");
      av_samples_set_silence(frame->extended_data, 0, frameSize, frame->ch_layout.nb_channels,
                             encoder_->sample_fmt);
      const int read = av_audio_fifo_read(
          fifo_.get(), reinterpret_cast<void**>(frame->extended_data), frameSize);
      if (read <= 0) throw EncodeFailure("cannot buffer the audio");
      frame->pts = nextPts_;
      nextPts_ += frameSize;
      SendToEncoder(frame.get());
    }
  }

  void SendToEncoder(const AVFrame* frame) {
    int rc = avcodec_send_frame(encoder_.get(), frame);
    if (rc < 0) throw EncodeFailure("encoding failed: " + AvError(rc));
    PacketPtr packet(av_packet_alloc());
    if (!packet) throw EncodeFailure("out of memory");
    while ((rc = avcodec_receive_packet(encoder_.get(), packet.get())) == 0) {
      av_packet_rescale_ts(packet.get(), encoder_->time_base, stream_->time_base);
      packet->stream_index = stream_->index;
      const int written = av_interleaved_write_frame(output_.Context(), packet.get());
      if (written < 0) throw EncodeFailure("cannot write output file: " + AvError(written));
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF)
      throw EncodeFailure("encoding failed: " + AvError(rc));
  }

  void DecodeAvailable() {
    FramePtr frame(av_frame_alloc());
    if (!frame) throw EncodeFailure("out of memory");
    int rc;
    while ((rc = avcodec_receive_frame(decoder_.get(), frame.get())) == 0) {
      Resample(frame.get());
      av_frame_unref(frame.get());
      EncodeFromFifo(false);
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF)
      throw EncodeFailure("cannot decode the input's audio: " + AvError(rc));
  }

  void Transcode() {
    PacketPtr packet(av_packet_alloc());
    if (!packet) throw EncodeFailure("out of memory");
    for (;;) {
      CheckInterrupted();
      const int rc = av_read_frame(input_.get(), packet.get());
      if (rc == AVERROR_EOF) break;
      if (rc < 0) throw EncodeFailure("cannot read input file: " + AvError(rc));
      if (packet->stream_index == streamIndex_) {
        const int sent = avcodec_send_packet(decoder_.get(), packet.get());
        av_packet_unref(packet.get());
        if (sent < 0) throw EncodeFailure("cannot decode the input's audio: " + AvError(sent));
        DecodeAvailable();
        ReportProgress();
      } else {
        av_packet_unref(packet.get());
      }
    }
    avcodec_send_packet(decoder_.get(), nullptr);
    DecodeAvailable();
    Resample(nullptr);
    EncodeFromFifo(true);
    SendToEncoder(nullptr);
  }

  const TWmaArguments& args_;
  const std::function<void(const std::string&)>& say_;
  const std::atomic<bool>* interrupted_;
  InputPtr input_;
  CodecPtr decoder_;
  CodecPtr encoder_;
  std::unique_ptr<SwrContext, SwrCloser> resampler_;
  std::unique_ptr<AVAudioFifo, FifoCloser> fifo_;
  TOutput output_;
  AVStream* stream_ = nullptr;
  int streamIndex_ = -1;
  int64_t inputSize_ = 0;
  int64_t nextPts_ = 0;
  int lastPercent_ = -1;
};

}  // namespace

int RunWmaEncoder(const TWmaArguments& args, const std::function<void(const std::string&)>& say,
                  const std::atomic<bool>* interrupted) {
  av_log_set_level(AV_LOG_QUIET);
  try {
    TEncodeJob job(args, say, interrupted);
    job.Run();
    return 0;
  } catch (const EncodeFailure& e) {
    say(std::string("ERROR: ") + e.what());
  } catch (const std::exception& e) {
    say(std::string("ERROR: ") + e.what());
  }
  return 1;
}
