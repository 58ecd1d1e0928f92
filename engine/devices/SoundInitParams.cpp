#include "devices/SoundInitParams.h"

#include "foundation/XMLNode.h"

namespace Ulvo {

bool SoundInitParams::load(XMLNode* node)
{
    if (node)
        m_section.keep(*node);
    return true;
}

bool SoundInitParams::save(XMLNode* node)
{
    if (node)
        m_section.write(*node, XMLNode());
    return true;
}

} // namespace Ulvo
