#include "scene/splines/Spline.h"

#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <new>

namespace Ulvo {

namespace {

// A blend asks for its point count; more than this is no path anyone draws, only memory.
constexpr int kMaxBlendPoints = 1 << 16;
// The nearest-point search samples at most this many points.
constexpr int kMaxNearestSamples = 1 << 16;

struct ChannelName {
    const wchar_t* name;
    uint32_t mask;
};

constexpr ChannelName kChannelNames[] = {
    {L"POS_X", 0x1},         {L"POS_Y", 0x2},         {L"POS_Z", 0x4},         {L"POS", 0x7},
    {L"DIR_X", 0x8},         {L"DIR_Y", 0x10},        {L"DIR_Z", 0x20},        {L"DIR", 0x38},
    {L"NORM_X", 0x40},       {L"NORM_Y", 0x80},       {L"NORM_Z", 0x100},      {L"NORM", 0x1C0},
    {L"BINORM_X", 0x200},    {L"BINORM_Y", 0x400},    {L"BINORM_Z", 0x800},    {L"BINORM", 0xE00},
    {L"USERDATA_X", 0x1000}, {L"USERDATA_Y", 0x2000}, {L"USERDATA_Z", 0x4000}, {L"USERDATA", 0x7000},
};

uint32_t channelMaskOf(const std::wstring& name)
{
    for (const ChannelName& entry : kChannelNames) {
        if (name == entry.name)
            return entry.mask;
    }
    return 0;
}

// The segment index of t, truncated toward zero. Parameters far beyond any point list (and NaN)
// land on the outermost pads anyway, so they are held where the conversion is defined.
int segmentOf(float t)
{
    if (!(t == t))
        return 0;
    constexpr float kLimit = 1.0e9f;
    return static_cast<int>(std::clamp(t, -kLimit, kLimit));
}

// The frame of a direction, as the build makes it: the stored direction stays unnormalised.
void frameFromDirection(SplinePoint& point)
{
    D3DXVECTOR3 d;
    D3DXVec3Normalize(&d, &point.direction);
    point.binormal = D3DXVECTOR3(-d.z, 0.0f, d.x);
    D3DXVec3Cross(&point.normal, &point.binormal, &d);
}

float length(const D3DXVECTOR3& v)
{
    return D3DXVec3Length(&v);
}

} // namespace

// --- Construction and description ---

Spline::Spline() : NamedObject()
{
    build();
}

Spline::Spline(XMLNode* node) : NamedObject(node)
{
    if (node) {
        m_hasDescription = true;
        m_description = *node;
        readDescription(node);
    }
    build();
}

Spline::Spline(const Spline& other)
    : NamedObject(other)
    , m_controlPoints(other.m_controlPoints)
    , m_frontPads(other.m_frontPads)
    , m_backPads(other.m_backPads)
    , m_length(other.m_length)
    , m_loop(other.m_loop)
    , m_averageDirections(other.m_averageDirections)
    , m_hasDescription(other.m_hasDescription)
    , m_description(other.m_description)
{
}

Spline& Spline::operator=(const Spline& other)
{
    if (this != &other) {
        takeShape(other);
        m_hasDescription = other.m_hasDescription;
        m_description = other.m_description;
    }
    return *this;
}

Spline::~Spline() = default;

Spline* Spline::copyTo(void* storage) const
{
    return storage ? new (storage) Spline(*this) : nullptr;
}

void Spline::takeShape(const Spline& other)
{
    if (this == &other)
        return;
    m_controlPoints = other.m_controlPoints;
    m_frontPads = other.m_frontPads;
    m_backPads = other.m_backPads;
    m_length = other.m_length;
    m_loop = other.m_loop;
    m_averageDirections = other.m_averageDirections;
}

void Spline::takeShapeAndDescription(const Spline& other)
{
    if (this == &other)
        return;
    takeShape(other);
    m_hasDescription = other.m_hasDescription;
    m_description = other.m_description;
}

void Spline::readPoint(SplinePoint& point, const XMLNode* node)
{
    if (!node)
        return;
    if (const XMLNode* position = node->getNode(L"POSITION")) {
        position->readFloat(L"X", point.position.x);
        position->readFloat(L"Y", point.position.y);
        position->readFloat(L"Z", point.position.z);
    }
    if (const XMLNode* userData = node->getNode(L"USERDATA")) {
        userData->readFloat(L"X", point.userData.x);
        userData->readFloat(L"Y", point.userData.y);
        userData->readFloat(L"Z", point.userData.z);
    }
    if (const XMLNode* flag = node->getNode(L"FLAG")) {
        FlagSet flags;
        flags.load(flag);
        point.flags = flags;
    }
    int slot = 0;
    for (const XMLNode* child : node->getNodes()) {
        if (slot >= SplinePoint::SLOTS)
            break;
        if (!child || child->getName() != L"INTERPOL_TYPE")
            continue;
        const std::wstring type = child->getAttributeValue(L"TYPE", L"LINEAR");
        // An unknown word keeps the linear rule and the identifier the slot had.
        point.rule[slot] = SPLINE_RULE_LINEAR;
        static const struct {
            const wchar_t* word;
            SplineRule rule;
        } kRules[] = {{L"LINEAR", SPLINE_RULE_LINEAR},
                      {L"LINEAR+", SPLINE_RULE_LINEAR_PLUS},
                      {L"CATMULL", SPLINE_RULE_CATMULL},
                      {L"CATMULL+", SPLINE_RULE_CATMULL_PLUS},
                      {L"NONE", SPLINE_RULE_NONE}};
        for (const auto& entry : kRules) {
            if (type == entry.word) {
                point.rule[slot] = entry.rule;
                point.ruleType[slot] = entry.rule;
            }
        }
        child->readFloat(L"PARAM", point.param[slot]);
        uint32_t mask = 0;
        for (const XMLProperty* value : child->getProperties()) {
            if (value)
                mask |= channelMaskOf(value->getValue());
        }
        point.channelMask[slot] = mask;
        ++slot;
    }
}

void Spline::readDescription(XMLNode* node)
{
    if (const XMLNode* average = node->getNode(L"AVERAGE")) {
        if (readBlend(*average))
            return;
    }
    node->readFlag(L"LOOP", m_loop);
    node->readFlag(L"AVERAGE", m_averageDirections);

    SplinePoint defaultPoint;
    readPoint(defaultPoint, node->getNode(L"DEFAULT"));

    for (const XMLNode* child : node->getNodes()) {
        if (!child || child->getName() != L"CONTROLPOINT")
            continue;
        SplinePoint point = defaultPoint;
        readPoint(point, child);
        m_controlPoints.push_back(point);
    }

    readKnotFile(*node, defaultPoint);

    for (const XMLNode* group : node->getNodes()) {
        if (!group || group->getName() != L"PARAM_GROUP")
            continue;
        std::vector<std::wstring> indices;
        group->readWords(L"CONTROL_POINTS", indices);
        for (const std::wstring& word : indices) {
            const long index = std::wcstol(word.c_str(), nullptr, 10);
            if (index >= 0 && static_cast<unsigned long>(index) < m_controlPoints.size())
                readPoint(m_controlPoints[static_cast<std::size_t>(index)], group);
        }
    }
}

bool Spline::readBlend(const XMLNode& average)
{
    XMLNode* first = average.getNode(L"SPLINE1");
    XMLNode* second = average.getNode(L"SPLINE2");
    if (!first || !second)
        return false;

    const Spline a(first);
    const Spline b(second);
    const int countA = static_cast<int>(a.m_controlPoints.size());
    const int countB = static_cast<int>(b.m_controlPoints.size());

    std::vector<std::wstring> items;
    average.readWords(L"NUMPTS", items);
    long count = 0;
    const long firstItem = items.empty() ? 0 : std::wcstol(items[0].c_str(), nullptr, 10);
    if (!items.empty() && firstItem == 1)
        count = std::max(countA, countB);
    else if (!items.empty() && firstItem == -1)
        count = std::min(countA, countB);
    else if (items.size() >= 2)
        count = std::wcstol(items[1].c_str(), nullptr, 10);
    if (count > kMaxBlendPoints) {
        mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::Spline: SPLINE \"", getName(), L"\" AVERAGE NUMPTS ",
                         std::to_wstring(count), L" is too many; ", std::to_wstring(kMaxBlendPoints),
                         L" are blended\n");
        count = kMaxBlendPoints;
    }

    bool takeFirst = true;
    float distScale = 1.0f;
    bool saveDist = false;
    average.readFlag(L"TAKE_FIRST_AS_DEFAULT", takeFirst);
    average.readFloat(L"DIST_SCALE", distScale);
    average.readFlag(L"SAVE_DIST", saveDist);

    m_controlPoints.clear();
    m_controlPoints.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
    for (long i = 0; i < count; ++i) {
        const float t1 = static_cast<float>(i) * static_cast<float>(countA) / static_cast<float>(count);
        const float t2 = static_cast<float>(i) * static_cast<float>(countB) / static_cast<float>(count);
        const SplinePoint p1 = a.getPointAt(t1);
        const SplinePoint p2 = b.getPointAt(t2);
        SplinePoint point;
        point.position = (p1.position + p2.position) * 0.5f;
        point.direction = (p1.direction + p2.direction) * 0.5f;
        point.normal = (p1.normal + p2.normal) * 0.5f;
        point.binormal = (p1.binormal + p2.binormal) * 0.5f;
        point.copySlots(takeFirst ? p1 : p2);
        if (saveDist)
            point.userData.x = length(p1.position - p2.position) * 0.5f * distScale;
        m_controlPoints.push_back(point);
    }
    const Spline& settings = takeFirst ? a : b;
    m_loop = settings.m_loop;
    m_averageDirections = settings.m_averageDirections;
    return true;
}

void Spline::readKnotFile(const XMLNode& node, const SplinePoint& defaultPoint)
{
    std::wstring fileName;
    if (!node.readString(L"CREATE_FROM_ASE", fileName))
        return;
    File file(std::wstring(L"ASE Spline Data"));
    if (!file.loadDataFile(fileName, GOBManager::getInstance()->getGOBOrder(L"DEFAULT")))
        return;
    const std::wstring text = file.getFILE_DATA();

    float factor[3] = {1.0f, 1.0f, 1.0f};
    float displace[3] = {0.0f, 0.0f, 0.0f};
    node.readFloats(L"ASE_FAKTOR", factor);
    node.readFloats(L"ASE_DISPLACE", displace);

    const bool append = m_controlPoints.empty();
    static const std::wstring kKeyword = L"*SHAPE_VERTEX_KNOT";
    for (std::size_t at = text.find(kKeyword); at != std::wstring::npos; at = text.find(kKeyword, at + 1)) {
        std::size_t end = text.find_first_of(L"\r\n", at);
        if (end == std::wstring::npos)
            end = text.size();
        std::vector<std::wstring> tokens;
        std::size_t pos = at;
        while (pos < end && tokens.size() < 5) {
            const std::size_t start = text.find_first_not_of(L" \t", pos);
            if (start == std::wstring::npos || start >= end)
                break;
            std::size_t stop = text.find_first_of(L" \t", start);
            if (stop == std::wstring::npos || stop > end)
                stop = end;
            tokens.push_back(text.substr(start, stop - start));
            pos = stop;
        }
        if (tokens.size() < 5)
            continue; // a knot line without index and three coordinates names no point
        const long index = std::wcstol(tokens[1].c_str(), nullptr, 10);
        const float x = std::wcstof(tokens[2].c_str(), nullptr) * factor[0] + displace[0];
        const float z = std::wcstof(tokens[3].c_str(), nullptr) * factor[1] + displace[1];
        const float y = std::wcstof(tokens[4].c_str(), nullptr) * factor[2] + displace[2];
        SplinePoint* point = nullptr;
        if (append) {
            m_controlPoints.push_back(defaultPoint);
            point = &m_controlPoints.back();
        } else if (index >= 0 && static_cast<unsigned long>(index) < m_controlPoints.size()) {
            point = &m_controlPoints[static_cast<std::size_t>(index)];
        }
        if (point)
            point->position = D3DXVECTOR3(x, y, z);
    }
}

// --- Build ---

void Spline::build()
{
    m_frontPads.clear();
    m_backPads.clear();
    const std::size_t n = m_controlPoints.size();
    if (n < 2)
        return;
    const std::vector<SplinePoint>& k = m_controlPoints;

    if (m_loop) {
        for (std::size_t index : {(2 * n - 3) % n, (2 * n - 2) % n, n - 1})
            m_frontPads.push_back(k[index]);
        for (std::size_t index : {std::size_t(0), 1 % n, 2 % n})
            m_backPads.push_back(k[index]);
    } else {
        const D3DXVECTOR3 d = k[1].position - k[0].position;
        for (float steps : {2.0f, 1.0f}) {
            m_frontPads.push_back(k[0]);
            m_frontPads.back().position = k[0].position - d * steps;
        }
        const D3DXVECTOR3 e = k[n - 1].position - k[n - 2].position;
        for (float steps : {1.0f, 2.0f}) {
            m_backPads.push_back(k[n - 1]);
            m_backPads.back().position = k[n - 1].position + e * steps;
        }
    }

    m_length = 0.0f;
    for (std::size_t i = 1; i < n; ++i)
        m_length += length(k[i].position - k[i - 1].position);
    if (m_loop)
        m_length += length(k[n - 1].position - k[0].position);

    // Chords: each point towards the next one of the padded sequence.
    auto chords = [](std::vector<SplinePoint>& points) {
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            points[i].direction = points[i + 1].position - points[i].position;
    };
    chords(m_frontPads);
    chords(m_controlPoints);
    chords(m_backPads);
    const std::size_t f = m_frontPads.size();
    const std::size_t b = m_backPads.size();
    m_frontPads[f - 1].direction = m_controlPoints[0].position - m_frontPads[f - 1].position;
    m_controlPoints[n - 1].direction = m_backPads[0].position - m_controlPoints[n - 1].position;
    m_backPads[b - 1].direction = m_backPads[b - 1].position - m_backPads[b - 2].position;

    if (m_averageDirections) {
        auto chordsOf = [](const std::vector<SplinePoint>& points) {
            std::vector<D3DXVECTOR3> out;
            out.reserve(points.size());
            for (const SplinePoint& point : points)
                out.push_back(point.direction);
            return out;
        };
        const std::vector<D3DXVECTOR3> F = chordsOf(m_frontPads);
        const std::vector<D3DXVECTOR3> K = chordsOf(m_controlPoints);
        const std::vector<D3DXVECTOR3> B = chordsOf(m_backPads);
        for (std::size_t i = 1; i + 1 < n; ++i)
            m_controlPoints[i].direction = (K[i - 1] + K[i + 1]) * 0.5f;
        for (std::size_t i = 1; i + 1 < f; ++i)
            m_frontPads[i].direction = (F[i - 1] + F[i + 1]) * 0.5f;
        for (std::size_t i = 1; i + 1 < b; ++i)
            m_backPads[i].direction = (B[i - 1] + B[i + 1]) * 0.5f;
        m_frontPads[f - 1].direction = (K[0] + F[f - 2]) * 0.5f;
        m_controlPoints[0].direction = (F[f - 1] + K[1]) * 0.5f;
        m_controlPoints[n - 1].direction = (B[0] + K[n - 1]) * 0.5f;
        m_backPads[0].direction = (K[n - 1] + B[1]) * 0.5f;
    }

    for (std::vector<SplinePoint>* list : {&m_frontPads, &m_controlPoints, &m_backPads}) {
        for (SplinePoint& point : *list)
            frameFromDirection(point);
    }

    rebuilt.emit(*this);
}

// --- Evaluation ---

const SplinePoint* Spline::getPaddedPoint(int i) const
{
    const int n = static_cast<int>(m_controlPoints.size());
    if (n == 0)
        return nullptr;
    if (n == 1)
        return &m_controlPoints[0];
    if (i >= 0 && i < n)
        return &m_controlPoints[static_cast<std::size_t>(i)];
    if (i < 0) {
        const int p = static_cast<int>(m_frontPads.size());
        if (p == 0)
            return &m_controlPoints.front(); // points edited after the last build: no pads yet
        return i < -p ? &m_frontPads.front() : &m_frontPads[static_cast<std::size_t>(p + i)];
    }
    const int p = static_cast<int>(m_backPads.size());
    if (p == 0)
        return &m_controlPoints.back();
    return i >= n + p ? &m_backPads.back() : &m_backPads[static_cast<std::size_t>(i - n)];
}

namespace {

// The rules, evaluated on whole points; the caller keeps the masked channels.
class RuleEvaluation {
public:
    explicit RuleEvaluation(const Spline& spline) : m_spline(spline) {}

    SplinePoint linear(float t) const
    {
        const int i = segmentOf(t);
        const float s = t - static_cast<float>(i);
        const SplinePoint* a = m_spline.getPaddedPoint(i);
        if (!a)
            return SplinePoint();
        SplinePoint r = *a;
        if (const SplinePoint* b = m_spline.getPaddedPoint(i + 1)) {
            for (int k = 0; k < SplinePoint::CHANNELS; ++k) {
                const float va = a->channel(k);
                r.setChannel(k, va + (b->channel(k) - va) * s);
            }
        }
        return r;
    }

    SplinePoint catmull(float t) const
    {
        const int i = segmentOf(t);
        const float s = t - static_cast<float>(i);
        const SplinePoint* q1 = m_spline.getPaddedPoint(i);
        if (!q1)
            return SplinePoint();
        SplinePoint r = *q1;
        const SplinePoint* q0 = m_spline.getPaddedPoint(i - 1);
        const SplinePoint* q2 = m_spline.getPaddedPoint(i + 1);
        const SplinePoint* q3 = m_spline.getPaddedPoint(i + 2);
        if (q0 && q2 && q3) {
            D3DXVec3CatmullRom(&r.position, &q0->position, &q1->position, &q2->position, &q3->position, s);
            D3DXVec3CatmullRom(&r.normal, &q0->normal, &q1->normal, &q2->normal, &q3->normal, s);
            D3DXVec3CatmullRom(&r.direction, &q0->direction, &q1->direction, &q2->direction, &q3->direction, s);
            D3DXVec3CatmullRom(&r.binormal, &q0->binormal, &q1->binormal, &q2->binormal, &q3->binormal, s);
            D3DXVec3CatmullRom(&r.userData, &q0->userData, &q1->userData, &q2->userData, &q3->userData, s);
        }
        return r;
    }

    SplinePoint evaluate(SplineRule rule, float t, float param) const
    {
        switch (rule) {
        case SPLINE_RULE_LINEAR:
            return linear(t);
        case SPLINE_RULE_CATMULL:
            return catmull(t);
        case SPLINE_RULE_LINEAR_PLUS:
        case SPLINE_RULE_CATMULL_PLUS: {
            const bool curved = rule == SPLINE_RULE_CATMULL_PLUS;
            SplinePoint r = curved ? catmull(t) : linear(t);
            const float h = std::clamp(param, -1.0f, 1.0f);
            const D3DXVECTOR3 ahead = (curved ? catmull(t + h) : linear(t + h)).position;
            r.direction = ahead - r.position;
            frameFromDirection(r);
            return r;
        }
        default: {
            const SplinePoint* point = m_spline.getPaddedPoint(segmentOf(t));
            return point ? *point : SplinePoint();
        }
        }
    }

private:
    const Spline& m_spline;
};

} // namespace

SplinePoint Spline::getPointAt(float t) const
{
    const SplinePoint* start = getPaddedPoint(segmentOf(t));
    if (!start)
        return SplinePoint();
    SplinePoint result = *start;
    const RuleEvaluation rules(*this);
    for (int slot = 0; slot < SplinePoint::SLOTS; ++slot) {
        if (start->rule[slot] == SPLINE_RULE_UNSET)
            break;
        const uint32_t mask = start->channelMask[slot];
        if (mask == 0)
            continue;
        result.copyChannels(rules.evaluate(start->rule[slot], t, start->param[slot]), mask);
    }
    return result;
}

float Spline::getDistanceAtParam(float t) const
{
    const std::size_t n = m_controlPoints.size();
    if (n < 2)
        return m_length;
    float acc = 0.0f;
    for (std::size_t k = 1; k < n; ++k) {
        const float c = length(m_controlPoints[k].position - m_controlPoints[k - 1].position);
        if (t < static_cast<float>(k))
            return acc + std::fmod(t, 1.0f) * c;
        acc += c;
    }
    return m_length;
}

float Spline::getParamAtDistance(float d) const
{
    const float total = m_length;
    // A spline of no length has no distance to find (and wrapping by 0 would never end).
    if (!(total > 0.0f))
        return 0.0f;
    const std::size_t n = m_controlPoints.size();
    if (d < 0.0f) {
        if (m_loop) {
            d = std::fmod(d, total);
            if (d < 0.0f)
                d += total;
        } else {
            d = 0.0f;
        }
    } else if (d > total) {
        if (m_loop) {
            const float rest = std::fmod(d, total);
            d = rest == 0.0f ? total : rest;
        } else {
            d = total;
        }
    }

    const std::size_t segments = m_loop ? n : (n > 0 ? n - 1 : 0);
    float acc = 0.0f;
    for (std::size_t k = 1; k <= segments && n > 0; ++k) {
        const D3DXVECTOR3& from = m_controlPoints[k - 1].position;
        const D3DXVECTOR3& to = m_controlPoints[k % n].position;
        const float c = length(to - from);
        if (!(c > 0.0f))
            continue; // two points in one place: no distance lies between them
        if (acc + c >= d)
            return static_cast<float>(k - 1) + (d - acc) / c;
        acc += c;
    }
    if (m_loop)
        return static_cast<float>(n);
    return n > 1 ? static_cast<float>(n - 1) : 0.0f;
}

bool Spline::findNearestParamXZ(const D3DXVECTOR2& query, float& param, float& distance, float step) const
{
    const std::size_t n = m_controlPoints.size();
    if (n == 0)
        return false;
    float best = 2147483648.0f;
    float bestParam = 0.0f;
    const float end = static_cast<float>(n);
    // A step so fine that it would sample without end is widened to a bounded count of samples.
    if (step > 0.0f && end / step > static_cast<float>(kMaxNearestSamples))
        step = end / static_cast<float>(kMaxNearestSamples);
    D3DXVECTOR2 a(m_controlPoints[0].position.x, m_controlPoints[0].position.z);
    // A step that does not advance t (zero, negative, NaN) samples nothing.
    for (float t = step; step > 0.0f && t <= end;) {
        const D3DXVECTOR3 p = getPointAt(t).position;
        const D3DXVECTOR2 b(p.x, p.z);
        const D3DXVECTOR2 u = b - a;
        const D3DXVECTOR2 w = query - a;
        const float dot = w.x * u.x + w.y * u.y;
        const float uu = u.x * u.x + u.y * u.y;
        float candidate;
        float candidateParam;
        if (dot <= 0.0f) {
            candidate = w.x * w.x + w.y * w.y;
            candidateParam = t - step;
        } else if (dot >= uu) {
            const D3DXVECTOR2 v = b - query;
            candidate = v.x * v.x + v.y * v.y;
            candidateParam = t;
        } else {
            const float f = dot / uu;
            const D3DXVECTOR2 v = a + u * f - query;
            candidate = v.x * v.x + v.y * v.y;
            candidateParam = t - (1.0f - f) * step;
        }
        if (candidate < best) {
            best = candidate;
            bestParam = candidateParam;
        }
        a = b;
        const float next = t + step;
        if (!(next > t))
            break;
        t = next;
    }
    param = bestParam;
    distance = std::sqrt(best);
    return true;
}

} // namespace Ulvo
