// The camera manager's CAM_ commands on the running engine's console, and the camera file.
#include "engine/graphics/GraphicsTestSupport.h"
#include "engine/render/ConsoleLine.h"
#include "foundation/xml/XMLNode.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/DirectionalCamera.h"
#include "render/cameras/LookAtCamera.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Ulvo;
using RenderTesting::complete;
using RenderTesting::run;

namespace {

// Lists cameras with the manager for one test and takes them out again.
class CameraManagerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_manager->getCameras().empty()); }
    void TearDown() override
    {
        while (!m_manager->getCameras().empty())
            m_manager->removeCamera(m_manager->getCameras().front());
    }
    template <class Kind> Kind* list(const std::wstring& name)
    {
        auto* camera = new Kind(name);
        m_manager->addCamera(camera);
        camera->Release(); // the manager's reference keeps it
        return camera;
    }

    LogCapture m_logs; // also the working folder
    CameraManager* m_manager = CameraManager::getInstance();
};

} // namespace

TEST_F(CameraManagerTest, CommandsFindCamerasByExactName)
{
    EXPECT_EQ(run(L"CAM_getAllCameraNames"), L"");
    LookAtCamera* main = list<LookAtCamera>(L"Haupt");
    list<DirectionalCamera>(L"Sonne");
    EXPECT_EQ(run(L"cam_getallcameranames"), L"Haupt\nSonne\n");

    EXPECT_EQ(run(L"CAM_setActiveCamera haupt"), L"Camera nicht gefunden!");
    EXPECT_EQ(m_manager->getActiveCamera(), nullptr);
    EXPECT_EQ(run(L"CAM_setActiveCamera Haupt"), L"Camera ist Aktiv!");
    EXPECT_EQ(m_manager->getActiveCamera(), main);

    EXPECT_EQ(run(L"CAM_setEyePosition Haupt 1 2.5 -3"), L"Camera auf Position 1 2.5 -3 gesetzt!");
    EXPECT_EQ(main->getPosition(), D3DXVECTOR3(1, 2.5f, -3));
    EXPECT_EQ(run(L"CAM_getEyePosition Haupt"), L"Camera auf Position 1 2.5 -3");
    EXPECT_EQ(run(L"CAM_getEyePosition Neben"), L"Camera nicht gefunden!");
    EXPECT_EQ(run(L"CAM_setEyePosition Haupt 1 2"),
              L"CAM_setEyePosition Cameraname x y z; setzt die Camera auf die angegebene Position");
    EXPECT_EQ(run(L"CAM_turnPhysXOn 1"), L"");

    EXPECT_EQ(complete(L"CAM_setActiveCamera Ha"), std::vector<std::wstring>{L"CAM_setActiveCamera Haupt"});
    EXPECT_EQ(complete(L"CAM_saveCamera f.cam"),
              (std::vector<std::wstring>{L"CAM_saveCamera f.cam Haupt", L"CAM_saveCamera f.cam Sonne"}));

    // An unlisted active camera stops being active.
    m_manager->removeCamera(main);
    EXPECT_EQ(m_manager->getActiveCamera(), nullptr);
}

TEST_F(CameraManagerTest, SaveWritesTheCameraFileInsideTheWorkingFolderOnly)
{
    EXPECT_EQ(run(L"CAM_saveCamera leer.cam"), L"0 Cameras saved!");
    XMLNode empty;
    ASSERT_TRUE(XMLNode::load(&empty, L"leer.cam", 0));
    EXPECT_EQ(empty.getName(), L"CAMERAS");
    EXPECT_EQ(empty.getNodeCount(L"CAMERA"), 0u);

    LookAtCamera* main = list<LookAtCamera>(L"Haupt");
    main->setAspect(16.0f / 9.0f);
    main->setFovAspect(60.0, 16.0 / 9.0);
    main->getFocalParams().calcType = FOCUS_ZFAR;
    DirectionalCamera* sun = list<DirectionalCamera>(L"Sonne");
    sun->setFovAspect(60.0, 0.0);

    EXPECT_EQ(run(L"CAM_saveCamera cams.cam Sonne"), L"1 Cameras saved!");
    EXPECT_EQ(run(L"CAM_saveCamera cams.cam"), L"2 Cameras saved!");
    XMLNode file;
    ASSERT_TRUE(XMLNode::load(&file, L"cams.cam", 0));
    ASSERT_EQ(file.getNodeCount(L"CAMERA"), 2u);
    XMLNode* first = file.getNode(L"CAMERA", 0);
    EXPECT_EQ(first->getAttribute(L"NAME")->getValue(), L"Haupt");
    EXPECT_EQ(first->getAttribute(L"TYPE")->getValue(), L"LOOKAT");
    EXPECT_DOUBLE_EQ(first->getAttribute(L"FOV")->getDouble(), 45.0); // converted to 4:3
    EXPECT_EQ(first->getNode(L"FOCAL_PARAMS")->getAttribute(L"CALC_TYPE")->getValue(), L"FDCT_NULL");
    // Without an active keyboard layout only the switch is written.
    EXPECT_EQ(first->getNode(L"KEYS")->getAttributes().size(), 1u);
    EXPECT_EQ(first->getNode(L"SPEED_KEYS")->getAttributes().size(), 12u);
    ASSERT_NE(first->getNode(L"POSITION_LOOKAT"), nullptr);
    XMLNode* second = file.getNode(L"CAMERA", 1);
    EXPECT_EQ(second->getAttribute(L"TYPE")->getValue(), L"DIRECT");
    EXPECT_DOUBLE_EQ(second->getAttribute(L"FOV")->getDouble(), 60.0); // taken as given
    EXPECT_DOUBLE_EQ(second->getAttribute(L"DIST")->getDouble(), 50.0);
    ASSERT_NE(second->getNode(L"LOOKDIR"), nullptr);

    // Outside the working folder, or somewhere unwritable: refused and said so.
    for (const wchar_t* path : {L"/tmp/cams.cam", L"..\\cams.cam", L"sub/../../cams.cam", L"C:cams.cam"}) {
        EXPECT_EQ(run(std::wstring(L"CAM_saveCamera ") + path),
                  std::wstring(L"Cameras konnten nicht gespeichert werden: ") + path);
    }
    EXPECT_FALSE(std::filesystem::exists(m_logs.folder().parent_path() / "cams.cam"));
    EXPECT_EQ(run(L"CAM_saveCamera missing/dir/cams.cam"),
              L"Cameras konnten nicht gespeichert werden: missing/dir/cams.cam");
    EXPECT_NE(m_logs.text().find("could not be written"), std::string::npos);

    // A link in the working folder to a folder outside it is not written through.
    TestSupport::TempDir outside;
    std::filesystem::create_directory_symlink(outside.path(), m_logs.folder() / "linkdir");
    EXPECT_EQ(run(L"CAM_saveCamera linkdir\\cams.cam"), L"Cameras konnten nicht gespeichert werden: linkdir\\cams.cam");
    EXPECT_FALSE(std::filesystem::exists(outside / "cams.cam"));
}
