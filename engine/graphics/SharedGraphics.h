#pragma once
// The shared graphics objects the device interface hands out (see devices/DeviceGraphics.h):
// the effect manager singleton, and the global texture manager, mesh list and sprite pair,
// which this object owns.
#include "devices/d3d/DeviceGraphics.h"

#include <memory>

namespace Ulvo {

class SharedGraphics : public DeviceGraphics {
public:
    // Creates the texture manager, the mesh list, then the sprite pair.
    explicit SharedGraphics(EffectManager* effects);
    // Deletes the mesh list (its meshes hold textures), the texture manager, then the sprite pair.
    ~SharedGraphics() override;
    SharedGraphics(const SharedGraphics&) = delete;
    SharedGraphics& operator=(const SharedGraphics&) = delete;

    EffectManager* getEffectManager() const override { return m_effects; }
    TextureManager* getTextureManager() const override { return m_textures.get(); }
    MeshManager* getMeshManager() const override { return m_meshes.get(); }
    SpritePair* getSprites() const override { return m_sprites.get(); }
    void onDeviceStarted() override;

private:
    EffectManager* m_effects;
    std::unique_ptr<TextureManager> m_textures;
    std::unique_ptr<MeshManager> m_meshes;
    std::unique_ptr<SpritePair> m_sprites;
};

} // namespace Ulvo
