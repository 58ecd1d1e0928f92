#include "threematch/MyGlobals.h"

#include "devices/d3d/D3DInterface.h"
#include "devices/sound/SoundInitParams.h"
#include "foundation/EngineParams.h"
#include "foundation/files/File.h"
#include "foundation/files/GOBManager.h"
#include "foundation/logging/Logger.h"
#include "graphics/textures/TextureLoadOptions.h"
#include "graphics/textures/TextureManager.h"

#include <objbase.h>

#include <cstring>
#include <string>

namespace ThreeMatch {

bool MyGlobals::load(Ulvo::XMLNode* node)
{
    if (node)
        m_apiParams.keep(*node);
    return true;
}

bool MyGlobals::save(Ulvo::XMLNode* node)
{
    if (node)
        m_apiParams.append(*node);
    return true;
}

bool MyGlobals::initSound(Ulvo::EngineParams* params)
{
    if (!params)
        return true;
    Ulvo::SoundInitParams& sound = params->getSoundInitParams();
    sound.setInit3D(false);
    Ulvo::File file(L"Vodezivudo.xgs");
    if (!file.loadFile(L"data\\Sounds\\Vodezivudo.xgs", Ulvo::GOBManager::getInstance()->getGOBOrder(L"DEFAULT")))
        return true; // the engine starts without global settings
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!file.getFILE_DATA(data, size))
        return true;
    // The sound engine takes the buffer over and frees it with CoTaskMemFree.
    if (void* buffer = CoTaskMemAlloc(size)) {
        std::memcpy(buffer, data, size);
        sound.m_runtime_params.pGlobalSettingsBuffer = buffer;
        sound.m_runtime_params.globalSettingsBufferSize = size;
        sound.m_runtime_params.globalSettingsFlags = XACT_FLAG_GLOBAL_SETTINGS_MANAGEDATA;
    } else {
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR, L"CoTaskMemAlloc(" + std::to_wstring(size) + L") failed!\n");
    }
    delete[] data;
    return true;
}

bool MyGlobals::postInit(Ulvo::EngineParams*)
{
    Ulvo::XMLNode rects;
    if (Ulvo::XMLNode::load(&rects, L"Data\\Menu\\rects.tex", 0))
        Ulvo::D3DInterface::getInstance()->getTextureManager()->load(&rects, Ulvo::TextureLoadOptions());
    return true;
}

} // namespace ThreeMatch
