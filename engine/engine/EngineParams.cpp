#include "engine/EngineParams.h"

#include "foundation/xml/XMLNode.h"

namespace Ulvo {

EngineParams::EngineParams(Window* window) : m_d3dParams(window), m_dinputParams(window) {}

bool EngineParams::load(XMLNode* node)
{
    if (!node)
        return true;
    if (XMLNode* section = node->getNode(L"D3DINITPARAMS"))
        m_d3dParams.load(section);
    if (XMLNode* section = node->getNode(L"SOUNDINITPARAMS"))
        m_soundParams.load(section);
    if (XMLNode* section = node->getNode(L"DINPUTINITPARAMS"))
        m_dinputParams.load(section);
    m_otherSections.keepUnknown(*node, {L"D3DINITPARAMS", L"SOUNDINITPARAMS", L"DINPUTINITPARAMS"});
    return true;
}

bool EngineParams::save(XMLNode* node)
{
    if (!node)
        return true;
    XMLNode* d3d = new XMLNode(L"D3DINITPARAMS");
    m_d3dParams.save(d3d);
    node->addNode(d3d);
    XMLNode* sound = new XMLNode(L"SOUNDINITPARAMS");
    m_soundParams.save(sound);
    node->addNode(sound);
    XMLNode* dinput = new XMLNode(L"DINPUTINITPARAMS");
    m_dinputParams.save(dinput);
    node->addNode(dinput);
    m_otherSections.append(*node);
    return true;
}

} // namespace Ulvo
