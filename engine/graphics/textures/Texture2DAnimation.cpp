#include "graphics/textures/Texture2DAnimation.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/files/File.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture2DAnimationManager.h"
#include "graphics/textures/TextureManager.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace Ulvo {

namespace {

const wchar_t* const kConstructor = L"Ulvo::Texture2DAnimation::Texture2DAnimation";

// The device interface's texture manager, once the interface offers one;
// until then animations find their textures in their own and the animation
// manager's lists only.
template <class Device> TextureManager* globalTextureManager(Device* device)
{
    if constexpr (requires { device->getTextureManager(); })
        return device ? device->getTextureManager() : nullptr;
    else
        return nullptr;
}

void logAnimation(const std::wstring& name, const wchar_t* text)
{
    mainLogger().log(50, LOG_TYPE_ERROR, kConstructor, L" Animation: ", name, text, L"\n");
}

// Cell corners come from data files: computed wide and saturated, so that no
// value in a file can overflow the arithmetic.
LONG saturate(int64_t value)
{
    return static_cast<LONG>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

} // namespace

Texture2DAnimation::Texture2DAnimation(XMLNode* node) : NamedObject(node)
{
    if (!node)
        return;

    node->readFloat(L"ANIMSPEED", m_speed);
    std::vector<std::wstring> playType;
    node->readWords(L"PLAY_TYPE", playType);
    for (const std::wstring& word : playType) {
        if (word == L"ONCE")
            m_playType |= PLAY_ONCE;
        else if (word == L"FORWARD_BACKWARD")
            m_playType |= PLAY_FORWARD_BACKWARD;
    }

    // Textures for this animation only; frames keep what they use alive.
    TextureManager local;
    if (XMLNode* textures = node->getNode(L"TEXTURES"))
        local.load(textures);
    std::wstring fileName;
    if (node->readString(L"TEXTURE_FILE", fileName) && File::checkDataReference(fileName)) {
        XMLNode list;
        if (XMLNode::load(&list, fileName, 0))
            local.load(&list);
    }

    for (XMLNode* child : node->getNodes()) {
        if (child && child->getName() == L"FRAMES")
            addFrames(child, local);
    }

    if (!m_frames.empty()) {
        const RECT& first = m_frames.front().rect;
        m_desiredSize.x = static_cast<float>(first.right - first.left);
        m_desiredSize.y = static_cast<float>(first.bottom - first.top);
    } else {
        logAnimation(getName(), L" no Frames assigned!");
    }

    node->readVector(L"DESIRED_SIZE", m_desiredSize);

    bool play = false;
    node->readFlag(L"PLAY", play);
    if (play && !m_playing) {
        m_playing = true;
        started.emit(*this);
    }
}

Texture2DAnimation::Texture2DAnimation(const Texture2DAnimation& other)
    : NamedObject(other)
    , m_frames(other.m_frames)
    , m_playType(other.m_playType)
    , m_speed(other.m_speed)
    , m_time(other.m_time)
    , m_desiredSize(other.m_desiredSize)
    , m_playing(other.m_playing)
{
    for (Texture2DAnimationFrame& frame : m_frames) {
        if (frame.texture)
            frame.texture->AddRef();
    }
}

Texture2DAnimation::~Texture2DAnimation()
{
    for (Texture2DAnimationFrame& frame : m_frames)
        releaseAndNull(frame.texture);
    m_frames.clear();
}

Texture2DAnimation* Texture2DAnimation::clone() const
{
    return new Texture2DAnimation(*this);
}

void Texture2DAnimation::addFrames(XMLNode* framesNode, TextureManager& local)
{
    Texture2D* texture = nullptr;
    std::wstring textureName;
    if (framesNode->readString(L"TEXTUR", textureName)) {
        texture = local.getTexture2D(textureName);
        if (!texture)
            texture = Texture2DAnimationManager::getInstance()->getTextures().getTexture2D(textureName);
        if (!texture) {
            if (TextureManager* global = globalTextureManager(D3DInterface::getInstance()))
                texture = global->getTexture2D(textureName);
        }
    }
    if (!texture) {
        logAnimation(getName(), L" no Texture assigned!");
        return;
    }

    XMLNode* params = framesNode->getNode(L"FRAME_PARAMS");
    if (!params) {
        texture->AddRef();
        m_frames.push_back(Texture2DAnimationFrame{texture, texture->getRect()});
        return;
    }

    int count = 1;
    int columns = 1;
    params->readInt(L"ANZ_FRAMES", count);
    params->readInt(L"SPALTEN", columns);
    // A sheet has at least one column; 0 would divide by zero below.
    columns = std::max(columns, 1);
    if (count > kMaxCellsPerStrip) {
        logAnimation(getName(), L" too many frames in one strip, the rest is left out!");
        count = kMaxCellsPerStrip;
    }

    // Corners the list does not give keep the texture's.
    const RECT& whole = texture->getRect();
    int corners[4] = {whole.left, whole.top, whole.right, whole.bottom};
    params->readInts(L"RECT_START", corners);
    const RECT start{corners[0], corners[1], corners[2], corners[3]};
    const int64_t width = static_cast<int64_t>(start.right) - start.left;
    const int64_t height = static_cast<int64_t>(start.bottom) - start.top;

    for (int k = 0; k < count; ++k) {
        const int64_t row = k / columns;
        const int64_t column = k % columns;
        RECT cell;
        cell.left = saturate(start.left + column * width);
        cell.top = saturate(start.top + row * height);
        cell.right = saturate(start.left + (column + 1) * width);
        cell.bottom = saturate(start.top + (row + 1) * height);
        texture->AddRef();
        m_frames.push_back(Texture2DAnimationFrame{texture, cell});
    }
}

int Texture2DAnimation::getFrameIndex() const
{
    const int64_t n = static_cast<int64_t>(m_frames.size());
    if (n == 0)
        return 0;
    // Truncated toward zero; worked in double so that no time, however large
    // or broken, overflows an integer conversion.
    const double t = std::isfinite(m_time) ? std::trunc(static_cast<double>(m_time)) : 0.0;
    const double span = static_cast<double>(n);
    const bool once = (m_playType & PLAY_ONCE) != 0;
    const bool forwardBackward = (m_playType & PLAY_FORWARD_BACKWARD) != 0;

    int64_t i = 0;
    if (!once && !forwardBackward) {
        i = static_cast<int64_t>(std::fmod(t, span));
    } else if (!once) {
        i = static_cast<int64_t>(std::fmod(t, 2.0 * span));
        if (i >= n)
            i = 2 * n - 1 - i;
    } else if (!forwardBackward) {
        i = static_cast<int64_t>(std::clamp(t, -span, span));
    } else {
        i = static_cast<int64_t>(std::clamp(t, -2.0 * span, 2.0 * span));
        if (i >= n)
            i = 2 * n - 1 - i;
    }
    while (i < 0)
        i += n;
    return static_cast<int>(i);
}

Texture2DAnimationFrame* Texture2DAnimation::getCurrentTexture()
{
    const int index = getFrameIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= m_frames.size())
        return &m_emptyFrame;
    return &m_frames[static_cast<std::size_t>(index)];
}

void Texture2DAnimation::update(double& elapsed)
{
    if (!m_playing)
        return;
    m_time = static_cast<float>(m_time + m_speed * elapsed);

    const float n = static_cast<float>(m_frames.size());
    const bool forwardBackward = (m_playType & PLAY_FORWARD_BACKWARD) != 0;
    const float k = forwardBackward ? 2.0f : 1.0f;
    const bool ended = m_time < 0.0f || m_time >= n * k;

    if (m_playType & PLAY_ONCE) {
        const float m = n - 1.0f;
        if (forwardBackward) {
            if (m_time >= 2.0f * m + 1.0f)
                m_time = 2.0f * m;
            else if (m_time <= -2.0f * m - 1.0f)
                m_time = -2.0f * m;
        } else {
            if (m_time >= m + 1.0f)
                m_time = m;
            else if (m_time <= -m - 1.0f)
                m_time = -m;
        }
    }
    // Last, because a listener may stop, rewind or even release the animation.
    if (ended)
        endReached.emit(*this);
}

void Texture2DAnimation::play()
{
    if (m_playing)
        return;
    m_playing = true;
    started.emit(*this);
}

void Texture2DAnimation::stop()
{
    const bool wasPlaying = m_playing;
    m_playing = false;
    m_time = 0.0f;
    if (wasPlaying)
        stopped.emit(*this);
}

void Texture2DAnimation::rewind()
{
    m_time = 0.0f;
    rewound.emit(*this);
}

} // namespace Ulvo
