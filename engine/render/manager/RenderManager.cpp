#include "render/manager/RenderManager.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "render/manager/DeferredStage.h"
#include "render/manager/HDRStage.h"
#include "render/manager/PostEffectStage.h"
#include "render/manager/RenderPostEffect.h"
#include "render/passes/RenderPass.h"
#include "render/passes/RenderPassZBuffer.h"

#include <algorithm>

namespace Ulvo {

namespace {

// WATER_QUALITY and SHADOW_QUALITY: the exact keywords, any other text low.
MyQuality qualityFromKeyword(const std::wstring& word)
{
    if (word == L"HIGH")
        return QUALITY_HIGH;
    if (word == L"MEDIUM")
        return QUALITY_MEDIUM;
    if (word == L"NONE")
        return QUALITY_NONE;
    return QUALITY_LOW;
}

// Every free value of the root's first child of that name.
std::vector<std::wstring> listedNames(XMLNode* root, const wchar_t* child)
{
    std::vector<std::wstring> names;
    if (XMLNode* node = root->getNode(child)) {
        for (const XMLProperty* value : node->getProperties())
            names.push_back(value->getValue());
    }
    return names;
}

// The floats of a blank-separated list; empty unless it holds at least `needed` items.
std::vector<float> floatList(XMLNode* node, const wchar_t* name, std::size_t needed)
{
    std::vector<float> values;
    XMLAttribute* attribute = node->getAttribute(name);
    if (!attribute)
        return values;
    for (const std::wstring& item : XMLValueList::split(attribute->getValue(), L' '))
        values.push_back(XMLProperty(item).getFloat());
    if (values.size() < needed)
        values.clear();
    return values;
}

} // namespace

RenderManager::RenderManager() : m_d3d(D3DInterface::getInstance()), m_forward(*this), m_deviceLink(*this)
{
    registerCommands(kCommands);
    registerRenderPassKinds(m_passKinds);
    m_d3d->backBufferSizeChanged.connect(this, &RenderManager::onScreenSizeChanged);
    m_deviceLink.followDevice();
}

RenderManager::~RenderManager()
{
    m_forward.clearPasses(0);
    m_forward.clearPasses(1);
    for (RenderPass* pass : m_passes)
        pass->Release();
    m_passes.clear();
    // Each effect deactivates itself with its renderer, which is still there.
    if (m_postEffects)
        m_postEffects->getActiveEffects().clear();
    for (RenderPostEffect* effect : m_postEffectList)
        effect->Release();
    m_postEffectList.clear();
    m_overlays.clear();
    m_mappings.clear();
    releaseAndNull(m_zBufferPass);
    m_postEffects.reset();
    m_hdr.reset();
    m_deferred.reset();
}

void RenderManager::setRenderers(DeferredStage* deferred, HDRStage* hdr, PostEffectStage* postEffects)
{
    if (m_deferred || m_hdr || m_postEffects) {
        mainLogger().log(100, LOG_TYPE_ERROR, L"Ulvo::RenderManager::setRenderers: the renderers are set already\n");
        delete deferred;
        delete hdr;
        delete postEffects;
        return;
    }
    m_deferred.reset(deferred);
    m_hdr.reset(hdr);
    m_postEffects.reset(postEffects);
    if (m_hdr)
        m_hdr->modeChanged.connect(this, &RenderManager::onHDRModeChanged);
    if (m_deferred)
        m_deferred->enabledChanged.connect(this, &RenderManager::onDeferredRenderingChanged);
}

// ------------------------------------------------------------------ configuration

void RenderManager::load(XMLNode* root)
{
    if (!root)
        return;
    loadPasses(root);
    for (unsigned i = 0, n = root->getNodeCount(L"POSTEFFECT"); i < n; ++i) {
        XMLNode* node = root->getNode(L"POSTEFFECT", static_cast<int>(i));
        RenderPostEffect* effect = m_postEffects ? m_postEffects->createPostEffect(*node) : nullptr;
        if (effect)
            m_postEffectList.push_back(effect);
    }
    if (XMLNode* node = root->getNode(L"DEFERRED_RENDERING"); node && m_deferred)
        m_deferred->loadConfig(*node);
    if (XMLNode* node = root->getNode(L"HDR_RENDERING"); node && m_hdr)
        m_hdr->loadConfig(*node);
    if (XMLNode* node = root->getNode(L"FORWARD_RENDERING"))
        m_forward.loadConfig(*node);
    if (XMLNode* node = root->getNode(L"POSTEFFECT_RENDERING"); node && m_postEffects)
        m_postEffects->loadConfig(*node);
    for (const std::wstring& name : listedNames(root, L"ACTIVE_RENDERPASSES")) {
        m_forward.addPass(name, 0);
        m_forward.addPass(name, 1);
    }
    for (const std::wstring& name : listedNames(root, L"ACTIVE_RENDERPASSES_DEFERRED"))
        m_forward.addPass(name, 1);
    for (const std::wstring& name : listedNames(root, L"ACTIVE_RENDERPASSES_FORWARD"))
        m_forward.addPass(name, 0);
    for (const std::wstring& name : listedNames(root, L"ACTIVE_OVERLAYPASSES"))
        addOverlayPass(getRenderPass(name));
    for (const std::wstring& name : listedNames(root, L"ACTIVE_POSTEFFECTS"))
        activatePostEffect(getPostEffect(name));
    for (const std::wstring& name : listedNames(root, L"INACTIVE_POSTEFFECTS"))
        deactivatePostEffect(getPostEffect(name));
    if (XMLNode* node = root->getNode(L"POSTEFFECTS_STRING_MAPPINGS"))
        loadStringMappings(node);
    std::wstring word;
    if (root->readString(L"WATER_QUALITY", word))
        setWaterQuality(qualityFromKeyword(word));
    if (root->readString(L"SHADOW_QUALITY", word))
        setShadowQuality(qualityFromKeyword(word));
    uint32_t skip = m_skipLevel;
    if (root->readInt(L"SKIP_POSTEFFECTS", skip))
        setSkipPostEffects(skip);
}

void RenderManager::loadPasses(XMLNode* root)
{
    for (unsigned i = 0, n = root->getNodeCount(L"RENDERPASS"); i < n; ++i) {
        RenderPass* pass = createRenderPassFromXml(root->getNode(L"RENDERPASS", static_cast<int>(i)), this);
        if (!pass)
            continue;
        // A configuration read after the graph was set (the game's, after the engine's start)
        // draws that graph too.
        pass->setSceneGraph(m_sceneGraph);
        for (std::size_t k = m_passes.size(); k-- > 0;) {
            RenderPass* old = m_passes[k];
            if (old->getName() != pass->getName())
                continue;
            // From both lists: the inactive one would keep the released pass for the next switch.
            m_forward.removePass(old, 0);
            m_forward.removePass(old, 1);
            m_passes.erase(m_passes.begin() + static_cast<std::ptrdiff_t>(k));
            old->Release();
        }
        m_passes.push_back(pass);
    }
}

void RenderManager::loadStringMappings(XMLNode* mappings)
{
    for (unsigned i = 0, n = mappings->getNodeCount(L"STRING_MAPPING"); i < n; ++i) {
        XMLNode* entry = mappings->getNode(L"STRING_MAPPING", static_cast<int>(i));
        std::wstring effectName, mapping, parameter;
        if (!entry->readString(L"POSTEFFECT_NAME", effectName) || !entry->readString(L"STRING", mapping) ||
            !entry->readString(L"PARAM_TO_CHANGE", parameter)) {
            mainLogger().log(50, LOG_TYPE_WARNING,
                             L"Ulvo::RenderManager::load: a STRING_MAPPING lacks POSTEFFECT_NAME, STRING or "
                             L"PARAM_TO_CHANGE and is skipped\n");
            continue;
        }
        RenderPostEffect* effect = getPostEffect(effectName);
        if (!effect) {
            mainLogger().log(50, LOG_TYPE_WARNING,
                             L"Ulvo::RenderManager::load: STRING_MAPPING \"" + mapping +
                                 L"\" names the post effect \"" + effectName +
                                 L"\", which does not exist, and is skipped\n");
            continue;
        }
        std::vector<ParameterMappingTarget>& targets = m_mappings[mapping];
        const bool listed = std::any_of(targets.begin(), targets.end(), [&](const ParameterMappingTarget& t) {
            return t.effect == effect && t.parameter == parameter;
        });
        if (!listed)
            targets.push_back(ParameterMappingTarget{effect, parameter});
        applyInitialValues(entry, mapping);
    }
    for (unsigned i = 0, n = mappings->getNodeCount(L"INITIALIZE"); i < n; ++i) {
        XMLNode* entry = mappings->getNode(L"INITIALIZE", static_cast<int>(i));
        std::wstring mapping;
        if (entry->readString(L"STRING", mapping))
            applyInitialValues(entry, mapping);
    }
}

void RenderManager::applyInitialValues(XMLNode* entry, const std::wstring& mapping)
{
    float value = 0.0f;
    if (entry->readFloat(L"INITIAL_VALUE", value))
        setPostEffectParamFloat(mapping, value);
    const std::vector<float> vector = floatList(entry, L"INITIAL_VECTOR", 4);
    if (!vector.empty())
        setPostEffectParamVector(mapping, D3DXVECTOR4(vector[0], vector[1], vector[2], vector[3]));
    const std::vector<float> matrix = floatList(entry, L"INITIAL_MATRIX", 16);
    if (!matrix.empty())
        setPostEffectParamMatrix(mapping, D3DXMATRIX(matrix.data()));
}

void RenderManager::setSceneGraph(SceneGraph* sceneGraph)
{
    m_sceneGraph = sceneGraph;
    for (RenderPass* pass : m_passes)
        pass->setSceneGraph(sceneGraph);
    if (m_zBufferPass)
        m_zBufferPass->setSceneGraph(sceneGraph);
    for (RenderPostEffect* effect : getActivePostEffects())
        effect->initHandles();
    m_forward.setSceneGraph(sceneGraph);
    if (m_hdr)
        m_hdr->resetAdaptationTime();
    if (m_deferred)
        m_deferred->setSceneGraph(sceneGraph);
    onHDRModeChanged(m_hdr ? m_hdr->getMode() : 0);
}

// ------------------------------------------------------------------ passes

RenderPass* RenderManager::getRenderPass(const std::wstring& name) const
{
    return findNamedObject(m_passes, name);
}

void RenderManager::addOverlayPass(RenderPass* pass)
{
    if (!pass || std::find(m_overlays.begin(), m_overlays.end(), pass) != m_overlays.end())
        return;
    m_overlays.push_back(pass);
    pass->addRef();
}

void RenderManager::removeOverlayPass(RenderPass* pass)
{
    auto found = std::find(m_overlays.begin(), m_overlays.end(), pass);
    if (found == m_overlays.end())
        return;
    m_overlays.erase(found);
    pass->release();
}

// ------------------------------------------------------------------ post effects

RenderPostEffect* RenderManager::getPostEffect(const std::wstring& name) const
{
    for (RenderPostEffect* effect : m_postEffectList) {
        if (RenderPostEffect* found = effect->findByName(name))
            return found;
    }
    return nullptr;
}

const std::vector<RenderPostEffect*>& RenderManager::getActivePostEffects() const
{
    static const std::vector<RenderPostEffect*> none;
    return m_postEffects ? m_postEffects->getActiveEffects() : none;
}

bool RenderManager::isDeferredEnabled() const
{
    return m_deferred && m_deferred->isEnabled();
}

bool RenderManager::lightsForwardImage() const
{
    return isDeferredEnabled() || (m_hdr && m_hdr->getMode() != 0);
}

void RenderManager::sortActivePostEffects()
{
    std::vector<RenderPostEffect*>& active = m_postEffects->getActiveEffects();
    std::sort(active.begin(), active.end(),
              [](RenderPostEffect* a, RenderPostEffect* b) { return a->getPriority() < b->getPriority(); });
}

void RenderManager::activatePostEffect(RenderPostEffect* effect)
{
    if (!effect || !m_postEffects)
        return;
    std::vector<RenderPostEffect*>& active = m_postEffects->getActiveEffects();
    if (std::find(active.begin(), active.end(), effect) != active.end())
        return;
    effect->initHandles();
    if (effect->activate())
        m_postEffects->initAllPasses();
    active.push_back(effect);
    effect->setDeferredTechnique(isDeferredEnabled());
    sortActivePostEffects();
    setSkipPostEffects(m_skipLevel);
}

void RenderManager::deactivatePostEffect(RenderPostEffect* effect)
{
    if (!effect || !m_postEffects)
        return;
    effect->deactivate();
    std::vector<RenderPostEffect*>& active = m_postEffects->getActiveEffects();
    active.erase(std::remove(active.begin(), active.end(), effect), active.end());
    sortActivePostEffects();
    effect->setDeferredTechnique(isDeferredEnabled());
}

void RenderManager::deactivatePostEffectByName(const std::wstring& name)
{
    deactivatePostEffect(getPostEffect(name));
}

bool RenderManager::setPostEffectParamFloat(const std::wstring& mapping, float value)
{
    const auto found = m_mappings.find(mapping);
    if (found == m_mappings.end())
        return false;
    bool all = true;
    for (const ParameterMappingTarget& target : found->second)
        all = target.effect->setParamFloat(target.parameter, value) && all;
    return all;
}

bool RenderManager::setPostEffectParamVector(const std::wstring& mapping, const D3DXVECTOR4& value)
{
    const auto found = m_mappings.find(mapping);
    if (found == m_mappings.end())
        return false;
    bool all = true;
    for (const ParameterMappingTarget& target : found->second)
        all = target.effect->setParamVector(target.parameter, value) && all;
    return all;
}

bool RenderManager::setPostEffectParamMatrix(const std::wstring& mapping, const D3DXMATRIX& value)
{
    const auto found = m_mappings.find(mapping);
    if (found == m_mappings.end())
        return false;
    bool all = true;
    for (const ParameterMappingTarget& target : found->second)
        all = target.effect->setParamMatrix(target.parameter, value) && all;
    return all;
}

bool RenderManager::getPostEffectParamFloat(const std::wstring& mapping, float& value) const
{
    const auto found = m_mappings.find(mapping);
    if (found == m_mappings.end())
        return false;
    for (const ParameterMappingTarget& target : found->second)
        value = target.effect->getParamFloat(target.parameter);
    return true;
}

bool RenderManager::getPostEffectParamVector(const std::wstring& mapping, D3DXVECTOR4& value) const
{
    const auto found = m_mappings.find(mapping);
    if (found == m_mappings.end())
        return false;
    for (const ParameterMappingTarget& target : found->second)
        value = target.effect->getParamVector(target.parameter);
    return true;
}

std::vector<MappedParameterInfo> RenderManager::getMappedParameters() const
{
    std::vector<MappedParameterInfo> out;
    std::vector<PostEffectStringMapping> records;
    for (const auto& [mapping, targets] : m_mappings) {
        for (const ParameterMappingTarget& target : targets) {
            records.clear();
            target.effect->getStringMappings(records);
            for (const PostEffectStringMapping& record : records) {
                if (record.mapping == target.parameter)
                    out.push_back(MappedParameterInfo{mapping, record.kind});
            }
        }
    }
    return out;
}

void RenderManager::setSkipPostEffects(uint32_t level)
{
    const bool changed = level != m_skipLevel;
    m_skipLevel = level;
    for (RenderPostEffect* effect : getActivePostEffects())
        effect->setCurrentPriority(level);
    if (changed)
        skipPostEffectsChanged.emit(level);
}

void RenderManager::setPostEffectsEnabled(bool enabled)
{
    if (m_postEffects)
        m_postEffects->setEnabled(enabled);
}

void RenderManager::setForwardRenderingEnabled(bool enabled)
{
    m_forward.setEnabled(enabled);
}

// ------------------------------------------------------------------ quality, size, modes

void RenderManager::setShadowQuality(MyQuality quality)
{
    // The deferred renderer and the shadow pass kinds follow the settings.
    m_settings.set(RenderSetting::ShadowQuality, quality);
}

void RenderManager::setWaterQuality(MyQuality quality)
{
    // The water and reflection pass kinds follow the settings once they exist.
    m_settings.set(RenderSetting::WaterQuality, quality);
}

RenderPassZBuffer* RenderManager::getZBufferPass()
{
    if (!m_zBufferPass) {
        auto* pass = new RenderPassZBuffer(L"ZBUFFER", this);
        pass->setSceneGraph(m_sceneGraph);
        pass->addRef();
        m_zBufferPass = pass;
    }
    return static_cast<RenderPassZBuffer*>(m_zBufferPass);
}

void RenderManager::getRenderTargetSize(unsigned& width, unsigned& height) const
{
    width = m_targetWidth == 0xFFFFFFFFu ? m_d3d->getWidth() : m_targetWidth;
    height = m_targetHeight == 0xFFFFFFFFu ? m_d3d->getHeight() : m_targetHeight;
}

void RenderManager::setRenderTargetSize(uint32_t width, uint32_t height)
{
    unsigned oldWidth = 0, oldHeight = 0, newWidth = 0, newHeight = 0;
    getRenderTargetSize(oldWidth, oldHeight);
    m_targetWidth = width;
    m_targetHeight = height;
    getRenderTargetSize(newWidth, newHeight);
    if (oldWidth != newWidth || oldHeight != newHeight)
        renderTargetSizeChanged.emit(*this);
}

bool RenderManager::setHDRMode(uint32_t bits)
{
    if (!m_hdr)
        return false;
    m_settings.set(RenderSetting::HDRActivation, bits);
    return m_hdr->setMode(bits);
}

// ------------------------------------------------------------------ slots

void RenderManager::onHDRModeChanged(const uint32_t& bits)
{
    if (m_deferred)
        m_deferred->setHDRMode(bits);
    if (m_postEffects)
        m_postEffects->setHDRMode(bits);
    m_forward.setHDRMode(bits);
}

void RenderManager::onDeferredRenderingChanged(const bool& deferred)
{
    if (m_postEffects)
        m_postEffects->setDeferredMode(deferred);
    m_forward.selectPassList(deferred);
    for (RenderPostEffect* effect : m_postEffectList)
        effect->setDeferredTechnique(deferred);
    for (RenderPostEffect* effect : getActivePostEffects())
        effect->setDeferredTechnique(deferred);
}

void RenderManager::onScreenSizeChanged(const unsigned long&, const unsigned long&)
{
    if (m_targetWidth != 0xFFFFFFFFu && m_targetHeight != 0xFFFFFFFFu)
        return;
    renderTargetSizeChanged.emit(*this);
}

void RenderManager::onDeviceLost()
{
    m_frameTexture = nullptr;
    m_frameSurface = nullptr;
}

} // namespace Ulvo
