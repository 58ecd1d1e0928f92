#include "graphics/textures/TextureFileInfo.h"

#include "devices/d3d/FormatNames.h"
#include "foundation/xml/XMLNode.h"

#include <string>

namespace Ulvo {

namespace {

DWORD filterFromName(const std::wstring& name, DWORD fallback)
{
    if (name == L"NONE")
        return D3DX_FILTER_NONE;
    if (name == L"POINT")
        return D3DX_FILTER_POINT;
    if (name == L"LINEAR")
        return D3DX_FILTER_LINEAR;
    if (name == L"TRIANGLE")
        return D3DX_FILTER_TRIANGLE;
    if (name == L"BOX")
        return D3DX_FILTER_BOX;
    return fallback;
}

} // namespace

TextureFileInfo::TextureFileInfo()
    : MipLevels(1)
    , Usage(0)
    , Format(D3DFMT_UNKNOWN)
    , Pool(D3DPOOL_MANAGED)
    , Filter(D3DX_FILTER_NONE)
    , MipFilter(D3DX_FILTER_NONE)
    , ColorKey(0)
    , palette(nullptr)
    , imageInfo{}
{
}

TextureFileInfo TextureFileInfo::load(XMLNode* node)
{
    TextureFileInfo info;
    info.readCommon(node);
    return info;
}

void TextureFileInfo::readCommon(XMLNode* node)
{
    if (!node)
        return;
    node->readInt(L"MipLevels", MipLevels);
    if (XMLNode* usage = node->getNode(L"Usage")) {
        Usage = 0;
        for (XMLProperty* value : usage->getProperties()) {
            const std::wstring& name = value->getValue();
            if (name == L"RENDERTARGET")
                Usage |= D3DUSAGE_RENDERTARGET;
            else if (name == L"DEPTHSTENCIL")
                Usage |= D3DUSAGE_DEPTHSTENCIL;
            else if (name == L"DYNAMIC")
                Usage |= D3DUSAGE_DYNAMIC;
            else if (name == L"AUTOGENMIPMAP")
                Usage |= D3DUSAGE_AUTOGENMIPMAP;
        }
    }
    std::wstring name;
    if (node->readString(L"Pool", name)) {
        if (name == L"DEFAULT")
            Pool = D3DPOOL_DEFAULT;
        else if (name == L"MANAGED")
            Pool = D3DPOOL_MANAGED;
        else if (name == L"SYSTEMMEM")
            Pool = D3DPOOL_SYSTEMMEM;
        else if (name == L"SCRATCH")
            Pool = D3DPOOL_SCRATCH;
    }
    if (node->readString(L"MipFilter", name))
        MipFilter = filterFromName(name, MipFilter);
    if (node->readString(L"Filter", name))
        Filter = filterFromName(name, Filter);
    node->readHex(L"ColorKey", ColorKey);
    if (node->readString(L"Format", name))
        Format = formatFromName(name);
}

TextureFileInfo2D::TextureFileInfo2D() : Width(D3DX_DEFAULT), Height(D3DX_DEFAULT) {}

TextureFileInfo2D TextureFileInfo2D::load(XMLNode* node)
{
    TextureFileInfo2D info;
    info.readCommon(node);
    if (node) {
        node->readInt(L"Width", info.Width);
        node->readInt(L"Height", info.Height);
    }
    return info;
}

TextureFileInfo3D::TextureFileInfo3D() : Width(D3DX_DEFAULT), Height(D3DX_DEFAULT), Depth(D3DX_DEFAULT) {}

TextureFileInfo3D TextureFileInfo3D::load(XMLNode* node)
{
    TextureFileInfo3D info;
    info.readCommon(node);
    if (node) {
        node->readInt(L"Width", info.Width);
        node->readInt(L"Height", info.Height);
        node->readInt(L"DEpth", info.Depth);
    }
    return info;
}

TextureFileInfoCube::TextureFileInfoCube() : Size(D3DX_DEFAULT) {}

TextureFileInfoCube TextureFileInfoCube::load(XMLNode* node)
{
    TextureFileInfoCube info;
    info.readCommon(node);
    if (node)
        node->readInt(L"Size", info.Size);
    return info;
}

} // namespace Ulvo
