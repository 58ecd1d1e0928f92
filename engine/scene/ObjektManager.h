#pragma once
// The engine's one object manager: every scene object by name (the registry it derives from holds
// one reference on each), the object kinds by TYPE, the scene-file loader and the OBJ_ console
// commands, and the state of the object editor.
//
// A scene file reaches it through OBJ_LoadFile: loadSceneFile makes each OBJEKT node through the
// factory, registers it (a taken name destroys the newcomer), runs the build passes over all of
// them (every object finishes a pass before any starts the next, so a road sees the terrain
// complete), puts them into the engine's scene graph by their INSERT_IN_SCENEGRAPH value and the
// file's two insertion lists, registers the file's SPLINE nodes with the spline manager and then
// hands the arrangements (which may place copies along those splines) to loadArrangement. The
// scene graph and the spline manager are handed down by the engine.
//
// lastLoaded holds no references: an object leaves it when it leaves the registry or is
// destroyed, so it never reaches a destroyed object.
//
// The object editor (ObjektManagerEditor.cpp) follows the DirectInput keys and mouse: with the
// mouse mode on a click picks the object under the mouse, a left drag moves, scales or turns the
// edited object on an edit plane through it, the right button copies another object's transform,
// and Ctrl+V copies the edited object into its instance group. The boxes it shows are drawn with
// the device resources of ObjektManagerBoxes.cpp, made again after every device reset.
#include <d3d9.h>
#include <d3dx9math.h>

#include "devices/d3d/DeviceResource.h"
#include "devices/input/KeyState.h"
#include "scene/ObjektKinds.h"
#include "scene/SceneBudget.h"
#include "scene/objects/BaseObjekt.h"
#include "scene/registry/MySingleObjektManager.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace Ulvo {

class Camera;
class EditorOverlayPass;
class RenderManager;
class SceneGraph;
class SplineManager;
class XMLNode;

class ObjektManager : public MySingleObjektManager<BaseObjekt*>, public RenderObjektRegistry, public DeviceResource {
public:
    // With the scene layer's object kinds and the OBJ_ commands registered.
    ObjektManager();
    ~ObjektManager() override;

    // The object kinds by TYPE, for createObjektByType; layers above add theirs at start-up.
    ObjektKinds& getKinds() { return m_kinds; }
    // What the scene file being loaded may still make; the kinds charge their objects to it.
    SceneBudget& getSceneBudget() { return m_budget; }

    // Where loaded objects are drawn and where SPLINE nodes go; handed down by the engine (null:
    // objects stay out of any graph, splines are passed over).
    void setSceneGraph(SceneGraph* graph) { m_sceneGraph = graph; }
    SceneGraph* getSceneGraph() const { return m_sceneGraph; }
    void setSplineManager(SplineManager* splines) { m_splines = splines; }
    // Where the editor shows what it edits (EditorOverlayPass); handed down by the engine.
    void setRenderManager(RenderManager* renderManager);
    SplineManager* getSplineManager() const { return m_splines; }

    // The edited object leaves the editor first; then as the registry.
    bool removeByName(const std::wstring& name) override;
    bool remove(BaseObjekt* object) override;
    // The editor's state back to its start, then every object released.
    void clear() override;

    // Reads a scene file's root node: the OBJEKT objects in file order, then those of the
    // arrangements. Loads the scene objects' effect bundles first when they are not loaded, and
    // the data of each kind the file names (addKindData) before its first object is made.
    std::vector<BaseObjekt*> loadSceneFile(XMLNode* root);

    // The effect bundle file (and texture list, may be empty) objects of that TYPE draw with;
    // the loader reads both when the named bundle is not loaded. Layers above the scene add
    // theirs at start-up with their kinds.
    void addKindData(const std::wstring& type, const std::wstring& bundle, const std::wstring& effectFile,
                     const std::wstring& textureList);

    // The objects of the last OBJ_LoadFile that are still registered, in load order.
    std::vector<BaseObjekt*> getLastLoaded() const;

    // One step of the game clock for every object: animations, water, clouds and wind advance,
    // objects that follow the camera follow it (null: they stay).
    void updateObjects(Camera* camera);

    // The edited object (one reference of its own) or null.
    BaseObjekt* getEditObject() const { return m_editObject; }
    void setEditObject(BaseObjekt* object);
    int getEditMode() const { return m_editMode; }
    int getEditKind() const { return m_editKind; }
    int getAxisMask() const { return m_axisMask; }
    int getPlaneMode() const { return m_planeMode; }
    bool getMouseMode() const { return m_mouseMode; }
    void setEditMode(int mode) { m_editMode = mode; }
    void setMouseMode(bool on) { m_mouseMode = on; }
    void setEditKind(int kind) { m_editKind = kind; }
    void setAxisMask(int mask) { m_axisMask = mask; }
    void setPlaneMode(int mode) { m_planeMode = mode; }
    const D3DXVECTOR3& getGrabPoint() const { return m_grabPoint; }
    const D3DXVECTOR3& getGrabOffset() const { return m_grabOffset; }
    const D3DXVECTOR3& getStartScale() const { return m_startScale; }
    float getDragDistance() const { return m_dragDistance; }

    // The editor's input slots, connected to the DirectInput state by the constructor.
    void onKey(KeyState& keys, const unsigned char& key);
    void onMouseButton(MouseState& mouse, const UlvoMouseButton& button);
    void onMouseRelease(MouseState& mouse, const UlvoMouseButton& button);
    void onMouseAxis(MouseState& mouse, const UlvoAchse& axis);

    // The nearest visible object of the scene graph under the mouse, seen by the active camera;
    // null without a camera or a hit.
    BaseObjekt* pickObjectUnderMouse();
    // The nearest hit point under the mouse, else the ray's origin; false (point unchanged)
    // without an active camera, when there is no ray.
    bool pickPointUnderMouse(D3DXVECTOR3& point);
    // The world ray through the screen point (back-buffer pixels) of the camera, the camera's
    // picture taken as shown in the picture rectangle: false without a camera or a back buffer.
    bool computePickRay(const D3DXVECTOR2& screen, const Camera* camera, D3DXVECTOR3& origin,
                        D3DXVECTOR3& direction) const;
    // Where the 3D picture is shown on the back buffer (pixels, right and bottom exclusive), as
    // the game lays it into a panel; an empty rectangle (the start) stands for the whole back
    // buffer. Picking and the edit planes map the mouse through it.
    void setPictureRect(const RECT& rect) { m_pictureRect = rect; }
    const RECT& getPictureRect() const { return m_pictureRect; }
    // The picture rectangle in use: the one set, else the whole back buffer (empty without one).
    RECT pictureArea() const;
    // Where the ray under the mouse meets the edit plane of that mode (0 horizontal, 1 vertical,
    // 2 facing the camera) through the edited object; false, point unchanged, when it does not.
    bool getEditPlanePoint(D3DXVECTOR3& point, int planeMode, const D3DXVECTOR3& reference, float offset);
    // Inserts the picked object's name into the in-game console line (the engine connects it);
    // a click with the console shown or space held emits it.
    sigslot::signal1<const std::wstring&> consoleTextPicked;

    // MAKE_CLIPMAP_2_HEIGHTMAP of the last scene file: the factory builds CLIPMAP descriptions as
    // height maps while it is on.
    static bool getMakeClipmapToHeightMap() { return s_makeClipmapToHeightMap; }
    static void setMakeClipmapToHeightMap(bool on) { s_makeClipmapToHeightMap = on; }
    // HEIGHTMAP_EFFECT of the last scene file that switched the above on; the grid terrain's
    // effect when not empty.
    static const std::wstring& getHeightMapEffectName() { return s_heightMapEffectName; }
    static void setHeightMapEffectName(const std::wstring& name) { s_heightMapEffectName = name; }

    // The registry as the scene graph's console sees it.
    RenderObjekt* findRenderObjekt(const std::wstring& name) override { return find(name); }
    void collectRenderObjekte(std::vector<RenderObjekt*>& out) override;

    // The box-drawing buffers, after the devices started and after every reset; released when
    // the device is lost.
    void createDeviceResources();
    void releaseDeviceResources();
    bool hasDeviceResources() const { return m_deviceResources; }
    void onLostDevice() override { releaseDeviceResources(); }
    void onResetDevice() override { createDeviceResources(); }

    // Box display of the editor; draws nothing until the editor's drawing resources exist.
    void drawBox(const AABB& box, D3DCOLOR colour, bool solid) override;
    // The outline of a four-cornered figure (corners 0 1 over 2 3), as lines.
    void drawQuad(const D3DXVECTOR3 (&corners)[4], D3DCOLOR colour);
    // The edited object's box in the colour of the drag kind, the axes a drag changes (x red,
    // y green, z blue) and the edit plane's outline, seen by the camera.
    void drawEditorMarks(Camera& camera);

    // The editor's own objects ("COORDS"), which belong to no scene and are never saved.
    bool isEditorHelper(const BaseObjekt* object) const { return m_editorHelpers.count(object) > 0; }

    // The registry's deletion slot; the object also leaves lastLoaded.
    void onObjectDeleted(NamedObject* object) override;

private:
    // The effect bundles of "data\FX\sceneobjects.fxf", unless they are loaded already.
    static void loadObjectEffects();
    // The data of the node's TYPE, when it has some and its bundle is not loaded.
    void loadKindData(const XMLNode& node) const;
    // A scene's SONNE node: its texture list (TEXTURLISTE) first, then the sun and sky of the
    // scene graph; its RENDERCONFIG node: the passes it draws with, into the render manager.
    void loadSceneSun(XMLNode& node) const;
    static void loadScenePasses(XMLNode& node);
    // The object leaves lastLoaded and the editor's helpers (it left the registry or is being
    // destroyed).
    void forgetLoaded(const NamedObject* object);
    void setLastLoaded(const std::vector<BaseObjekt*>& objects);

    // Every OBJ_ command runs and completes through these two, which hand the line to the
    // command's handler in ObjektCommands (ObjektManagerConsole.cpp, ObjektSaveCommands.cpp).
    void runCommand(TypedConsoleCommand& line);
    void completeCommand(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);
    friend class ObjektCommands;

    static const ConsoleCommandEntry<ObjektManager> kCommands[24];

    ObjektKinds m_kinds;
    SceneBudget m_budget;
    struct KindData {
        std::wstring bundle;
        std::wstring effectFile;
        std::wstring textureList;
    };
    std::unordered_map<std::wstring, KindData> m_kindData;
    bool m_deviceResources = false;
    SceneGraph* m_sceneGraph = nullptr;
    SplineManager* m_splines = nullptr;

    // The editor's state: mode 0 off, 1 move, 2 move in camera space, 3 move in local space,
    // 4 scale, 5 rotate, 6 velocity; kind 0 nothing, 1 move, 2 scale, 3 rotate, 4 velocity;
    // axis bits x 1, y 2, z 4; plane 0 horizontal, 1 vertical, 2 facing the camera.
    int m_editMode = 0;
    bool m_mouseMode = false;
    int m_editKind = 0;
    int m_axisMask = 7;
    D3DXVECTOR3 m_grabPoint{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_grabOffset{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_startScale{1.0f, 1.0f, 1.0f};
    int m_planeMode = 0;
    float m_dragDistance = 0.0f;
    BaseObjekt* m_editObject = nullptr;
    RenderManager* m_renderManager = nullptr;
    EditorOverlayPass* m_editorPass = nullptr;
    RECT m_pictureRect{0, 0, 0, 0};
    bool m_editorObjectsLoaded = false;
    // The overlay on the render manager exactly while there is an edited object; the editor's
    // own objects ("COORDS") loaded at its first use.
    void showEditor();

    // lastLoaded in load order; an object counts only while it is in the set.
    std::vector<BaseObjekt*> m_lastLoaded;
    std::unordered_set<const NamedObject*> m_lastLoadedLive;
    std::unordered_set<const NamedObject*> m_editorHelpers;

    static bool s_makeClipmapToHeightMap;
    static std::wstring s_heightMapEffectName;

    // The editor (ObjektManagerEditor.cpp). grabPoint on the edit plane through reference (the
    // object's position when the plane is missed), startScale and grabOffset from the edited
    // object.
    void regrab(const D3DXVECTOR3& reference);
    // Ctrl+V: the edited object's copy in its instance group becomes the edited object.
    void copyEditObject();
    // One step of a left drag by the movement (dx, dy, wheel).
    void dragStep(const D3DXVECTOR3& movement, bool shift, bool ctrl);

    // The box drawing (ObjektManagerBoxes.cpp): 8 corners (position and colour), 12 triangles,
    // 12 edges.
    struct BoxVertex {
        D3DXVECTOR3 position;
        D3DCOLOR colour;
    };
    IDirect3DVertexBuffer9* m_boxVertices = nullptr;
    IDirect3DIndexBuffer9* m_boxTriangles = nullptr;
    IDirect3DIndexBuffer9* m_boxLines = nullptr;
    BoxVertex m_boxCorners[8]{};
    // Uploads the corners and sets the fixed-function states every box draw shares; false when
    // the buffer cannot be filled.
    bool beginBoxDraw(IDirect3DDevice9* device);
};

} // namespace Ulvo
