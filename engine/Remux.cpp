#include "engine/Remux.h"

#include "engine/RecordingName.h"

#include <QFile>
#include <QList>

#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/error.h>
}

namespace kelvane {

namespace {

constexpr int64_t kLargestGapUs = 10 * int64_t(AV_TIME_BASE);

QString avText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// A write error as the listener reads it: errno codes get their own words.
QString writeFailure(int code)
{
    if (code < 0 && AVUNERROR(code) > 0 && AVUNERROR(code) < 4096)
        return fileErrorText(AVUNERROR(code));
    return QStringLiteral("写入错误：%1").arg(avText(code));
}

struct InputCloser
{
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct OutputCloser
{
    void operator()(AVFormatContext* c) const
    {
        if (c->pb != nullptr)
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
struct PacketFree
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

} // namespace

Remux::Remux(QString url, QString path, QString outputExtension, QString title, QString date)
    : m_url(std::move(url)), m_path(std::move(path)), m_extension(std::move(outputExtension)),
      m_title(std::move(title)), m_date(std::move(date))
{
    static std::once_flag once;
    std::call_once(once, [] { avformat_network_init(); });
}

int Remux::interrupted(void* self)
{
    return static_cast<Remux*>(self)->m_stop ? 1 : 0;
}

Remux::Result Remux::run()
{
    Result result;
    AVFormatContext* rawIn = avformat_alloc_context();
    rawIn->interrupt_callback = {&Remux::interrupted, this};
    AVDictionary* options = nullptr;
    av_dict_set(&options, "user_agent", "Kelvane/1.0", 0);
    av_dict_set(&options, "icy", "0", 0);               // the stream's own bytes only
    av_dict_set(&options, "rw_timeout", "30000000", 0); // 30 s of silence ends the source
    int code = avformat_open_input(&rawIn, m_url.toUtf8().constData(), nullptr, &options);
    av_dict_free(&options);
    if (code < 0) {
        result.reason =
            m_stop ? QString() : QStringLiteral("无法打开电台的流：%1").arg(avText(code));
        result.ok = m_stop;
        return result;
    }
    std::unique_ptr<AVFormatContext, InputCloser> in(rawIn);
    code = avformat_find_stream_info(in.get(), nullptr);
    if (m_stop) {
        result.ok = true; // stopped before anything was written
        return result;
    }
    if (code < 0) {
        result.reason = QStringLiteral("无法识别电台的流：%1").arg(avText(code));
        return result;
    }

    // The muxer is chosen by the extension, whatever the file is called.
    const QByteArray probeName = "recording." + m_extension.toUtf8();
    AVFormatContext* rawOut = nullptr;
    avformat_alloc_output_context2(&rawOut, nullptr, nullptr, probeName.constData());
    if (rawOut == nullptr) {
        result.reason = QStringLiteral("不支持的录音格式：%1").arg(m_extension);
        return result;
    }
    std::unique_ptr<AVFormatContext, OutputCloser> out(rawOut);
    const bool takesVideo = out->oformat->video_codec != AV_CODEC_ID_NONE;
    QList<int> map(int(in->nb_streams), -1);
    // Per input stream, in microseconds of the recording: the last packet's start and end.
    QList<int64_t> lastDts(int(in->nb_streams), AV_NOPTS_VALUE);
    QList<int64_t> lastEnd(int(in->nb_streams), 0);
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        const AVCodecParameters* par = in->streams[i]->codecpar;
        const bool wanted = par->codec_type == AVMEDIA_TYPE_AUDIO ||
                            (par->codec_type == AVMEDIA_TYPE_VIDEO && takesVideo);
        if (!wanted || avformat_query_codec(out->oformat, par->codec_id, 0) == 0)
            continue;
        AVStream* s = avformat_new_stream(out.get(), nullptr);
        avcodec_parameters_copy(s->codecpar, par);
        s->codecpar->codec_tag = 0;
        s->time_base = in->streams[i]->time_base;
        map[int(i)] = s->index;
    }
    if (out->nb_streams == 0) {
        result.reason = QStringLiteral("流中没有可以录下的声音或图像");
        return result;
    }
    const QByteArray title = m_title.toUtf8();
    av_dict_set(&out->metadata, "title", title.constData(), 0);
    av_dict_set(&out->metadata, "date", m_date.toUtf8().constData(), 0);
    av_dict_set(&out->metadata, "service_name", title.constData(), 0); // MPEG-TS's title
    av_dict_set(&out->metadata, "service_provider", "Kelvane", 0);
    // Each packet reaches the file as it is written: a recording is never held back in memory.
    out->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    // No interrupt callback on the file: after a stop the end of the file must still be written.
    if ((code = avio_open(&out->pb, QFile::encodeName(m_path).constData(), AVIO_FLAG_WRITE)) < 0) {
        result.reason = writeFailure(code);
        return result;
    }
    AVDictionary* muxOptions = nullptr;
    av_dict_set(&muxOptions, "cluster_time_limit", "1000", 0); // Matroska: a cluster a second
    code = avformat_write_header(out.get(), &muxOptions);
    av_dict_free(&muxOptions);
    if (code < 0) {
        result.reason = out->pb->error < 0 ? writeFailure(out->pb->error) : writeFailure(code);
        return result;
    }
    result.opened = true;
    m_bytes = avio_tell(out->pb);
    if (onOpened)
        onOpened();

    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    int64_t offset = AV_NOPTS_VALUE; // the source's time at the recording's start, microseconds
    // Ends with the source (its end, a drop, silence) or a stop: either keeps what was copied.
    while (av_read_frame(in.get(), packet.get()) >= 0) {
        const int from = packet->stream_index;
        // A stop cuts the source short: its last, partial, packet is left out.
        const bool cut = m_stop && (packet->flags & AV_PKT_FLAG_CORRUPT) != 0;
        if (from >= map.size() || map[from] < 0 || cut) {
            av_packet_unref(packet.get());
            continue;
        }
        const AVStream* inStream = in->streams[from];
        AVStream* outStream = out->streams[map[from]];
        if (packet->dts != AV_NOPTS_VALUE) {
            // The recording starts at 0, and runs on across the source's jumps in time (an
            // encoder restarted, a discontinuity, a wrap): a muxer drops every packet that goes
            // back, so a jump back or far ahead is taken out of the offset.
            const int64_t dts = av_rescale_q(packet->dts, inStream->time_base, AV_TIME_BASE_Q);
            if (offset == AV_NOPTS_VALUE)
                offset = dts;
            int64_t at = dts - offset;
            if (lastDts[from] != AV_NOPTS_VALUE &&
                (at <= lastDts[from] || at > lastEnd[from] + kLargestGapUs)) {
                offset += at - lastEnd[from];
                at = lastEnd[from];
            }
            const int64_t duration =
                av_rescale_q(packet->duration, inStream->time_base, AV_TIME_BASE_Q);
            lastDts[from] = at;
            lastEnd[from] = at + std::max<int64_t>(duration, 1);
            result.seconds = std::max(result.seconds, lastEnd[from] / double(AV_TIME_BASE));
            const int64_t shift = av_rescale_q(offset, AV_TIME_BASE_Q, inStream->time_base);
            packet->dts -= shift;
            if (packet->pts != AV_NOPTS_VALUE)
                packet->pts -= shift;
        }
        av_packet_rescale_ts(packet.get(), inStream->time_base, outStream->time_base);
        packet->stream_index = outStream->index;
        packet->pos = -1;
        code = av_interleaved_write_frame(out.get(), packet.get()); // takes the packet
        if (out->pb->error < 0) {
            result.reason = writeFailure(out->pb->error);
            return result;
        }
        // A packet the muxer refuses (timestamps out of order at a discontinuity) is left out.
        (void)code;
        m_bytes = avio_tell(out->pb);
    }
    code = av_write_trailer(out.get());
    avio_flush(out->pb);
    if (code < 0 || out->pb->error < 0) {
        result.reason = writeFailure(out->pb->error < 0 ? out->pb->error : code);
        return result;
    }
    m_bytes = avio_tell(out->pb);
    result.ok = true;
    return result;
}

} // namespace kelvane
