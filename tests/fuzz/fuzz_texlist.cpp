// Reads arbitrary bytes as a texture list and as an animation file and runs them through the
// texture manager and the animation manager. There is no device here, so every texture fails
// to be made; what is exercised is the reading of entries, parts, rectangles and frame strips,
// the failure paths, the frame strips over stand-in textures and the play arithmetic of whatever animations come out.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/Texture2DAnimation.h"
#include "graphics/textures/Texture2DAnimationManager.h"
#include "graphics/textures/TextureManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode list;
    Ulvo::XMLNode::load(&list, fuzzText(data, size), 1);

    Ulvo::TextureManager manager;
    manager.load(&list);
    manager.load(&list);
    // Nothing can be loaded without a device; a texture that claims otherwise was made
    // from nothing.
    for (Ulvo::Texture2D* texture : manager.getTextures2D()) {
        if (!texture)
            std::abort();
    }

    // Frames need textures; unloaded ones of known names stand in for a device's.
    Ulvo::Texture2DAnimationManager* animations = Ulvo::Texture2DAnimationManager::getInstance();
    for (const wchar_t* name : {L"A", L"SHEET"}) {
        auto* texture = new Ulvo::Texture2D();
        texture->rename(name);
        *texture->getRectPtr() = RECT{0, 0, 64, 32};
        animations->getTextures().add(texture, true);
    }
    animations->load(&list);
    for (Ulvo::Texture2DAnimation* animation : animations->getAnimations()) {
        const int frames = static_cast<int>(animation->getFrames().size());
        double step = 0.37;
        animation->play();
        for (int i = 0; i < 8; ++i) {
            animation->update(step);
            const int index = animation->getFrameIndex();
            if (index < 0 || (frames > 0 && index > frames))
                std::abort();
            if (!animation->getCurrentTexture())
                std::abort();
        }
        Ulvo::Texture2DAnimation* copy = animation->clone();
        copy->Release();
    }
    animations->clear();
    animations->getTextures().clear();
    return 0;
}
