#pragma once
// Drawing a scene through render passes in the tests of the render core and the layers above:
// a render configuration's passes switched on, a sun with one direction and colour all day, the
// passes drawn into a picture of its own with a depth buffer, and the pixel a world point falls
// on.
#include "engine/graphics/GraphicsTestSupport.h"
#include "foundation/xml/XMLNode.h"
#include "render/cameras/Camera.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"
#include "render/scenegraph/SceneGraph.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace RenderTesting {

// The pixel a world point falls on in a picture of that size.
inline POINT pixelOf(const Ulvo::Camera& camera, const D3DXVECTOR3& point, UINT width, UINT height)
{
    const D3DVIEWPORT9 viewport{0, 0, width, height, 0.0f, 1.0f};
    D3DXVECTOR3 screen;
    D3DXVec3Project(&screen, &point, &viewport, &camera.getProjectionMatrix(), &camera.getViewMatrix(), nullptr);
    return POINT{static_cast<LONG>(screen.x), static_cast<LONG>(screen.y)};
}

// The sun of the graph: the direction (X, Y, Z attributes) and colours in every phase; the SUN
// node's further attributes and children are appended as given. Updated at once.
inline void sunAllDay(Ulvo::SceneGraph& graph, const std::wstring& direction, const wchar_t* diffuse,
                      const wchar_t* ambient, const std::wstring& attributes = L"", const std::wstring& children = L"")
{
    std::wstring text = L"<SUN " + attributes + L">";
    for (const wchar_t* phase : {L"NACHT", L"MORGEN", L"MITTAG", L"ABEND"})
        text += std::wstring(L"<") + phase + L"><LIGHTDIR " + direction + L"/><COLORS DIFFUSE=\"" + diffuse +
                L"\" AMBIENT=\"" + ambient + L"\"/></" + phase + L">";
    text += children + L"</SUN>";
    Ulvo::XMLNode node;
    Ulvo::XMLNode::load(&node, text, 1);
    graph.getSunLightSystem().load(&node);
    graph.getSunLightSystem().update();
}

// The manager's passes of a RENDERCONFIG body, each switched on (its reference appended to active
// for the caller to release).
inline void configurePasses(Ulvo::RenderManager& manager, Ulvo::SceneGraph& graph, const std::wstring& passes,
                            std::vector<Ulvo::RenderPass*>& active)
{
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, L"<RENDERCONFIG>" + passes + L"</RENDERCONFIG>", 1);
    manager.load(&root);
    manager.setSceneGraph(&graph);
    for (Ulvo::RenderPass* pass : manager.getRenderPasses()) {
        pass->addRef();
        active.push_back(pass);
    }
}

// The passes drawn in order into a picture of that size with a depth buffer of its own, cleared
// to the colour first.
inline GraphicsTesting::Image drawPasses(IDirect3DDevice9* device, Ulvo::Camera& camera,
                                         const std::vector<Ulvo::RenderPass*>& passes, UINT width, UINT height,
                                         D3DCOLOR clear)
{
    GraphicsTesting::ScopedTarget target(device, width, height);
    IDirect3DSurface9* depth = nullptr;
    IDirect3DSurface9* previousDepth = nullptr;
    device->CreateDepthStencilSurface(width, height, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr);
    device->GetDepthStencilSurface(&previousDepth);
    device->SetDepthStencilSurface(depth);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
    device->BeginScene();
    for (Ulvo::RenderPass* pass : passes) {
        if (pass)
            pass->render(&camera);
    }
    device->EndScene();
    GraphicsTesting::Image image = target.read();
    device->SetDepthStencilSurface(previousDepth);
    if (previousDepth)
        previousDepth->Release();
    if (depth)
        depth->Release();
    return image;
}

inline GraphicsTesting::Image drawPasses(IDirect3DDevice9* device, Ulvo::Camera& camera,
                                         std::initializer_list<Ulvo::RenderPass*> passes, UINT width, UINT height,
                                         D3DCOLOR clear)
{
    return drawPasses(device, camera, std::vector<Ulvo::RenderPass*>(passes), width, height, clear);
}

} // namespace RenderTesting
