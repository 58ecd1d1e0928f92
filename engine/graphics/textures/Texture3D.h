#pragma once
// A volume texture, loaded from a file or a texture-list entry or made empty.
#include <d3d9.h>

#include "graphics/textures/BaseTexture.h"
#include "graphics/textures/TextureFileInfo.h"

#include <cstdint>
#include <string>

namespace Ulvo {

class Texture3D : public BaseTexture {
public:
    Texture3D();
    Texture3D(const Texture3D& other);
    ~Texture3D() override;

    Texture3D* clone(IDirect3DBaseTexture9* replacement = nullptr) const override;

    IDirect3DBaseTexture9* getBaseTexture() override { return m_texture; }
    IDirect3DCubeTexture9* getCubeTexture() override { return nullptr; }
    IDirect3DVolumeTexture9* getVolumeTexture() override { return m_texture; }
    IDirect3DTexture9* getTexture() override { return nullptr; }

    // Through D3DXCreateVolumeTexture; with D3DUSAGE_AUTOGENMIPMAP the edges
    // are raised to powers of two.
    bool create(UINT width, UINT height, UINT depth, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    // From a file through the "DEFAULT" search order, default file information.
    bool createFromFileName(const std::wstring& fileName);
    // A TEXTUR3D entry: NAME, filter keys, FILE_INFO and FILE.
    bool createFromNode(XMLNode* node);

    uint32_t getWidth() const { return m_width; }
    uint32_t getHeight() const { return m_height; }
    uint32_t getDepth() const { return m_depth; }
    const TextureFileInfo3D& getFileInfo() const { return m_fileInfo; }

protected:
    void rebuild() override;
    void releaseDirect3D() override;

private:
    // The D3DX call and the bookkeeping shared by the file and node loads.
    bool loadFromMemory(const FileData& data, const wchar_t* function);

    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint32_t m_depth = 0;
    IDirect3DVolumeTexture9* m_texture = nullptr;
    TextureFileInfo3D m_fileInfo;
};

} // namespace Ulvo
