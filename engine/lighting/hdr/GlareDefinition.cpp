#include "lighting/hdr/GlareDefinition.h"

#include <cstdlib>
#include <memory>
#include <new>

namespace Ulvo {

namespace {

// Degrees to radians as the float the streak angles were always computed with.
constexpr double kDegree = 0.01745329238474369;

struct StarRow {
    const wchar_t* name;
    int lines, passes;
    float sampleLength, attenuation, inclination;
    bool rotate;
};

const StarRow kStarTable[] = {
    {L"Disable", 0, 0, 0.0f, 0.0f, 0.0f, false},     {L"Cross", 4, 3, 1.0f, 0.85f, 0.0f, true},
    {L"CrossFilter", 4, 3, 1.0f, 0.95f, 0.0f, true}, {L"snowCross", 6, 3, 1.0f, 0.96f, 0.34906584f, true},
    {L"Vertical", 2, 3, 1.0f, 0.96f, 0.0f, false},
};

const GlareDefinition::Row kGlareTable[] = {
    {L"Disable", 0.0f, 0.0f, 0.0f, 0.01f, 0.0f, 0, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f},
    {L"Camera", 1.5f, 1.2f, 1.0f, 0.0f, 1.0f, 1, 0.0f, 0.5f, 0.25f, 0.9f, 1.0f},
    {L"Natural Bloom", 1.5f, 1.2f, 0.0f, 0.0f, 0.0f, 0, 0.0f, 0.0f, 0.4f, 0.85f, 0.5f},
    {L"Cheap Lens Camera", 1.25f, 2.0f, 1.5f, 0.05f, 2.0f, 1, 0.0f, 0.5f, 0.18f, 0.95f, 1.0f},
    {L"Cross Screen Filter", 1.0f, 2.0f, 1.7f, 0.0f, 1.5f, 2, 0.436332315f, 0.5f, 0.2f, 0.93f, 1.0f},
    {L"Spectral Cross Filter", 1.0f, 2.0f, 1.7f, 0.0f, 1.8f, 2, 1.22173047f, 1.5f, 0.2f, 0.93f, 1.0f},
    {L"Snow Cross Filter", 1.0f, 2.0f, 1.7f, 0.0f, 1.5f, 3, 0.17453292f, 0.5f, 0.2f, 0.93f, 1.0f},
    {L"Spectral Snow Cross", 1.0f, 2.0f, 1.7f, 0.0f, 1.8f, 3, 0.69813168f, 1.5f, 0.2f, 0.93f, 1.0f},
    {L"Sunny Cross Filter", 1.0f, 2.0f, 1.7f, 0.0f, 1.5f, 5, 0.0f, 0.5f, 0.2f, 0.93f, 1.0f},
    {L"Spectral Sunny Cross", 1.0f, 2.0f, 1.7f, 0.0f, 1.8f, 5, 0.785398185f, 1.5f, 0.2f, 0.93f, 1.0f},
    {L"Cine Camera Vertical Slits", 1.0f, 2.0f, 1.5f, 0.0f, 1.0f, 4, 1.57079637f, 0.5f, 0.2f, 0.93f, 1.0f},
    {L"Cine Camera Horizontal Slits", 1.0f, 2.0f, 1.5f, 0.0f, 1.0f, 4, 0.0f, 0.5f, 0.2f, 0.93f, 1.0f},
};

std::unique_ptr<StarDefinition[]> g_starLibrary;
std::unique_ptr<GlareDefinition[]> g_glareLibrary;
std::array<D3DXCOLOR, 8> g_aberrationColors{};

std::wstring clippedName(const std::wstring& name)
{
    return name.size() > StarDefinition::kMaxName ? name.substr(0, StarDefinition::kMaxName) : name;
}

// Built before the program runs, gone when it ends.
struct LibraryLifetime {
    LibraryLifetime()
    {
        StarDefinition::initializeLibrary();
        GlareDefinition::initializeLibrary();
        std::atexit(&GlareDefinition::deleteLibraries);
    }
};
const LibraryLifetime g_libraryLifetime;

} // namespace

HRESULT StarDefinition::initialize(const std::wstring& name, int lineCount, int passes, float sampleLength,
                                   float attenuation, float inclination, bool rotate)
{
    release();
    m_name = clippedName(name);
    m_rotate = rotate;
    m_inclination = inclination;
    if (lineCount <= 0)
        return S_OK;
    try {
        m_lines.resize(static_cast<std::size_t>(lineCount));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const double angle = 360.0 / lineCount;
    for (int i = 0; i < lineCount; ++i) {
        StarLine& line = m_lines[static_cast<std::size_t>(i)];
        line.passes = passes;
        line.sampleLength = sampleLength;
        line.attenuation = attenuation;
        line.inclination = static_cast<float>(i * (angle * kDegree));
    }
    return S_OK;
}

HRESULT StarDefinition::initializeSunnyCross(const std::wstring& name, float sampleLength, float oddAttenuation,
                                             float evenAttenuation, float inclination)
{
    const HRESULT hr = initialize(name, 8, 3, sampleLength, evenAttenuation, inclination, false);
    if (FAILED(hr))
        return hr;
    for (std::size_t i = 1; i < m_lines.size(); i += 2)
        m_lines[i].attenuation = oddAttenuation;
    return S_OK;
}

HRESULT StarDefinition::assign(const StarDefinition& other)
{
    if (&other == this)
        return S_OK;
    m_name = other.m_name;
    m_lines = other.m_lines;
    m_inclination = other.m_inclination;
    m_rotate = other.m_rotate;
    return S_OK;
}

void StarDefinition::release()
{
    m_lines.clear();
    m_lines.shrink_to_fit();
}

HRESULT StarDefinition::initializeLibrary()
{
    if (g_starLibrary)
        return S_OK;
    g_starLibrary.reset(new (std::nothrow) StarDefinition[kLibrarySize]);
    if (!g_starLibrary)
        return E_OUTOFMEMORY;
    std::size_t index = 0;
    for (const StarRow& row : kStarTable)
        g_starLibrary[index++].initialize(row.name, row.lines, row.passes, row.sampleLength, row.attenuation,
                                          row.inclination, row.rotate);
    g_starLibrary[index].initializeSunnyCross(L"SunnyCross", 1.0f, 0.88f, 0.95f, 0.0f);
    g_aberrationColors = {D3DXCOLOR(0.5f, 0.5f, 0.5f, 0.0f), D3DXCOLOR(0.8f, 0.3f, 0.3f, 0.0f),
                          D3DXCOLOR(1.0f, 0.2f, 0.2f, 0.0f), D3DXCOLOR(0.5f, 0.2f, 0.6f, 0.0f),
                          D3DXCOLOR(0.2f, 0.2f, 1.0f, 0.0f), D3DXCOLOR(0.2f, 0.3f, 0.7f, 0.0f),
                          D3DXCOLOR(0.2f, 0.6f, 0.2f, 0.0f), D3DXCOLOR(0.3f, 0.5f, 0.3f, 0.0f)};
    return S_OK;
}

const StarDefinition& StarDefinition::library(std::size_t index)
{
    initializeLibrary();
    return g_starLibrary[index < kLibrarySize ? index : 0];
}

const std::array<D3DXCOLOR, 8>& StarDefinition::chromaticAberrationColors()
{
    initializeLibrary();
    return g_aberrationColors;
}

HRESULT GlareDefinition::initialize(const std::wstring& glareName, float glare, float bloom, float ghost,
                                    float ghostDist, float star, int starType, float starIncl, float aberration,
                                    float afterSensitivity, float afterRatio, float afterLuminance)
{
    name = clippedName(glareName);
    glareLuminance = glare;
    bloomLuminance = bloom;
    ghostLuminance = ghost;
    ghostDistortion = ghostDist;
    starLuminance = star;
    starInclination = starIncl;
    chromaticAberration = aberration;
    afterimageSensitivity = afterSensitivity;
    afterimageRatio = afterRatio;
    afterimageLuminance = afterLuminance;
    return starDefinition.assign(StarDefinition::library(static_cast<std::size_t>(starType)));
}

void GlareDefinition::initializeFromTable(const Row& row)
{
    initialize(row.name, row.glareLuminance, row.bloomLuminance, row.ghostLuminance, row.ghostDistortion,
               row.starLuminance, row.starType, row.starInclination, row.chromaticAberration, row.afterimageSensitivity,
               row.afterimageRatio, row.afterimageLuminance);
}

HRESULT GlareDefinition::assign(const GlareDefinition& other)
{
    if (&other != this)
        *this = other;
    return S_OK;
}

HRESULT GlareDefinition::initializeLibrary()
{
    StarDefinition::initializeLibrary();
    if (g_glareLibrary)
        return S_OK;
    g_glareLibrary.reset(new (std::nothrow) GlareDefinition[kLibrarySize]);
    if (!g_glareLibrary)
        return E_OUTOFMEMORY;
    std::size_t index = 0;
    for (const Row& row : kGlareTable)
        g_glareLibrary[index++].initializeFromTable(row);
    return S_OK;
}

void GlareDefinition::deleteLibraries()
{
    g_glareLibrary.reset();
    g_starLibrary.reset();
}

const GlareDefinition& GlareDefinition::library(std::size_t index)
{
    initializeLibrary();
    return g_glareLibrary[index < kLibrarySize ? index : 0];
}

} // namespace Ulvo
