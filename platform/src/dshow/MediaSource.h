#pragma once
// A media file read and decoded with FFmpeg: pictures come out as BGRA rows (D3DCOLOR
// order), sound as interleaved signed 16-bit samples at the rate the output asked for.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct SwrContext;

namespace DShowInternal {

struct FFmpeg;

class MediaSource {
public:
    MediaSource() = default;
    ~MediaSource();
    MediaSource(const MediaSource&) = delete;
    MediaSource& operator=(const MediaSource&) = delete;

    // Opens the file (a Linux path) and the decoders of its best video and audio streams.
    // The failure codes are those of RenderFile: missing file, unreadable container, nothing
    // that can be decoded.
    HRESULT open(const std::string& path);

    bool hasVideo() const { return m_video != nullptr; }
    bool hasAudio() const { return m_audio != nullptr; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    double frameDuration() const { return m_frameDuration; } // seconds
    double duration() const { return m_duration; }           // seconds, 0 when unknown

    // The sound format wanted from the audio stream; call before the first decode.
    void setAudioOutput(int rate, int channels);

    enum class Unit { Video, Audio, End, Error };
    // Decodes up to the next picture or run of sound. Video: picture() holds width() x
    // height() pixels, pictureTime() its time. Audio: samples() holds the new sound.
    // End: every stream is through. Error: error() tells why; nothing more comes.
    Unit decodeNext();

    const std::vector<uint32_t>& picture() const { return m_picture; }
    double pictureTime() const { return m_pictureTime; }
    const std::vector<int16_t>& samples() const { return m_samples; }
    HRESULT error() const { return m_error; }
    // The time the latest decoded picture or sound runs to.
    double endTime() const { return m_lastTime; }

private:
    bool openDecoder(int streamIndex, AVCodecContext*& context);
    // 1 a unit is ready, 0 nothing waiting, -1 the decoder is through.
    int receive(AVCodecContext* context, bool isVideo);
    bool convertPicture();
    bool convertSound();
    void feed(AVCodecContext* context, const AVPacket* packet);
    Unit fail(HRESULT error, const char* why);

    std::shared_ptr<const FFmpeg> m_av; // held while the file is open
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_video = nullptr;
    AVCodecContext* m_audio = nullptr;
    int m_videoStream = -1;
    int m_audioStream = -1;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    SwsContext* m_scaler = nullptr;
    SwrContext* m_resampler = nullptr;
    int m_outRate = 44100;
    int m_outChannels = 2;

    int m_width = 0;
    int m_height = 0;
    double m_frameDuration = 0.04;
    double m_duration = 0.0;
    double m_lastTime = 0.0; // the latest time any stream reached

    bool m_endOfFile = false;
    bool m_cutShort = false; // smaller than the file says it is
    bool m_videoDone = true;
    bool m_audioDone = true;
    int m_badPackets = 0; // in a row
    HRESULT m_error = S_OK;

    std::vector<uint32_t> m_picture;
    double m_pictureTime = 0.0;
    std::vector<int16_t> m_samples;
};

} // namespace DShowInternal
