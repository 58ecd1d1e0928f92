#pragma once
// Sound engine settings: the section "SOUNDINITPARAMS" of "config.cfg".
// Stand-in: the class grows with the sound subsystem; until then the section is
// kept as read and written back unchanged.
#include "devices/ConfigSection.h"

namespace Ulvo {

class XMLNode;

class SoundInitParams {
public:
    // Always true.
    bool load(XMLNode* node);
    bool save(XMLNode* node);

private:
    ConfigSection m_section;
};

} // namespace Ulvo
