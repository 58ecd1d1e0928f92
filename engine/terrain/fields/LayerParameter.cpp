#include "terrain/fields/LayerParameter.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

namespace Ulvo {

LayerParameter::LayerParameter(XMLNode* node) : NamedObject(node)
{
    load(node);
}

bool LayerParameter::load(XMLNode* node)
{
    if (!node)
        return false;
    for (XMLNode* child : fieldChildren(node, L"LayerParameter")) {
        Parameter* parameter = createParameter(child);
        uint32_t layer = 0;
        child->readInt(L"LAYER_ID", layer);
        setParameter(parameter, layer);
    }
    return true;
}

void LayerParameter::setParameter(Parameter* parameter, uint32_t layer)
{
    // A negative or huge id would grow the list to billions of slots the terrain never reads.
    if (layer >= MAX_LAYERS) {
        mainLogger().log(50, LOG_TYPE_WARNING, L"Ulvo::LayerParameter ", getName(), L": LAYER_ID ", layer,
                         L" ausserhalb 0..3, ignoriert");
        delete parameter;
        return;
    }
    if (m_slots.size() <= layer)
        m_slots.resize(layer + 1);
    m_slots[layer].reset(parameter);
}

Parameter* LayerParameter::getParameter(uint32_t layer) const
{
    return layer < m_slots.size() ? m_slots[layer].get() : nullptr;
}

} // namespace Ulvo
