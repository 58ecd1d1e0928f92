#include "threematch/town/Katastrophe.h"

#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameGraphics.h"

namespace ThreeMatch {

Katastrophe::Katastrophe(const Ulvo::XMLNode& node)
{
    for (const Ulvo::XMLNode* textures : node.getNodes()) {
        std::wstring file;
        if (textures && textures->getName() == L"TEXTURES" && textures->readString(L"FILE", file))
            loadGameTextureList(file);
    }
    node.readString(L"TEXT_ID", m_textId);
    std::wstring texture;
    if (node.readString(L"TEXTUR", texture))
        m_texture = findGameTexture(texture);
}

std::vector<Katastrophe> Katastrophe::loadAll(const std::wstring& fileName)
{
    Ulvo::XMLNode root;
    if (!readDataFile(fileName, root, L"ThreeMatch::Katastrophe"))
        return {};
    std::vector<Katastrophe> all = loadAll(root);
    if (all.empty())
        Ulvo::mainLogger().log(100, Ulvo::LOG_TYPE_ERROR, L"ThreeMatch::Katastrophe: keine in ", fileName, L"\n");
    return all;
}

std::vector<Katastrophe> Katastrophe::loadAll(const Ulvo::XMLNode& root)
{
    const TextureListsReadOnce once;
    std::vector<Katastrophe> all;
    for (const Ulvo::XMLNode* node : root.getNodes()) {
        if (node && node->getName() == L"KATASTROPHE")
            all.emplace_back(*node);
    }
    return all;
}

} // namespace ThreeMatch
