#include "graphics/sprites/D3DXSprite.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "graphics/textures/Texture2D.h"

namespace Ulvo {

D3DXSprite::~D3DXSprite()
{
    releaseAndNull(m_sprite);
}

bool D3DXSprite::create()
{
    release();
    followDevice();
    m_nesting = 0;
    m_savedNesting = 0;
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    if (!device)
        return false;
    return SUCCEEDED(D3DXCreateSprite(device, &m_sprite)) && m_sprite;
}

void D3DXSprite::release()
{
    stopFollowingDevice();
    releaseAndNull(m_sprite);
    m_nesting = 0;
    m_savedNesting = 0;
}

bool D3DXSprite::Begin(DWORD flags, Effect*)
{
    if (!m_sprite)
        return false;
    if (m_nesting > 0) {
        ++m_nesting;
        return true;
    }
    m_beginFlags = flags | D3DXSPRITE_DO_NOT_ADDREF_TEXTURE;
    if (!dryRun() && FAILED(m_sprite->Begin(m_beginFlags)))
        return false;
    m_nesting = 1;
    return true;
}

bool D3DXSprite::End()
{
    if (!m_sprite)
        return false;
    if (m_nesting > 0)
        --m_nesting;
    if (m_nesting > 0)
        return false;
    return dryRun() || SUCCEEDED(m_sprite->End());
}

void D3DXSprite::suspendBatch()
{
    m_savedNesting = m_nesting;
    if (m_nesting > 0) {
        m_nesting = 1;
        End();
        m_nesting = 0;
    }
}

void D3DXSprite::resumeBatch()
{
    if (m_savedNesting > 0) {
        Begin(m_beginFlags);
        m_nesting = m_savedNesting;
    }
}

void D3DXSprite::onLostDevice()
{
    if (m_sprite)
        m_sprite->OnLostDevice();
}

void D3DXSprite::onResetDevice()
{
    if (m_sprite)
        m_sprite->OnResetDevice();
}

bool D3DXSprite::draw2D(IDirect3DTexture9* texture, const RECT* source, const D3DXVECTOR2* scaling,
                        const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                        D3DCOLOR colour)
{
    if (!texture || !m_sprite)
        return false;
    D3DXMATRIX transform;
    D3DXMatrixTransformation2D(&transform, nullptr, 0.0f, scaling, rotationCenter, rotation, translation);
    if (m_recording) {
        record(texture, source, transform, colour);
        if (!m_recordingDraws)
            return true;
    }
    if (FAILED(m_sprite->SetTransform(&transform)))
        return false;
    return SUCCEEDED(m_sprite->Draw(texture, source, nullptr, nullptr, colour));
}

bool D3DXSprite::drawTexture2D(Texture2D* texture, const RECT* source, const D3DXVECTOR2* scaling,
                               const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                               D3DCOLOR colour)
{
    if (!texture)
        return false;
    // A shared part stands for a rectangle of a larger texture: "whole" means that rectangle.
    return draw2D(texture->getTexture(), source ? source : &texture->getRect(), scaling, rotationCenter, rotation,
                  translation, colour);
}

bool D3DXSprite::drawRaw2D(IDirect3DTexture9** texture, const RECT* source, const D3DXVECTOR2* scaling,
                           const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                           D3DCOLOR colour)
{
    if (!texture)
        return false;
    return draw2D(*texture, source, scaling, rotationCenter, rotation, translation, colour);
}

bool D3DXSprite::drawRaw3D(IDirect3DTexture9** texture, const RECT* source, const D3DXVECTOR3* scaling,
                           const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation, const D3DXVECTOR3* center,
                           D3DCOLOR colour)
{
    if (!texture || !*texture || !m_sprite)
        return false;
    if (m_recording) {
        m_recording->markUnbounded();
        if (!m_recordingDraws)
            return true;
    }
    D3DXMATRIX transform;
    D3DXMatrixTransformation(&transform, nullptr, nullptr, scaling, nullptr, rotation, translation);
    if (FAILED(m_sprite->SetTransform(&transform)))
        return false;
    return SUCCEEDED(m_sprite->Draw(*texture, source, center, nullptr, colour));
}

bool D3DXSprite::drawTexture3D(Texture2D* texture, const RECT* source, const D3DXVECTOR3* scaling,
                               const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation,
                               const D3DXVECTOR3* center, D3DCOLOR colour)
{
    if (!texture)
        return false;
    return drawRaw3D(texture->getTexturePtr(), source ? source : &texture->getRect(), scaling, rotation, translation,
                     center, colour);
}

void D3DXSprite::setRecording(SpriteRecording* recording, bool draw)
{
    m_recording = recording;
    m_recordingDraws = draw || !recording;
}

void D3DXSprite::record(IDirect3DTexture9* texture, const RECT* source, const D3DXMATRIX& transform, D3DCOLOR colour)
{
    RecordedDraw quad;
    quad.texture = texture;
    if (source) {
        quad.source = *source;
    } else {
        D3DSURFACE_DESC desc{};
        if (SUCCEEDED(texture->GetLevelDesc(0, &desc)))
            quad.source = RECT{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    }
    quad.transform[0] = transform._11;
    quad.transform[1] = transform._12;
    quad.transform[2] = transform._21;
    quad.transform[3] = transform._22;
    quad.transform[4] = transform._41;
    quad.transform[5] = transform._42;
    quad.colour = colour;
    // Callers set the stencil test between batches; the batch's own flags fill the low bits.
    DWORD enable = 0, func = 0, pass = 0, ref = 0;
    if (IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice()) {
        device->GetRenderState(D3DRS_STENCILENABLE, &enable);
        device->GetRenderState(D3DRS_STENCILFUNC, &func);
        device->GetRenderState(D3DRS_STENCILPASS, &pass);
        device->GetRenderState(D3DRS_STENCILREF, &ref);
    }
    quad.states = (m_beginFlags & 0xFFF) | (enable ? 1u : 0u) << 12 | (func & 0xF) << 13 | (pass & 0xF) << 17 |
                  (ref & 0xFF) << 21;
    m_recording->add(quad);
}

} // namespace Ulvo
