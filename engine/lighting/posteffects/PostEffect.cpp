#include "lighting/posteffects/PostEffect.h"

#include "devices/d3d/D3DInterface.h"
#include "devices/d3d/FormatNames.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectManager.h"
#include "lighting/deferred/DeferredRenderer.h"
#include "lighting/posteffects/PostEffectRenderer.h"
#include "lighting/posteffects/StaticPostEffectTexture.h"
#include "render/cameras/Camera.h"
#include "render/manager/RenderManager.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace Ulvo {

namespace {

const std::array<std::pair<const wchar_t*, int32_t>, 30> kMappingNames = {{
    {L"FLOAT", 0},        {L"VECTOR", 1},        {L"VECTOR_X", 2}, {L"VECTOR_Y", 3}, {L"VECTOR_Z", 4},
    {L"VECTOR_W", 5},     {L"SCALE_X", 6},       {L"SCALE_Y", 7},  {L"SCALE_XY", 8}, {L"INV_SCALE_X", 9},
    {L"INV_SCALE_Y", 10}, {L"INV_SCALE_XY", 11}, {L"MATRIX", 12},  {L"M_11", 13},    {L"M_12", 14},
    {L"M_13", 15},        {L"M_14", 16},         {L"M_21", 17},    {L"M_22", 18},    {L"M_23", 19},
    {L"M_24", 20},        {L"M_31", 21},         {L"M_32", 22},    {L"M_33", 23},    {L"M_34", 24},
    {L"M_41", 25},        {L"M_42", 26},         {L"M_43", 27},    {L"M_44", 28},    {L"ENABLE", 29},
}};

const D3DXVECTOR4 kUnanswered(-1.0f, -1.0f, -1.0f, -1.0f);

D3DXMATRIX unansweredMatrix()
{
    D3DXMATRIX m;
    std::fill(&m.m[0][0], &m.m[0][0] + 16, -1.0f);
    return m;
}

D3DXMATRIX zeroMatrix()
{
    D3DXMATRIX m;
    std::memset(&m, 0, sizeof m);
    return m;
}

bool validIndex(int index)
{
    return index >= 0 && index < PostEffect::kParamCount;
}

// The floats of a blank-separated list, or none when it holds fewer than `needed`.
std::vector<float> floatItems(const XMLNode& node, const wchar_t* name, std::size_t needed)
{
    std::vector<float> values;
    if (const XMLAttribute* attribute = node.getAttribute(name)) {
        for (const std::wstring& item : XMLValueList::split(attribute->getValue(), L' '))
            values.push_back(XMLProperty(item).getFloat());
    }
    if (values.size() < needed)
        values.clear();
    return values;
}

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// The original values of pixel-offset arrays, per shader effect and parameter, so that every
// conversion divides the values the effect was compiled with rather than the ones an earlier
// conversion wrote. An effect that was compiled again holds other values than those written last:
// those become the new originals.
struct TexelConversion {
    std::vector<D3DXVECTOR4> original;
    std::vector<D3DXVECTOR4> written;
};

std::unordered_map<std::string, TexelConversion>& texelConversions()
{
    static std::unordered_map<std::string, TexelConversion> table;
    return table;
}

bool sameVectors(const std::vector<D3DXVECTOR4>& a, const std::vector<D3DXVECTOR4>& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
               return x.x == y.x && x.y == y.y && x.z == y.z && x.w == y.w;
           });
}

} // namespace

// ------------------------------------------------------------------ construction

PostEffect::PostEffect(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer)
    : RenderPostEffect(&node)
    , m_d3d(D3DInterface::getInstance())
    , m_renderer(renderer)
    , m_deferredRenderer(deferredRenderer)
{
    for (int i = 0; i < kParamCount; ++i) {
        m_vec4Params[i] = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
        m_floatParams[i] = 0.0f;
        m_matrixParams[i] = zeroMatrix();
    }
    readNode(node);
}

PostEffect::PostEffect(const PostEffect& other)
    : RenderPostEffect(other)
    , m_d3d(other.m_d3d)
    , m_renderer(other.m_renderer)
    , m_effectName(other.m_effectName)
    , m_extraPasses(other.m_extraPasses)
    , m_stringMappings(other.m_stringMappings)
    , m_unchangedWhen(other.m_unchangedWhen)
    , m_time(other.m_time)
    , m_scaleX(other.m_scaleX)
    , m_scaleY(other.m_scaleY)
    , m_makeOriginal(other.m_makeOriginal)
    , m_enabled(other.m_enabled)
    , m_setMatrices(other.m_setMatrices)
    , m_priority(other.m_priority)
    , m_skipPriority(other.m_skipPriority)
    , m_currentPriority(other.m_currentPriority)
    , m_deferredTechnique(other.m_deferredTechnique)
    , m_deferredRenderer(other.m_deferredRenderer)
    , m_clearColor(other.m_clearColor)
    , m_clearTarget(other.m_clearTarget)
{
    for (int i = 0; i < kParamCount; ++i) {
        m_vec4Params[i] = other.m_vec4Params[i];
        m_floatParams[i] = other.m_floatParams[i];
        m_matrixParams[i] = other.m_matrixParams[i];
    }
    for (const StaticPostEffectTexture* texture : other.m_staticTextures)
        m_staticTextures.push_back(new StaticPostEffectTexture(*texture));
}

PostEffect::~PostEffect()
{
    if (m_activated)
        deactivate();
    releaseAndClear(m_staticTextures);
}

PostEffect* PostEffect::clone() const
{
    return new PostEffect(*this);
}

int32_t PostEffect::priorityFromWords(const std::vector<std::wstring>& words)
{
    if (words.empty())
        return 1500;
    int32_t priority = 0;
    if (words[0] == L"HIGH")
        priority = 2500;
    else if (words[0] == L"MED")
        priority = 1500;
    else if (words[0] == L"LOW")
        priority = 500;
    else
        priority = XMLProperty(words[0]).getInt() + 1500;
    if (words.size() > 1)
        priority += XMLProperty(words[1]).getInt();
    return priority;
}

int32_t PostEffect::mappingKindFromName(const std::wstring& word)
{
    for (const auto& [name, kind] : kMappingNames) {
        if (word == name)
            return kind;
    }
    return -1;
}

void PostEffect::readNode(XMLNode& node)
{
    node.readString(L"EFFECT", m_effectName);
    node.readBool(L"MAKE_ORIGINAL", m_makeOriginal);
    node.readHex(L"CLEAR_COLOR", m_clearColor);
    node.readBool(L"CLEAR_TARGET", m_clearTarget);
    node.readBool(L"ENABLE", m_enabled);
    node.readInt(L"SKIP_PRIORITY", m_skipPriority);
    std::vector<std::wstring> words;
    if (node.readWords(L"PRIORITY", words))
        m_priority = priorityFromWords(words);
    node.readBool(L"SETMATRICES", m_setMatrices);
    if (XMLNode* scaling = node.getNode(L"SCALING")) {
        scaling->readFloat(L"X", m_scaleX);
        scaling->readFloat(L"Y", m_scaleY);
    }
    for (unsigned i = 0, n = node.getNodeCount(L"EXTRA_PASS"); i < n; ++i) {
        XMLNode* entry = node.getNode(L"EXTRA_PASS", static_cast<int>(i));
        ExtraPass pass;
        entry->readHex(L"CLEAR_COLOR", pass.clearColor);
        std::wstring text;
        if (entry->readString(L"SPECIAL_FORMAT", text))
            pass.format = formatFromName(text);
        entry->readString(L"NAME", pass.name);
        if (entry->readString(L"USE_TYPE", text)) {
            if (text == L"NEVER")
                pass.useType = 0;
            else if (text == L"FORWARD")
                pass.useType = ExtraPass::USE_FORWARD;
            else if (text == L"DEFERRED")
                pass.useType = ExtraPass::USE_DEFERRED;
            else if (text == L"ALWAYS")
                pass.useType = ExtraPass::USE_FORWARD | ExtraPass::USE_DEFERRED;
        }
        if (entry->readString(L"HANDLE_NAME", text))
            pass.handleName = narrow(text);
        m_extraPasses.push_back(pass);
    }
    for (int n = 1; n <= kParamCount; ++n) {
        const std::wstring suffix = std::to_wstring(n);
        node.readPoint(L"VEC4_PARAM_" + suffix, m_vec4Params[n - 1]);
        if (XMLNode* value = node.getNode(L"FLOAT_PARAM_" + suffix))
            value->readFloat(L"VALUE", m_floatParams[n - 1]);
        if (XMLNode* matrix = node.getNode(L"MATRIX_PARAM_" + suffix)) {
            const std::vector<float> values = floatItems(*matrix, L"VALUE", 16);
            if (!values.empty()) {
                m_matrixParams[n - 1] = D3DXMATRIX(values.data());
                m_setMatrices = true;
            }
        }
    }
    for (unsigned i = 0, n = node.getNodeCount(L"STRING_MAPPING"); i < n; ++i)
        readStringMapping(*node.getNode(L"STRING_MAPPING", static_cast<int>(i)));
    for (unsigned i = 0, n = node.getNodeCount(L"STATIC_TEXTURE"); i < n; ++i)
        m_staticTextures.push_back(new StaticPostEffectTexture(*node.getNode(L"STATIC_TEXTURE", static_cast<int>(i))));
    for (unsigned i = 0, n = node.getNodeCount(L"UNCHANGED_WHEN"); i < n; ++i)
        readUnchangedWhen(*node.getNode(L"UNCHANGED_WHEN", static_cast<int>(i)));
}

void PostEffect::readUnchangedWhen(XMLNode& entry)
{
    UnchangedWhen when;
    std::wstring param;
    entry.readString(L"PARAM", param);
    // "FLOAT_n" or "VEC4_n_C", n from 1 to 5 and C one of X, Y, Z, W.
    bool known = false;
    if (param.size() == 7 && param.compare(0, 6, L"FLOAT_") == 0) {
        when.paramNr = param[6] - L'1';
        known = true;
    } else if (param.size() == 8 && param.compare(0, 5, L"VEC4_") == 0 && param[6] == L'_') {
        when.paramNr = param[5] - L'1';
        const std::wstring components = L"XYZW";
        const std::size_t component = components.find(param[7]);
        when.component = component == std::wstring::npos ? -1 : static_cast<int32_t>(component);
        known = when.component >= 0;
    }
    const std::pair<const wchar_t*, UnchangedWhen::Compare> comparisons[] = {
        {L"EQUALS", UnchangedWhen::Compare::EQUALS},
        {L"AT_MOST", UnchangedWhen::Compare::AT_MOST},
        {L"AT_LEAST", UnchangedWhen::Compare::AT_LEAST}};
    bool compared = false;
    for (const auto& [name, compare] : comparisons) {
        if (!compared && entry.readFloat(name, when.value)) {
            when.compare = compare;
            compared = true;
        }
    }
    if (!known || !validIndex(when.paramNr) || !compared) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L"Ulvo::PostEffect: an UNCHANGED_WHEN of \"" + getName() +
                             L"\" names no parameter FLOAT_1..5 or VEC4_1..5_X..W, or no EQUALS, AT_MOST or "
                             L"AT_LEAST, and is skipped\n");
        return;
    }
    m_unchangedWhen.push_back(when);
}

void PostEffect::readStringMapping(XMLNode& entry)
{
    std::wstring mapping, keyword;
    int32_t paramNr = 0;
    const bool complete = entry.readString(L"STRING", mapping) && entry.readString(L"MAPPING", keyword) &&
                          entry.readInt(L"PARAM_NR", paramNr);
    const int32_t kind = mappingKindFromName(keyword);
    if (!complete || kind < 0) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L"Ulvo::PostEffect: a STRING_MAPPING of \"" + getName() +
                             L"\" lacks STRING, MAPPING or PARAM_NR, or names an unknown MAPPING, and is skipped\n");
        return;
    }
    // The index reaches into the five-entry parameter arrays: a file must not write past them.
    if (!validIndex(paramNr)) {
        mainLogger().log(50, LOG_TYPE_WARNING,
                         L"Ulvo::PostEffect: STRING_MAPPING \"" + mapping + L"\" of \"" + getName() +
                             L"\" has PARAM_NR " + std::to_wstring(paramNr) + L" outside 0..4 and is skipped\n");
        return;
    }
    if (!m_stringMappings.emplace(mapping, StringMapping{kind, paramNr}).second)
        return;
    float value = 0.0f;
    if (entry.readFloat(L"INITIAL_VALUE", value))
        setParamFloat(mapping, value);
    const std::vector<float> vector = floatItems(entry, L"INITIAL_VECTOR", 4);
    if (!vector.empty())
        setParamVector(mapping, D3DXVECTOR4(vector.data()));
    const std::vector<float> matrix = floatItems(entry, L"INITIAL_MATRIX", 16);
    if (!matrix.empty())
        setParamMatrix(mapping, D3DXMATRIX(matrix.data()));
}

// ------------------------------------------------------------------ effect and handles

void PostEffect::initHandles()
{
    m_effectLoaded = true;
    m_targetRead = TargetRead::UNKNOWN;
    Effect* effect = m_d3d->getEffectManager() ? m_d3d->getEffectManager()->getEffect(m_effectName) : nullptr;
    if (!effect || !effect->getEffect())
        return;
    if (effect != m_effect) {
        if (m_effect) {
            m_effect->reloaded.disconnect(this);
            m_effect->onDeleted.disconnect(this);
        }
        m_effect = effect;
        effect->reloaded.connect(this, &PostEffect::onEffectReloaded);
        effect->onDeleted.connect(this, &PostEffect::onEffectDeleted);
    }
    for (int n = 0; n < kParamCount; ++n) {
        const std::wstring suffix = std::to_wstring(n + 1);
        m_vec4Handles[n] = effect->getHandle(L"g_Vec4_Param" + suffix);
        m_floatHandles[n] = effect->getHandle(L"g_Float_Param" + suffix);
        m_matrixHandles[n] = effect->getHandle(L"g_Matrix_Param" + suffix);
    }
    ID3DXEffect* fx = effect->getEffect();
    m_fixed = FixedHandles{};
    m_fixed.technique = fx->GetTechniqueByName("RenderPost");
    m_fixed.deferredTechnique = fx->GetTechniqueByName("RenderPost_Deferred");
    m_fixed.source = fx->GetParameterByName(nullptr, "g_Textur_SRC");
    m_fixed.original = fx->GetParameterByName(nullptr, "g_Textur_ORG");
    m_fixed.extra = fx->GetParameterByName(nullptr, "g_Textur_EXTRA");
    m_fixed.time = fx->GetParameterByName(nullptr, "g_time");
    m_fixed.depthRange = fx->GetParameterByName(nullptr, "g_ZminMaxQuo");
    const char* const gbuffer[4] = {"g_Textur_Deferred_Color", "g_Textur_Deferred_Normal", "g_Textur_Deferred_Depth",
                                    "g_Textur_Deferred_Misc"};
    for (int i = 0; i < 4; ++i)
        m_fixed.gbuffer[i] = fx->GetParameterByName(nullptr, gbuffer[i]);
    m_passScales.clear();
    D3DXHANDLE technique = m_fixed.technique;
    D3DXTECHNIQUE_DESC description{};
    if (technique && SUCCEEDED(fx->GetTechniqueDesc(technique, &description))) {
        for (UINT p = 0; p < description.Passes; ++p) {
            D3DXHANDLE pass = fx->GetPass(technique, p);
            D3DXVECTOR2 scale(1.0f, 1.0f);
            if (D3DXHANDLE x = fx->GetAnnotationByName(pass, "fScaleX"))
                fx->GetFloat(x, &scale.x);
            if (D3DXHANDLE y = fx->GetAnnotationByName(pass, "fScaleY"))
                fx->GetFloat(y, &scale.y);
            m_passScales.push_back(scale);
        }
    }
    convertPixelsToTexels();
    m_created = true;
}

void PostEffect::convertPixelsToTexels()
{
    ID3DXEffect* fx = m_effect->getEffect();
    unsigned width = 0, height = 0;
    if (m_renderer)
        m_renderer->getRenderManager().getRenderTargetSize(width, height);
    if (width == 0 || height == 0)
        return;
    D3DXEFFECT_DESC effectDescription{};
    fx->GetDesc(&effectDescription);
    for (UINT i = 0; i < effectDescription.Parameters; ++i) {
        D3DXHANDLE parameter = fx->GetParameter(nullptr, i);
        D3DXHANDLE annotation = fx->GetAnnotationByName(parameter, "ConvertPixelsToTexels");
        LPCSTR targetName = nullptr;
        if (!annotation || FAILED(fx->GetString(annotation, &targetName)) || !targetName)
            continue;
        D3DXHANDLE target = fx->GetParameterByName(nullptr, targetName);
        D3DXPARAMETER_DESC description{};
        if (!target || FAILED(fx->GetParameterDesc(target, &description)))
            continue;
        // Arrays of 2D offsets: as many vectors as pairs of floats, no more than the array holds.
        const UINT count =
            std::max<UINT>(1, std::min<UINT>(description.Bytes / 8, std::max<UINT>(1, description.Elements)));
        std::vector<D3DXVECTOR4> current(count, D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
        fx->GetVectorArray(target, current.data(), count);
        TexelConversion& conversion =
            texelConversions()[std::to_string(reinterpret_cast<uintptr_t>(m_effect)) + ':' + targetName];
        if (!sameVectors(current, conversion.written))
            conversion.original = current;
        std::vector<D3DXVECTOR4> converted = conversion.original;
        for (D3DXVECTOR4& v : converted) {
            v.x /= static_cast<float>(width);
            v.y /= static_cast<float>(height);
        }
        fx->SetVectorArray(target, converted.data(), count);
        // Read back as the effect stores them, so that the next comparison sees the same values.
        fx->GetVectorArray(target, converted.data(), count);
        conversion.written = converted;
    }
}

void PostEffect::onEffectReloaded(Effect&)
{
    if (!m_effectLoaded)
        return;
    m_created = false;
    m_targetRead = TargetRead::UNKNOWN;
    initHandles();
}

void PostEffect::onEffectDeleted(NamedObject*)
{
    m_effect = nullptr;
    m_created = false;
}

// ------------------------------------------------------------------ activation and priorities

bool PostEffect::activate()
{
    if (m_activated || !m_renderer)
        return false;
    const bool visible = isVisible();
    bool created = false;
    for (const ExtraPass& pass : m_extraPasses) {
        const int forward = (pass.useType & ExtraPass::USE_FORWARD) ? 1 : 0;
        const int deferred = (pass.useType & ExtraPass::USE_DEFERRED) ? 1 : 0;
        ExtraPassTarget* target = m_renderer->findExtraTarget(pass.name);
        if (!target) {
            target = &m_renderer->addExtraTarget(pass);
            created = true;
        }
        target->needs[0] += forward;
        target->needs[1] += deferred;
        target->active[0] += visible ? forward : 0;
        target->active[1] += visible ? deferred : 0;
    }
    m_activated = true;
    return created;
}

bool PostEffect::deactivate()
{
    if (!m_activated)
        return false;
    const bool visible = isVisible();
    bool removed = false;
    for (const ExtraPass& pass : m_extraPasses) {
        ExtraPassTarget* target = m_renderer->findExtraTarget(pass.name);
        if (!target)
            continue;
        const int forward = (pass.useType & ExtraPass::USE_FORWARD) ? 1 : 0;
        const int deferred = (pass.useType & ExtraPass::USE_DEFERRED) ? 1 : 0;
        target->needs[0] -= forward;
        target->needs[1] -= deferred;
        target->active[0] -= visible ? forward : 0;
        target->active[1] -= visible ? deferred : 0;
        if (target->needs[0] <= 0 && target->needs[1] <= 0) {
            m_renderer->removeExtraTarget(pass.name);
            removed = true;
        }
    }
    m_activated = false;
    return removed;
}

void PostEffect::addActiveCounts(int sign)
{
    for (const ExtraPass& pass : m_extraPasses) {
        if (ExtraPassTarget* target = m_renderer->findExtraTarget(pass.name)) {
            target->active[0] += (pass.useType & ExtraPass::USE_FORWARD) ? sign : 0;
            target->active[1] += (pass.useType & ExtraPass::USE_DEFERRED) ? sign : 0;
        }
    }
}

void PostEffect::setEnabled(bool enabled)
{
    changeVisibility([&] { m_enabled = enabled; });
}

void PostEffect::setSkipPriority(uint32_t priority)
{
    changeVisibility([&] { m_skipPriority = priority; });
}

void PostEffect::setCurrentPriority(uint32_t level)
{
    changeVisibility([&] { m_currentPriority = level; });
}

void PostEffect::setDeferredTechnique(bool deferred)
{
    if (deferred != m_deferredTechnique)
        m_targetRead = TargetRead::UNKNOWN;
    m_deferredTechnique = deferred;
}

bool PostEffect::isActive() const
{
    return m_created && isVisible();
}

bool PostEffect::drawsNow() const
{
    return m_created && isVisible() && m_effect && m_effect->getEffect() && m_renderer && m_renderer->isCreated() &&
           !leavesPictureAsIs();
}

bool PostEffect::leavesPictureAsIs() const
{
    // A shrunk quad leaves the rest of its target cleared: that is no copy of the picture.
    if (m_scaleX != 1.0f || m_scaleY != 1.0f)
        return false;
    for (const D3DXVECTOR2& scale : m_passScales) {
        if (scale.x != 1.0f || scale.y != 1.0f)
            return false;
    }
    return std::any_of(m_unchangedWhen.begin(), m_unchangedWhen.end(), [this](const UnchangedWhen& when) {
        const float value =
            when.component < 0 ? m_floatParams[when.paramNr] : (&m_vec4Params[when.paramNr].x)[when.component];
        switch (when.compare) {
        case UnchangedWhen::Compare::EQUALS:
            return value == when.value;
        case UnchangedWhen::Compare::AT_MOST:
            return value <= when.value;
        case UnchangedWhen::Compare::AT_LEAST:
            return value >= when.value;
        }
        return false;
    });
}

void PostEffect::update(double elapsedSeconds)
{
    m_time += static_cast<float>(elapsedSeconds);
}

RenderPostEffect* PostEffect::findByName(const std::wstring& name)
{
    return getName() == name ? this : nullptr;
}

void PostEffect::getStringMappings(std::vector<PostEffectStringMapping>& out) const
{
    for (const auto& [mapping, entry] : m_stringMappings)
        out.push_back(PostEffectStringMapping{getName(), mapping, entry.kind});
}

// ------------------------------------------------------------------ parameters

const StringMapping* PostEffect::findMapping(const std::wstring& mapping) const
{
    const auto found = m_stringMappings.find(mapping);
    return found == m_stringMappings.end() ? nullptr : &found->second;
}

bool PostEffect::setParamFloat(const std::wstring& mapping, float value)
{
    const StringMapping* entry = findMapping(mapping);
    if (!entry)
        return false;
    const int n = entry->paramNr;
    const int kind = entry->kind;
    if (kind == MAPPING_FLOAT)
        m_floatParams[n] = value;
    else if (kind >= MAPPING_VECTOR_X && kind <= MAPPING_VECTOR_W)
        (&m_vec4Params[n].x)[kind - MAPPING_VECTOR_X] = value;
    else if (kind == MAPPING_SCALE_X)
        m_scaleX = value;
    else if (kind == MAPPING_SCALE_Y)
        m_scaleY = value;
    else if (kind == MAPPING_SCALE_XY)
        m_scaleX = m_scaleY = value;
    else if (kind == MAPPING_INV_SCALE_X)
        m_scaleX = 1.0f / value;
    else if (kind == MAPPING_INV_SCALE_Y)
        m_scaleY = 1.0f / value;
    else if (kind == MAPPING_INV_SCALE_XY)
        m_scaleX = m_scaleY = 1.0f / value;
    else if (kind >= MAPPING_M_11 && kind <= MAPPING_M_44)
        (&m_matrixParams[n].m[0][0])[kind - MAPPING_M_11] = value;
    else if (kind == MAPPING_ENABLE)
        setEnabled(value > 0.0f);
    else
        return false;
    return true;
}

bool PostEffect::setParamVector(const std::wstring& mapping, const D3DXVECTOR4& value)
{
    const StringMapping* entry = findMapping(mapping);
    if (!entry || entry->kind < MAPPING_VECTOR || entry->kind > MAPPING_VECTOR_W)
        return false;
    m_vec4Params[entry->paramNr] = value;
    return true;
}

bool PostEffect::setParamMatrix(const std::wstring& mapping, const D3DXMATRIX& value)
{
    const StringMapping* entry = findMapping(mapping);
    if (!entry || entry->kind < MAPPING_MATRIX || entry->kind > MAPPING_M_44)
        return false;
    m_matrixParams[entry->paramNr] = value;
    return true;
}

float PostEffect::getParamFloat(const std::wstring& mapping)
{
    const StringMapping* entry = findMapping(mapping);
    if (!entry)
        return -1.0f;
    const int n = entry->paramNr;
    const int kind = entry->kind;
    if (kind == MAPPING_FLOAT)
        return m_floatParams[n];
    if (kind >= MAPPING_VECTOR_X && kind <= MAPPING_VECTOR_W)
        return (&m_vec4Params[n].x)[kind - MAPPING_VECTOR_X];
    if (kind == MAPPING_SCALE_X || kind == MAPPING_SCALE_XY)
        return m_scaleX;
    if (kind == MAPPING_SCALE_Y)
        return m_scaleY;
    if (kind == MAPPING_INV_SCALE_X || kind == MAPPING_INV_SCALE_XY)
        return 1.0f / m_scaleX;
    if (kind == MAPPING_INV_SCALE_Y)
        return 1.0f / m_scaleY;
    if (kind >= MAPPING_M_11 && kind <= MAPPING_M_44)
        return (&m_matrixParams[n].m[0][0])[kind - MAPPING_M_11];
    if (kind == MAPPING_ENABLE)
        return m_enabled ? 1.0f : 0.0f;
    return -1.0f;
}

D3DXVECTOR4 PostEffect::getParamVector(const std::wstring& mapping)
{
    const StringMapping* entry = findMapping(mapping);
    if (!entry || entry->kind != MAPPING_VECTOR)
        return kUnanswered;
    return m_vec4Params[entry->paramNr];
}

D3DXMATRIX PostEffect::getParamMatrix(const std::wstring& mapping)
{
    const StringMapping* entry = findMapping(mapping);
    if (!entry || entry->kind != MAPPING_MATRIX)
        return unansweredMatrix();
    return m_matrixParams[entry->paramNr];
}

bool PostEffect::setVec4(const D3DXVECTOR4& value, int index)
{
    if (!validIndex(index))
        return false;
    m_vec4Params[index] = value;
    return true;
}

bool PostEffect::setFloat(float value, int index)
{
    if (!validIndex(index))
        return false;
    m_floatParams[index] = value;
    return true;
}

bool PostEffect::setMatrix(const D3DXMATRIX& value, int index)
{
    if (!validIndex(index))
        return false;
    m_matrixParams[index] = value;
    return true;
}

D3DXVECTOR4 PostEffect::getVec4(int index) const
{
    return validIndex(index) ? m_vec4Params[index] : kUnanswered;
}

float PostEffect::getFloat(int index) const
{
    return validIndex(index) ? m_floatParams[index] : -1.0f;
}

D3DXMATRIX PostEffect::getMatrix(int index) const
{
    return validIndex(index) ? m_matrixParams[index] : unansweredMatrix();
}

// ------------------------------------------------------------------ drawing

D3DXVECTOR3 PostEffect::pointAhead(const Camera& camera)
{
    const D3DXVECTOR3 ahead(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 point;
    D3DXVec3TransformCoord(&point, &ahead, &camera.getViewInverseMatrix());
    return point;
}

namespace {

// The states a pass set let the target's earlier pixels count.
bool passReadsTarget(IDirect3DDevice9* device)
{
    DWORD value = 0;
    for (D3DRENDERSTATETYPE state :
         {D3DRS_ALPHABLENDENABLE, D3DRS_ALPHATESTENABLE, D3DRS_SCISSORTESTENABLE, D3DRS_ZENABLE, D3DRS_STENCILENABLE}) {
        if (FAILED(device->GetRenderState(state, &value)) || value != 0)
            return true;
    }
    return FAILED(device->GetRenderState(D3DRS_COLORWRITEENABLE, &value)) || (value & 0xF) != 0xF;
}

} // namespace

void PostEffect::preRender(Camera&) {}

void PostEffect::postRender(Camera&) {}

void PostEffect::render(Camera& camera)
{
    if (!drawsNow()) {
        // Passed over as a copy, it still makes what it reads the original, as its copy would be.
        if (m_makeOriginal && m_created && isVisible() && m_renderer && leavesPictureAsIs())
            m_renderer->takeSourceAsOriginal();
        return;
    }
    IDirect3DDevice9* device = m_d3d->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    IDirect3DSurface9* callerTarget = nullptr;
    if (FAILED(device->GetRenderTarget(0, &callerTarget)))
        callerTarget = nullptr;

    IDirect3DTexture9* gbuffer[4] = {};
    if (m_deferredTechnique) {
        fx->SetTechnique(m_fixed.deferredTechnique);
        if (m_deferredRenderer && m_deferredRenderer->getBufferTextures(gbuffer)) {
            for (int i = 0; i < 4; ++i)
                fx->SetTexture(m_fixed.gbuffer[i], gbuffer[i]);
        }
    } else {
        fx->SetTechnique(m_fixed.technique);
    }
    fx->SetTexture(m_fixed.source, m_renderer->getSourceTexture());
    fx->SetTexture(m_fixed.original, m_renderer->getOriginalTexture());
    preRender(camera);
    if (m_extraPasses.empty()) {
        if (ExtraPassTarget* extra = m_renderer->getCurrentExtra())
            fx->SetTexture(m_fixed.extra, extra->texture());
    }
    for (const ExtraPass& pass : m_extraPasses) {
        if (ExtraPassTarget* target = m_renderer->findExtraTarget(pass.name)) {
            m_renderer->setCurrentExtra(target);
            fx->SetTexture(pass.handleName.c_str(), target->texture());
        }
    }
    fx->SetFloat(m_fixed.time, m_time);
    for (auto it = m_staticTextures.rbegin(); it != m_staticTextures.rend(); ++it)
        fx->SetTexture((*it)->getHandle().c_str(), (*it)->getDirect3DTexture());
    for (int i = 0; i < kParamCount; ++i) {
        if (m_floatHandles[i])
            fx->SetFloat(m_floatHandles[i], m_floatParams[i]);
        if (m_vec4Handles[i])
            fx->SetVector(m_vec4Handles[i], &m_vec4Params[i]);
        if (m_setMatrices && m_matrixHandles[i])
            fx->SetMatrix(m_matrixHandles[i], &m_matrixParams[i]);
    }
    double zNear = 0.0, zFar = 0.0;
    camera.getNearFar(zNear, zFar);
    const float range[3] = {static_cast<float>(zNear), static_cast<float>(zFar),
                            zNear != 0.0 ? static_cast<float>(zFar / zNear) : 0.0f};
    fx->SetValue(m_fixed.depthRange, range, sizeof range);

    IDirect3DSurface9* destination = m_renderer->beginEffectDraw(m_makeOriginal);
    device->SetRenderTarget(0, destination);
    device->BeginScene();
    // The quad covers the whole target while no scale of this frame shrank it.
    bool wholeTarget = m_scaleX == 1.0f && m_scaleY == 1.0f && m_renderer->getCurrentScaleX() == 1.0f &&
                       m_renderer->getCurrentScaleY() == 1.0f;
    for (const D3DXVECTOR2& scale : m_passScales)
        wholeTarget = wholeTarget && scale.x == 1.0f && scale.y == 1.0f;
    if (!wholeTarget || m_targetRead != TargetRead::NOT_READ) {
        // Without its clear the target shows the image before, as a target of its own would.
        if (!m_clearTarget && m_renderer->getSourceSurface())
            device->StretchRect(m_renderer->getSourceSurface(), nullptr, destination, nullptr, D3DTEXF_NONE);
        // The chain draws without a depth buffer (see PostEffectRenderer::renderPasses).
        if (m_clearTarget)
            device->Clear(0, nullptr, D3DCLEAR_TARGET, m_clearColor, 1.0f, 0);
    }
    UINT passes = 0;
    if (SUCCEEDED(fx->Begin(&passes, 0))) {
        bool read = false;
        for (UINT p = 0; p < passes; ++p) {
            fx->BeginPass(p);
            if (m_targetRead == TargetRead::UNKNOWN)
                read = read || passReadsTarget(device);
            const D3DXVECTOR2 scale = p < m_passScales.size() ? m_passScales[p] : D3DXVECTOR2(1.0f, 1.0f);
            m_renderer->drawQuad(m_scaleX * scale.x, m_scaleY * scale.y);
            fx->EndPass();
        }
        fx->End();
        if (m_targetRead == TargetRead::UNKNOWN)
            m_targetRead = read ? TargetRead::READ : TargetRead::NOT_READ;
    }
    device->EndScene();
    // The effect holds what is bound to it: the renderer's default-pool targets must not outlive
    // their release (a device reset fails while anything holds one).
    fx->SetTexture(m_fixed.source, nullptr);
    fx->SetTexture(m_fixed.original, nullptr);
    fx->SetTexture(m_fixed.extra, nullptr);
    for (const ExtraPass& pass : m_extraPasses)
        fx->SetTexture(pass.handleName.c_str(), nullptr);
    if (m_deferredTechnique) {
        for (D3DXHANDLE handle : m_fixed.gbuffer)
            fx->SetTexture(handle, nullptr);
    }
    m_renderer->endEffectDraw(m_makeOriginal);
    if (callerTarget) {
        device->SetRenderTarget(0, callerTarget);
        callerTarget->Release();
    }
    postRender(camera);
}

} // namespace Ulvo
