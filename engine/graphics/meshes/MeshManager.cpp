#include "graphics/meshes/MeshManager.h"

#include "foundation/logging/Logger.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/meshes/AnimatedMesh.h"
#include "graphics/meshes/Mesh.h"

namespace Ulvo {

namespace {

FileLogger& managerLog()
{
    return moduleLogger(LogModule::MeshManager);
}

} // namespace

MeshManager::~MeshManager()
{
    clear();
}

void MeshManager::clear()
{
    // Emptied before the releases, so a mesh whose end reaches back here finds a whole list.
    std::vector<Mesh*> held;
    held.swap(m_meshes);
    std::vector<AnimatedMesh*> animated;
    animated.swap(m_animatedMeshes);
    for (Mesh* mesh : held)
        mesh->Release();
    for (AnimatedMesh* mesh : animated)
        mesh->Release();
}

bool MeshManager::add(Mesh* mesh, bool adopt)
{
    if (!mesh)
        return false;
    if (!adopt)
        mesh->AddRef();
    m_meshes.push_back(mesh);
    return true;
}

bool MeshManager::add(AnimatedMesh* mesh, bool adopt)
{
    if (!mesh)
        return false;
    if (!adopt)
        mesh->AddRef();
    m_animatedMeshes.push_back(mesh);
    return true;
}

void MeshManager::load(XMLNode* list, TextureManager* textures)
{
    static const wchar_t* const kFunction = L"Ulvo::MeshManager::load";
    FileLogger& log = managerLog();
    log.log(25, LOG_TYPE_INFO, kFunction, L" Start!\n");
    log.incIndent();
    if (list) {
        for (XMLNode* entry : list->getNodes()) {
            if (!entry)
                continue;
            const bool animated = entry->getName() == L"ANIMESH";
            if (!animated && entry->getName() != L"MESH")
                continue;
            const std::wstring name = entry->getAttributeValue(L"NAME");
            if (animated ? findNamedObject(m_animatedMeshes, name) != nullptr
                         : findNamedObject(m_meshes, name) != nullptr) {
                log.log(50, LOG_TYPE_WARNING, kFunction, animated ? L" AniMesh \"" : L" Mesh \"", name,
                        L"\" is listed twice; the first is kept\n");
                continue;
            }
            if (animated) {
                auto* mesh = new AnimatedMesh();
                if (mesh->createFromNode(entry, textures))
                    add(mesh, false);
                mesh->Release();
            } else {
                auto* mesh = new Mesh();
                if (mesh->createFromNode(entry, textures))
                    add(mesh, false);
                mesh->Release();
            }
        }
    }
    log.decIndent();
    log.log(25, LOG_TYPE_INFO, kFunction, L" End!\n");
}

bool MeshManager::loadFile(const std::wstring& fileName, TextureManager* textures)
{
    XMLNode list;
    if (!XMLNode::load(&list, fileName, 0)) {
        managerLog().log(100, LOG_TYPE_ERROR, L"Ulvo::MeshManager::loadFile mesh list \"", fileName,
                         L"\" not loaded; no meshes\n");
        return false;
    }
    load(&list, textures);
    return true;
}

Mesh* MeshManager::getMesh(const std::wstring& name) const
{
    if (Mesh* mesh = findNamedObject(m_meshes, name))
        return mesh;
    if (logSwitch() > 0)
        managerLog().log(50, LOG_TYPE_ERROR, L"Ulvo::MeshManager::getMesh Mesh \"", name, L"\" nicht gefunden\n");
    return nullptr;
}

AnimatedMesh* MeshManager::getAnimatedMesh(const std::wstring& name) const
{
    if (AnimatedMesh* mesh = findNamedObject(m_animatedMeshes, name))
        return mesh;
    if (logSwitch() > 0)
        managerLog().log(50, LOG_TYPE_ERROR, L"Ulvo::MeshManager::getAnimatedMesh AniMesh \"", name,
                         L"\" nicht gefunden\n");
    return nullptr;
}

} // namespace Ulvo
