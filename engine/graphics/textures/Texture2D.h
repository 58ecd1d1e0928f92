#pragma once
// A 2D texture: loaded from a file or a texture-list entry, cut or shared out
// of another 2D texture, or made empty from parameters (render targets,
// dynamic textures). Offers texel access on the CPU: lock, read, write,
// filtered sampling and the alpha mask of opaque texels.
#include <d3d9.h>
#include <d3dx9math.h>

#include "graphics/textures/BaseTexture.h"
#include "graphics/textures/TextureFileInfo.h"
#include "graphics/textures/TextureLoadOptions.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class Texture2D : public BaseTexture {
public:
    // Process-wide size settings applied to textures loaded from files while
    // any of the three switches is on (all off at start).
    struct GlobalQuality {
        uint32_t minimum = 0;
        uint32_t maximum = 0xFFFFFFFFu;
        float scale = 1.0f;
        bool useMinimum = false;
        bool useMaximum = false;
        bool useScale = false;
    };
    static GlobalQuality& globalQuality();

    Texture2D();
    // Shares the Direct3D texture and the part source (one more reference
    // each); the copy is not locked.
    Texture2D(const Texture2D& other);
    ~Texture2D() override;

    Texture2D* clone(IDirect3DBaseTexture9* replacement = nullptr) const override;

    IDirect3DBaseTexture9* getBaseTexture() override { return m_texture; }
    IDirect3DCubeTexture9* getCubeTexture() override { return nullptr; }
    IDirect3DVolumeTexture9* getVolumeTexture() override { return nullptr; }
    IDirect3DTexture9* getTexture() override { return m_texture; }

    // An empty texture through D3DXCreateTexture. With D3DUSAGE_AUTOGENMIPMAP
    // the Direct3D edges are raised to powers of two; width, height and rect
    // keep the asked size. Failures are not logged.
    bool create(UINT width, UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    // From a file found through the "DEFAULT" search order. Usage always gets
    // D3DUSAGE_AUTOGENMIPMAP; the file's own format is kept. A default-pool
    // texture is rebuilt after a reset with these same options.
    bool createFromFileName(const std::wstring& fileName, const TextureLoadOptions& options = TextureLoadOptions(),
                            const TextureFileInfo2D& fileInfo = TextureFileInfo2D());
    // A TEXTUR2D entry of a texture list: NAME, filter keys, FILE_INFO,
    // QUALTIY and FILE.
    bool createFromNode(XMLNode* node, const TextureLoadOptions& options = TextureLoadOptions());
    // A TEX_PART entry: the sub-rectangle TEX_RECT of source, shared (source's
    // Direct3D texture, drawn through rect) or, with CUT, copied into a texture
    // of its own. The rectangle is clamped to the source.
    bool createPartFromTexture(XMLNode* node, Texture2D* source);
    // Gives up the Direct3D texture; with disconnect also the device signals.
    void release(bool disconnect);

    const RECT& getRect() const { return m_rect; }
    void getRect(RECT* rect) const { *rect = m_rect; }
    RECT* getRectPtr() { return &m_rect; }
    uint32_t getWidth() const { return m_width; }
    uint32_t getHeight() const { return m_height; }
    IDirect3DTexture9** getTexturePtr() { return &m_texture; }
    const TextureFileInfo2D& getFileInfo() const { return m_fileInfo; }
    const TextureLoadOptions& getLoadOptions() const { return m_loadOptions; }
    Texture2D* getPartSource() const { return m_partSource; }
    float getScaleU() const { return m_scaleU; }
    float getScaleV() const { return m_scaleV; }

    // The signal-lock operations of the base stay reachable beside the texel locks.
    using BaseTexture::lock;
    using BaseTexture::unlock;
    // Texel access. lock checks area against the level's size: it is clamped
    // to the level, and an area with nothing left is refused (both logged).
    bool lock(UINT level, D3DLOCKED_RECT* lockedRect, const RECT& area, DWORD flags);
    bool unlock(UINT level);
    bool isLocked() const { return m_locked; }
    const RECT& getLockArea() const { return m_lockArea; }
    uint32_t getLockWidth() const { return m_lockWidth; }
    uint32_t getLockHeight() const { return m_lockHeight; }

    // Texel (x, y) of the locked area; false when not locked, out of the area
    // or the format is not one of the converted ones.
    bool getPixel(D3DXVECTOR4& colour, const uint32_t& x, const uint32_t& y);
    bool setPixel(const D3DXVECTOR4& colour, const uint32_t& x, const uint32_t& y);
    // One texel of the unlocked texture at (u, v) in [0, 1).
    bool readPixel(D3DXVECTOR4& colour, const D3DXVECTOR2& uv);
    // One texel of the unlocked texture; the rest of the texture is kept.
    bool writePixel(const D3DXVECTOR4& colour, const uint32_t& x, const uint32_t& y);
    // Filtered read of the locked area: 0 point, 1 bilinear, else bicubic.
    // Coordinates outside [0, 1] are clamped to the edge texels.
    bool sample(D3DXVECTOR4& colour, const D3DXVECTOR2& uv, int filter);
    // The same read at (column / columns, row / rows) of the locked area, the texel position
    // reckoned exactly: a grid corner that falls on a texel edge reads that texel alone, where
    // the float quotient could stray a hair into the neighbour.
    bool sampleGridCorner(D3DXVECTOR4& colour, uint32_t column, uint32_t columns, uint32_t row, uint32_t rows,
                          int filter);

    // The indices y * width + x of the texels whose alpha * 255 reaches threshold.
    void buildAlphaMask(int16_t threshold);
    bool hasAlphaMask() const { return m_hasAlphaMask; }
    bool isInAlphaMask(const uint32_t& x, const uint32_t& y) const;
    const std::vector<uint32_t>& getAlphaMask() const { return m_alphaMask; }

protected:
    void rebuild() override;
    void releaseDirect3D() override;

private:
    // Learns the file's size and scales the requested size by the global and
    // the given limits (only while a global switch is on).
    void applyQualityLimits(const unsigned char* data, uint32_t size, const TextureLoadOptions& limits);
    // The D3DX call and the bookkeeping shared by the file and node loads; a managed picture reads
    // its file again from where data came from.
    bool loadFromMemory(const FileData& data, D3DFORMAT format, const wchar_t* function);
    // The filtered read around texel (x, y) of the locked area with the fractions fx, fy.
    bool filtered(D3DXVECTOR4& colour, uint32_t x, uint32_t y, float fx, float fy, int filter);

    RECT m_rect{0, 0, 0, 0};
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    bool m_locked = false;
    D3DLOCKED_RECT m_lockedRect{0, nullptr};
    RECT m_lockArea{0, 0, 0, 0};
    uint32_t m_lockWidth = 0;
    uint32_t m_lockHeight = 0;
    // The locked level's real format: D3DX may have chosen another than asked.
    D3DFORMAT m_lockFormat = D3DFMT_UNKNOWN;
    UINT m_lockLevel = 0;
    IDirect3DTexture9* m_texture = nullptr;
    TextureFileInfo2D m_fileInfo;
    // What a file load was given, so a rebuild after a reset matches it.
    TextureFileInfo2D m_creationFileInfo;
    TextureLoadOptions m_loadOptions;
    Texture2D* m_partSource = nullptr;
    std::vector<uint32_t> m_alphaMask;
    bool m_hasAlphaMask = false;
    float m_scaleU = 1.0f;
    float m_scaleV = 1.0f;
};

} // namespace Ulvo
