#include "scene/objects/LightAttachPoint.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "scene/objects/LightHost.h"
#include "render/XMLWrites.h"

#include <crt.h>

namespace Ulvo {

namespace {

LightHost* s_host = nullptr;

// "base" or "base variation".
void readTime(const XMLNode* node, const wchar_t* key, float& base, float& variation)
{
    std::vector<std::wstring> words;
    node->readWords(key, words);
    if (words.empty())
        return;
    base = XMLProperty(words[0]).getFloat();
    variation = words.size() > 1 ? XMLProperty(words[1]).getFloat() : 0.0f;
}

// Uniformly within base plus or minus variation.
float drawTime(float base, float variation)
{
    return base + variation - 2.0f * variation * static_cast<float>(crt_rand()) / static_cast<float>(CRT_RAND_MAX);
}

} // namespace

void BaseObjekt::LightAttachPoint::setLightHost(LightHost* host)
{
    s_host = host;
}

LightHost* BaseObjekt::LightAttachPoint::getLightHost()
{
    return s_host;
}

BaseObjekt::LightAttachPoint::LightAttachPoint(XMLNode* node) : AttachPoint(node)
{
    node->readString(L"LIGHT_NAME", m_lightName);
    readTime(node, L"LIGHT_ON", m_onBase, m_onVariation);
    readTime(node, L"LIGHT_OFF", m_offBase, m_offVariation);
    m_onTime = m_onBase;
    m_offTime = m_offBase;
}

BaseObjekt::LightAttachPoint::LightAttachPoint(const LightAttachPoint& other)
    : AttachPoint(other)
    , m_lightName(other.m_lightName)
    , m_offBase(other.m_offBase)
    , m_offVariation(other.m_offVariation)
    , m_offTime(drawTime(other.m_offBase, other.m_offVariation))
    , m_onBase(other.m_onBase)
    , m_onVariation(other.m_onVariation)
    , m_onTime(drawTime(other.m_onBase, other.m_onVariation))
{
}

BaseObjekt::LightAttachPoint::~LightAttachPoint()
{
    if (!m_light)
        return;
    if (s_host)
        s_host->deactivateLight(m_light);
    m_light->Release();
    m_light = nullptr;
}

bool BaseObjekt::LightAttachPoint::save(XMLNode* node)
{
    if (!AttachPoint::save(node))
        return false;
    xmlwrite::write(node, L"LIGHT_NAME", m_lightName);
    xmlwrite::write(node, L"LIGHT_ON", xmlwrite::numberText(m_onBase) + L" " + xmlwrite::numberText(m_onVariation));
    xmlwrite::write(node, L"LIGHT_OFF", xmlwrite::numberText(m_offBase) + L" " + xmlwrite::numberText(m_offVariation));
    return true;
}

void BaseObjekt::LightAttachPoint::switchOn()
{
    if (!m_light && s_host)
        m_light = s_host->createAttachedLight(m_lightName, this);
    if (m_light && s_host)
        s_host->activateLight(m_light);
    m_on = true;
}

void BaseObjekt::LightAttachPoint::switchOff()
{
    if (m_light && s_host)
        s_host->deactivateLight(m_light);
    m_on = false;
}

} // namespace Ulvo
