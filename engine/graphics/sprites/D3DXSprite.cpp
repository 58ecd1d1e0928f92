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
    if (FAILED(m_sprite->Begin(m_beginFlags)))
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
    return SUCCEEDED(m_sprite->End());
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

} // namespace Ulvo
