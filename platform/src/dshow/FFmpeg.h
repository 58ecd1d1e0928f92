#pragma once
// FFmpeg's libraries, opened while a clip is open and closed after it: the intro is the only
// clip the program plays, and the libraries with their many dependencies would otherwise stay
// mapped, and largely resident, for the whole session.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace DShowInternal {

#define ULVO_FFMPEG_FUNCTIONS(X)                                                                                       \
    X(av_log_set_level)                                                                                                \
    X(av_strerror)                                                                                                     \
    X(av_frame_alloc)                                                                                                  \
    X(av_frame_free)                                                                                                   \
    X(av_frame_unref)                                                                                                  \
    X(av_channel_layout_copy)                                                                                          \
    X(av_channel_layout_default)                                                                                       \
    X(av_channel_layout_uninit)                                                                                        \
    X(swr_alloc_set_opts2)                                                                                             \
    X(swr_init)                                                                                                        \
    X(swr_free)                                                                                                        \
    X(swr_get_out_samples)                                                                                             \
    X(swr_convert)                                                                                                     \
    X(sws_getCachedContext)                                                                                            \
    X(sws_freeContext)                                                                                                 \
    X(sws_scale)                                                                                                       \
    X(av_packet_alloc)                                                                                                 \
    X(av_packet_free)                                                                                                  \
    X(av_packet_unref)                                                                                                 \
    X(avcodec_find_decoder)                                                                                            \
    X(avcodec_get_name)                                                                                                \
    X(avcodec_alloc_context3)                                                                                          \
    X(avcodec_free_context)                                                                                            \
    X(avcodec_parameters_to_context)                                                                                   \
    X(avcodec_open2)                                                                                                   \
    X(avcodec_send_packet)                                                                                             \
    X(avcodec_receive_frame)                                                                                           \
    X(avformat_open_input)                                                                                             \
    X(avformat_find_stream_info)                                                                                       \
    X(avformat_close_input)                                                                                            \
    X(av_find_best_stream)                                                                                             \
    X(av_guess_frame_rate)                                                                                             \
    X(av_read_frame)                                                                                                   \
    X(avio_feof)

// The functions the media source calls, each found in the opened libraries.
struct FFmpeg {
#define ULVO_FFMPEG_POINTER(name) decltype(&::name) name = nullptr;
    ULVO_FFMPEG_FUNCTIONS(ULVO_FFMPEG_POINTER)
#undef ULVO_FFMPEG_POINTER
};

// The libraries, shared by everyone holding them and closed when the last holder lets go; null
// (with a log line) when a library or function is missing.
std::shared_ptr<const FFmpeg> openFFmpeg();

} // namespace DShowInternal
