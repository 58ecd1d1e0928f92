#include "render/CameraManager.h"

namespace Ulvo {

CameraManager* CameraManager::getInstance()
{
    static CameraManager instance;
    return &instance;
}

} // namespace Ulvo
