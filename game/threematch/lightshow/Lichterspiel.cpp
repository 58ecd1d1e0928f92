#include "threematch/lightshow/Lichterspiel.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/sprites/D3DXSprite.h"
#include "graphics/textures/Texture2D.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameGraphics.h"
#include "threematch/globals/GameRandom.h"
#include "threematch/globals/GameSound.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace ThreeMatch {

D3DCOLOR Lichterspiel::Licht::drawColour() const
{
    D3DCOLOR result = 0;
    for (int shift : {24, 16, 8, 0}) {
        const double channel = ((colour >> shift) & 0xFF) / 255.0 * brightness;
        const double clamped = std::clamp(channel, 0.0, 1.0); // NaN stays NaN and gives 0 below
        const int value = clamped == clamped ? static_cast<int>(clamped * 255.0 + 0.5) : 0;
        result |= static_cast<D3DCOLOR>(value) << shift;
    }
    return result;
}

RECT Lichterspiel::Licht::frameRect() const
{
    const long long width = static_cast<long long>(firstFrame.right) - firstFrame.left;
    const long long height = static_cast<long long>(firstFrame.bottom) - firstFrame.top;
    if (width <= 0 || height <= 0 || !texture)
        return RECT{0, 0, texture ? static_cast<LONG>(texture->getWidth()) : 0,
                    texture ? static_cast<LONG>(texture->getHeight()) : 0};
    const long long count = static_cast<long long>(std::max(columns, 1)) * std::max(rows, 1);
    const long long frame = toLongLong(frameClock) % count;
    const long long column = (frame < 0 ? frame + count : frame) % std::max(columns, 1);
    const long long row = (frame < 0 ? frame + count : frame) / std::max(columns, 1);
    auto edge = [](long long value) { return static_cast<LONG>(std::clamp<long long>(value, LONG_MIN, LONG_MAX)); };
    return RECT{edge(firstFrame.left + column * width), edge(firstFrame.top + row * height),
                edge(firstFrame.left + (column + 1) * width), edge(firstFrame.top + (row + 1) * height)};
}

Lichterspiel::Lichterspiel(Ulvo::XMLNode* node) : Ulvo::NamedObject(node)
{
    if (!node)
        return;
    node->readPair(L"ANZ_LICHTER", m_columns, m_rows);
    std::vector<std::wstring> sounds;
    node->readWords(L"SOUNDS", sounds);
    for (std::size_t i = 0; i < sounds.size() && i < 3; ++i)
        m_sounds[i] = sounds[i];
    node->readPair(L"SCALE", m_scaleX, m_scaleY);
    m_scaleY = -m_scaleY;
    node->readPair(L"ROTATION", m_rotation[0], m_rotation[1]);
    node->readDouble(L"TIMER_LEER", m_timerLeer);
    readDoubles(*node, L"SPEED_HIN", m_speedHin);
    readDoubles(*node, L"SPEED_ZUR\u00DCCK", m_speedZurueck);
    if (const Ulvo::XMLNode* licht = node->getNode(L"LICHT")) {
        m_hasVorlage = true;
        m_vorlage.texture = readGameTextureFile(*licht, L"TEXTUR_FILENAME");
        std::wstring name;
        if (licht->readString(L"TEXTUR", name))
            m_vorlage.texture = findGameTexture(name);
        licht->readPair(L"ANZ_FRAMES", m_vorlage.columns, m_vorlage.rows);
        int frame[4] = {0, 0, 0, 0};
        licht->readInts(L"FIRST_FRAME", frame);
        m_vorlage.firstFrame = RECT{frame[0], frame[1], frame[2], frame[3]};
        licht->readDouble(L"ANIMATION_SPEED", m_vorlage.framesPerSecond);
        licht->readPair(L"SIZE", m_vorlage.size[0], m_vorlage.size[1]);
    }
    std::wstring bild;
    if (node->readString(L"BILD", bild))
        m_bild = gameTextureFromFile(bild);
    setBild(m_bild);
}

void Lichterspiel::setBild(Ulvo::Texture2D* picture)
{
    m_bild = picture;
    LayoutPicture texels;
    if (picture && !readTexturePicture(picture, texels))
        Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING,
                               L"ThreeMatch::Lichterspiel: " + getName() + L": Bild nicht lesbar\n");
    setPicture(texels);
}

void Lichterspiel::setPicture(const LayoutPicture& picture)
{
    m_lichter.clear();
    // Sample points finer than the texels would only repeat them.
    const int columns = std::clamp(m_columns, 0, picture.width);
    const int rows = std::clamp(m_rows, 0, picture.height);
    if (m_hasVorlage && columns > 0 && rows > 0) {
        auto sampleX = [&](int i) { return static_cast<int>(static_cast<long long>(i) * picture.width / columns); };
        auto sampleY = [&](int j) { return static_cast<int>(static_cast<long long>(j) * picture.height / rows); };
        auto opaque = [&](int x, int y) { return (picture.at(x, y) >> 24) != 0; };
        int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
        for (int i = 0; i < columns; ++i) {
            for (int j = 0; j < rows; ++j) {
                const int x = sampleX(i), y = sampleY(j);
                if (!opaque(x, y))
                    continue;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
        const int centreX = minX <= maxX ? (minX + maxX) / 2 : 0;
        const int centreY = minY <= maxY ? (minY + maxY) / 2 : 0;
        const bool landscape = picture.width > picture.height;
        const double fit = landscape ? 1024.0 / picture.width : 768.0 / picture.height;
        const double sx = m_scaleX * fit, sy = m_scaleY * fit;
        for (int i = 0; i < columns; ++i) {
            for (int j = 0; j < rows; ++j) {
                const int x = sampleX(i), y = sampleY(j);
                if (!opaque(x, y))
                    continue;
                if (m_lichter.size() >= kMaxLichter) {
                    Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING,
                                           L"ThreeMatch::Lichterspiel: " + getName() + L": zu viele Lichter\n");
                    i = columns;
                    break;
                }
                Licht licht = m_vorlage;
                licht.colour = picture.at(x, y);
                licht.home[0] = toFloat((x - centreX) * sx + kCentreX);
                licht.home[1] = toFloat(kCentreY - (y - centreY) * sy);
                licht.angle = (2.0 * randomFraction() - 1.0) * m_rotation[0];
                licht.rotationSpeed = (2.0 * randomFraction() - 1.0) * m_rotation[1];
                m_lichter.push_back(licht);
            }
        }
    }
    restart();
}

void Lichterspiel::randomDirection(double& dx, double& dy)
{
    dx = 2.0 * randomFraction() - 1.0;
    dy = 2.0 * randomFraction() - 1.0;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length > 0.0) {
        dx /= length;
        dy /= length;
    } else {
        dy = -1.0;
    }
}

void Lichterspiel::restart()
{
    for (Licht& licht : m_lichter) {
        double dx = 0.0, dy = 0.0;
        randomDirection(dx, dy);
        const double distance = (randomFraction() + 1.0) * kFarAway;
        licht.start[0] = licht.position[0] = toFloat(kCentreX + dx * distance);
        licht.start[1] = licht.position[1] = toFloat(kBottom + dy * distance);
        licht.flightTime = 0.0;
        licht.flightDuration = m_speedHin[0] + randomFraction() * m_speedHin[1];
        licht.target[0] = licht.home[0];
        licht.target[1] = licht.home[1];
        licht.brightness = 1.0f;
    }
    m_remaining = m_timerLeer;
    m_leaving = false;
    m_finished = false;
    m_soundPending[0] = m_soundPending[1] = m_soundPending[2] = true;
}

void Lichterspiel::sendOut()
{
    for (Licht& licht : m_lichter) {
        licht.start[0] = licht.position[0];
        licht.start[1] = licht.position[1];
        double dx = 0.0, dy = 0.0;
        randomDirection(dx, dy);
        licht.target[0] = toFloat(kCentreX + dx * kFarAway);
        licht.target[1] = toFloat(kBottom + dy * kFarAway);
        licht.flightTime = 0.0;
        licht.flightDuration = m_speedZurueck[0] + randomFraction() * m_speedZurueck[1];
    }
}

bool Lichterspiel::hasArrived() const
{
    return std::all_of(m_lichter.begin(), m_lichter.end(),
                       [](const Licht& licht) { return !(licht.flightTime < licht.flightDuration); });
}

void Lichterspiel::update(double realDt)
{
    if (m_finished)
        return;
    bool arrived = true;
    for (Licht& licht : m_lichter) {
        licht.frameClock += licht.framesPerSecond * realDt;
        licht.angle += licht.rotationSpeed * realDt;
        licht.flightTime += realDt;
        if (licht.flightTime < licht.flightDuration) {
            const double t = licht.flightTime / licht.flightDuration;
            for (int k = 0; k < 2; ++k)
                licht.position[k] =
                    toFloat(licht.start[k] + (static_cast<double>(licht.target[k]) - licht.start[k]) * t);
            arrived = false;
        } else {
            licht.position[0] = licht.target[0];
            licht.position[1] = licht.target[1];
        }
    }
    if (m_soundPending[0]) {
        m_soundPending[0] = false;
        playGameSound(m_sounds[0]);
    }
    if (!arrived)
        return;
    if (m_leaving) {
        // Back out of the screen: the show is over.
        m_finished = true;
        return;
    }
    m_remaining -= realDt;
    if (m_remaining > 0.0) {
        if (m_soundPending[1]) {
            m_soundPending[1] = false;
            playGameSound(m_sounds[1]);
        }
        // Twice over the formed time the brightness swells from 1 to 2 and back.
        // An endless formed time gives no phase: the lights then stay at 1.
        double v = std::fmod(2.0 * (m_remaining / m_timerLeer), 1.0);
        if (!(v >= 0.0))
            v = 0.0;
        const float pulse = toFloat(v >= 0.5 ? 2.0 - (v - 0.5) * 2.0 : v * 2.0 + 1.0);
        for (Licht& licht : m_lichter)
            licht.brightness = pulse;
        return;
    }
    if (m_soundPending[2]) {
        m_soundPending[2] = false;
        playGameSound(m_sounds[2]);
    }
    m_leaving = true;
    sendOut();
}

void Lichterspiel::render(float offsetX, float offsetY, double scale) const
{
    Ulvo::D3DXSprite* sprite = gameSprite();
    if (!sprite)
        return;
    for (const Licht& licht : m_lichter) {
        if (!licht.texture)
            continue;
        // The light's area ends at its position.
        const float width = toFloat(licht.size[0] * scale), height = toFloat(licht.size[1] * scale);
        const float left = toFloat((licht.position[0] - licht.size[0] + offsetX) * scale);
        const float top = toFloat((licht.position[1] - licht.size[1] + offsetY) * scale);
        const Ulvo::SpriteDrawInfo info(D3DXVECTOR2(left, top), D3DXVECTOR2(width, height),
                                        static_cast<float>(licht.angle), D3DXVECTOR2(0.5f, 0.5f),
                                        Ulvo::SpriteDrawInfo::SDI_CENTER_RELATIVE);
        const RECT source = licht.frameRect();
        sprite->drawTexture(licht.texture, &source, info, Ulvo::SDP_SCALE, Ulvo::SDP_SCALE, licht.drawColour());
    }
}

} // namespace ThreeMatch
