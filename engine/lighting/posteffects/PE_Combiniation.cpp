#include "lighting/posteffects/PE_Combiniation.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "lighting/posteffects/PostEffectFactory.h"

#include <algorithm>

namespace Ulvo {

namespace {

// How many combinations are being built around the one under construction.
int s_depth = 0;

} // namespace

PE_Combiniation::PE_Combiniation(XMLNode& node, PostEffectRenderer* renderer, DeferredRenderer* deferredRenderer)
    : PostEffect(node, renderer, deferredRenderer)
{
    // Only the children draw: extra passes of its own would count without ever being drawn.
    m_extraPasses.clear();
    if (s_depth >= kMaxDepth) {
        mainLogger().log(50, LOG_TYPE_ERROR,
                         L"Ulvo::PE_Combiniation: \"" + getName() + L"\" nests combinations deeper than " +
                             std::to_wstring(kMaxDepth) + L" levels; its children are left out\n");
    } else {
        ++s_depth;
        for (unsigned i = 0, n = node.getNodeCount(L"POSTEFFECT"); i < n; ++i) {
            if (PostEffect* child = createPostEffectFromXml(*node.getNode(L"POSTEFFECT", static_cast<int>(i)), renderer,
                                                            deferredRenderer))
                m_children.push_back(child);
        }
        --s_depth;
    }
    setSkipPriority(m_skipPriority);
}

PE_Combiniation::PE_Combiniation(const PE_Combiniation& other) : PostEffect(other)
{
    for (const PostEffect* child : other.m_children)
        m_children.push_back(child->clone());
}

PE_Combiniation::~PE_Combiniation()
{
    releaseAndClear(m_children);
}

bool PE_Combiniation::activate()
{
    bool created = false;
    for (PostEffect* child : m_children)
        created = child->activate() || created;
    m_activated = true;
    return created;
}

bool PE_Combiniation::deactivate()
{
    bool removed = false;
    for (PostEffect* child : m_children)
        removed = child->deactivate() || removed;
    m_activated = false;
    return removed;
}

void PE_Combiniation::render(Camera& camera)
{
    if (!isVisible())
        return;
    for (PostEffect* child : m_children)
        child->render(camera);
}

int PE_Combiniation::countDraws() const
{
    if (!isVisible())
        return 0;
    int draws = 0;
    for (const PostEffect* child : m_children)
        draws += child->countDraws();
    return draws;
}

void PE_Combiniation::initHandles()
{
    for (PostEffect* child : m_children)
        child->initHandles();
}

void PE_Combiniation::update(double elapsedSeconds)
{
    for (PostEffect* child : m_children)
        child->update(elapsedSeconds);
}

RenderPostEffect* PE_Combiniation::findByName(const std::wstring& name)
{
    if (getName() == name)
        return this;
    for (PostEffect* child : m_children) {
        if (RenderPostEffect* found = child->findByName(name))
            return found;
    }
    return nullptr;
}

void PE_Combiniation::setSkipPriority(uint32_t priority)
{
    PostEffect::setSkipPriority(priority);
    for (PostEffect* child : m_children)
        child->setSkipPriority(priority);
}

void PE_Combiniation::setCurrentPriority(uint32_t level)
{
    PostEffect::setCurrentPriority(level);
    for (PostEffect* child : m_children)
        child->setCurrentPriority(level);
}

void PE_Combiniation::setEnabled(bool enabled)
{
    PostEffect::setEnabled(enabled);
    for (PostEffect* child : m_children)
        child->setEnabled(enabled);
}

void PE_Combiniation::setDeferredTechnique(bool deferred)
{
    for (PostEffect* child : m_children)
        child->setDeferredTechnique(deferred);
}

bool PE_Combiniation::isActive() const
{
    return std::all_of(m_children.begin(), m_children.end(), [](const PostEffect* child) { return child->isActive(); });
}

} // namespace Ulvo
