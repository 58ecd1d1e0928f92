#pragma once
// The graphics layer's shared objects that the device interface hands out: the effect
// manager, the global texture manager, the mesh list and the sprite drawers that GUI, fonts and game draw
// with. They belong to graphics, which devices may not include, so the layer above builds
// them (the engine object does, at start-up) and hands them down through this interface.
// The device interface keeps them for its whole life and deletes them with itself.
namespace Ulvo {

class EffectManager;
class MeshManager;
class TextureManager;
struct SpritePair;

class DeviceGraphics {
public:
    virtual ~DeviceGraphics() = default;

    virtual EffectManager* getEffectManager() const = 0;
    virtual TextureManager* getTextureManager() const = 0;
    virtual MeshManager* getMeshManager() const = 0;
    virtual SpritePair* getSprites() const = 0;
    // At the end of every successful device start: makes the sprite drawers on the device.
    virtual void onDeviceStarted() = 0;
};

} // namespace Ulvo
