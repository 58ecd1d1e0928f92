// Scene objects across a device reset: the effects they draw with give up their device state
// and take it back, so a frame of the same scene after the reset is the frame from before.
#include "devices/d3d/D3DInterface.h"
#include "engine/graphics/GraphicsTestSupport.h"
#include "engine/render/BoxObjekt.h"
#include "render/RenderTechnique.h"
#include "render/cameras/LookAtCamera.h"
#include "render/passes/RenderPass.h"
#include "render/scenegraph/SceneGraph.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Ulvo;
using GraphicsTesting::Image;
using RenderTesting::BoxObjekt;

namespace {

constexpr UINT kWidth = 96;
constexpr UINT kHeight = 72;

// One frame of graph seen by camera, into a target and depth buffer of its own.
Image drawFrame(IDirect3DDevice9* device, SceneGraph& graph, Camera& camera)
{
    GraphicsTesting::ScopedTarget target(device, kWidth, kHeight);
    IDirect3DSurface9* depth = nullptr;
    IDirect3DSurface9* previousDepth = nullptr;
    if (!target.ok() || FAILED(device->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0,
                                                                 FALSE, &depth, nullptr)))
        return Image();
    device->GetDepthStencilSurface(&previousDepth);
    device->SetDepthStencilSurface(depth);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020, 1.0f, 0);
    device->BeginScene();
    RenderPass pass(L"Render", T_DIFFUSE, 0, nullptr);
    pass.setSceneGraph(&graph);
    pass.addRef();
    pass.render(&camera);
    pass.release();
    device->EndScene();
    const Image image = target.read();
    device->SetDepthStencilSurface(previousDepth);
    if (previousDepth)
        previousDepth->Release();
    depth->Release();
    return image;
}

} // namespace

TEST(SceneDeviceLoss, ObjectsDrawTheSameFrameAfterTheDeviceIsLostAndReset)
{
    LogCapture logs;
    IDirect3DDevice9* device = GraphicsTesting::startDevice();
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(RenderTesting::loadTestBoxEffect(TestSupport::sourceDir(), logs.folder()));
    auto graph = std::make_unique<SceneGraph>();
    BoxObjekt* red = RenderTesting::makeBox(L"Rot", L"MASK_COLOR=\"FF800000\"><RENDERPASSES DEFAULT=\"1\"/>"
                                                    L"<POSITION X=\"-1.5\"/>");
    BoxObjekt* glass = RenderTesting::makeBox(L"Glas", L"ALPHA=\"0.5\" MASK_COLOR=\"FF0000FF\">"
                                                       L"<RENDERPASSES DEFAULT=\"1\"/><POSITION X=\"1\"/>");
    graph->addObject(red, true);
    graph->addObject(glass, true);
    graph->getSunLightSystem().setTime(6, 0, 0);
    LookAtCamera camera(L"Szene");
    camera.setAspect(4.0f / 3.0f);
    camera.setFovAspect(45.0, 0.0);
    camera.setEyePosition(D3DXVECTOR3(0, 0, -8));
    camera.setLookAt(D3DXVECTOR3(0, 0, 0));

    const Image before = drawFrame(device, *graph, camera);
    ASSERT_EQ(before.width, kWidth);
    ASSERT_NE(before.at(kWidth / 2 - 18, kHeight / 2), before.at(2, 2)) << "the red box is in the picture";
    D3DInterface* d3d = D3DInterface::getInstance();
    const D3DPRESENT_PARAMETERS present = *d3d->getPresentParams();
    ASSERT_NE(d3d->setPresenterParams(&present), nullptr);
    BoxObjekt::drawn.clear();
    const Image after = drawFrame(device, *graph, camera);
    EXPECT_EQ(BoxObjekt::drawn, (std::vector<std::wstring>{L"Rot", L"Glas"}));
    ASSERT_EQ(after.width, kWidth);
    EXPECT_EQ(after.pixels, before.pixels);
    EXPECT_EQ(logs.text().find("failed!"), std::string::npos);
    graph.reset();
    red->Release();
    glass->Release();
}
