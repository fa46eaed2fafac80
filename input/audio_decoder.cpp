#include "audio_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>

namespace pirolex {
namespace {

constexpr int kIoBufferBytes = 1 << 16;
// The progress callback may repaint a window: call it at most about a thousand times a load.
constexpr double kProgressStep = 1.0 / 1024;
// A decoder may put out a little more than the container's duration says (codec padding).
constexpr int64_t kReserveSlackFrames = int64_t{1} << 14;
// A stream that declares its length and ends this much earlier was cut off or is damaged.
constexpr double kShortByShare = 0.02;

// ---------------------------------------------------------------------------------------------
// Where the bytes come from. FFmpeg reads through these callbacks only, never opening a path of
// its own, so a path is never taken for a protocol such as "pipe:" or "http:".

class ByteReader {
public:
    virtual ~ByteReader() = default;
    // Up to n bytes into dst: how many, AVERROR_EOF at the end, or another AVERROR.
    virtual int Read(uint8_t* dst, int n) = 0;
    int64_t Size() const { return size_; }

    int64_t position = 0;  // may lie beyond the end after a seek; reads there give AVERROR_EOF
    int systemError = 0;   // errno of the first failed read

protected:
    int64_t size_ = 0;
};

class MemoryReader : public ByteReader {
public:
    MemoryReader(const uint8_t* data, size_t size) : data_(data) {
        size_ = static_cast<int64_t>(size);
    }
    int Read(uint8_t* dst, int n) override {
        if (position >= size_ || n <= 0) return AVERROR_EOF;
        const int count = static_cast<int>(std::min<int64_t>(n, size_ - position));
        std::memcpy(dst, data_ + position, static_cast<size_t>(count));
        position += count;
        return count;
    }

private:
    const uint8_t* data_;
};

class FileReader : public ByteReader {
public:
    // Opens path for reading; on failure error is set and systemError holds errno.
    explicit FileReader(const std::string& path) {
        // Non-blocking, so that a named pipe cannot hang the open; it is refused below anyway.
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0) {
            Refuse(errno);
            return;
        }
        struct stat st {};
        if (::fstat(fd_, &st) != 0) {
            Refuse(errno);
        } else if (!S_ISREG(st.st_mode)) {
            error = DecodeError::kNotRegularFile;
            folder = S_ISDIR(st.st_mode);
        } else {
            size_ = static_cast<int64_t>(st.st_size);
        }
    }
    ~FileReader() override {
        if (fd_ >= 0) ::close(fd_);
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    int Read(uint8_t* dst, int n) override {
        if (n <= 0) return AVERROR_EOF;
        for (;;) {
            const ssize_t got =
                ::pread(fd_, dst, static_cast<size_t>(n), static_cast<off_t>(position));
            if (got > 0) {
                position += got;
                return static_cast<int>(got);
            }
            if (got == 0) return AVERROR_EOF;
            if (errno == EINTR) continue;
            if (systemError == 0) systemError = errno;
            return AVERROR(errno);
        }
    }

    std::optional<DecodeError> error;
    bool folder = false;

private:
    void Refuse(int code) {
        systemError = code;
        if (code == ENOENT || code == ENOTDIR)
            error = DecodeError::kFileNotFound;
        else if (code == EACCES || code == EPERM)
            error = DecodeError::kAccessDenied;
        else
            error = DecodeError::kReadFailed;
    }

    int fd_ = -1;
};

int ReadCallback(void* opaque, uint8_t* buffer, int size) {
    return static_cast<ByteReader*>(opaque)->Read(buffer, size);
}

int64_t SeekCallback(void* opaque, int64_t offset, int whence) {
    auto* reader = static_cast<ByteReader*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return reader->Size();
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = reader->position;
    else if (whence == SEEK_END)
        base = reader->Size();
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    // The offset comes straight from the file's bytes.
    int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) return AVERROR(EINVAL);
    reader->position = target;
    return target;
}

// Playlists, segment lists and references to other files would make FFmpeg open further
// paths or URLs; a recording is one file.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

// Demuxers that take the file for a list of other files, URLs or network ports. Even with every
// protocol refused they would be a way for a "sound file" to reach elsewhere, so they are named
// and refused before they open, each with the reason the user is given.
std::optional<DecodeError> RefusedDemuxer(std::string_view name) {
    struct Refusal {
        std::string_view demuxer;
        DecodeError error;
    };
    static constexpr Refusal kRefused[] = {
        {"hls", DecodeError::kPlaylist},
        {"dash", DecodeError::kPlaylist},
        {"concat", DecodeError::kPlaylist},
        {"imf", DecodeError::kPlaylist},
        {"webm_dash_manifest", DecodeError::kPlaylist},
        {"avisynth", DecodeError::kPlaylist},
        {"vapoursynth", DecodeError::kPlaylist},
        {"sdp", DecodeError::kSessionDescription},
        {"rtp", DecodeError::kSessionDescription},
        {"rtsp", DecodeError::kSessionDescription},
        {"sap", DecodeError::kSessionDescription},
        {"image2", DecodeError::kImageSequence},
    };
    for (const Refusal& r : kRefused)
        if (r.demuxer == name) return r.error;
    return std::nullopt;
}

void SilenceFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// A long recording's samples are first touched one 4 KiB page at a time, and in a virtual machine
// each of those page faults is dear: for 30 minutes of stereo they took half of the load time.
// Huge pages, where the system gives them on request, cut the faults by a factor of 512.
void AskForHugePages(std::vector<int16_t>& samples) {
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<uintptr_t>(samples.data());
    const uintptr_t end = begin + samples.capacity() * sizeof(int16_t);
    const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = end & ~(kHugePage - 1);
    if (samples.data() != nullptr && last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // a hint only
}

// ---------------------------------------------------------------------------------------------
// Owners of FFmpeg's objects.

struct IoFree {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer);  // FFmpeg may have replaced the buffer it was given
        avio_context_free(&io);
    }
};
struct FormatFree {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

// A read or decode failure of FFmpeg that says the memory ran out.
bool OutOfMemory(int averror) {
    return averror == AVERROR(ENOMEM);
}

// ---------------------------------------------------------------------------------------------
// One load, from opening the container to the finished recording.

class Decoding {
public:
    Decoding(ByteReader& reader, const DecodeOptions& options, DecodeInfo& info)
        : reader_(reader), options_(options), info_(info) {}
    ~Decoding() { av_channel_layout_uninit(&swrLayout_); }
    Decoding(const Decoding&) = delete;
    Decoding& operator=(const Decoding&) = delete;

    std::optional<DecodeError> Run(Recording& out) {
        if (auto e = OpenContainer()) return e;
        if (auto e = OpenAudioStream()) return e;
        if (options_.headerOnly) return std::nullopt;
        if (auto e = Report(0.0, true)) return e;
        if (auto e = DecodeAll()) return e;
        if (reader_.systemError != 0) return DecodeError::kReadFailed;
        if (recording_.FrameCount() == 0) return DecodeError::kCorrupt;
        if (auto e = Finish()) return e;
        if (auto e = Report(1.0, true)) return e;
        out = std::move(recording_);
        return std::nullopt;
    }

private:
    std::optional<DecodeError> OpenContainer() {
        auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
        if (buffer == nullptr) return DecodeError::kTooLarge;
        io_.reset(avio_alloc_context(buffer, kIoBufferBytes, 0, &reader_, ReadCallback, nullptr,
                                     SeekCallback));
        if (!io_) {
            av_free(buffer);
            return DecodeError::kTooLarge;
        }
        AVFormatContext* format = avformat_alloc_context();
        if (format == nullptr) return DecodeError::kTooLarge;
        format->pb = io_.get();
        format->io_open = RefuseNestedOpen;
        // No protocol at all: the bytes come through the callbacks above. The empty list is
        // copied into every context a demuxer opens inside this one.
        format->protocol_whitelist = av_strdup("");
        if (format->protocol_whitelist == nullptr) {
            avformat_free_context(format);
            return DecodeError::kTooLarge;
        }
        // Recognising the format first tells a file of no known format from a damaged one: a
        // phone recording cut off before its index is damaged, not foreign.
        const AVInputFormat* recognised = nullptr;
        const int score = av_probe_input_buffer2(io_.get(), &recognised, "", nullptr, 0, 0);
        if (score < 0 || recognised == nullptr) {
            avformat_free_context(format);
            if (reader_.systemError != 0) return DecodeError::kReadFailed;
            return OutOfMemory(score) ? DecodeError::kTooLarge : DecodeError::kUnknownFormat;
        }
        if (auto refused = RefusedDemuxer(recognised->name)) {
            avformat_free_context(format);
            info_.container = recognised->long_name ? recognised->long_name : recognised->name;
            info_.containerName = recognised->name;
            return refused;
        }
        // Frees the context itself when it fails.
        const int opened = avformat_open_input(&format, "", recognised, nullptr);
        if (opened < 0) {
            if (reader_.systemError != 0) return DecodeError::kReadFailed;
            return OutOfMemory(opened) ? DecodeError::kTooLarge : DecodeError::kCorrupt;
        }
        format_.reset(format);
        info_.container =
            format->iformat->long_name ? format->iformat->long_name : format->iformat->name;
        info_.containerName = format->iformat->name;
        // Containers without a header find their streams only here. A failure leaves streams
        // whose parameters the decoder learns from the first packets, so it is not fatal.
        const int found = avformat_find_stream_info(format, nullptr);
        if (reader_.systemError != 0) return DecodeError::kReadFailed;
        if (OutOfMemory(found)) return DecodeError::kTooLarge;
        return std::nullopt;
    }

    std::optional<DecodeError> OpenAudioStream() {
        for (unsigned i = 0; i < format_->nb_streams; ++i) {
            AVStream* s = format_->streams[i];
            if (stream_ == nullptr && s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
                stream_ = s;
            else
                s->discard = AVDISCARD_ALL;  // the demuxer then skips their packets
        }
        if (stream_ == nullptr) return DecodeError::kNoAudioStream;
        for (const AVDictionary* tags : {format_->metadata, stream_->metadata})
            if (const AVDictionaryEntry* tag = av_dict_get(tags, "creation_time", nullptr, 0);
                tag && info_.creationTime.empty())
                info_.creationTime = tag->value;
        const AVCodecParameters* par = stream_->codecpar;
        // Filled before any check, so that a refusal names the numbers the file gives.
        info_.channels = par->ch_layout.nb_channels;
        info_.sampleRate = par->sample_rate;
        if (const AVCodecDescriptor* d = avcodec_descriptor_get(par->codec_id)) {
            info_.codec = d->long_name ? d->long_name : d->name;
            info_.codecName = d->name;
        }
        const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
        if (decoder == nullptr) return DecodeError::kCodecMissing;
        if (info_.channels > kMaxDecodedChannels || info_.sampleRate > kMaxDecodedSampleRate)
            return DecodeError::kUnsupportedAudio;
        codec_.reset(avcodec_alloc_context3(decoder));
        if (!codec_) return DecodeError::kTooLarge;
        if (avcodec_parameters_to_context(codec_.get(), par) < 0) return DecodeError::kTooLarge;
        codec_->pkt_timebase = stream_->time_base;
        const int opened = avcodec_open2(codec_.get(), decoder, nullptr);
        if (opened == AVERROR_INVALIDDATA) return DecodeError::kCorrupt;
        if (OutOfMemory(opened)) return DecodeError::kTooLarge;
        // A header without channels or rate fails the opening too; it is no missing codec.
        if (opened < 0 && (info_.channels < 1 || info_.sampleRate < 1))
            return DecodeError::kUnsupportedAudio;
        if (opened < 0) return DecodeError::kCodecMissing;  // experimental, or lacking a library
        DeclaredLength();
        if (lengthDeclared_ && info_.sampleRate > 0 && info_.channels > 0) {
            const double samples = estimatedSeconds_ * info_.sampleRate * info_.channels;
            info_.declaredSamples = samples >= 9.0e18 ? INT64_MAX : static_cast<int64_t>(samples);
            // Known in advance, so refused before a sample is decoded rather than after the
            // memory has been filled.
            if (samples > static_cast<double>(options_.maxSamples) * (1.0 + kShortByShare))
                return DecodeError::kTooLarge;
        }
        return std::nullopt;
    }

    // The container's length of the stream in seconds, 0 when it does not say. Only a length the
    // container states (not one guessed from the bit rate) counts as declared.
    void DeclaredLength() {
        double seconds = 0.0;
        if (stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0) {
            seconds = static_cast<double>(stream_->duration) * av_q2d(stream_->time_base);
        } else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0) {
            seconds = static_cast<double>(format_->duration) / AV_TIME_BASE;
        }
        if (!std::isfinite(seconds) || seconds < 0.0) seconds = 0.0;
        estimatedSeconds_ = seconds;
        lengthDeclared_ =
            seconds > 0.0 && format_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE;
    }

    std::optional<DecodeError> DecodeAll() {
        std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
        frame_.reset(av_frame_alloc());
        if (!packet || !frame_) return DecodeError::kTooLarge;
        while (!stopped_) {
            const int read = av_read_frame(format_.get(), packet.get());
            if (read < 0) {
                if (OutOfMemory(read)) return DecodeError::kTooLarge;
                // Whatever ended the file early (cut off, garbage, a read error): keep what came.
                if (read != AVERROR_EOF) info_.damaged = true;
                break;
            }
            std::optional<DecodeError> e;
            if (packet->stream_index == stream_->index) e = Decode(packet.get());
            av_packet_unref(packet.get());
            if (e) return e;
            if (auto c = Report(Fraction(), false)) return c;
        }
        if (!stopped_) {
            if (auto e = Decode(nullptr)) return e;  // the frames the decoder still holds
        }
        return std::nullopt;
    }

    // Sends one packet (nullptr: the end) and takes every frame that comes out. A packet the
    // decoder refuses is skipped, as players do: the decoder picks up again at the next one.
    std::optional<DecodeError> Decode(const AVPacket* packet) {
        const int sent = avcodec_send_packet(codec_.get(), packet);
        if (OutOfMemory(sent)) return DecodeError::kTooLarge;
        if (sent < 0 && sent != AVERROR_EOF) {
            info_.damaged = true;
            return std::nullopt;
        }
        for (;;) {
            const int got = avcodec_receive_frame(codec_.get(), frame_.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return std::nullopt;
            if (OutOfMemory(got)) return DecodeError::kTooLarge;
            if (got < 0) {
                info_.damaged = true;
                return std::nullopt;
            }
            const std::optional<DecodeError> e = Append(*frame_);
            av_frame_unref(frame_.get());
            if (e || stopped_) return e;
        }
    }

    std::optional<DecodeError> Append(const AVFrame& frame) {
        if (frame.nb_samples <= 0) return std::nullopt;
        const int channels = frame.ch_layout.nb_channels;
        if (recording_.channels.empty()) {
            if (auto e = Begin(channels, frame.sample_rate)) return e;
        } else if (channels != recording_.ChannelCount() ||
                   frame.sample_rate != recording_.sampleRate) {
            // Sound that changes its format midway (joined files): the recording is the part
            // before, since mixing or resampling the rest would change what is measured.
            info_.damaged = true;
            stopped_ = true;
            return std::nullopt;
        }
        if (auto e = Converter(frame)) return e;
        // FFmpeg's converter takes its input through a pointer to non-const pointers; it only
        // reads.
        return Convert(const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    }

    std::optional<DecodeError> Begin(int channels, int rate) {
        info_.channels = channels;
        info_.sampleRate = rate;
        if (channels < 1 || channels > kMaxDecodedChannels || rate < 1 ||
            rate > kMaxDecodedSampleRate)
            return DecodeError::kUnsupportedAudio;
        recording_.sampleRate = rate;
        recording_.channels.resize(static_cast<size_t>(channels));
        info_.channels = channels;
        info_.sampleRate = rate;
        maxFrames_ = std::max<int64_t>(options_.maxSamples, 0) / channels;
        // Reserve the whole length at once where the container gives it, so that a long
        // recording is never copied to grow. Reserved memory that is never written costs no RAM,
        // so a too-long estimate does no harm; the limit keeps a lying header from asking for
        // more than a recording may have.
        // Without a declared length the limit itself is reserved: growing by copies would hold
        // the old and the new copy at once and pass the limit before the file is refused.
        double frames = static_cast<double>(maxFrames_);
        if (lengthDeclared_) {
            frames = estimatedSeconds_ * rate;
            frames += frames / 64 + static_cast<double>(kReserveSlackFrames);
        }
        const int64_t want =
            frames >= static_cast<double>(maxFrames_) ? maxFrames_ : static_cast<int64_t>(frames);
        try {
            for (auto& c : recording_.channels) {
                c.reserve(static_cast<size_t>(want));
                AskForHugePages(c);
            }
        } catch (const std::bad_alloc&) {
            // Growing as the frames come may still fit.
        }
        return std::nullopt;
    }

    // A converter to 16-bit planar samples at the same rate and with the same channels, made
    // anew whenever the decoder's sample format or channel layout changes.
    std::optional<DecodeError> Converter(const AVFrame& frame) {
        if (swr_ && frame.format == swrFormat_ &&
            av_channel_layout_compare(&frame.ch_layout, &swrLayout_) == 0)
            return std::nullopt;
        swr_.reset();
        av_channel_layout_uninit(&swrLayout_);
        AVChannelLayout layout{};
        const bool known = frame.ch_layout.order != AV_CHANNEL_ORDER_UNSPEC &&
                           av_channel_layout_check(&frame.ch_layout);
        if (known) {
            if (av_channel_layout_copy(&layout, &frame.ch_layout) < 0)
                return DecodeError::kTooLarge;
        } else {
            av_channel_layout_default(&layout, frame.ch_layout.nb_channels);
        }
        const auto format = static_cast<AVSampleFormat>(frame.format);
        SwrContext* swr = nullptr;
        int made = swr_alloc_set_opts2(&swr, &layout, AV_SAMPLE_FMT_S16P, frame.sample_rate,
                                       &layout, format, frame.sample_rate, 0, nullptr);
        swr_.reset(swr);
        if (made >= 0) made = swr_init(swr);
        if (made < 0) {
            av_channel_layout_uninit(&layout);
            swr_.reset();
            return OutOfMemory(made) ? DecodeError::kTooLarge : DecodeError::kUnsupportedAudio;
        }
        if (av_channel_layout_copy(&swrLayout_, &frame.ch_layout) < 0) {
            av_channel_layout_uninit(&layout);
            return DecodeError::kTooLarge;
        }
        av_channel_layout_uninit(&layout);
        swrFormat_ = frame.format;
        return std::nullopt;
    }

    // Converts straight into the end of the channel vectors (input nullptr: what the converter
    // still holds), so that no sample passes through a second buffer.
    std::optional<DecodeError> Convert(const uint8_t** input, int count) {
        const int room = swr_get_out_samples(swr_.get(), count);
        if (room <= 0) return std::nullopt;
        const int64_t start = recording_.FrameCount();
        if (auto e = Grow(start + room)) return e;
        uint8_t* out[kMaxDecodedChannels];
        for (size_t c = 0; c < recording_.channels.size(); ++c)
            out[c] = reinterpret_cast<uint8_t*>(recording_.channels[c].data() + start);
        const int made = swr_convert(swr_.get(), out, room, input, count);
        const int64_t end = start + std::max(made, 0);
        for (auto& c : recording_.channels) c.resize(static_cast<size_t>(end));
        if (made < 0) info_.damaged = true;
        return std::nullopt;
    }

    // Makes every channel `frames` long. Beyond the capacity (a declared length that was short,
    // or a reservation the system refused) it moves once to the limit, so that at most one copy
    // is ever made.
    std::optional<DecodeError> Grow(int64_t frames) {
        if (frames > maxFrames_) return DecodeError::kTooLarge;
        const auto capacity = static_cast<int64_t>(recording_.channels.front().capacity());
        const bool moving = frames > capacity;
        try {
            for (auto& c : recording_.channels) {
                if (moving) {
                    c.reserve(static_cast<size_t>(maxFrames_));
                    AskForHugePages(c);
                }
                c.resize(static_cast<size_t>(frames));
            }
        } catch (const std::bad_alloc&) {
            return DecodeError::kTooLarge;
        }
        return std::nullopt;
    }

    std::optional<DecodeError> Finish() {
        if (swr_) {
            if (auto e = Convert(nullptr, 0)) return e;
        }
        const int64_t frames = recording_.FrameCount();
        // A length estimate far above the truth (a cut-off file) leaves reserved address space
        // that is worth giving back; copying the frames there costs little next to it.
        if (static_cast<int64_t>(recording_.channels.front().capacity()) > 2 * frames)
            for (auto& c : recording_.channels) c.shrink_to_fit();
        info_.frames = frames;
        info_.seconds = recording_.Seconds();
        const double declared = estimatedSeconds_ * recording_.sampleRate;
        if (lengthDeclared_ && static_cast<double>(frames) < declared * (1.0 - kShortByShare))
            info_.damaged = true;
        return std::nullopt;
    }

    // The share done: frames against the declared length where there is one, else bytes read.
    double Fraction() const {
        if (estimatedSeconds_ > 0.0 && recording_.sampleRate > 0)
            return static_cast<double>(recording_.FrameCount()) /
                   (estimatedSeconds_ * recording_.sampleRate);
        const int64_t size = reader_.Size();
        return size > 0 ? static_cast<double>(avio_tell(io_.get())) / static_cast<double>(size)
                        : 0.0;
    }

    std::optional<DecodeError> Report(double fraction, bool always) {
        if (!options_.progress) return std::nullopt;
        fraction = std::clamp(fraction, reported_, 1.0);
        if (!always && fraction < reported_ + kProgressStep) return std::nullopt;
        reported_ = fraction;
        if (!options_.progress(fraction)) return DecodeError::kCancelled;
        return std::nullopt;
    }

    ByteReader& reader_;
    const DecodeOptions& options_;
    DecodeInfo& info_;
    // Declared in the order they must go: the container before its byte context.
    std::unique_ptr<AVIOContext, IoFree> io_;
    std::unique_ptr<AVFormatContext, FormatFree> format_;
    std::unique_ptr<AVCodecContext, CodecFree> codec_;
    std::unique_ptr<AVFrame, FrameFree> frame_;
    std::unique_ptr<SwrContext, SwrFree> swr_;
    AVChannelLayout swrLayout_{};
    int swrFormat_ = -1;
    AVStream* stream_ = nullptr;
    Recording recording_;
    int64_t maxFrames_ = 0;
    double estimatedSeconds_ = 0.0;
    bool lengthDeclared_ = false;
    bool stopped_ = false;
    double reported_ = 0.0;
};

DecodeResult DecodeFrom(ByteReader& reader, const DecodeOptions& options) {
    SilenceFfmpegLog();
    DecodeResult result;
    try {
        Decoding decoding(reader, options, result.info);
        result.error = decoding.Run(result.recording);
    } catch (const std::bad_alloc&) {
        result.error = DecodeError::kTooLarge;
    } catch (const std::length_error&) {
        result.error = DecodeError::kTooLarge;
    }
    if (result.error) {
        result.recording = Recording{};
        if (*result.error == DecodeError::kReadFailed) result.info.systemError = reader.systemError;
    }
    return result;
}

}  // namespace

std::string_view DecodeErrorName(DecodeError error) {
    switch (error) {
        case DecodeError::kFileNotFound:
            return "FileNotFound";
        case DecodeError::kAccessDenied:
            return "AccessDenied";
        case DecodeError::kReadFailed:
            return "ReadFailed";
        case DecodeError::kUnknownFormat:
            return "UnknownFormat";
        case DecodeError::kNoAudioStream:
            return "NoAudioStream";
        case DecodeError::kCodecMissing:
            return "CodecMissing";
        case DecodeError::kUnsupportedAudio:
            return "UnsupportedAudio";
        case DecodeError::kCorrupt:
            return "Corrupt";
        case DecodeError::kTooLarge:
            return "TooLarge";
        case DecodeError::kCancelled:
            return "Cancelled";
        case DecodeError::kNotRegularFile:
            return "NotRegularFile";
        case DecodeError::kPlaylist:
            return "Playlist";
        case DecodeError::kSessionDescription:
            return "SessionDescription";
        case DecodeError::kImageSequence:
            return "ImageSequence";
    }
    return "?";
}

DecodeResult DecodeFile(const std::string& path, const DecodeOptions& options) {
    FileReader reader(path);
    if (reader.error) {
        DecodeResult result;
        result.error = reader.error;
        result.info.systemError = reader.systemError;
        result.info.folder = reader.folder;
        return result;
    }
    return DecodeFrom(reader, options);
}

DecodeResult DecodeMemory(const uint8_t* data, size_t size, const DecodeOptions& options) {
    static const uint8_t kNothing = 0;
    MemoryReader reader(data != nullptr ? data : &kNothing, data != nullptr ? size : 0);
    return DecodeFrom(reader, options);
}

}  // namespace pirolex
