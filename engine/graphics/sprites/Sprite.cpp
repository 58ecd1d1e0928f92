#include "graphics/sprites/Sprite.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/helpers/Release.h"
#include "graphics/effects/Effect.h"
#include "graphics/sprites/FloatRect.h"
#include "graphics/textures/Texture2D.h"
#include "devices/d3d/PerfEvents.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace Ulvo {

namespace {

constexpr UINT kQuadBytes = 4 * sizeof(SpriteVertex);
constexpr UINT kRingVertices = Sprite::RING_QUADS * 4;
constexpr UINT kIndexCount = Sprite::RING_QUADS * 6;
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;

const wchar_t* const kTextureNames[4] = {L"g_Textur0", L"g_Textur1", L"g_Textur2", L"g_Textur3"};

} // namespace

Sprite::Sprite()
{
    m_unitCorners[0] = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_unitCorners[1] = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    m_unitCorners[2] = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    m_unitCorners[3] = D3DXVECTOR3(1.0f, 1.0f, 0.0f);
    for (D3DXVECTOR3& corner : m_corners)
        corner = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    // Room for a typical frame, so drawing allocates nothing once warmed up.
    m_quads2D.reserve(1024);
    m_quads3D.reserve(256);
}

Sprite::~Sprite()
{
    releaseBuffers();
}

void Sprite::releaseBuffers()
{
    releaseAndNull(m_vertexBuffer);
    releaseAndNull(m_indexBuffer);
}

bool Sprite::create()
{
    releaseBuffers();
    D3DInterface* d3d = D3DInterface::getInstance();
    // A second create must not leave the slot connected twice.
    d3d->deviceCreated.disconnect(this);
    followDevice(*d3d);
    m_depth = 0;
    if (d3d->isInitialized() && d3d->getDevice())
        onResetDevice();
    else
        d3d->deviceCreated.connect(this, &Sprite::onResetDevice);
    return true;
}

void Sprite::onLostDevice()
{
    releaseBuffers();
}

void Sprite::onResetDevice()
{
    // Buffers still held (a reset without a loss before it) would leak.
    releaseBuffers();
    m_ring = 0;
    m_ringWrapped = false;
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    if (!device)
        return;
    if (FAILED(device->CreateVertexBuffer(kRingVertices * sizeof(SpriteVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                          0, D3DPOOL_DEFAULT, &m_vertexBuffer, nullptr)))
        m_vertexBuffer = nullptr;
    if (FAILED(device->CreateIndexBuffer(kIndexCount * sizeof(uint16_t), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                         D3DPOOL_DEFAULT, &m_indexBuffer, nullptr))) {
        m_indexBuffer = nullptr;
        return;
    }
    void* data = nullptr;
    if (FAILED(m_indexBuffer->Lock(0, 0, &data, 0)) || !data)
        return;
    auto* indices = static_cast<uint16_t*>(data);
    for (UINT quad = 0; quad < RING_QUADS; ++quad) {
        const auto base = static_cast<uint16_t>(quad * 4);
        uint16_t* out = indices + quad * 6;
        out[0] = base;
        out[1] = static_cast<uint16_t>(base + 1);
        out[2] = static_cast<uint16_t>(base + 2);
        out[3] = static_cast<uint16_t>(base + 1);
        out[4] = static_cast<uint16_t>(base + 3);
        out[5] = static_cast<uint16_t>(base + 2);
    }
    m_indexBuffer->Unlock();
}

bool Sprite::Begin(DWORD flags, Effect* effect)
{
    if (m_depth > 0 || !m_vertexBuffer || !effect)
        return false;
    m_depth = 1;
    m_effect = effect;
    m_flags = flags;
    m_quads2D.clear();
    m_quads3D.clear();
    // A texture of an earlier frame may have gone and another taken its place.
    m_sizedTexture = nullptr;
    return true;
}

bool Sprite::uvFor(IDirect3DTexture9* texture, const RECT& source, float& u0, float& v0, float& u1, float& v1)
{
    // Sprites come in runs of one texture: its size is asked once per run.
    if (texture != m_sizedTexture) {
        D3DSURFACE_DESC desc{};
        if (FAILED(texture->GetLevelDesc(0, &desc)) || desc.Width == 0 || desc.Height == 0)
            return false;
        m_sizedTexture = texture;
        m_textureWidth = static_cast<float>(desc.Width);
        m_textureHeight = static_cast<float>(desc.Height);
    }
    u0 = static_cast<float>(source.left) / m_textureWidth;
    u1 = static_cast<float>(source.right) / m_textureWidth;
    v0 = static_cast<float>(source.top) / m_textureHeight;
    v1 = static_cast<float>(source.bottom) / m_textureHeight;
    return true;
}

bool Sprite::drawTexture2D(Texture2D* texture, const RECT* source, const D3DXVECTOR2* scaling,
                           const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                           D3DCOLOR colour)
{
    if (!texture)
        return false;
    return drawRaw2D(texture->getTexturePtr(), source ? source : &texture->getRect(), scaling, rotationCenter, rotation,
                     translation, colour);
}

bool Sprite::drawRaw2D(IDirect3DTexture9** texture, const RECT* source, const D3DXVECTOR2* scaling,
                       const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                       D3DCOLOR colour)
{
    if (!texture || !*texture || !source)
        return false;
    const float w = static_cast<float>(source->right - source->left);
    const float h = static_cast<float>(source->bottom - source->top);
    // The 2D transformation is affine (w stays 1), so the corners follow from its
    // first two rows and the translation without a general transform per point.
    D3DXVECTOR2 origin, across, down;
    bool unit;
    if (!scaling && !rotationCenter && rotation == 0.0f) {
        // Unscaled and unturned the transformation is the translation alone, exactly: the
        // common case, built without a matrix.
        origin = D3DXVECTOR2(translation ? translation->x : 0.0f, translation ? translation->y : 0.0f);
        across = D3DXVECTOR2(w, 0.0f);
        down = D3DXVECTOR2(0.0f, h);
        unit = true;
    } else {
        D3DXMATRIX transform;
        D3DXMatrixTransformation2D(&transform, nullptr, 0.0f, scaling, rotationCenter, rotation, translation);
        origin = D3DXVECTOR2(transform._41, transform._42);
        across = D3DXVECTOR2(transform._11 * w, transform._12 * w);
        down = D3DXVECTOR2(transform._21 * h, transform._22 * h);
        unit = transform._11 == 1.0f && transform._12 == 0.0f && transform._21 == 0.0f && transform._22 == 1.0f;
    }
    const D3DXVECTOR2 points[4] = {origin, origin + across, origin + down, origin + across + down};

    FloatRect bounds(points[0].x, points[0].y, points[0].x, points[0].y);
    for (const D3DXVECTOR2& p : points) {
        bounds.left = std::min(bounds.left, p.x);
        bounds.right = std::max(bounds.right, p.x);
        bounds.top = std::min(bounds.top, p.y);
        bounds.bottom = std::max(bounds.bottom, p.y);
    }
    D3DInterface* d3d = D3DInterface::getInstance();
    const FloatRect screen(0.0f, 0.0f, static_cast<float>(d3d->getWidth()), static_cast<float>(d3d->getHeight()));
    if (!bounds.intersects(screen))
        return false;

    float u0, v0, u1, v1;
    if (!uvFor(*texture, *source, u0, v0, u1, v1))
        return false;
    const float us[4] = {u0, u1, u0, u1};
    const float vs[4] = {v0, v0, v1, v1};
    SpriteQuad& quad = m_quads2D.emplace_back();
    for (int k = 0; k < 4; ++k) {
        SpriteVertex& v = quad.vertices[k];
        // Direct3D samples pixel centres at whole coordinates: half a pixel
        // back puts texel centres on pixel centres, as the D3DX sprite does.
        v.x = points[k].x - 0.5f;
        v.y = points[k].y - 0.5f;
        v.z = 0.0f;
        v.w = 1.0f;
        v.colour = colour;
        v.u = us[k];
        v.v = vs[k];
        v.slot = 0.0f;
        v.cx = v.cy = v.cz = v.cw = 0.0f;
    }
    quad.texture = *texture;
    quad.slot = 0;
    // Texel centres fall on pixel centres only for a plain copy to whole pixels.
    quad.aligned = unit && origin.x == std::floor(origin.x) && origin.y == std::floor(origin.y);
    quad.sortKey = 0.0f;
    return true;
}

bool Sprite::drawTexture3D(Texture2D* texture, const RECT* source, const D3DXVECTOR3* scaling,
                           const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation, const D3DXVECTOR3* center,
                           D3DCOLOR colour)
{
    if (!texture)
        return false;
    return drawRaw3D(texture->getTexturePtr(), source ? source : &texture->getRect(), scaling, rotation, translation,
                     center, colour);
}

bool Sprite::drawRaw3D(IDirect3DTexture9** texture, const RECT* source, const D3DXVECTOR3* scaling,
                       const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation, const D3DXVECTOR3* center,
                       D3DCOLOR colour)
{
    if (!texture || !*texture || !source)
        return false;
    D3DXMATRIX transform;
    D3DXMatrixTransformation(&transform, center, nullptr, scaling, center, rotation, translation);
    D3DXVec3TransformCoordArray(m_corners, sizeof(D3DXVECTOR3), m_unitCorners, sizeof(D3DXVECTOR3), &transform, 4);

    float u0, v0, u1, v1;
    if (!uvFor(*texture, *source, u0, v0, u1, v1))
        return false;
    const float us[4] = {u0, u1, u0, u1};
    const float vs[4] = {v0, v0, v1, v1};
    const D3DXVECTOR3 middle = (m_corners[0] + m_corners[1] + m_corners[2] + m_corners[3]) * 0.25f;
    SpriteQuad& quad = m_quads3D.emplace_back();
    for (int k = 0; k < 4; ++k) {
        SpriteVertex& v = quad.vertices[k];
        v.x = m_corners[k].x;
        v.y = m_corners[k].y;
        v.z = m_corners[k].z;
        v.w = 1.0f;
        v.colour = colour;
        v.u = us[k];
        v.v = vs[k];
        v.slot = 0.0f;
        v.cx = middle.x;
        v.cy = middle.y;
        v.cz = middle.z;
        v.cw = 0.0f;
    }
    quad.texture = *texture;
    quad.slot = 0;
    quad.aligned = false;
    quad.sortKey = 0.0f;
    return true;
}

void Sprite::sortQuads3D(const D3DXMATRIX& viewInverse)
{
    const float camX = viewInverse._41, camY = viewInverse._42, camZ = viewInverse._43;
    for (SpriteQuad& quad : m_quads3D) {
        const SpriteVertex& v = quad.vertices[0];
        const float dx = v.cx - camX, dy = v.cy - camY, dz = v.cz - camZ, dw = v.cw;
        quad.sortKey = dx * dx + dy * dy + dz * dz + dw * dw;
    }
    if (m_flags & D3DXSPRITE_SORT_DEPTH_BACKTOFRONT)
        std::sort(m_quads3D.begin(), m_quads3D.end(),
                  [](const SpriteQuad& a, const SpriteQuad& b) { return a.sortKey > b.sortKey; });
    else
        std::sort(m_quads3D.begin(), m_quads3D.end(),
                  [](const SpriteQuad& a, const SpriteQuad& b) { return a.sortKey < b.sortKey; });
}

bool Sprite::End()
{
    perfEventBegin(0xFF000000, L"Sprite::End()");
    if (m_depth == 0) {
        perfEventEnd();
        return false;
    }
    m_depth = 0;
    m_batchCount = 0;
    m_narrowBatchCount = 0;
    m_pointBatchCount = 0;
    m_whiteBatchCount = 0;
    m_discardCount = 0;
    m_drewWithoutDepth = false;
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    ID3DXEffect* fx = m_effect ? m_effect->getEffect() : nullptr;
    if (!m_vertexBuffer || !m_indexBuffer || !device || !fx || (m_quads2D.empty() && m_quads3D.empty())) {
        perfEventEnd();
        return false;
    }
    // Looked up per End: a reload of the effect gives new handles.
    for (int k = 0; k < 4; ++k)
        m_textureHandles[k] = m_effect->getHandle(kTextureNames[k]);
    m_filterHandle = m_effect->getHandle(L"g_SpriteFilter");
    m_tintHandle = m_effect->getHandle(L"g_SpriteTinted");

    device->SetStreamSource(0, m_vertexBuffer, 0, sizeof(SpriteVertex));
    device->SetIndices(m_indexBuffer);

    if (!m_quads3D.empty()) {
        device->SetFVF(FVF_3D);
        const char* technique = "Render3D";
        if (m_flags & D3DXSPRITE_ALPHABLEND)
            technique = (m_flags & SPRITE_ALPHATEST) ? "Render3DAlphaTest" : "Render3DAlpha";

        D3DXMATRIX view, projection, inverse, viewInverse;
        device->GetTransform(D3DTS_VIEW, &view);
        device->GetTransform(D3DTS_PROJECTION, &projection);
        if (!D3DXMatrixInverse(&inverse, nullptr, &view))
            D3DXMatrixIdentity(&inverse);
        D3DXMatrixIdentity(&viewInverse);
        if (m_flags & D3DXSPRITE_BILLBOARD) {
            viewInverse = inverse;
            viewInverse._41 = viewInverse._42 = viewInverse._43 = 0.0f;
        }
        const bool backToFront = (m_flags & D3DXSPRITE_SORT_DEPTH_BACKTOFRONT) != 0;
        const bool frontToBack = (m_flags & D3DXSPRITE_SORT_DEPTH_FRONTTOBACK) != 0;
        if ((backToFront && !(m_flags & SPRITE_ALPHATEST)) || (frontToBack && !backToFront))
            sortQuads3D(inverse);

        if (D3DXHANDLE h = m_effect->getHandle(L"g_ViewInv"))
            fx->SetMatrix(h, &viewInverse);
        if (D3DXHANDLE h = m_effect->getHandle(L"g_View"))
            fx->SetMatrix(h, &view);
        if (D3DXHANDLE h = m_effect->getHandle(L"g_Projection"))
            fx->SetMatrix(h, &projection);
        flushList(m_quads3D, technique);
    }
    if (!m_quads2D.empty()) {
        device->SetFVF(FVF_2D);
        DWORD stencil = FALSE;
        device->GetRenderState(D3DRS_STENCILENABLE, &stencil);
        if (m_quads2D.size() >= UNBOUND_DEPTH_QUADS && !stencil &&
            SUCCEEDED(device->GetDepthStencilSurface(&m_unboundDepth)) && m_unboundDepth &&
            SUCCEEDED(device->SetDepthStencilSurface(nullptr)))
            m_drewWithoutDepth = true;
        flushList(m_quads2D, (m_flags & D3DXSPRITE_ALPHABLEND) ? "Render2DAlpha" : "Render2D");
        bindDepthAgain(device);
    }
    perfEventEnd();
    return false;
}

void Sprite::flushList(std::vector<SpriteQuad>& quads, const char* technique)
{
    ID3DXEffect* fx = m_effect->getEffect();
    // The technique for four textures, and where the effect has them its
    // forms for batches of one and of two textures, which read only those.
    // The forms' names on the stack: an End every frame allocates nothing.
    char name[64];
    D3DXHANDLE forms[5] = {};
    forms[4] = fx->GetTechniqueByName(technique);
    forms[3] = forms[4];
    std::snprintf(name, sizeof name, "%s_2Tex", technique);
    forms[2] = fx->GetTechniqueByName(name);
    std::snprintf(name, sizeof name, "%s_1Tex", technique);
    forms[1] = fx->GetTechniqueByName(name);
    if (!forms[4])
        return;
    if (!forms[2])
        forms[2] = forms[4];
    if (!forms[1])
        forms[1] = forms[2];
    D3DXHANDLE begun = nullptr;
    UINT passes = 0;

    const size_t count = quads.size();
    IDirect3DTexture9* textures[4] = {};
    size_t i = 0;
    while (i < count) {
        // Open a batch with quad i in slot 0.
        const size_t first = i;
        textures[0] = quads[i].texture;
        quads[i].slot = 0;
        bool aligned = quads[i].aligned;
        // A quad's corners share its colour.
        bool white = quads[i].vertices[0].colour == kWhite;
        UINT textureCount = 1;
        UINT batch = 1;
        ++i;
        // A batch never runs past the end of the ring.
        while (i < count && m_ring + batch < RING_QUADS) {
            IDirect3DTexture9* texture = quads[i].texture;
            UINT slot = 0;
            while (slot < textureCount && textures[slot] != texture)
                ++slot;
            if (slot == textureCount) {
                if (textureCount == 4)
                    break;
                textures[textureCount++] = texture;
            }
            quads[i].slot = static_cast<uint8_t>(slot);
            aligned = aligned && quads[i].aligned;
            white = white && quads[i].vertices[0].colour == kWhite;
            ++batch;
            ++i;
        }
        // Switching the technique ends the effect and begins it again.
        if (forms[textureCount] != begun) {
            if (begun)
                fx->End();
            begun = nullptr;
            if (FAILED(fx->SetTechnique(forms[textureCount])) || FAILED(fx->Begin(&passes, 0)))
                return;
            begun = forms[textureCount];
        }
        if (forms[textureCount] != forms[4])
            ++m_narrowBatchCount;
        drawBatch(quads, first, batch, textures, textureCount, passes, aligned, white);
        m_ring += batch + RING_GAP;
        if (m_ring >= RING_QUADS) {
            m_ring %= RING_QUADS;
            m_ringWrapped = true;
        }
    }
    if (begun)
        fx->End();
}

void Sprite::bindDepthAgain(IDirect3DDevice9* device)
{
    if (!m_unboundDepth)
        return;
    device->SetDepthStencilSurface(m_unboundDepth);
    releaseAndNull(m_unboundDepth);
}

void Sprite::drawBatch(std::vector<SpriteQuad>& quads, size_t first, UINT count, IDirect3DTexture9* const* textures,
                       UINT textureCount, UINT passes, bool aligned, bool white)
{
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();
    ID3DXEffect* fx = m_effect->getEffect();
    // Back at the start of the ring, earlier batches may still be read by the
    // GPU: discard gives fresh storage instead of overwriting theirs.
    const DWORD lockFlags = m_ringWrapped ? D3DLOCK_DISCARD : D3DLOCK_NOOVERWRITE;
    void* data = nullptr;
    if (SUCCEEDED(m_vertexBuffer->Lock(m_ring * kQuadBytes, count * kQuadBytes, &data, lockFlags)) && data) {
        if (m_ringWrapped) {
            m_ringWrapped = false;
            ++m_discardCount;
        }
        auto* out = static_cast<SpriteVertex*>(data);
        for (UINT q = 0; q < count; ++q) {
            const SpriteQuad& quad = quads[first + q];
            const float slot = static_cast<float>(quad.slot);
            std::memcpy(out, quad.vertices, sizeof quad.vertices);
            for (int k = 0; k < 4; ++k)
                out[k].slot = slot;
            out += 4;
        }
        m_vertexBuffer->Unlock();
    }
    // Slots the batch leaves free repeat its first texture: no quad reads them, and the device
    // then fetches identical slots once instead of reading stale textures per pixel.
    for (UINT k = 0; k < 4; ++k) {
        if (m_textureHandles[k])
            fx->SetTexture(m_textureHandles[k], textures[k < textureCount ? k : 0]);
    }
    // Sampling at texel centres, the nearest texel is what filtering would give.
    if (m_filterHandle) {
        fx->SetInt(m_filterHandle, aligned ? D3DTEXF_POINT : D3DTEXF_LINEAR);
        m_pointBatchCount += aligned ? 1 : 0;
    }
    // The colour multiplies the texel only where it can change it.
    if (m_tintHandle) {
        fx->SetBool(m_tintHandle, white ? FALSE : TRUE);
        m_whiteBatchCount += white ? 1 : 0;
    }
    fx->CommitChanges();
    for (UINT pass = 0; pass < passes; ++pass) {
        if (FAILED(fx->BeginPass(pass)))
            continue;
        // A pass of the caller's effect that tests depth or stencil gets the buffer back.
        if (m_unboundDepth) {
            DWORD depthTest = FALSE, stencilTest = FALSE;
            device->GetRenderState(D3DRS_ZENABLE, &depthTest);
            device->GetRenderState(D3DRS_STENCILENABLE, &stencilTest);
            if (depthTest || stencilTest)
                bindDepthAgain(device);
        }
        // Without a depth buffer the draw goes in pieces the rasteriser takes as rectangles.
        const UINT piece = m_unboundDepth ? RECTANGLE_DRAW_QUADS : count;
        for (UINT done = 0; done < count; done += piece)
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kRingVertices, (m_ring + done) * 6,
                                         std::min(piece, count - done) * 2);
        fx->EndPass();
    }
    ++m_batchCount;
}

} // namespace Ulvo
