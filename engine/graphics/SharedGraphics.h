#pragma once
// The shared graphics objects the device interface hands out (see devices/DeviceGraphics.h):
// the effect manager singleton, and the global texture manager, mesh list and sprite pair,
// which this object owns.
#include "devices/d3d/DeviceGraphics.h"

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
    TextureManager* getTextureManager() const override { return m_textures; }
    MeshManager* getMeshManager() const override { return m_meshes; }
    SpritePair* getSprites() const override { return m_sprites; }
    void onDeviceStarted() override;

private:
    EffectManager* m_effects;
    TextureManager* m_textures;
    MeshManager* m_meshes;
    SpritePair* m_sprites;
};

} // namespace Ulvo
