#include "dshow/MediaSource.h"
#include "common/Diagnostics.h"

#include <dshow.h>

#include "dshow/FFmpeg.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>

namespace DShowInternal {

namespace {

// Damaged packets are skipped as a player conceals them; this many in a row mean the
// stream is broken.
constexpr int kMaxBadPacketsInARow = 8;
// A file whose streams stop this much short of the length its header declares was cut off.
constexpr double kTruncationMargin = 0.5; // seconds

// The size an ASF file declares for itself in its file properties, 0 when unknown (another
// container, a live stream, a header too short to tell).
uint64_t declaredAsfSize(const std::string& path)
{
    static const uint8_t kHeaderObject[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                              0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    static const uint8_t kFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                                0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return 0;
    std::vector<uint8_t> head(65536);
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fclose(file);
    if (head.size() < 30 || !std::equal(kHeaderObject, kHeaderObject + 16, head.begin()))
        return 0;
    auto readLe64 = [&head](size_t at) {
        uint64_t value = 0;
        for (int i = 7; i >= 0; --i)
            value = (value << 8) | head[at + static_cast<size_t>(i)];
        return value;
    };
    // The header's objects follow its 30 bytes, each a GUID and a 64-bit size.
    size_t at = 30;
    while (at + 24 <= head.size()) {
        const uint64_t size = readLe64(at + 16);
        if (std::equal(kFileProperties, kFileProperties + 16, head.begin() + static_cast<std::ptrdiff_t>(at)))
            return at + 48 <= head.size() ? readLe64(at + 40) : 0;
        if (size < 24 || size > head.size() - at)
            return 0;
        at += static_cast<size_t>(size);
    }
    return 0;
}

} // namespace

MediaSource::~MediaSource()
{
    if (!m_av)
        return;
    m_av->sws_freeContext(m_scaler);
    m_av->swr_free(&m_resampler);
    m_av->av_frame_free(&m_frame);
    m_av->av_packet_free(&m_packet);
    m_av->avcodec_free_context(&m_video);
    m_av->avcodec_free_context(&m_audio);
    m_av->avformat_close_input(&m_format);
}

HRESULT MediaSource::open(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        Diagnostics::error("DirectShow", "RenderFile: \"%s\" does not exist", path.c_str());
        return VFW_E_FILE_NOT_FOUND_WIN32;
    }
    const uint64_t declared = declaredAsfSize(path);
    if (declared > static_cast<uint64_t>(info.st_size)) {
        // Played up to the cut, which then ends the clip with an error.
        Diagnostics::warning("DirectShow", "\"%s\" is cut short: %lld of its %llu bytes", path.c_str(),
                             static_cast<long long>(info.st_size), static_cast<unsigned long long>(declared));
        m_cutShort = true;
    }
    m_av = openFFmpeg();
    if (!m_av)
        return VFW_E_UNSUPPORTED_STREAM;
    // FFmpeg's own messages would repeat ours for every damaged packet.
    m_av->av_log_set_level(AV_LOG_FATAL);
    if (m_av->avformat_open_input(&m_format, path.c_str(), nullptr, nullptr) < 0) {
        Diagnostics::error("DirectShow", "RenderFile: \"%s\" is not a media file that can be read", path.c_str());
        return VFW_E_INVALID_FILE_FORMAT;
    }
    if (m_av->avformat_find_stream_info(m_format, nullptr) < 0) {
        Diagnostics::error("DirectShow", "RenderFile: the streams of \"%s\" cannot be read", path.c_str());
        return VFW_E_INVALID_FILE_FORMAT;
    }
    m_videoStream = m_av->av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    m_audioStream = m_av->av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_videoStream >= 0 && !openDecoder(m_videoStream, m_video))
        m_videoStream = -1;
    if (m_audioStream >= 0 && !openDecoder(m_audioStream, m_audio))
        m_audioStream = -1;
    if (!m_video && !m_audio) {
        Diagnostics::error("DirectShow", "RenderFile: \"%s\" holds no stream that can be decoded", path.c_str());
        return VFW_E_UNSUPPORTED_STREAM;
    }
    if (m_video) {
        m_width = m_video->width;
        m_height = m_video->height;
        if (m_width <= 0 || m_height <= 0 || m_width > 8192 || m_height > 8192) {
            Diagnostics::error("DirectShow", "RenderFile: \"%s\" has an impossible picture size %dx%d", path.c_str(),
                               m_width, m_height);
            return VFW_E_INVALID_FILE_FORMAT;
        }
        AVRational rate = m_av->av_guess_frame_rate(m_format, m_format->streams[m_videoStream], nullptr);
        if (rate.num > 0 && rate.den > 0)
            m_frameDuration = std::clamp(av_q2d(av_inv_q(rate)), 0.001, 1.0);
        m_picture.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0xFF000000u);
    }
    if (m_format->duration > 0)
        m_duration = static_cast<double>(m_format->duration) / AV_TIME_BASE;
    m_frame = m_av->av_frame_alloc();
    m_packet = m_av->av_packet_alloc();
    if (!m_frame || !m_packet)
        return E_OUTOFMEMORY;
    m_videoDone = m_video == nullptr;
    m_audioDone = m_audio == nullptr;
    return S_OK;
}

bool MediaSource::openDecoder(int streamIndex, AVCodecContext*& context)
{
    const AVCodecParameters* parameters = m_format->streams[streamIndex]->codecpar;
    const AVCodec* codec = m_av->avcodec_find_decoder(parameters->codec_id);
    if (!codec) {
        Diagnostics::error("DirectShow", "RenderFile: no decoder for %s", m_av->avcodec_get_name(parameters->codec_id));
        return false;
    }
    context = m_av->avcodec_alloc_context3(codec);
    if (!context || m_av->avcodec_parameters_to_context(context, parameters) < 0 ||
        m_av->avcodec_open2(context, codec, nullptr) < 0) {
        Diagnostics::error("DirectShow", "RenderFile: the %s decoder does not start", codec->name);
        m_av->avcodec_free_context(&context);
        return false;
    }
    context->pkt_timebase = m_format->streams[streamIndex]->time_base;
    return true;
}

void MediaSource::setAudioOutput(int rate, int channels)
{
    m_outRate = std::clamp(rate, 8000, 192000);
    m_outChannels = std::clamp(channels, 1, 8);
}

MediaSource::Unit MediaSource::fail(HRESULT error, const char* why)
{
    Diagnostics::error("DirectShow", "%s", why);
    m_error = error;
    return Unit::Error;
}

void MediaSource::feed(AVCodecContext* context, const AVPacket* packet)
{
    int result = m_av->avcodec_send_packet(context, packet);
    if (result == 0 || result == AVERROR(EAGAIN) || result == AVERROR_EOF)
        return;
    ++m_badPackets;
}

MediaSource::Unit MediaSource::decodeNext()
{
    if (m_error != S_OK)
        return Unit::Error;
    for (;;) {
        // Whatever the decoders hold comes out before more is read.
        if (!m_videoDone) {
            int got = receive(m_video, true);
            if (got > 0)
                return convertPicture() ? Unit::Video : fail(E_OUTOFMEMORY, "the picture cannot be converted");
            if (got < 0)
                m_videoDone = true;
        }
        if (!m_audioDone) {
            int got = receive(m_audio, false);
            if (got > 0) {
                if (convertSound())
                    return Unit::Audio;
                continue;
            }
            if (got < 0)
                m_audioDone = true;
        }
        if (m_badPackets >= kMaxBadPacketsInARow)
            return fail(VFW_E_INVALID_FILE_FORMAT, "the stream is damaged: nothing in it decodes any more");
        if (m_endOfFile) {
            if (!m_videoDone || !m_audioDone)
                continue; // the drained decoders still hand out their last units
            if (m_cutShort)
                return fail(VFW_E_INVALID_FILE_FORMAT, "the file ends before its last part");
            if (m_duration > 1.0 && m_lastTime + kTruncationMargin < m_duration) {
                Diagnostics::error("DirectShow", "the file ends at %.2f s of its declared %.2f s", m_lastTime,
                                   m_duration);
                return fail(VFW_E_INVALID_FILE_FORMAT, "the file is cut short");
            }
            return Unit::End;
        }

        int result = m_av->av_read_frame(m_format, m_packet);
        if (result == AVERROR_EOF || (result < 0 && m_format->pb && m_av->avio_feof(m_format->pb))) {
            m_endOfFile = true;
            if (m_video)
                feed(m_video, nullptr);
            if (m_audio)
                feed(m_audio, nullptr);
            continue;
        }
        if (result < 0) {
            char text[AV_ERROR_MAX_STRING_SIZE] = {};
            m_av->av_strerror(result, text, sizeof text);
            Diagnostics::error("DirectShow", "reading the file failed: %s", text);
            return fail(E_FAIL, "the stream cannot be read");
        }
        if (m_packet->stream_index == m_videoStream && m_video)
            feed(m_video, m_packet);
        else if (m_packet->stream_index == m_audioStream && m_audio)
            feed(m_audio, m_packet);
        m_av->av_packet_unref(m_packet);
    }
}

int MediaSource::receive(AVCodecContext* context, bool isVideo)
{
    m_av->av_frame_unref(m_frame);
    int result = m_av->avcodec_receive_frame(context, m_frame);
    if (result == AVERROR(EAGAIN))
        return m_endOfFile ? -1 : 0; // drained decoders never ask for more
    if (result == AVERROR_EOF)
        return -1;
    if (result < 0) {
        ++m_badPackets;
        return 0;
    }
    m_badPackets = 0;
    const int stream = isVideo ? m_videoStream : m_audioStream;
    const AVStream* s = m_format->streams[stream];
    int64_t stamp = m_frame->best_effort_timestamp;
    if (stamp != AV_NOPTS_VALUE) {
        if (s->start_time != AV_NOPTS_VALUE)
            stamp -= s->start_time;
        double time = std::max(0.0, static_cast<double>(stamp) * av_q2d(s->time_base));
        double length =
            isVideo
                ? m_frameDuration
                : (m_frame->sample_rate > 0 ? static_cast<double>(m_frame->nb_samples) / m_frame->sample_rate : 0.0);
        m_lastTime = std::max(m_lastTime, time + length);
        if (isVideo)
            m_pictureTime = time;
    } else if (isVideo) {
        m_pictureTime += m_frameDuration;
        m_lastTime = std::max(m_lastTime, m_pictureTime + m_frameDuration);
    }
    return 1;
}

bool MediaSource::convertPicture()
{
    if (m_frame->width != m_width || m_frame->height != m_height) {
        // A picture of another size than the stream declared: keep the window's picture
        // size and scale into it.
        m_av->sws_freeContext(m_scaler);
        m_scaler = nullptr;
    }
    m_scaler = m_av->sws_getCachedContext(m_scaler, m_frame->width, m_frame->height,
                                          static_cast<AVPixelFormat>(m_frame->format), m_width, m_height,
                                          AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!m_scaler)
        return false;
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(m_picture.data()), nullptr, nullptr, nullptr};
    int strides[4] = {m_width * 4, 0, 0, 0};
    m_av->sws_scale(m_scaler, m_frame->data, m_frame->linesize, 0, m_frame->height, planes, strides);
    return true;
}

bool MediaSource::convertSound()
{
    if (!m_resampler) {
        AVChannelLayout outLayout{};
        m_av->av_channel_layout_default(&outLayout, m_outChannels);
        AVChannelLayout inLayout{};
        if (m_frame->ch_layout.nb_channels > 0)
            m_av->av_channel_layout_copy(&inLayout, &m_frame->ch_layout);
        else
            m_av->av_channel_layout_default(&inLayout, std::max(1, m_audio->ch_layout.nb_channels));
        int result =
            m_av->swr_alloc_set_opts2(&m_resampler, &outLayout, AV_SAMPLE_FMT_S16, m_outRate, &inLayout,
                                      static_cast<AVSampleFormat>(m_frame->format), m_frame->sample_rate, 0, nullptr);
        m_av->av_channel_layout_uninit(&inLayout);
        m_av->av_channel_layout_uninit(&outLayout);
        if (result < 0 || m_av->swr_init(m_resampler) < 0) {
            Diagnostics::warning("DirectShow", "the sound of the clip cannot be converted; it plays silently");
            m_av->swr_free(&m_resampler);
            m_audioDone = true;
            return false;
        }
    }
    int capacity = m_av->swr_get_out_samples(m_resampler, m_frame->nb_samples);
    if (capacity <= 0)
        return false;
    m_samples.resize(static_cast<size_t>(capacity) * static_cast<size_t>(m_outChannels));
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(m_samples.data())};
    int produced = m_av->swr_convert(m_resampler, out, capacity, const_cast<const uint8_t**>(m_frame->extended_data),
                                     m_frame->nb_samples);
    if (produced <= 0)
        return false;
    m_samples.resize(static_cast<size_t>(produced) * static_cast<size_t>(m_outChannels));
    return true;
}

} // namespace DShowInternal
