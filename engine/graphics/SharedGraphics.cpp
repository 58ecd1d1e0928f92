#include "graphics/SharedGraphics.h"

#include "graphics/meshes/MeshManager.h"
#include "graphics/sprites/SpritePair.h"
#include "graphics/textures/TextureManager.h"

namespace Ulvo {

SharedGraphics::SharedGraphics(EffectManager* effects)
    : m_effects(effects), m_textures(new TextureManager()), m_meshes(new MeshManager()), m_sprites(new SpritePair())
{
}

SharedGraphics::~SharedGraphics()
{
    m_meshes.reset();
    m_textures.reset();
    m_sprites.reset();
}

void SharedGraphics::onDeviceStarted()
{
    m_sprites->create();
}

} // namespace Ulvo
