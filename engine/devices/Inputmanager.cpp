#include "devices/Inputmanager.h"

#include "foundation/UlvoEngine.h"

namespace Ulvo {

Inputmanager* Inputmanager::getInstance()
{
    static Inputmanager instance;
    return &instance;
}

Inputmanager::Inputmanager()
{
    UlvoEngine::getInstance()->onUpdate.connect(this, &Inputmanager::update);
}

void Inputmanager::update() {}

} // namespace Ulvo
