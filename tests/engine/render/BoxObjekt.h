#pragma once
// The render tests' scene object: a box drawn through its effect (the effect bundle "TestBox" of
// tests/engine/render/data/testbox.fx), flat-shaded in its mask colour by the sun; boxes outside
// the camera's frustum are skipped. Records what it drew and culled unless told not to (a benchmark
// drawing frame after frame would let the lists grow without end).
#include "devices/d3d/D3DInterface.h"
#include "engine/scene/TestObjekt.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/Effect.h"
#include "graphics/effects/EffectBundle.h"
#include "graphics/effects/EffectManager.h"
#include "render/RenderTechnique.h"
#include "render/cameras/Camera.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace RenderTesting {

struct BoxVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
};

// The 36 vertices of the unit box around the origin, faces clockwise seen from outside.
inline std::vector<BoxVertex> unitBox()
{
    const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    // Normal, then two edges a and b with a x b = -normal.
    const D3DXVECTOR3 faces[6][3] = {{-z, x, y}, {z, y, x}, {x, z, y}, {-x, y, z}, {y, x, z}, {-y, z, x}};
    std::vector<BoxVertex> vertices;
    for (const auto& face : faces) {
        const D3DXVECTOR3 n = face[0], a = face[1], b = face[2];
        const D3DXVECTOR3 corners[4] = {(n - a - b) * 0.5f, (n - a + b) * 0.5f, (n + a + b) * 0.5f, (n + a - b) * 0.5f};
        for (int index : {0, 1, 2, 0, 2, 3})
            vertices.push_back(BoxVertex{corners[index], n});
    }
    return vertices;
}

class BoxObjekt : public SceneTesting::TestObjekt {
public:
    explicit BoxObjekt(Ulvo::XMLNode* node) : TestObjekt(node) { selectRenderEffect(Ulvo::T_DIFFUSE, 0); }

    void render(Ulvo::Camera* camera) override
    {
        if (camera->isAABBInFrustum(getBoundingBox()) == 0) {
            if (recording)
                culled.push_back(getName());
            return;
        }
        ID3DXEffect* effect = getEffect()->getEffect();
        const D3DXMATRIX worldViewProj = getWorldMatrix() * camera->getViewProjectionMatrix();
        effect->SetMatrix("g_World", &getWorldMatrix());
        const D3DXMATRIX worldView = getWorldMatrix() * camera->getViewMatrix();
        effect->SetMatrix("g_WorldView", &worldView);
        effect->SetMatrix("g_WorldViewProj", &worldViewProj);
        D3DXCOLOR colour = getMaskColor();
        colour.a = getAlpha();
        effect->SetValue("g_MaskColor", &colour, sizeof(float) * 4);
        effect->CommitChanges();
        IDirect3DDevice9* device = m_d3d->getDevice();
        device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
        if (IDirect3DVertexBuffer9* vertices = sharedVertices(device)) {
            device->SetStreamSource(0, vertices, 0, sizeof(BoxVertex));
            device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 12);
        }
        if (recording)
            drawn.push_back(getName());
    }

    // The vertices of every box drawn on a device, in one vertex buffer as one mesh drawn many
    // times keeps them; made anew for another device, or once its device went away.
    static IDirect3DVertexBuffer9* sharedVertices(IDirect3DDevice9* device)
    {
        static IDirect3DVertexBuffer9* shared = nullptr;
        if (shared) {
            IDirect3DDevice9* owner = nullptr;
            const bool current = SUCCEEDED(shared->GetDevice(&owner)) && owner == device;
            if (owner)
                owner->Release();
            if (current)
                return shared;
            shared->Release();
            shared = nullptr;
        }
        const std::vector<BoxVertex> box = unitBox();
        const UINT bytes = static_cast<UINT>(box.size() * sizeof(BoxVertex));
        void* data = nullptr;
        if (FAILED(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_NORMAL, D3DPOOL_MANAGED,
                                              &shared, nullptr)))
            return shared = nullptr;
        if (FAILED(shared->Lock(0, bytes, &data, 0))) {
            shared->Release();
            return shared = nullptr;
        }
        std::memcpy(data, box.data(), bytes);
        shared->Unlock();
        return shared;
    }

    // Whether render() records names in drawn and culled; the scene tests read them.
    static inline bool recording = true;
    static inline std::vector<std::wstring> drawn;
    static inline std::vector<std::wstring> culled;
};

// Loads the effect bundle "TestBox" (Render, RenderDepth, RenderShadowMED) once per process; the
// effect source is copied from the source tree into the working folder.
inline bool loadTestBoxEffect(const std::filesystem::path& sourceRoot, const std::filesystem::path& folder)
{
    using namespace Ulvo;
    if (EffectManager::getInstance()->getEffectBundle(L"TestBox"))
        return true;
    std::filesystem::copy_file(sourceRoot / "tests" / "engine" / "render" / "data" / "testbox.fx",
                               folder / "testbox.fx", std::filesystem::copy_options::overwrite_existing);
    XMLNode effects;
    XMLNode::load(&effects,
                  L"<EFFECTS><EFFECT_BUNDLE NAME=\"TestBox\"><EFFECT><FILE FILENAME=\"testbox.fx\"/></EFFECT>"
                  L"<PERMUTATION NAME=\"Render\"/><PERMUTATION NAME=\"RenderDepth\"/>"
                  L"<PERMUTATION NAME=\"RenderShadowMED\"/></EFFECT_BUNDLE></EFFECTS>",
                  1);
    EffectManager::getInstance()->load(&effects);
    return EffectManager::getInstance()->getEffectBundle(L"TestBox") != nullptr;
}

// Loads the pass kinds' effect bundles of tests/engine/render/data/testpasses.fx once per process:
// "TestPasses" with a permutation per technique the passes select (colour, light depth, linear
// depth, shadow) and "TestWater", the water's reflection.
inline bool loadTestPassEffects(const std::filesystem::path& sourceRoot, const std::filesystem::path& folder)
{
    using namespace Ulvo;
    EffectManager* effects = EffectManager::getInstance();
    if (effects->getEffectBundle(L"TestPasses"))
        return true;
    std::filesystem::copy_file(sourceRoot / "tests" / "engine" / "render" / "data" / "testpasses.fx",
                               folder / "testpasses.fx", std::filesystem::copy_options::overwrite_existing);
    auto permutation = [](const wchar_t* name, const wchar_t* mode) {
        return std::wstring(L"<PERMUTATION NAME=\"") + name + L"\"><MACROS><MACRO NAME=\"PASS_MODE\" DEFINITION=\"" +
               mode + L"\"/></MACROS></PERMUTATION>";
    };
    std::wstring text =
        L"<EFFECTS><EFFECT_BUNDLE NAME=\"TestPasses\"><EFFECT><FILE FILENAME=\"testpasses.fx\"/></EFFECT>";
    text += permutation(L"Render", L"0") + permutation(L"RenderDepth", L"1") + permutation(L"RenderDepthLinear", L"2") +
            permutation(L"RenderWaterDepth", L"2") + permutation(L"RenderShadowLOW", L"3") +
            permutation(L"RenderShadowMED", L"3") + permutation(L"RenderShadowHIGH", L"3");
    text += L"</EFFECT_BUNDLE><EFFECT_BUNDLE NAME=\"TestWater\"><EFFECT><FILE FILENAME=\"testpasses.fx\"/></EFFECT>" +
            permutation(L"Render", L"4") + L"</EFFECT_BUNDLE></EFFECTS>";
    XMLNode node;
    XMLNode::load(&node, text, 1);
    effects->load(&node);
    return effects->getEffectBundle(L"TestPasses") && effects->getEffectBundle(L"TestWater");
}

// A box named so with the effect bundle and the rest of its BASE_DATA (attributes after EFFECT,
// then children): one reference for the caller.
inline BoxObjekt* makeBox(const std::wstring& name, const std::wstring& baseData,
                          const std::wstring& effect = L"TestBox")
{
    Ulvo::XMLNode node;
    Ulvo::XMLNode::load(&node,
                        L"<OBJEKT NAME=\"" + name + L"\"><BASE_DATA EFFECT=\"" + effect + L"\" " + baseData +
                            L"</BASE_DATA></OBJEKT>",
                        1);
    return new BoxObjekt(&node);
}

} // namespace RenderTesting
