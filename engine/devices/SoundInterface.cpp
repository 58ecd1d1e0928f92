#include "devices/SoundInterface.h"

namespace Ulvo {

SoundInterface* SoundInterface::getInstance()
{
    static SoundInterface instance;
    return &instance;
}

bool SoundInterface::init(SoundInitParams* params)
{
    m_initParams = params;
    return true;
}

void SoundInterface::update() {}

} // namespace Ulvo
