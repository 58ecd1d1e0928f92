#include "threematch/MyGlobals.h"

namespace ThreeMatch {

bool MyGlobals::load(Ulvo::XMLNode* node)
{
    if (node)
        m_apiParams = *node;
    return true;
}

bool MyGlobals::save(Ulvo::XMLNode* node)
{
    if (!node)
        return true;
    for (const Ulvo::XMLAttribute* attribute : m_apiParams.getAttributes())
        node->addAttribute(new Ulvo::XMLAttribute(*attribute));
    for (const Ulvo::XMLProperty* property : m_apiParams.getProperties())
        node->addProperty(property->clone());
    for (const Ulvo::XMLNode* child : m_apiParams.getNodes())
        node->addNode(new Ulvo::XMLNode(*child));
    return true;
}

bool MyGlobals::initSound(Ulvo::EngineParams*)
{
    return true;
}

bool MyGlobals::postInit(Ulvo::EngineParams*)
{
    return true;
}

} // namespace ThreeMatch
