#pragma once
// The engine-wide registry of cameras with one active camera, and the CAM_ console commands,
// among them "CAM_saveCamera", which writes cameras to a camera file (root CAMERAS, one CAMERA
// node per camera). Each listed camera holds one reference; the active camera holds none.
#include "foundation/console/ConsoleCommandReceiver.h"

#include <string>
#include <vector>

namespace Ulvo {

class Camera;
class RenderManager;

class CameraManager : public ConsoleCommandReceiver {
public:
    // Built on first use, destroyed at exit (releasing every listed camera).
    static CameraManager* getInstance();
    ~CameraManager() override;

    Camera* getActiveCamera() const { return m_activeCamera; }
    // The first listed camera named exactly so (case counts), or null.
    Camera* getCamera(const std::wstring& name) const;
    const std::vector<Camera*>& getCameras() const { return m_cameras; }

    // Lists a camera and takes a reference; false for null or a camera already listed.
    bool addCamera(Camera* camera);
    // Unlists a camera and gives its reference back; an active camera stops being active.
    bool removeCamera(Camera* camera);
    // A listed camera or null.
    bool setActiveCamera(Camera* camera);

    // The render manager whose z-buffer the cameras' focus reads; handed down by the engine.
    void setRenderManager(RenderManager* renderManager) { m_renderManager = renderManager; }
    RenderManager* getRenderManager() const { return m_renderManager; }

    // Builds the camera file of the named cameras (all when names is empty) and saves it under
    // a relative path inside the working folder; the number written, or -1 when the path is
    // refused or the file cannot be written.
    int saveCameras(const std::wstring& fileName, const std::vector<std::wstring>& names);

private:
    CameraManager();

    void cmdSetActiveCamera(TypedConsoleCommand& line);
    void cmdGetAllCameraNames(TypedConsoleCommand& line);
    void cmdSetEyePosition(TypedConsoleCommand& line);
    void cmdGetEyePosition(TypedConsoleCommand& line);
    void cmdTurnPhysXOn(TypedConsoleCommand& line);
    void cmdSaveCamera(TypedConsoleCommand& line);
    // While at most the camera name is typed: the cameras whose names begin with it.
    void completeCameraName(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);
    // Once the file name is typed: the file name and each camera's name.
    void completeSaveCamera(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);

    static const ConsoleCommandEntry<CameraManager> kCommands[6];

    std::vector<Camera*> m_cameras;
    Camera* m_activeCamera = nullptr;
    RenderManager* m_renderManager = nullptr;
};

} // namespace Ulvo
