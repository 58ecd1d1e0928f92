#pragma once
// A flip-book of 2D frames (whole textures or cells of a sprite sheet) with a
// speed, a play type and a running time; answers which frame to draw now.
// Callers draw the frame themselves through the sprite drawers.
#include <windows.h>
#include <d3dx9math.h>

#include "foundation/objects/NamedObject.h"
#include "foundation/sigslot.h"

#include <cstdint>
#include <vector>

namespace Ulvo {

class Texture2D;
class TextureManager;
class XMLNode;

// One frame: a texture (the frame holds one reference) and the rectangle of it
// to draw, in texels.
struct Texture2DAnimationFrame {
    Texture2D* texture = nullptr;
    RECT rect{0, 0, 0, 0};
};

class Texture2DAnimation : public NamedObject {
public:
    enum PlayType : uint32_t {
        PLAY_LOOP = 0,
        PLAY_FORWARD_BACKWARD = 1,
        PLAY_ONCE = 2,
    };

    // From an ANIMATION_2D node; a null node gives an empty, stopped animation.
    explicit Texture2DAnimation(XMLNode* node);
    // Same frames (one more texture reference each) and play state; the
    // signals of the copy start without connections.
    Texture2DAnimation(const Texture2DAnimation& other);
    Texture2DAnimation& operator=(const Texture2DAnimation&) = delete;
    ~Texture2DAnimation() override;

    // A copy owned by the caller (reference count 1).
    Texture2DAnimation* clone() const;

    // The frame to show at the current time; 0 without frames.
    int getFrameIndex() const;
    // The current frame, or an empty one (null texture) when there is none.
    Texture2DAnimationFrame* getCurrentTexture();

    // Advances the time by speed * elapsed seconds while playing.
    void update(double& elapsed);
    void play();
    void stop();
    void rewind();

    bool isPlaying() const { return m_playing; }
    uint32_t getPlayType() const { return m_playType; }
    void setPlayType(uint32_t playType) { m_playType = playType; }
    float getSpeed() const { return m_speed; }
    void setSpeed(float speed) { m_speed = speed; }
    float getTime() const { return m_time; }
    void setTime(float time) { m_time = time; }
    const D3DXVECTOR2& getDesiredSize() const { return m_desiredSize; }
    const std::vector<Texture2DAnimationFrame>& getFrames() const { return m_frames; }

    // Largest number of cells one FRAMES node may add; more are cut off.
    static constexpr int kMaxCellsPerStrip = 4096;

    sigslot::signal1<Texture2DAnimation&> stopped;
    sigslot::signal1<Texture2DAnimation&> started;
    sigslot::signal1<Texture2DAnimation&> rewound;
    sigslot::signal1<Texture2DAnimation&> endReached;

private:
    // Appends the frames of one FRAMES node; textures are looked up in local,
    // then in the animation manager's, then in the global texture manager.
    void addFrames(XMLNode* framesNode, TextureManager& local);

    std::vector<Texture2DAnimationFrame> m_frames;
    Texture2DAnimationFrame m_emptyFrame;
    uint32_t m_playType = PLAY_LOOP;
    float m_speed = 20.0f;
    float m_time = 0.0f;
    D3DXVECTOR2 m_desiredSize{0.0f, 0.0f};
    bool m_playing = false;
};

} // namespace Ulvo
