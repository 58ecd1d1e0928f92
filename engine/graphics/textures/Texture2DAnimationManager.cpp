#include "graphics/textures/Texture2DAnimationManager.h"

#include "foundation/files/File.h"
#include "foundation/helpers/Release.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2DAnimation.h"

namespace Ulvo {

Texture2DAnimationManager* Texture2DAnimationManager::getInstance()
{
    static Texture2DAnimationManager instance;
    return &instance;
}

Texture2DAnimationManager::~Texture2DAnimationManager()
{
    clear();
}

void Texture2DAnimationManager::load(XMLNode* node)
{
    if (!node)
        return;
    if (XMLNode* textures = node->getNode(L"TEXTURES"))
        m_textures.load(textures);
    if (XMLNode* files = node->getNode(L"TEXTURE_FILES")) {
        for (XMLProperty* value : files->getProperties()) {
            if (!value || !File::checkDataReference(value->getValue()))
                continue;
            // A missing or broken file is logged by the reader and adds nothing.
            XMLNode list;
            XMLNode::load(&list, value->getValue(), 0);
            m_textures.load(&list);
        }
    }
    for (XMLNode* child : node->getNodes()) {
        if (child && child->getName() == L"ANIMATION_2D")
            m_animations.push_back(new Texture2DAnimation(child));
    }
}

Texture2DAnimation* Texture2DAnimationManager::getAnimation(const std::wstring& name) const
{
    return findNamedObject(m_animations, name);
}

void Texture2DAnimationManager::clear()
{
    releaseAndClear(m_animations);
}

} // namespace Ulvo
