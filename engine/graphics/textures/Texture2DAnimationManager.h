#pragma once
// The process's texture animations, loaded from animation files, with a
// texture manager of its own for the textures those files bring.
#include "graphics/textures/TextureManager.h"

#include <string>
#include <vector>

namespace Ulvo {

class Texture2DAnimation;
class XMLNode;

class Texture2DAnimationManager {
public:
    static Texture2DAnimationManager* getInstance();
    ~Texture2DAnimationManager();
    Texture2DAnimationManager(const Texture2DAnimationManager&) = delete;
    Texture2DAnimationManager& operator=(const Texture2DAnimationManager&) = delete;

    // An animation file's root: TEXTURES (a texture list), TEXTURE_FILES
    // (names of texture list files) and ANIMATION_2D nodes, appended in order.
    void load(XMLNode* node);

    // The first animation of that name (no reference added), or null.
    Texture2DAnimation* getAnimation(const std::wstring& name) const;

    // Releases every animation; the textures stay.
    void clear();

    TextureManager& getTextures() { return m_textures; }
    const std::vector<Texture2DAnimation*>& getAnimations() const { return m_animations; }

private:
    Texture2DAnimationManager() = default;

    TextureManager m_textures;
    std::vector<Texture2DAnimation*> m_animations;
};

} // namespace Ulvo
