// The shipped scenes saved with OBJ_SaveAllVisibleObjects, removed and loaded again from the save:
// the same objects (names, kinds, transforms, what each was built from) and the same picture. The
// editor's own helper, loaded by editing an object, never goes into the save.
#include <crt.h>

#include "DemoSceneSupport.h"
#include "devices/d3d/D3DInterface.h"
#include "engine/UlvoEngine.h"
#include "engine/scene/SceneObjectsSupport.h"
#include "lighting/LightingRenderers.h"
#include "render/cameras/CameraManager.h"
#include "render/cameras/LookAtCamera.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/ObjektManager.h"
#include "scene/SplineManager.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <typeinfo>

using namespace Ulvo;
using GraphicsTesting::Image;
using namespace DemoSceneTesting;

namespace {

// Every object by its name (a copy by its group's name and its place in the group's sorted list,
// since copies get new numbers on loading): its kind and its saved description without the name.
std::map<std::wstring, std::wstring> sceneOf(ObjektManager& objects)
{
    std::vector<BaseObjekt*> all;
    objects.getObjects(std::wstring(), all);
    std::map<std::wstring, std::vector<std::wstring>> byName;
    for (BaseObjekt* object : all) {
        XMLNode node(L"OBJEKT");
        object->save(&node);
        if (XMLAttribute* name = node.getAttribute(L"NAME"))
            node.removeAttribute(name);
        const std::string kind = typeid(*object).name();
        const std::wstring text = std::wstring(kind.begin(), kind.end()) + L" " + node.toText();
        BaseObjekt* root = object->getInstanceGroup();
        byName[root && root != object ? root->getName() + L"#" : object->getName()].push_back(text);
    }
    std::map<std::wstring, std::wstring> scene;
    for (auto& [name, texts] : byName) {
        std::sort(texts.begin(), texts.end());
        for (std::size_t i = 0; i < texts.size(); ++i)
            scene[name + (texts.size() > 1 ? std::to_wstring(i) : std::wstring())] = texts[i];
    }
    return scene;
}

int largestDifference(const Image& a, const Image& b)
{
    int largest = 0;
    for (UINT y = 0; y < kH; ++y)
        for (UINT x = 0; x < kW; ++x)
            for (int shift = 0; shift < 32; shift += 8) {
                const int d =
                    static_cast<int>((a.at(x, y) >> shift) & 0xFF) - static_cast<int>((b.at(x, y) >> shift) & 0xFF);
                largest = std::max(largest, std::abs(d));
            }
    return largest;
}

// Loads the scene, draws it, saves it, removes it, loads the save and draws again.
void roundTrip(const wchar_t* file, const std::wstring& loadedAnswer, const D3DXVECTOR3& eye, const D3DXVECTOR3& lookAt)
{
    LogCapture logs;
    copyData(logs.folder());
    ASSERT_TRUE(SceneTesting::loadSceneMeshes());
    UlvoEngine* engine = UlvoEngine::getInstance();
    ObjektManager* objects = engine->getObjektManager();
    SceneGraph* graph = engine->getSceneGraph();
    ASSERT_NE(objects, nullptr);
    OwnSplines own(*objects);

    std::unique_ptr<RenderManager> manager = sceneManager(graph, L"data\\FX\\demoscene.rp", true);
    ASSERT_NE(manager, nullptr);
    objects->setRenderManager(manager.get());
    LookAtCamera camera(L"Rundreise");
    camera.setAspect(static_cast<float>(kW) / static_cast<float>(kH));
    camera.setFovAspect(45.0, 0.0);
    camera.setNearFar(0.5, 400.0);
    camera.setEyePosition(eye);
    camera.setLookAt(lookAt);
    IDirect3DDevice9* device = D3DInterface::getInstance()->getDevice();

    crt_srand(1);
    EXPECT_EQ(run(std::wstring(L"OBJ_LoadFile ") + file), loadedAnswer);
    const std::vector<BaseObjekt*> loaded = objects->getLastLoaded();
    ASSERT_FALSE(loaded.empty());
    // Editing an object brings the editor's helper; it is no part of the scene.
    EXPECT_EQ(run(L"OBJ_SetEditObject " + loaded.front()->getName()).empty(), false);
    EXPECT_NE(objects->find(L"COORDS"), nullptr);
    objects->setEditObject(nullptr);
    const Image before = frame(device, *manager, camera);
    std::map<std::wstring, std::wstring> scene = sceneOf(*objects);
    scene.erase(L"COORDS");

    EXPECT_EQ(run(L"OBJ_SaveAllVisibleObjects meinsave.xml 1"), L"\nObjekte gespeichert!");
    XMLNode saved;
    ASSERT_TRUE(XMLNode::load(&saved, L"meinsave.xml", 0));
    for (const XMLNode* node : saved.getNodes()) {
        EXPECT_NE(node->getAttributeValue(L"NAME"), L"COORDS");
        if (node->getName() == L"OBJEKT") {
            EXPECT_NE(node->getAttributeValue(L"TYPE"), L"") << node->toText().substr(0, 200);
            for (const XMLNode* part : node->getNodes())
                EXPECT_EQ(node->getNodeCount(part->getName()), 1u)
                    << "one node per key: " << node->toText().substr(0, 300);
        }
    }
    EXPECT_EQ(run(L"OBJ_Remove_Last_Loaded").empty(), false);
    crt_srand(12345);
    EXPECT_EQ(run(L"OBJ_LoadFile meinsave.xml"), loadedAnswer);
    std::map<std::wstring, std::wstring> again = sceneOf(*objects);
    again.erase(L"COORDS");
    EXPECT_EQ(again.size(), scene.size());
    for (const auto& [name, text] : scene) {
        const auto found = again.find(name);
        ASSERT_NE(found, again.end()) << std::string(name.begin(), name.end());
        EXPECT_EQ(found->second, text) << std::string(name.begin(), name.end());
    }
    const Image after = frame(device, *manager, camera);
    EXPECT_LE(largestDifference(before, after), 2);

    objects->setRenderManager(nullptr);
    CameraManager::getInstance()->setRenderManager(nullptr);
    manager.reset();
}

} // namespace

TEST(SceneSaveRoundTripTest, TheDemoSceneSavedAndLoadedAgainIsTheSameScene)
{
    roundTrip(L"data\\Szenen\\demo.xml", L"32 Objekte geladen", D3DXVECTOR3(0, 15, -30), D3DXVECTOR3(0, 3, 0));
}

TEST(SceneSaveRoundTripTest, TheClipmapSceneSavedAndLoadedAgainIsTheSameScene)
{
    roundTrip(L"data\\Szenen\\clipmap.xml", L"2 Objekte geladen", D3DXVECTOR3(0, 20, -40), D3DXVECTOR3(0, 0, 0));
}
