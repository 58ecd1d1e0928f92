#pragma once
// Frames of the render manager on the real device for the post-effect tests: the effects of
// data/FX (compiled once per process from a copy in the working folder), the render configuration
// "data\FX\renderpass.rp", a render manager of the test's own with the lighting renderers, two
// boxes lit by the morning sun, a look-at camera, and a caller's render target of its own size.
#include "engine/graphics/GraphicsTestSupport.h"
#include "engine/render/BoxObjekt.h"
#include "engine/render/PassTestSupport.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "lighting/LightingRenderers.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"
#include "render/scenegraph/SceneGraph.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace FrameTesting {

// data/FX copied to folder/data/FX, so the effect definitions find their sources as the program
// does; the definitions loaded once per process.
inline bool loadDataEffects(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    const fs::path target = folder / "data" / "FX";
    fs::create_directories(target);
    for (const auto& entry : fs::directory_iterator(TestSupport::sourceDir() / "data" / "FX"))
        fs::copy_file(entry.path(), target / entry.path().filename(), fs::copy_options::overwrite_existing);
    Ulvo::EffectManager* effects = Ulvo::EffectManager::getInstance();
    if (!effects->getEffect(L"PostGrey")) {
        Ulvo::XMLNode root;
        if (!Ulvo::XMLNode::load(&root, L"data\\FX\\effecte.fxf", 0))
            return false;
        effects->load(&root);
    }
    return effects->getEffect(L"PostGrey") != nullptr;
}

// The red channel of a 1x1 G16R16F target (the HDR chain's luminances); -1 when unreadable.
inline float redOfLuminance(IDirect3DDevice9* device, IDirect3DSurface9* surface)
{
    IDirect3DSurface9* copy = nullptr;
    device->CreateOffscreenPlainSurface(1, 1, D3DFMT_G16R16F, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    if (!copy)
        return -1.0f;
    float value = -1.0f;
    D3DLOCKED_RECT locked{};
    if (surface && SUCCEEDED(device->GetRenderTargetData(surface, copy)) &&
        SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        D3DXFLOAT16 half[2];
        std::memcpy(half, locked.pBits, sizeof(half));
        float full[2];
        D3DXFloat16To32Array(full, half, 2);
        value = full[0];
        copy->UnlockRect();
    }
    copy->Release();
    return value;
}

// The render configuration as the game reads it (after loadDataEffects copied it).
inline Ulvo::XMLNode renderConfig()
{
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, L"data\\FX\\renderpass.rp", 0);
    return root;
}

// The pixel a world point falls on in a target of that size.
using RenderTesting::pixelOf;

class FrameFixture : public ::testing::Test {
protected:
    // The manager's render-target size; the caller's target is larger.
    static constexpr UINT kWidth = 160, kHeight = 120;

    void SetUp() override
    {
        m_device = GraphicsTesting::startDevice();
        ASSERT_NE(m_device, nullptr);
        ASSERT_TRUE(RenderTesting::loadTestBoxEffect(TestSupport::sourceDir(), m_logs.folder()));
        ASSERT_TRUE(loadDataEffects(m_logs.folder())) << m_logs.text("UlvoEffect.log");
        m_manager = std::make_unique<Ulvo::RenderManager>();
        ASSERT_NE(Ulvo::attachLightingRenderers(*m_manager), nullptr);
        m_manager->setRenderTargetSize(kWidth, kHeight);
        m_boxes.push_back(
            RenderTesting::makeBox(L"Rot", L"MASK_COLOR=\"FF800000\"><RENDERPASSES DEFAULT=\"1\"/><POSITION X=\"-2\"/>"
                                           L"<SCALE X=\"2\" Y=\"2\" Z=\"2\"/>"));
        m_boxes.push_back(
            RenderTesting::makeBox(L"Gruen", L"MASK_COLOR=\"FF00C000\"><RENDERPASSES DEFAULT=\"1\"/><POSITION X=\"2\"/>"
                                             L"<SCALE X=\"2\" Y=\"2\" Z=\"2\"/>"));
        for (RenderTesting::BoxObjekt* box : m_boxes)
            m_graph.addObject(box, true);
        // 6:00: ambient 0.4, the light from the front left at 45 degrees.
        m_graph.getSunLightSystem().setTime(6, 0, 0);
        m_camera.setAspect(4.0f / 3.0f);
        m_camera.setFovAspect(45.0, 0.0);
        m_camera.setEyePosition(D3DXVECTOR3(0, 0, -10));
        m_camera.setLookAt(D3DXVECTOR3(0, 0, 0));
    }

    void TearDown() override
    {
        m_manager.reset();
        for (RenderTesting::BoxObjekt* box : m_boxes)
            m_graph.removeObject(box, true);
        for (RenderTesting::BoxObjekt* box : m_boxes)
            box->Release();
    }

    // The manager configured by the data file (or the given text) with the test's scene.
    void configure(const std::wstring& text = std::wstring())
    {
        Ulvo::XMLNode root;
        if (text.empty())
            root = renderConfig();
        else
            Ulvo::XMLNode::load(&root, text, 1);
        m_manager->load(&root);
        m_manager->setSceneGraph(&m_graph);
    }

    // One frame into a caller's target of that size, cleared to `before` first, read back.
    GraphicsTesting::Image frame(UINT width = 240, UINT height = 180, D3DCOLOR before = 0xFF203040)
    {
        GraphicsTesting::ScopedTarget target(m_device, width, height);
        IDirect3DSurface9* depth = nullptr;
        IDirect3DSurface9* previousDepth = nullptr;
        m_device->CreateDepthStencilSurface(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth,
                                            nullptr);
        m_device->GetDepthStencilSurface(&previousDepth);
        m_device->SetDepthStencilSurface(depth);
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, before, 1.0f, 0);
        m_manager->render(&m_camera);
        GraphicsTesting::Image image = target.read();
        m_device->SetDepthStencilSurface(previousDepth);
        if (previousDepth)
            previousDepth->Release();
        if (depth)
            depth->Release();
        return image;
    }

    // Where a world point lands in the caller's target: its pixel in the manager's target,
    // stretched without filtering.
    POINT pixelIn(const D3DXVECTOR3& point, UINT width = 240, UINT height = 180) const
    {
        const POINT p = pixelOf(m_camera, point, kWidth, kHeight);
        return POINT{static_cast<LONG>((p.x * width + width / 2) / kWidth),
                     static_cast<LONG>((p.y * height + height / 2) / kHeight)};
    }

    LogCapture m_logs; // also the working folder
    IDirect3DDevice9* m_device = nullptr;
    std::unique_ptr<Ulvo::RenderManager> m_manager;
    Ulvo::SceneGraph m_graph;
    std::vector<RenderTesting::BoxObjekt*> m_boxes;
    Ulvo::LookAtCamera m_camera{L"Bild"};
};

} // namespace FrameTesting
