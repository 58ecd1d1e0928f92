#include "render/cameras/CameraManager.h"

#include "foundation/files/File.h"
#include "foundation/helpers/Release.h"
#include "foundation/logging/Logger.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/xml/XMLNode.h"
#include "render/XMLWrites.h"
#include "render/cameras/Camera.h"

#include <algorithm>

namespace Ulvo {

namespace {

std::wstring positionText(const D3DXVECTOR3& p)
{
    return xmlwrite::numberText(p.x) + L" " + xmlwrite::numberText(p.y) + L" " + xmlwrite::numberText(p.z);
}

} // namespace

const ConsoleCommandEntry<CameraManager> CameraManager::kCommands[6] = {
    {L"CAM_setActiveCamera", 1, L"CAM_setActiveCamera Cameraname; macht Camera aktiv!",
     &CameraManager::cmdSetActiveCamera, &CameraManager::completeCameraName},
    {L"CAM_getAllCameraNames", 0, L"CAM_getAllCameraNames; gibt eine List der erstellten Cameras zur\u00FCck!",
     &CameraManager::cmdGetAllCameraNames},
    {L"CAM_setEyePosition", 4, L"CAM_setEyePosition Cameraname x y z; setzt die Camera auf die angegebene Position",
     &CameraManager::cmdSetEyePosition, &CameraManager::completeCameraName},
    {L"CAM_getEyePosition", 1, L"CAM_getEyePosition Cameraname; gibt die Cameraposition zur\u00FCck",
     &CameraManager::cmdGetEyePosition, &CameraManager::completeCameraName},
    {L"CAM_turnPhysXOn", 1, L"CAM_turnPhysXOn 0/1; soll aktuelle Camera PhysX zu Kollisionsberechnung nutzen",
     &CameraManager::cmdTurnPhysXOn},
    {L"CAM_saveCamera", 1, L"CAM_saveCamera filename [name] ; Cameras speichern", &CameraManager::cmdSaveCamera,
     &CameraManager::completeSaveCamera},
};

CameraManager* CameraManager::getInstance()
{
    static CameraManager instance;
    return &instance;
}

CameraManager::CameraManager()
{
    registerCommands(kCommands);
}

CameraManager::~CameraManager()
{
    m_activeCamera = nullptr;
    releaseAndClear(m_cameras);
}

Camera* CameraManager::getCamera(const std::wstring& name) const
{
    return findNamedObject(m_cameras, name);
}

bool CameraManager::addCamera(Camera* camera)
{
    if (!camera || std::find(m_cameras.begin(), m_cameras.end(), camera) != m_cameras.end())
        return false;
    camera->AddRef();
    m_cameras.push_back(camera);
    return true;
}

bool CameraManager::removeCamera(Camera* camera)
{
    auto found = std::find(m_cameras.begin(), m_cameras.end(), camera);
    if (found == m_cameras.end())
        return false;
    m_cameras.erase(found);
    if (m_activeCamera == camera)
        m_activeCamera = nullptr;
    camera->Release();
    return true;
}

bool CameraManager::setActiveCamera(Camera* camera)
{
    if (camera && std::find(m_cameras.begin(), m_cameras.end(), camera) == m_cameras.end())
        return false;
    m_activeCamera = camera;
    return true;
}

int CameraManager::saveCameras(const std::wstring& fileName, const std::vector<std::wstring>& names)
{
    // Camera files go below the working folder only, and never through a link out of it.
    if (!File::checkDataReference(fileName)) {
        mainLogger().log(50, LOG_TYPE_ERROR,
                         L"Ulvo::CameraManager::saveCameras: \"" + fileName +
                             L"\" is not a relative path inside the working folder\n");
        return -1;
    }
    XMLNode root(L"CAMERAS");
    int written = 0;
    for (Camera* camera : m_cameras) {
        if (!names.empty() && std::find(names.begin(), names.end(), camera->getName()) == names.end())
            continue;
        auto* node = new XMLNode(L"CAMERA");
        camera->save(node);
        root.addNode(node);
        ++written;
    }
    if (!XMLNode::save(&root, fileName, xmlUnicodeSwitch())) {
        mainLogger().log(50, LOG_TYPE_ERROR,
                         L"Ulvo::CameraManager::saveCameras: \"" + fileName + L"\" could not be written\n");
        return -1;
    }
    return written;
}

// ------------------------------------------------------------------ console

void CameraManager::cmdSetActiveCamera(TypedConsoleCommand& line)
{
    Camera* camera = getCamera(line.getToken(0));
    if (!camera) {
        line.setAnswer(L"Camera nicht gefunden!");
        return;
    }
    m_activeCamera = camera;
    line.setAnswer(L"Camera ist Aktiv!");
}

void CameraManager::cmdGetAllCameraNames(TypedConsoleCommand& line)
{
    std::wstring answer;
    for (Camera* camera : m_cameras)
        answer += camera->getName() + L"\n";
    line.setAnswer(answer);
}

void CameraManager::cmdSetEyePosition(TypedConsoleCommand& line)
{
    Camera* camera = getCamera(line.getToken(0));
    if (!camera) {
        line.setAnswer(L"Camera nicht gefunden!");
        return;
    }
    const D3DXVECTOR3 eye(line.getParamFloat(1), line.getParamFloat(2), line.getParamFloat(3));
    camera->setEyePosition(eye);
    line.setAnswer(L"Camera auf Position " + positionText(eye) + L" gesetzt!");
}

void CameraManager::cmdGetEyePosition(TypedConsoleCommand& line)
{
    Camera* camera = getCamera(line.getToken(0));
    if (!camera) {
        line.setAnswer(L"Camera nicht gefunden!");
        return;
    }
    line.setAnswer(L"Camera auf Position " + positionText(camera->getPosition()));
}

void CameraManager::cmdTurnPhysXOn(TypedConsoleCommand&) {}

void CameraManager::cmdSaveCamera(TypedConsoleCommand& line)
{
    std::vector<std::wstring> names;
    for (int i = 1; i < line.getArgumentCount(); ++i)
        names.push_back(line.getToken(i));
    const int written = saveCameras(line.getToken(0), names);
    if (written < 0)
        line.setAnswer(L"Cameras konnten nicht gespeichert werden: " + line.getToken(0));
    else
        line.setAnswer(std::to_wstring(written) + L" Cameras saved!");
}

void CameraManager::completeCameraName(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    if (line.getArgumentCount() > 1)
        return;
    const std::wstring typed = line.getToken(0);
    for (Camera* camera : m_cameras) {
        if (camera->getName().compare(0, typed.size(), typed) == 0)
            candidates.push_back(camera->getName());
    }
}

void CameraManager::completeSaveCamera(TypedConsoleCommand& line, std::vector<std::wstring>& candidates)
{
    if (line.getArgumentCount() < 1)
        return;
    for (Camera* camera : m_cameras)
        candidates.push_back(line.getToken(0) + L" " + camera->getName());
}

} // namespace Ulvo
