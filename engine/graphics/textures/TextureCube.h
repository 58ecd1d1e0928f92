#pragma once
// A cube texture, loaded from a texture-list entry or made empty.
#include <d3d9.h>

#include "graphics/textures/BaseTexture.h"
#include "graphics/textures/TextureFileInfo.h"

#include <cstdint>

namespace Ulvo {

class TextureCube : public BaseTexture {
public:
    TextureCube();
    TextureCube(const TextureCube& other);
    ~TextureCube() override;

    TextureCube* clone(IDirect3DBaseTexture9* replacement = nullptr) const override;

    IDirect3DBaseTexture9* getBaseTexture() override { return m_texture; }
    IDirect3DCubeTexture9* getCubeTexture() override { return m_texture; }
    IDirect3DVolumeTexture9* getVolumeTexture() override { return nullptr; }
    IDirect3DTexture9* getTexture() override { return nullptr; }

    // Through D3DXCreateCubeTexture; with D3DUSAGE_AUTOGENMIPMAP the edge is
    // raised to a power of two.
    bool create(UINT size, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    // A TEXTURCUBE entry: NAME, filter keys, FILE_INFO and FILE.
    bool createFromNode(XMLNode* node);

    // Edge length and format as the image information holds them.
    uint32_t getSize() const { return m_fileInfo.imageInfo.Width; }
    D3DFORMAT getFormat() const { return m_fileInfo.imageInfo.Format; }
    const TextureFileInfoCube& getFileInfo() const { return m_fileInfo; }

protected:
    void rebuild() override;
    void releaseDirect3D() override;

private:
    IDirect3DCubeTexture9* m_texture = nullptr;
    TextureFileInfoCube m_fileInfo;
};

} // namespace Ulvo
