#include "core/media/AVUtil.h"

#include "core/foundation/CardReads.h"
#include "core/foundation/CommonConst.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace {

struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameCloser {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketCloser {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsCloser {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using FramePtr = std::unique_ptr<AVFrame, FrameCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketCloser>;
using SwsPtr = std::unique_ptr<SwsContext, SwsCloser>;

// No picture needs more packets than this; a damaged file must not keep us busy for ever.
constexpr int kMaxPackets = 20000;

// An open movie whose bytes are read through the card-read gate, as every
// other read of a recording is (CardReads): a thread told to stop reading
// gives up at its next read, and a slow card shows here too.
class Movie {
public:
    static std::unique_ptr<Movie> open(const QString& path)
    {
        auto movie = std::unique_ptr<Movie>(new Movie(path));
        if (!movie->m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return nullptr;
        constexpr int BUFFER_BYTES = 64 * 1024;
        auto* buffer = static_cast<unsigned char*>(av_malloc(BUFFER_BYTES));
        if (buffer == nullptr) return nullptr;
        movie->m_io = avio_alloc_context(buffer, BUFFER_BYTES, 0, &movie->m_file, &Movie::read, nullptr, &Movie::seek);
        if (movie->m_io == nullptr) {
            av_free(buffer);
            return nullptr;
        }
        movie->format = avformat_alloc_context();
        if (movie->format == nullptr) return nullptr;
        movie->format->pb = movie->m_io;
        movie->format->flags |= AVFMT_FLAG_CUSTOM_IO;
        const QByteArray name = QFile::encodeName(path);
        // On failure the context is freed and set to null.
        if (avformat_open_input(&movie->format, name.constData(), nullptr, nullptr) < 0) return nullptr;
        return movie;
    }
    ~Movie()
    {
        avformat_close_input(&format);
        if (m_io) {
            av_freep(&m_io->buffer);
            avio_context_free(&m_io);
        }
    }
    Movie(const Movie&) = delete;
    Movie& operator=(const Movie&) = delete;

    AVFormatContext* format = nullptr;

private:
    explicit Movie(const QString& path) : m_file(path) {}

    static int read(void* opaque, uint8_t* buffer, int size)
    {
        if (!CardReads::beforeRead()) return AVERROR_EXIT;
        const qint64 n = static_cast<QFile*>(opaque)->read(reinterpret_cast<char*>(buffer), size);
        if (n < 0) return AVERROR(EIO);
        return n == 0 ? AVERROR_EOF : int(n);
    }
    static int64_t seek(void* opaque, int64_t offset, int whence)
    {
        auto* file = static_cast<QFile*>(opaque);
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return file->size();
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += file->pos();
            break;
        case SEEK_END:
            offset += file->size();
            break;
        default:
            return -1;
        }
        return offset >= 0 && file->seek(offset) ? offset : -1;
    }

    QFile m_file;
    AVIOContext* m_io = nullptr;
};

// The picture shown at timeMs: the last frame that starts at or before it
// (the first frame for a time before it). shownAtMs receives that frame's
// time from the start of the stream, when it has one.
FramePtr decodeAt(const QString& path, qint64 timeMs, qint64* shownAtMs = nullptr)
{
    const auto movie = Movie::open(path);
    if (!movie) return nullptr;
    AVFormatContext* fmt = movie->format;
    if (avformat_find_stream_info(fmt, nullptr) < 0) return nullptr;
    const AVCodec* decoder = nullptr;
    const int stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (stream < 0 || decoder == nullptr) return nullptr;
    AVStream* st = fmt->streams[stream];

    CodecPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), st->codecpar) < 0) return nullptr;
    codec->thread_count = 1;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return nullptr;

    const qint64 ms = qMax<qint64>(timeMs, 0);
    const qint64 target = av_rescale_q(ms, AVRational{1, 1000}, st->time_base);
    // Times are whole milliseconds (a player's position, a frame's start cut
    // short): a frame starts after the time when it starts at ms + 1 or later.
    const qint64 after = av_rescale_q_rnd(ms + 1, AVRational{1, 1000}, st->time_base, AV_ROUND_UP);
    const qint64 start = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
    av_seek_frame(fmt, stream, start + target, AVSEEK_FLAG_BACKWARD);

    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    FramePtr last;
    qint64 lastPts = AV_NOPTS_VALUE;
    const auto shown = [&](FramePtr picture, qint64 pts) {
        if (shownAtMs != nullptr && pts != AV_NOPTS_VALUE)
            *shownAtMs = av_rescale_q_rnd(pts - start, st->time_base, AVRational{1, 1000}, AV_ROUND_DOWN);
        return picture;
    };
    bool flushing = false;
    for (int n = 0; n < kMaxPackets; ++n) {
        if (!flushing) {
            const int r = av_read_frame(fmt, packet.get());
            if (r < 0 && CardReads::stopRequested()) return nullptr; // not the picture asked for
            if (r < 0) {
                flushing = true;
                avcodec_send_packet(codec.get(), nullptr);
            } else {
                if (packet->stream_index == stream) avcodec_send_packet(codec.get(), packet.get());
                av_packet_unref(packet.get());
            }
        }
        for (;;) {
            const int r = avcodec_receive_frame(codec.get(), frame.get());
            if (r == AVERROR(EAGAIN)) break;
            // End of stream or a decoding error: the last picture we have.
            if (r < 0) return shown(std::move(last), lastPts);
            const qint64 pts = frame->best_effort_timestamp == AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
            if (pts != AV_NOPTS_VALUE && pts - start >= after && last) {
                // This frame starts after the time: the one before it is on screen then.
                return shown(std::move(last), lastPts);
            }
            last.reset(av_frame_clone(frame.get()));
            lastPts = pts;
            av_frame_unref(frame.get());
            // No time stamp, or the first frame already after the time: take it.
            if (pts == AV_NOPTS_VALUE || pts - start >= after) return shown(std::move(last), lastPts);
        }
    }
    return shown(std::move(last), lastPts);
}

QByteArray encodeJpeg(const AVFrame* picture, bool captionBand)
{
    if (picture == nullptr || picture->width <= 0 || picture->height <= 0) return {};
    // Fit within 320 x 180, keeping the aspect ratio; even sizes for 4:2:0.
    const double scale = qMin(double(AVUtil::THUMB_MAX_WIDTH) / picture->width,
                              double(AVUtil::THUMB_MAX_HEIGHT) / picture->height);
    const int w = qMax(2, int(picture->width * qMin(scale, 1.0)) & ~1);
    const int h = qMax(2, int(picture->height * qMin(scale, 1.0)) & ~1);

    SwsPtr sws(sws_getContext(picture->width, picture->height, AVPixelFormat(picture->format), w, h,
                              AV_PIX_FMT_YUVJ420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!sws) return {};
    FramePtr out(av_frame_alloc());
    out->format = AV_PIX_FMT_YUVJ420P;
    out->width = w;
    out->height = h;
    if (av_frame_get_buffer(out.get(), 0) < 0) return {};
    sws_scale(sws.get(), picture->data, picture->linesize, 0, picture->height, out->data, out->linesize);

    if (captionBand) {
        // The band a trimmed movie's captions sit on: black, full width, at the bottom.
        int band = qBound(1, int(h * CommonConst::CAPTION_SIZE_BASE / CommonConst::CAPTION_HEIGHT_BASE + 0.5), h);
        for (int y = h - band; y < h; ++y) std::memset(out->data[0] + y * out->linesize[0], 0, w);
        for (int y = (h - band) / 2; y < h / 2; ++y) {
            std::memset(out->data[1] + y * out->linesize[1], 128, w / 2);
            std::memset(out->data[2] + y * out->linesize[2], 128, w / 2);
        }
    }

    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (encoder == nullptr) return {};
    CodecPtr enc(avcodec_alloc_context3(encoder));
    enc->width = w;
    enc->height = h;
    enc->pix_fmt = AV_PIX_FMT_YUVJ420P;
    enc->time_base = AVRational{1, 25};
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = FF_QP2LAMBDA * 3;
    enc->thread_count = 1;
    if (avcodec_open2(enc.get(), encoder, nullptr) < 0) return {};
    out->quality = enc->global_quality;
    out->pts = 0;
    if (avcodec_send_frame(enc.get(), out.get()) < 0) return {};
    avcodec_send_frame(enc.get(), nullptr);
    PacketPtr packet(av_packet_alloc());
    QByteArray jpeg;
    while (avcodec_receive_packet(enc.get(), packet.get()) == 0) {
        jpeg.append(reinterpret_cast<const char*>(packet->data), packet->size);
        av_packet_unref(packet.get());
    }
    return jpeg;
}

std::optional<QString> writeAtomically(const QString& folder, const QString& name, const QByteArray& bytes)
{
    if (bytes.isEmpty()) return std::nullopt;
    if (!QDir().mkpath(folder)) return std::nullopt;
    const QString target = QDir(folder).filePath(name);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) return std::nullopt;
    file.write(bytes);
    if (!file.commit()) return std::nullopt;
    return target;
}

} // namespace

QString AVUtil::thumbnailFileName(const QString& moviePath, qint64 timeMs)
{
    qint64 d = timeMs % 86400;
    if (d < 0) d += 86400;
    return QStringLiteral("%1_%2%3%4.jpeg")
        .arg(QFileInfo(moviePath).completeBaseName())
        .arg(d / 3600, 2, 10, QLatin1Char('0'))
        .arg((d % 3600) / 60, 2, 10, QLatin1Char('0'))
        .arg(d % 60, 2, 10, QLatin1Char('0'));
}

QByteArray AVUtil::jpegAt(const QString& moviePath, qint64 timeMs, bool captionBand)
{
    if (!QFileInfo(moviePath).isFile()) return {};
    const FramePtr picture = decodeAt(moviePath, timeMs);
    return encodeJpeg(picture.get(), captionBand);
}

std::optional<QString> AVUtil::createThumbnail(const QString& moviePath, qint64 timeMs, const QString& folder)
{
    return writeAtomically(folder, thumbnailFileName(moviePath, timeMs), jpegAt(moviePath, timeMs, false));
}

std::optional<QString> AVUtil::createBandedThumbnail(const QString& moviePath, qint64 timeMs, const QString& folder,
                                                     const QString& fileName)
{
    return writeAtomically(folder, fileName, jpegAt(moviePath, timeMs, true));
}

std::optional<AVUtil::MovieProbe> AVUtil::probe(const QString& moviePath)
{
    if (!QFileInfo(moviePath).isFile()) return std::nullopt;
    const auto movie = Movie::open(moviePath);
    if (!movie) return std::nullopt;
    AVFormatContext* fmt = movie->format;
    if (avformat_find_stream_info(fmt, nullptr) < 0) return std::nullopt;
    const int stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) return std::nullopt;
    const AVStream* st = fmt->streams[stream];
    MovieProbe p;
    p.width = st->codecpar->width;
    p.height = st->codecpar->height;
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        p.durationMs = av_rescale_q_rnd(st->duration, st->time_base, AVRational{1, 1000}, AV_ROUND_DOWN);
    else if (fmt->duration != AV_NOPTS_VALUE && fmt->duration > 0)
        p.durationMs = av_rescale_rnd(fmt->duration, 1000, AV_TIME_BASE, AV_ROUND_DOWN);
    if (p.width <= 0 || p.height <= 0 || p.durationMs < 0) return std::nullopt;
    return p;
}

std::optional<AVUtil::RgbPicture> AVUtil::rgbAt(const QString& moviePath, qint64 timeMs)
{
    if (!QFileInfo(moviePath).isFile()) return std::nullopt;
    qint64 shownAt = 0;
    const FramePtr picture = decodeAt(moviePath, timeMs, &shownAt);
    if (!picture || picture->width <= 0 || picture->height <= 0 || picture->width > 16384
        || picture->height > 16384)
        return std::nullopt;
    const int w = picture->width;
    const int h = picture->height;
    // BGRA in memory is 0xAARRGGBB read as a native 32-bit word on a
    // little-endian machine; RGB0-style formats differ on big-endian ones.
    const AVPixelFormat wanted = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AV_PIX_FMT_BGRA : AV_PIX_FMT_ARGB;
    SwsPtr sws(sws_getContext(w, h, AVPixelFormat(picture->format), w, h, wanted, SWS_BICUBIC, nullptr, nullptr,
                              nullptr));
    if (!sws) return std::nullopt;
    RgbPicture out;
    out.timeMs = shownAt;
    out.width = w;
    out.height = h;
    out.bytesPerLine = qsizetype(w) * 4;
    out.pixels = QByteArray(out.bytesPerLine * h, '\xff');
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(out.pixels.data()), nullptr, nullptr, nullptr};
    const int dstStride[4] = {int(out.bytesPerLine), 0, 0, 0};
    if (sws_scale(sws.get(), picture->data, picture->linesize, 0, h, dst, dstStride) != h) return std::nullopt;
    return out;
}
