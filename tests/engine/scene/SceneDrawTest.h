#pragma once
// The fixture the drawing tests of the scene objects, roads and forests share: a scene graph with
// its render manager (the camera manager's), a camera of the picture's aspect, the switched-on
// passes and the objects the test put into the graph. TearDown ends the passes, takes the objects
// out of the graph, drops the manager and then releases the objects.
#include "devices/d3d/D3DInterface.h"
#include "engine/render/PassTestSupport.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/manager/RenderManager.h"
#include "render/passes/RenderPass.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/objects/BaseObjekt.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace SceneTesting {

class SceneDrawTest : public ::testing::Test {
protected:
    explicit SceneDrawTest(const wchar_t* cameraName) : m_camera(cameraName) {}

    // The running device, a render manager for the graph and the camera's lens for a width x
    // height picture.
    void startScene(UINT width, UINT height, double fov, double nearPlane, double farPlane)
    {
        m_device = Ulvo::D3DInterface::getInstance()->getDevice();
        m_manager = std::make_unique<Ulvo::RenderManager>();
        m_manager->setSceneGraph(&m_graph);
        Ulvo::CameraManager::getInstance()->setRenderManager(m_manager.get());
        m_camera.setAspect(static_cast<float>(width) / static_cast<float>(height));
        m_camera.setFovAspect(fov, 0.0);
        m_camera.setNearFar(nearPlane, farPlane);
    }

    void TearDown() override
    {
        Ulvo::CameraManager::getInstance()->setRenderManager(nullptr);
        for (Ulvo::RenderPass* pass : m_active)
            pass->release();
        for (Ulvo::BaseObjekt* object : m_objects)
            m_graph.removeObject(object, true);
        m_manager.reset();
        for (Ulvo::BaseObjekt* object : m_objects)
            object->Release();
    }

    // The object in the scene graph; the fixture holds it.
    void add(Ulvo::BaseObjekt* object)
    {
        ASSERT_NE(object, nullptr);
        m_objects.push_back(object);
        m_graph.addObject(object, true);
    }

    LogCapture m_logs;
    IDirect3DDevice9* m_device = nullptr;
    Ulvo::SceneGraph m_graph;
    std::unique_ptr<Ulvo::RenderManager> m_manager;
    Ulvo::LookAtCamera m_camera;
    std::vector<Ulvo::RenderPass*> m_active;
    std::vector<Ulvo::BaseObjekt*> m_objects;
};

} // namespace SceneTesting
