#include "scene/ObjektManager.h"

#include "devices/input/DirectInputInterface.h"
#include "foundation/files/File.h"
#include "foundation/logging/Logger.h"
#include "scene/SplineManager.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/effects/EffectManager.h"
#include "devices/d3d/D3DInterface.h"
#include "graphics/textures/TextureManager.h"
#include "render/cameras/CameraManager.h"
#include "render/manager/RenderManager.h"
#include "render/scenegraph/SceneGraph.h"
#include "scene/EditorOverlayPass.h"
#include "scene/arrangements/ObjektAnordnung.h"
#include "scene/objects/BaseObjekt.h"

#include <algorithm>
#include <unordered_set>

namespace Ulvo {

bool ObjektManager::s_makeClipmapToHeightMap = false;
std::wstring ObjektManager::s_heightMapEffectName;

namespace {

// The editor's own objects: the axes object "COORDS".
const wchar_t* const kEditorFile = L"data\\Szenen\\editor.xml";

// The free values of the first child node of that name.
std::unordered_set<std::wstring> listedNames(const XMLNode* root, const wchar_t* child)
{
    std::unordered_set<std::wstring> names;
    if (const XMLNode* node = root->getNode(child)) {
        for (const XMLProperty* value : node->getProperties())
            names.insert(value->getValue());
    }
    return names;
}

// Reads a data list a kind of scene object needs; a list that cannot be read is said, with what
// the kind's objects will lack.
bool readKindList(XMLNode& into, const std::wstring& file, const XMLNode& node, const wchar_t* lacking)
{
    if (File::checkDataReference(file) && XMLNode::load(&into, file, 0))
        return true;
    mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::ObjektManager::loadSceneFile: \"", file, L"\" could not be read; ",
                     node.getAttributeValue(L"TYPE"), L" objects draw without their ", lacking, L"\n");
    return false;
}

} // namespace

ObjektManager::ObjektManager()
{
    registerObjektKinds(m_kinds);
    registerCommands(kCommands);
    // The box buffers follow the device's resets; the editor follows keys and mouse.
    followDevice();
    InputStates& input = DirectInputInterface::getInstance()->getInputStates();
    input.keyState.keyPressed.connect(this, &ObjektManager::onKey);
    input.mouseState.buttonPressed.connect(this, &ObjektManager::onMouseButton);
    input.mouseState.buttonReleased.connect(this, &ObjektManager::onMouseRelease);
    input.mouseState.axisMoved.connect(this, &ObjektManager::onMouseAxis);
}

ObjektManager::~ObjektManager()
{
    releaseDeviceResources();
    m_lastLoaded.clear();
    m_lastLoadedLive.clear();
    setEditObject(nullptr);
    setRenderManager(nullptr);
}

void ObjektManager::setEditObject(BaseObjekt* object)
{
    if (object)
        object->AddRef();
    if (m_editObject)
        m_editObject->Release();
    m_editObject = object;
    showEditor();
}

void ObjektManager::setRenderManager(RenderManager* renderManager)
{
    if (m_editorPass) {
        if (m_renderManager)
            m_renderManager->removeOverlayPass(m_editorPass);
        m_editorPass->Release();
        m_editorPass = nullptr;
    }
    m_renderManager = renderManager;
    if (renderManager)
        m_editorPass = new EditorOverlayPass(*this, renderManager);
    showEditor();
}

void ObjektManager::showEditor()
{
    if (!m_renderManager || !m_editorPass)
        return;
    if (!m_editObject) {
        m_renderManager->removeOverlayPass(m_editorPass);
        return;
    }
    if (!m_editorObjectsLoaded) {
        m_editorObjectsLoaded = true;
        // "COORDS" from the editor's own file, unless a scene brought one.
        XMLNode root;
        if (!find(L"COORDS") && XMLNode::load(&root, kEditorFile, 0))
            for (BaseObjekt* helper : loadSceneFile(&root))
                m_editorHelpers.insert(helper);
    }
    m_editorPass->setSceneGraph(m_sceneGraph);
    m_renderManager->addOverlayPass(m_editorPass);
}

bool ObjektManager::removeByName(const std::wstring& name)
{
    if (m_editObject && m_editObject->getName() == name)
        setEditObject(nullptr);
    if (BaseObjekt* object = find(name)) {
        forgetLoaded(object);
        m_budget.release(object);
    }
    return MySingleObjektManager::removeByName(name);
}

bool ObjektManager::remove(BaseObjekt* object)
{
    if (object && object == m_editObject)
        setEditObject(nullptr);
    forgetLoaded(object);
    if (object && find(object->getName()) == object)
        m_budget.release(object);
    return MySingleObjektManager::remove(object);
}

void ObjektManager::clear()
{
    setEditObject(nullptr);
    m_editMode = 0;
    m_editKind = 0;
    m_planeMode = 0;
    m_mouseMode = false;
    m_axisMask = 7;
    m_lastLoaded.clear();
    m_lastLoadedLive.clear();
    std::vector<BaseObjekt*> objects;
    getObjects(std::wstring(), objects);
    for (BaseObjekt* object : objects)
        m_budget.release(object);
    MySingleObjektManager::clear();
    // Its "COORDS" went with the rest: the next edit loads it again.
    m_editorObjectsLoaded = false;
}

void ObjektManager::onObjectDeleted(NamedObject* object)
{
    forgetLoaded(object);
    m_budget.release(object);
    MySingleObjektManager::onObjectDeleted(object);
}

void ObjektManager::forgetLoaded(const NamedObject* object)
{
    m_editorHelpers.erase(object);
    if (object && m_lastLoadedLive.erase(object) && m_lastLoadedLive.empty())
        m_lastLoaded.clear();
}

void ObjektManager::setLastLoaded(const std::vector<BaseObjekt*>& objects)
{
    m_lastLoaded = objects;
    m_lastLoadedLive.clear();
    m_lastLoadedLive.insert(objects.begin(), objects.end());
}

std::vector<BaseObjekt*> ObjektManager::getLastLoaded() const
{
    std::vector<BaseObjekt*> live;
    live.reserve(m_lastLoadedLive.size());
    // An address in the list whose object went is not in the set; a new object at that address
    // is not in it either, as only setLastLoaded adds to it.
    for (BaseObjekt* object : m_lastLoaded) {
        if (m_lastLoadedLive.count(object))
            live.push_back(object);
    }
    return live;
}

void ObjektManager::loadObjectEffects()
{
    static const wchar_t* const kFile = L"data\\FX\\sceneobjects.fxf";
    EffectManager* effects = EffectManager::getInstance();
    if (effects->getEffectBundle(L"Material"))
        return;
    XMLNode root;
    if (XMLNode::load(&root, kFile, 0)) {
        effects->load(&root);
        return;
    }
    static bool reported = false;
    if (!reported) {
        reported = true;
        mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::ObjektManager::loadSceneFile: \"", kFile,
                         L"\" could not be read; scene objects draw without their effects\n");
    }
}

void ObjektManager::addKindData(const std::wstring& type, const std::wstring& bundle, const std::wstring& effectFile,
                                const std::wstring& textureList)
{
    m_kindData[type] = KindData{bundle, effectFile, textureList};
}

void ObjektManager::loadKindData(const XMLNode& node) const
{
    const auto found = m_kindData.find(node.getAttributeValue(L"TYPE"));
    if (found == m_kindData.end())
        return;
    const KindData& data = found->second;
    EffectManager* effects = EffectManager::getInstance();
    if (effects->getEffectBundle(data.bundle))
        return;
    // The pictures first: the effects look their textures up when they are made. A list loaded
    // before adds nothing.
    TextureManager* textures = D3DInterface::getInstance()->getTextureManager();
    if (!data.textureList.empty() && textures) {
        XMLNode list;
        if (readKindList(list, data.textureList, node, L"pictures"))
            textures->load(&list);
    }
    XMLNode root;
    if (readKindList(root, data.effectFile, node, L"effects"))
        effects->load(&root);
}

std::vector<BaseObjekt*> ObjektManager::loadSceneFile(XMLNode* root)
{
    std::vector<BaseObjekt*> result;
    if (!root)
        return result;
    loadObjectEffects();
    m_budget.begin();

    s_makeClipmapToHeightMap = false;
    root->readFlag(L"MAKE_CLIPMAP_2_HEIGHTMAP", s_makeClipmapToHeightMap);
    if (s_makeClipmapToHeightMap)
        root->readString(L"HEIGHTMAP_EFFECT", s_heightMapEffectName);

    // The objects in file order; a name taken before destroys the newcomer (add with adopt).
    int passes = 0;
    for (XMLNode* node : root->getNodes()) {
        // The object's count is paid for the node until the object is there to hold it.
        const std::wstring name = node->getAttributeValue(L"NAME");
        if (node->getName() != L"OBJEKT" || !m_budget.charge({1, BaseObjekt::kReservedBytes}, name, node))
            continue;
        loadKindData(*node);
        BaseObjekt* object = createObjektByType(node, this);
        if (!object) {
            m_budget.release(node);
            continue;
        }
        // The key is taken while the object lives: a refused name destroys it. The object's own
        // bytes are known once it is there (what its kind makes in bulk it paid before making).
        const NamedObject* holder = object;
        m_budget.transfer(node, holder);
        if (!m_budget.settle(BaseObjekt::kReservedBytes, object->heldBytes(), name, holder)) {
            m_budget.release(holder);
            object->Release();
            continue;
        }
        if (!add(object, true)) {
            m_budget.release(holder);
            continue;
        }
        result.push_back(object);
        passes = std::max(passes, object->getBuildPassCount());
    }

    const std::unordered_set<std::wstring> toGraph = listedNames(root, L"ADD_2_SCENEGRAPH");
    const std::unordered_set<std::wstring> notToGraph = listedNames(root, L"DONTADD_2_SCENEGRAPH");

    // Every object finishes a pass before any starts the next. A termination signal leaves the
    // rest unbuilt (as a lost device would): the game ends instead of waiting for them.
    bool stopped = false;
    for (int pass = 0; pass < passes && !stopped; ++pass) {
        for (BaseObjekt* object : result) {
            stopped = m_budget.stopping(object->getName());
            if (stopped)
                break;
            object->build(pass);
        }
    }

    for (BaseObjekt* object : result) {
        bool insert = object->getInsertInSceneGraph();
        if (notToGraph.count(object->getName()))
            insert = false;
        if (toGraph.count(object->getName()))
            insert = true;
        if (insert && m_sceneGraph)
            m_sceneGraph->addObject(object, true);
    }

    // The file's paths, before the arrangements that place copies along them.
    if (m_splines) {
        for (XMLNode* node : root->getNodes()) {
            if (node->getName() == L"SPLINE")
                m_splines->addSpline(node);
        }
    }

    // Arrangements register and place their copies themselves.
    for (XMLNode* node : root->getNodes()) {
        if (node->getName() != L"OBJEKT_ANORDNUNG")
            continue;
        if (m_budget.stopping(node->getName()))
            break;
        std::vector<BaseObjekt*> copies = loadArrangement(*this, node);
        result.insert(result.end(), copies.begin(), copies.end());
    }
    m_budget.end();
    // The scene's sky and light, and the passes that draw its shadows and water.
    if (XMLNode* sun = root->getNode(L"SONNE"))
        loadSceneSun(*sun);
    if (XMLNode* passes = root->getNode(L"RENDERCONFIG"))
        loadScenePasses(*passes);
    // CREATE_PHYSX and DONTCREATE_PHYSX name objects for a physics this engine does not have.
    return result;
}

void ObjektManager::loadSceneSun(XMLNode& node) const
{
    if (!m_sceneGraph)
        return;
    std::wstring listFile;
    TextureManager* textures = D3DInterface::getInstance()->getTextureManager();
    if (node.readString(L"TEXTURLISTE", listFile) && textures) {
        XMLNode list;
        if (File::checkDataReference(listFile) && XMLNode::load(&list, listFile, 0))
            textures->load(&list);
        else
            mainLogger().log(50, LOG_TYPE_ERROR, L"Ulvo::ObjektManager::loadSceneFile: \"", listFile,
                             L"\" could not be read; the sky draws without its maps\n");
    }
    SunLightSystem& sun = m_sceneGraph->getSunLightSystem();
    sun.load(&node);
    sun.update();
}

void ObjektManager::loadScenePasses(XMLNode& node)
{
    // Passes of a name the manager has already replace it; the lists name them to switch them on.
    if (RenderManager* manager = CameraManager::getInstance()->getRenderManager())
        manager->load(&node);
}

void ObjektManager::updateObjects(Camera* camera)
{
    std::vector<BaseObjekt*> objects;
    getObjects(std::wstring(), objects);
    for (BaseObjekt* object : objects)
        if (object)
            object->update(camera, 0);
}

void ObjektManager::collectRenderObjekte(std::vector<RenderObjekt*>& out)
{
    std::vector<BaseObjekt*> objects;
    getObjects(std::wstring(), objects);
    out.insert(out.end(), objects.begin(), objects.end());
}

} // namespace Ulvo
