// The clipmap terrain's camera step, drawing, terrain queries, height modifier and ray test.
#include "foundation/logging/Logger.h"
#include "graphics/effects/Effect.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureCube.h"
#include "render/cameras/Camera.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/objects/ObjektDrawing.h"
#include "terrain/clipmap/ClipmapLevelSet.h"
#include "terrain/clipmap/ClipmapObjekt.h"
#include "terrain/fields/Parameter.h"
#include "terrain/fields/ParameterPerlin.h"
#include "terrain/fields/ParameterDist.h"

#include <windows.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace Ulvo {

namespace {

IDirect3DBaseTexture9* deviceTexture(Texture2D* texture)
{
    return texture ? texture->getBaseTexture() : nullptr;
}

} // namespace

// ------------------------------------------------------------------ camera step and effect

void ClipmapObjekt::updateForCamera(Camera* camera, const D3DXVECTOR3* eye)
{
    if (!camera)
        return;
    BaseObjekt::updateForCamera(camera, eye);
    const D3DXMATRIX view = m_worldMatrix * camera->getViewProjectionMatrix();
    if (eye || !m_levelSet)
        return;
    // A camera that neither moved nor turned over a terrain that did not move costs one comparison.
    if (m_hasLastView && std::memcmp(&view, &m_lastViewMatrix, sizeof(D3DXMATRIX)) == 0)
        return;
    const D3DXVECTOR3 e = camera->getEyePosition();
    const float S = static_cast<float>(m_texSize);
    const float c[3] = {(e.x - m_position.x) / m_scale.x * S, (e.y - m_position.y) / m_scale.y * S,
                        (e.z - m_position.z) / m_scale.z * S};
    m_levelSet->update(c, view);
    m_lastViewMatrix = view;
    m_hasLastView = true;
}

void ClipmapObjekt::selectRenderEffect(int mode, unsigned shadowQuality)
{
    BaseObjekt::selectRenderEffect(mode, shadowQuality);
    m_passKind = mode;
    if (m_levelSet)
        m_levelSet->setEffect(m_effect);
}

// ------------------------------------------------------------------ drawing

void ClipmapObjekt::render(Camera* camera)
{
    if (!camera || !m_effect || !m_effect->getEffect() || !m_levelSet)
        return;
    ID3DXEffect* fx = m_effect->getEffect();
    const D3DXMATRIX& world = m_worldMatrix;
    const D3DXMATRIX worldView = world * camera->getViewMatrix();
    D3DXMATRIX worldViewInverse, worldInverse;
    D3DXMatrixInverse(&worldViewInverse, nullptr, &worldView);
    D3DXMatrixInverse(&worldInverse, nullptr, &world);
    const D3DXMATRIX worldViewProjection = worldView * camera->getProjectionMatrix();
    fx->SetMatrix("g_World", &world);
    fx->SetMatrix("g_WorldView", &worldView);
    fx->SetMatrix("g_WorldViewInv", &worldViewInverse);
    fx->SetMatrix("g_ViewInv", &camera->getViewInverseMatrix());
    fx->SetMatrixTranspose("g_WorldTransposeInv", &worldInverse);
    fx->SetMatrix("g_WorldViewProjection", &worldViewProjection);
    fx->SetFloat("g_Shadow", m_shadowValue);
    fx->SetFloatArray("g_texscale03", m_texScaleNear, 4);
    fx->SetFloatArray("g_texscale03_far", m_texScaleFar, 4);
    fx->SetValue("g_MaskColor", &m_maskColor, sizeof(float) * 4);
    ObjektDrawing::setFarDistance(fx, *this);
    const float nearFar[2] = {m_blendStart, m_blendEnd};
    fx->SetValue("g_nearfarblend", nearFar, sizeof(nearFar));
    // The light of the scene's sun: the terrain may not be the list's first object, which
    // alone is handed the light values.
    if (m_sceneGraph) {
        const SunLightSystem& sun = m_sceneGraph->getSunLightSystem();
        fx->SetValue("g_LightDir", &sun.getLightDirection(), sizeof(float) * 3);
        fx->SetValue("g_LightDiffuse", &sun.getDiffuseColor(), sizeof(float) * 4);
        fx->SetValue("g_LightAmbient", &sun.getAmbientColor(), sizeof(float) * 4);
    }

    const bool textured = m_passKind == 0 || m_passKind == 4 || m_passKind == 9;
    const bool bumped = textured || m_passKind == 8;
    if (textured) {
        static const char* const kLayers[4] = {"g_Textur0", "g_Textur1", "g_Textur2", "g_Textur3"};
        for (int layer = 0; layer < 4; ++layer)
            fx->SetTexture(kLayers[layer], deviceTexture(m_layerTextures[static_cast<size_t>(layer)]));
        fx->SetTexture("g_TexturLM", deviceTexture(m_colourMap));
        fx->SetTexture("g_TexturBlend03", deviceTexture(m_blendTexture));
    }
    if (bumped && m_bumpAmount != 0.0f) {
        static const char* const kBumps[4] = {"g_BumpTextur0", "g_BumpTextur1", "g_BumpTextur2", "g_BumpTextur3"};
        fx->SetFloat("g_Bump", m_bumpAmount);
        for (int layer = 0; layer < 4; ++layer)
            fx->SetTexture(kBumps[layer], deviceTexture(m_bumpTextures[static_cast<size_t>(layer)]));
    }
    // Without a sky map there is no colour to fade into: the terrain then ends as its rings do.
    // Depth passes take the ground alone, not the apron round it.
    TextureCube* sky = textured ? RenderObjekt::getSkyMap() : nullptr;
    fx->SetTexture("g_CubeMap", sky ? sky->getBaseTexture() : nullptr);
    m_levelSet->draw(worldViewProjection, sky != nullptr);
}

// ------------------------------------------------------------------ bounds

void ClipmapObjekt::computeWorldBox()
{
    m_worldBox = AABB(m_position - 0.5f * m_scale, m_position + 1.5f * m_scale);
}

void ClipmapObjekt::computeBoundingSphere()
{
    const AABB& box = m_worldBox;
    const D3DXVECTOR3 half = (box.getMax() - box.getMin()) * 0.5f;
    m_boundingSphere = BoundingSphere(box.getMin() + half, D3DXVec3Length(&half));
}

// ------------------------------------------------------------------ queries

float ClipmapObjekt::fieldValue(float u, float v) const
{
    return ClipmapLevelSet::lookupField(m_heightSource, u, v);
}

void ClipmapObjekt::setHeight(const D3DXVECTOR3&) {}

void ClipmapObjekt::setHeightUV(const D3DXVECTOR2&, double&) {}

void ClipmapObjekt::modifyHeightRadius(const D3DXVECTOR3&, double, float) {}

void ClipmapObjekt::addHeightUV(const D3DXVECTOR2&, double&) {}

void ClipmapObjekt::beginModify() {}

void ClipmapObjekt::addHeightModifier(const D3DXVECTOR2& centre, const D3DXVECTOR2& value, double radius)
{
    if (!m_heightSource)
        return;
    const float centrePair[2] = {centre.x, centre.y};
    const float falloff[2] = {static_cast<float>(radius / m_scale.x), 0.0f};
    const float valuePair[2] = {value.x, value.y};
    auto* sum = new ParameterSUM(false);
    sum->addParameter(m_heightSource);
    sum->addParameter(new ParameterDist(centrePair, falloff, valuePair));
    m_heightSource = sum;
    m_needsRefresh = true;
    m_heightsModified = true;
}

void ClipmapObjekt::endModify()
{
    if (!m_levelSet || !m_needsRefresh)
        return;
    m_levelSet->setHeightSource(m_heightSource);
    m_levelSet->refreshAll();
    m_needsRefresh = false;
}

float ClipmapObjekt::getHeightUV(const D3DXVECTOR2& uv)
{
    return fieldValue(uv.x, uv.y) * m_scale.y + m_position.y;
}

D3DXVECTOR3* ClipmapObjekt::getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv)
{
    if (!(uv.x >= 0.0f && uv.x <= 1.0f && uv.y >= 0.0f && uv.y <= 1.0f)) {
        *out = m_basePosition;
        return out;
    }
    const D3DXVECTOR3 local(uv.x, fieldValue(uv.x, uv.y), uv.y);
    D3DXVec3TransformCoord(out, &local, &m_worldMatrix);
    return out;
}

D3DXVECTOR2* ClipmapObjekt::worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& point)
{
    D3DXVECTOR3 q;
    D3DXVec3TransformCoord(&q, &point, &m_inverseRotation);
    out->x = (q.x - m_basePosition.x) / m_scale.x;
    out->y = (q.z - m_basePosition.z) / m_scale.z;
    return out;
}

D3DXVECTOR3* ClipmapObjekt::getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv, bool)
{
    if (m_normalSource && !m_heightsModified) {
        D3DXVECTOR4 value;
        m_normalSource->getVector(&value, uv);
        D3DXVECTOR3 normal(value.x, value.y, value.z);
        D3DXVec3Normalize(out, &normal);
        return out;
    }
    const float d = 1.0f / static_cast<float>(m_texSize);
    D3DXVECTOR3 p0, pa, pb, pc, pe;
    getPositionUV(&p0, uv);
    auto towards = [&](D3DXVECTOR3& out, float du, float dv) {
        getPositionUV(&out, D3DXVECTOR2(uv.x + du, uv.y + dv));
        out -= p0;
        D3DXVec3Normalize(&out, &out);
    };
    towards(pa, d, 0.0f);
    towards(pb, 0.0f, d);
    towards(pc, -d, 0.0f);
    towards(pe, 0.0f, -d);
    D3DXVECTOR3 sum(0.0f, 0.0f, 0.0f), cross;
    auto add = [&](const D3DXVECTOR3& first, const D3DXVECTOR3& second) {
        D3DXVec3Cross(&cross, &first, &second);
        D3DXVec3Normalize(&cross, &cross);
        sum += cross;
    };
    add(pb, pa);
    add(pc, pb);
    add(pa, pe);
    add(pe, pc);
    D3DXVec3Normalize(out, &sum);
    return out;
}

// ------------------------------------------------------------------ the ray

bool ClipmapObjekt::getIntersectionDist(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance)
{
    return getIntersectionDist(origin, direction, FLT_MAX, distance);
}

bool ClipmapObjekt::getIntersectionDist(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float maximum,
                                        float& distance)
{
    const DWORD start = GetTickCount();
    const float L = 2.0f * D3DXVec3Length(&m_scale);
    const float range = std::min(maximum, L);
    // A ray of no length (or of no number) meets nothing.
    if (!(range > 0.0f))
        return false;
    unsigned N = 1000;
    float step = range / 1000.0f;
    const bool above = origin.y >= getHeight(origin);
    D3DXVECTOR3 dir;
    D3DXVec3Normalize(&dir, &direction);
    float hit = 0.0f;
    bool found = false;
    unsigned passes = 0;
    unsigned samples = 0;
    bool crossed = false;
    do {
        crossed = false;
        // Sample k lies k + 1 steps out: counted, not summed, so that a pass of many small
        // steps does not drift away from its crossing.
        for (unsigned k = 0; k < N; ++k) {
            const float t = step * static_cast<float>(k + 1);
            const D3DXVECTOR3 p = origin + dir * t;
            if ((p.y >= getHeight(p)) != above) {
                N *= 10;
                hit = t - step;
                found = true;
                crossed = true;
                step = std::min(t, L) / static_cast<float>(N);
                break;
            }
            ++samples;
        }
        ++passes;
    } while (crossed && passes < 3 && step >= 0.001f);
    mainLogger().log(50, LOG_TYPE_INFO, L"Ulvo::ClipmapObjekt::getIntersectionDist", L" Ticks Needed: ",
                     GetTickCount() - start, L" Iterations: ", samples, L"\n");
    if (!found)
        return false;
    distance = hit;
    return true;
}

} // namespace Ulvo
