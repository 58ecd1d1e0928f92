#include "render/sun/SunLightSystem.h"

#include "render/sun/CloudTarget.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/TextureCube.h"
#include "graphics/textures/TextureManager.h"
#include "render/XMLWrites.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Ulvo {

namespace {

const wchar_t* const kPhaseNames[PHASE_COUNT] = {L"NACHT", L"MORGEN", L"MITTAG", L"ABEND"};

// Colour values of the phase defaults, exactly as the bits give them.
D3DXCOLOR colourOfBits(uint32_t r, uint32_t g, uint32_t b)
{
    auto toFloat = [](uint32_t bits) {
        float value;
        static_assert(sizeof(value) == sizeof(bits));
        std::memcpy(&value, &bits, sizeof(value));
        return value;
    };
    return D3DXCOLOR(toFloat(r), toFloat(g), toFloat(b), 1.0f);
}

int wrap(int value, int range)
{
    return ((value % range) + range) % range;
}

template <class T> T blend(const T& from, const T& to, double factor)
{
    return from + (to - from) * static_cast<float>(factor);
}

} // namespace

SunCloudEntry::SunCloudEntry()
{
    for (int phase = 0; phase < PHASE_COUNT; ++phase) {
        color[phase] = D3DXCOLOR(0.0f, 0.0f, 0.0f, 0.0f);
        density[phase] = D3DXVECTOR2(0.0f, 0.0f);
        speed[phase] = 0.0f;
    }
}

const ConsoleCommandEntry<SunLightSystem> SunLightSystem::kCommands[2] = {
    {L"SUN_SetTime", 3, L"SUN_SetTime hour min sec;  Zum \u00C4ndern der Tageszeit!", &SunLightSystem::cmdSetTime},
    {L"SUN_SetDayDuration", 1, L"SUN_SetDayDuration sec;  Zum \u00C4ndern der Tagesdauer!",
     &SunLightSystem::cmdSetDayDuration},
};

SunLightSystem::SunLightSystem(const std::wstring& name) : NamedObject(name)
{
    const D3DXCOLOR grey(0.4f, 0.4f, 0.4f, 1.0f);
    m_direction[PHASE_NACHT] = D3DXVECTOR3(0.0f, -1.0f, 0.0f);
    m_direction[PHASE_MORGEN] = D3DXVECTOR3(-1.0f, 0.0f, -1.0f);
    m_direction[PHASE_MITTAG] = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    m_direction[PHASE_ABEND] = D3DXVECTOR3(1.0f, 0.0f, 1.0f);
    m_diffuse[PHASE_NACHT] = D3DXCOLOR(0.0f, 0.0f, 0.0f, 1.0f);
    m_diffuse[PHASE_MORGEN] = colourOfBits(0x3F800000, 0x3F55D5D7, 0x3EE0E0E2);
    m_diffuse[PHASE_MITTAG] = colourOfBits(0x3F800000, 0x3F72F2F4, 0x3F47C7C9);
    m_diffuse[PHASE_ABEND] = colourOfBits(0x3F800000, 0x3EC2C2C4, 0x3EC2C2C4);
    m_ambient[PHASE_NACHT] = D3DXCOLOR(0.0f, 0.0f, 0.0f, 1.0f);
    m_ambient[PHASE_MORGEN] = m_ambient[PHASE_MITTAG] = m_ambient[PHASE_ABEND] = grey;
    for (int phase = 0; phase < PHASE_COUNT; ++phase) {
        m_intensity[phase] = 1.0f;
        m_user[phase] = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
        m_start[phase] = 0.25 * phase;
        m_colorExponent[phase] = 4.0;
    }
    registerCommands(kCommands);
    update();
}

SunLightSystem::~SunLightSystem()
{
    releaseAndNull(m_skyMap);
    releaseAndNull(m_backgroundMap);
    releaseAndNull(m_environmentMap);
    releaseClouds();
}

void SunLightSystem::releaseClouds()
{
    for (SunCloudEntry& entry : m_clouds)
        releaseAndNull(entry.target);
    m_clouds.clear();
}

// ------------------------------------------------------------------ time of day

void SunLightSystem::update()
{
    if (m_dayDuration != 0.0)
        m_dayFraction = m_timeOfDay / m_dayDuration;

    int from = PHASE_ABEND;
    for (int i = 0; i < PHASE_COUNT; ++i) {
        if (m_start[i] <= m_dayFraction && m_dayFraction <= m_start[(i + 1) % PHASE_COUNT]) {
            from = i;
            break;
        }
    }
    const int to = (from + 1) % PHASE_COUNT;
    const double s0 = m_start[from];
    double s1 = m_start[to];
    if (s1 < s0)
        s1 += 1.0;
    // Two phases starting at the same moment leave no span to interpolate over.
    const double span = s1 - s0;
    const double t = span > 0.0 ? (m_dayFraction - s0) / span : 0.0;
    m_phaseFrom = from;
    m_phaseTo = to;
    m_t = t;

    // Opposite directions meet in a zero vector, which has no direction: keep the last one.
    const D3DXVECTOR3 direction = blend(m_direction[from], m_direction[to], t);
    if (D3DXVec3LengthSq(&direction) > 0.0f)
        D3DXVec3Normalize(&m_currentDirection, &direction);

    // A phase table whose starts do not ascend can put t outside 0..1; the curve is taken within.
    const double exponent = m_colorExponent[from];
    const double tc = std::clamp(t, 0.0, 1.0);
    m_colorFactor = from % 2 == 0 ? std::pow(tc, exponent) : 1.0 - std::pow(1.0 - tc, exponent);
    const double c = m_colorFactor;
    m_currentDiffuse = blend(m_diffuse[from], m_diffuse[to], c);
    m_currentAmbient = blend(m_ambient[from], m_ambient[to], c);
    m_currentIntensity = blend(m_intensity[from], m_intensity[to], c);
    m_currentUser = blend(m_user[from], m_user[to], c);

    for (SunCloudEntry& entry : m_clouds) {
        if (!entry.target)
            continue;
        entry.currentColor = blend(entry.color[from], entry.color[to], c);
        entry.currentDensity = blend(entry.density[from], entry.density[to], c);
        entry.currentSpeed = blend(entry.speed[from], entry.speed[to], c);
        if (auto* clouds = dynamic_cast<CloudTarget*>(entry.target)) {
            clouds->setCloudColor(entry.currentColor);
            clouds->setCloudDensityOffset(entry.currentDensity);
            clouds->setCloudSpeed(entry.currentSpeed);
        }
    }
    sunChanged.emit();
}

void SunLightSystem::setTime(int hour, int minute, int second)
{
    const int seconds = wrap(second, 60) + (wrap(minute, 60) + wrap(hour, 24) * 60) * 60;
    if (m_dayDuration != 0.0) {
        m_timeOfDay = m_dayDuration * seconds / 86400.0;
    } else {
        m_dayFraction = seconds / 86400.0;
        m_timeOfDay = m_dayFraction;
    }
    update();
}

void SunLightSystem::setDayDuration(double seconds)
{
    // Without a day length the share of the day is the one setTime stored.
    const double fraction = m_dayDuration != 0.0 ? m_timeOfDay / m_dayDuration : m_dayFraction;
    m_dayDuration = seconds;
    m_timeOfDay = fraction * m_dayDuration;
    if (m_dayDuration == 0.0)
        m_dayFraction = fraction;
    update();
}

float SunLightSystem::interpolatePhaseFloat(const float values[PHASE_COUNT], bool linear) const
{
    return blend(values[m_phaseFrom], values[m_phaseTo], linear ? m_t : m_colorFactor);
}

D3DXCOLOR SunLightSystem::interpolatePhaseColor(const D3DXCOLOR values[PHASE_COUNT], bool linear) const
{
    return blend(values[m_phaseFrom], values[m_phaseTo], linear ? m_t : m_colorFactor);
}

// ------------------------------------------------------------------ configuration

void SunLightSystem::loadMap(XMLNode* node, const wchar_t* key, TextureCube*& map)
{
    std::wstring name;
    if (!node->readString(key, name))
        return;
    releaseAndNull(map);
    TextureManager* textures = D3DInterface::getInstance()->getTextureManager();
    map = textures ? textures->getTextureCube(name) : nullptr;
    if (map)
        map->AddRef();
}

void SunLightSystem::readPhase(XMLNode* node, int phase)
{
    if (XMLNode* colours = node->getNode(L"COLORS")) {
        colours->readColour(L"DIFFUSE", m_diffuse[phase]);
        colours->readColour(L"AMBIENT", m_ambient[phase]);
    }
    node->readPoint(L"LIGHTDIR", m_direction[phase]);
    node->readPoint(L"USERPARAMS", m_user[phase]);
    node->readDouble(L"TAG_PARAM", m_start[phase]);
    node->readFloat(L"INTENSITY", m_intensity[phase]);
    node->readDouble(L"EXP_COLOR_LERP", m_colorExponent[phase]);
}

bool SunLightSystem::load(XMLNode* node)
{
    if (!node)
        return false;
    loadMap(node, L"SKY_MAP", m_skyMap);
    loadMap(node, L"BACKGROUND_MAP", m_backgroundMap);
    loadMap(node, L"ENVIRONMENT_MAP", m_environmentMap);
    node->readDouble(L"TAGES_DAUER", m_dayDuration);
    if (XMLNode* clock = node->getNode(L"UHRZEIT")) {
        int hour = 0, minute = 0, second = 0;
        clock->readInt(L"STUNDE", hour);
        clock->readInt(L"MINUTE", minute);
        clock->readInt(L"SEKUNDE", second);
        setTime(hour, minute, second);
    }
    for (int phase = 0; phase < PHASE_COUNT; ++phase) {
        if (XMLNode* values = node->getNode(kPhaseNames[phase]))
            readPhase(values, phase);
    }
    std::vector<NamedObject*> bound;
    for (SunCloudEntry& entry : m_clouds) {
        if (entry.target)
            bound.push_back(entry.target);
        entry.target = nullptr;
    }
    m_clouds.clear();
    const unsigned count = node->getNodeCount(L"CLOUD_PARAM");
    for (unsigned i = 0; i < count; ++i) {
        XMLNode* cloud = node->getNode(L"CLOUD_PARAM", static_cast<int>(i));
        SunCloudEntry entry;
        for (int phase = 0; phase < PHASE_COUNT; ++phase) {
            XMLNode* values = cloud->getNode(kPhaseNames[phase]);
            if (!values)
                continue;
            values->readColour(L"COLOR", entry.color[phase]);
            values->readFloat(L"SPEED", entry.speed[phase]);
            values->readPair(L"DENSITY", entry.density[phase].x, entry.density[phase].y);
        }
        m_clouds.push_back(entry);
    }
    // Each bound layer takes its place again, holding the reference it held.
    for (std::size_t i = 0; i < bound.size(); ++i) {
        if (i < m_clouds.size())
            m_clouds[i].target = bound[i];
        else
            bound[i]->Release();
    }
    return true;
}

bool SunLightSystem::bindCloudTarget(NamedObject* object)
{
    auto* clouds = dynamic_cast<CloudTarget*>(object);
    if (!clouds || !clouds->takesCloudValues())
        return false;
    for (const SunCloudEntry& entry : m_clouds) {
        if (entry.target == object)
            return false;
    }
    for (SunCloudEntry& entry : m_clouds) {
        if (!entry.target) {
            entry.target = object;
            object->AddRef();
            return true;
        }
    }
    return false;
}

void SunLightSystem::unbindCloudTarget(NamedObject* object)
{
    for (SunCloudEntry& entry : m_clouds) {
        if (object && entry.target == object)
            releaseAndNull(entry.target);
    }
}

// ------------------------------------------------------------------ console

void SunLightSystem::cmdSetTime(TypedConsoleCommand& line)
{
    // A time of day only: anything else (a word, 25 o'clock, 99 minutes) changes nothing.
    auto field = [&line](int index, int last, int& value) {
        const std::wstring text = line.getParamString(index);
        if (text.empty() || text.size() > 2 ||
            !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
            return false;
        value = std::stoi(text);
        return value <= last;
    };
    int hour = 0, minute = 0, second = 0;
    if (!field(0, 23, hour) || !field(1, 59, minute) || !field(2, 59, second)) {
        line.setAnswer(kCommands[0].help);
        return;
    }
    setTime(hour, minute, second);
    line.setAnswer(L"Tageszeit ge\u00E4ndert auf:" + std::to_wstring(hour) + L":" + std::to_wstring(minute) + L":" +
                   std::to_wstring(second));
}

void SunLightSystem::cmdSetDayDuration(TypedConsoleCommand& line)
{
    const double seconds = line.getParamDouble(0);
    setDayDuration(seconds);
    line.setAnswer(L"Tagesdauer ge\u00E4ndert auf:" + xmlwrite::numberText(seconds) + L" sek");
}

} // namespace Ulvo
