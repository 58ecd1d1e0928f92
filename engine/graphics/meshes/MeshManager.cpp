#include "graphics/meshes/MeshManager.h"

#include "foundation/logging/Logger.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/xml/XMLNode.h"
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
    for (Mesh* mesh : held)
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

void MeshManager::load(XMLNode* list, TextureManager* textures)
{
    static const wchar_t* const kFunction = L"Ulvo::MeshManager::load";
    FileLogger& log = managerLog();
    log.log(25, LOG_TYPE_INFO, kFunction, L" Start!\n");
    log.incIndent();
    if (list) {
        for (XMLNode* entry : list->getNodes()) {
            if (!entry || entry->getName() != L"MESH")
                continue;
            const std::wstring name = entry->getAttributeValue(L"NAME");
            if (findNamedObject(m_meshes, name)) {
                log.log(50, LOG_TYPE_WARNING, kFunction, L" Mesh \"", name, L"\" is listed twice; the first is kept\n");
                continue;
            }
            auto* mesh = new Mesh();
            if (mesh->createFromNode(entry, textures))
                add(mesh, false);
            mesh->Release();
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

} // namespace Ulvo
