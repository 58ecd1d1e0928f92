#include "terrain/fields/ParameterPerlin.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <windows.h>

#include <cmath>
#include <span>

namespace Ulvo {

namespace {

// Truncation toward zero as the x86 conversion does it: a value outside 32 bits (or not a
// number) gives the lowest integer instead of undefined behaviour.
int32_t truncate(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// 0 or 1 from bit 30 of the integer hash, in 32-bit arithmetic with wrap-around.
double lattice(uint32_t k)
{
    const uint32_t h = k ^ (k << 13);
    const uint32_t m = h * (h * h * 15731u + 789221u) - 771171059u;
    return 1.0 - static_cast<double>((m >> 30) & 1u);
}

double smoothed(int32_t ix, int32_t iy, int32_t seed)
{
    const uint32_t n = static_cast<uint32_t>(iy) * 57u + static_cast<uint32_t>(seed) + static_cast<uint32_t>(ix);
    const double corners = (lattice(n - 58u) + lattice(n - 56u) + lattice(n + 56u) + lattice(n + 58u)) * 0.0625;
    const double sides = (lattice(n - 1u) + lattice(n + 1u) + lattice(n - 57u) + lattice(n + 57u)) * 0.125;
    return corners + sides + lattice(n) * 0.25;
}

// One octave's last lattice cell and fade: neighbouring samples (a row of a grid or of a clipmap
// level) mostly fall into the cell and row of the sample before, so the four smoothed corners and
// the row's fade are taken from here instead of being hashed and faded again. The values are the
// same as computed afresh.
struct OctaveCache {
    int32_t ix = 0;
    int32_t iy = 0;
    int32_t seed = 0;
    bool cell = false;
    double corners[4] = {};
    double fy = 0.0;
    double wy = 0.0;
    bool row = false;
};

double fade(double f)
{
    const double pi = 3.141592653589793;
    return (1.0 - std::cos(f * pi)) * 0.5;
}

double interpolated(double x, double y, int32_t seed, OctaveCache& cache)
{
    const int32_t ix = truncate(x);
    const int32_t iy = truncate(y);
    const double fx = x - ix;
    const double fy = y - iy;
    const double wx = fade(fx);
    if (!cache.row || cache.fy != fy) {
        cache.fy = fy;
        cache.wy = fade(fy);
        cache.row = true;
    }
    const double wy = cache.wy;
    if (!cache.cell || cache.ix != ix || cache.iy != iy || cache.seed != seed) {
        // The neighbours wrap like the rest of the lattice arithmetic.
        const int32_t ix1 = static_cast<int32_t>(static_cast<uint32_t>(ix) + 1u);
        const int32_t iy1 = static_cast<int32_t>(static_cast<uint32_t>(iy) + 1u);
        cache.corners[0] = smoothed(ix, iy, seed);
        cache.corners[1] = smoothed(ix1, iy, seed);
        cache.corners[2] = smoothed(ix, iy1, seed);
        cache.corners[3] = smoothed(ix1, iy1, seed);
        cache.ix = ix;
        cache.iy = iy;
        cache.seed = seed;
        cache.cell = true;
    }
    const double* c = cache.corners;
    const double i1 = c[0] * (1.0 - wx) + c[1] * wx;
    const double i2 = c[2] * (1.0 - wx) + c[3] * wx;
    return i1 * (1.0 - wy) + i2 * wy;
}

} // namespace

double perlinNoise(double x, double y, double persistence, int32_t octaves, int32_t seed)
{
    if (octaves < 1)
        return 0.0;
    if (octaves > kMaxPerlinOctaves)
        octaves = kMaxPerlinOctaves;
    // Per thread: the terrain's fields are sampled from worker threads too.
    thread_local OctaveCache caches[kMaxPerlinOctaves];
    double total = 0.0;
    double amplitudes = 0.0;
    double frequency = 1.0;
    double amplitude = 1.0;
    for (int32_t i = 0; i < octaves; ++i) {
        amplitudes += amplitude;
        total += amplitude * interpolated(x * frequency, y * frequency, seed, caches[i]);
        frequency *= 2.0;
        amplitude *= persistence;
    }
    // Persistences that cancel the amplitudes out (0 after the first octave is fine; -1 is not).
    if (amplitudes == 0.0 || !std::isfinite(total / amplitudes))
        return 0.0;
    return total / amplitudes;
}

ParameterPerlin::ParameterPerlin(XMLNode* node) : Parameter(node), m_seed(static_cast<int32_t>(GetTickCount()))
{
    if (!node)
        return;
    node->readDouble(L"PERSISTANCE", m_persistence);
    node->readFloats(L"SCALE", std::span<float>(m_scale));
    node->readInt(L"ANZAHL", m_octaves);
    node->readInt(L"SEED", m_seed);
    if (m_octaves < 1)
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::ParameterPerlin: ANZAHL ", m_octaves,
                         L" kleiner als 1, das Rauschen ist 0");
    else if (m_octaves > kMaxPerlinOctaves)
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::ParameterPerlin: ANZAHL ", m_octaves, L" auf ",
                         kMaxPerlinOctaves, L" begrenzt");
}

float ParameterPerlin::getValue(const D3DXVECTOR2& position) const
{
    const double x = static_cast<double>(m_scale[0]) * position.x;
    const double y = static_cast<double>(m_scale[1]) * position.y;
    return invert(static_cast<float>(perlinNoise(x, y, m_persistence, m_octaves, m_seed)));
}

ParameterCombiner::ParameterCombiner(XMLNode* node) : Parameter(node)
{
    if (!node)
        return;
    const std::vector<XMLNode*> children = fieldChildren(node, L"ParameterCombiner");
    m_children.reserve(children.size());
    for (XMLNode* description : children) {
        if (Parameter* child = createParameter(description))
            m_children.emplace_back(child);
    }
}

ParameterCombiner::ParameterCombiner(const ParameterCombiner& other) : Parameter(other)
{
    m_children.reserve(other.m_children.size());
    for (const auto& child : other.m_children)
        m_children.emplace_back(child->clone());
}

float ParameterCombiner::getValue(const D3DXVECTOR2& position) const
{
    if (m_children.empty())
        return invert(empty());
    float acc = m_children.front()->getValue(position);
    for (std::size_t i = 1; i < m_children.size(); ++i)
        acc = fold(acc, m_children[i]->getValue(position));
    return invert(finish(acc));
}

D3DXVECTOR4* ParameterCombiner::getVector(D3DXVECTOR4* out, const D3DXVECTOR2& position) const
{
    if (m_children.empty()) {
        const float value = getValue(position);
        *out = D3DXVECTOR4(value, value, value, value);
        return out;
    }
    m_children.front()->getVector(out, position);
    for (std::size_t i = 1; i < m_children.size(); ++i) {
        D3DXVECTOR4 value;
        m_children[i]->getVector(&value, position);
        out->x = fold(out->x, value.x);
        out->y = fold(out->y, value.y);
        out->z = fold(out->z, value.z);
        out->w = fold(out->w, value.w);
    }
    return invert(out);
}

ParameterSUM::ParameterSUM(XMLNode* node) : ParameterCombiner(node)
{
    if (node)
        node->readBool(L"CLAMP", m_clamp);
}

void ParameterSUM::addParameter(Parameter* parameter)
{
    if (parameter)
        m_children.emplace_back(parameter);
}

float ParameterSUM::finish(float acc) const
{
    if (!m_clamp)
        return acc;
    acc = acc < 1.0f ? acc : 1.0f;
    return acc > 0.0f ? acc : 0.0f;
}

} // namespace Ulvo
