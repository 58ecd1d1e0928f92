#pragma once
// The sprite drawer over the D3DX sprite object. Begin and End nest: only the
// outermost pair reaches D3DX, so code that draws sprites can be called from
// inside another batch.
#include <d3dx9core.h>

#include "graphics/sprites/BaseSprite.h"
#include "graphics/sprites/SpriteRecording.h"

namespace Ulvo {

class D3DXSprite : public BaseSprite {
public:
    D3DXSprite() = default;
    ~D3DXSprite() override;
    D3DXSprite(const D3DXSprite&) = delete;
    D3DXSprite& operator=(const D3DXSprite&) = delete;

    // (Re)creates the D3DX object on the current device and follows the
    // device's lost and reset signals.
    bool create() override;

    // Outermost call: D3DX Begin with flags | D3DXSPRITE_DO_NOT_ADDREF_TEXTURE.
    // Nested calls only count.
    bool Begin(DWORD flags, Effect* effect = nullptr) override;
    // True only from the call that closes the outermost level and flushes.
    bool End() override;
    // Closes an open batch for drawing that must not be batched, and reopens it
    // with the same flags and depth afterwards.
    void suspendBatch() override;
    void resumeBatch() override;
    void onLostDevice() override;
    void onResetDevice() override;

    bool drawTexture2D(Texture2D* texture, const RECT* source, const D3DXVECTOR2* scaling,
                       const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                       D3DCOLOR colour) override;
    bool drawRaw2D(IDirect3DTexture9** texture, const RECT* source, const D3DXVECTOR2* scaling,
                   const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                   D3DCOLOR colour) override;
    // center: the sprite's centre in texels, handed to the draw call.
    bool drawRaw3D(IDirect3DTexture9** texture, const RECT* source, const D3DXVECTOR3* scaling,
                   const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation, const D3DXVECTOR3* center,
                   D3DCOLOR colour) override;
    bool drawTexture3D(Texture2D* texture, const RECT* source, const D3DXVECTOR3* scaling,
                       const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation, const D3DXVECTOR3* center,
                       D3DCOLOR colour) override;

    // While a recording is set (outside any batch), each 2D draw is added to it with the device's
    // stencil states; with draw false the draws and batches stop there (a dry run that learns what
    // a drawing would draw). Text drawn through the D3DX object itself is not recorded.
    void setRecording(SpriteRecording* recording, bool draw);

    // For the D3DX font drawer, which draws its text through the same object
    // while a batch is open.
    ID3DXSprite** getD3DXSprite() { return &m_sprite; }
    bool isInBatch() const { return m_nesting > 0; }
    int getNesting() const { return m_nesting; }
    DWORD getBeginFlags() const { return m_beginFlags; }

private:
    // Gives up the D3DX object and the device signals.
    void release();
    bool draw2D(IDirect3DTexture9* texture, const RECT* source, const D3DXVECTOR2* scaling,
                const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation, D3DCOLOR colour);

    void record(IDirect3DTexture9* texture, const RECT* source, const D3DXMATRIX& transform, D3DCOLOR colour);
    bool dryRun() const { return m_recording && !m_recordingDraws; }

    DWORD m_beginFlags = 0;
    ID3DXSprite* m_sprite = nullptr;
    SpriteRecording* m_recording = nullptr;
    bool m_recordingDraws = true;
    int m_nesting = 0;
    int m_savedNesting = 0;
};

} // namespace Ulvo
