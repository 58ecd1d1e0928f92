#include "gui/GUISystem.h"

namespace Ulvo {

GUISystem* GUISystem::getInstance()
{
    static GUISystem instance;
    return &instance;
}

} // namespace Ulvo
