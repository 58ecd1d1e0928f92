#include "graphics/meshes/Mesh.h"

#include "devices/d3d/D3DInterface.h"
#include "foundation/files/File.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/Texture2D.h"
#include "graphics/textures/TextureManager.h"

#include <cstring>
#include <memory>

namespace Ulvo {

namespace {

FileLogger& meshLog()
{
    return moduleLogger(LogModule::Mesh);
}

IDirect3DDevice9* device()
{
    return D3DInterface::getInstance()->getDevice();
}

template <class T> void release(T*& object)
{
    if (object)
        object->Release();
    object = nullptr;
}

// Copies `size` bytes of a locked source into a new locked target.
bool copyBuffer(const void* source, void* target, size_t size)
{
    if (!source || !target)
        return false;
    std::memcpy(target, source, size);
    return true;
}

} // namespace

Mesh::Mesh() = default;

Mesh::~Mesh()
{
    destroy();
}

void Mesh::destroy()
{
    stopFollowingDevice();
    releaseDrawBuffers();
    release(m_declaration);
    release(m_mesh);
    for (Material& material : m_materials) {
        release(material.diffuse);
        release(material.bump);
        release(material.reflection);
    }
    m_materials.clear();
    m_ranges.clear();
    m_remap.clear();
    m_stride = 0;
}

bool Mesh::createFromNode(XMLNode* entry, TextureManager* textures)
{
    static const wchar_t* const kFunction = L"Ulvo::Mesh::createFromNode";
    if (!entry)
        return false;
    rename(entry->getAttributeValue(L"NAME"));
    XMLNode* fileNode = entry->getNode(L"FILE");
    if (!fileNode) {
        meshLog().log(100, LOG_TYPE_ERROR, kFunction, L" Mesh ", getName(), L" names no FILE\n");
        return false;
    }
    File file(fileNode);
    unsigned char* bytes = nullptr;
    uint32_t size = 0;
    if (!file.isOpen() || !file.getFILE_DATA(bytes, size) || !bytes) {
        meshLog().log(100, LOG_TYPE_ERROR, kFunction, L" Mesh ", getName(), L": file \"", file.getFileName(),
                      L"\" not loaded\n");
        return false;
    }
    std::unique_ptr<unsigned char[]> owned(bytes);
    if (!createFromMemory(bytes, size, textures)) {
        meshLog().log(100, LOG_TYPE_ERROR, kFunction, L" Mesh ", getName(), L": file \"", file.getFileName(),
                      L"\" is no mesh that can be read\n");
        return false;
    }
    meshLog().log(25, LOG_TYPE_INFO, kFunction, L" Mesh ", getName(), L" is OK\n");
    return true;
}

bool Mesh::createFromMemory(const void* bytes, uint32_t size, TextureManager* textures)
{
    destroy();
    IDirect3DDevice9* d3dDevice = device();
    if (!d3dDevice || !bytes)
        return false;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    if (FAILED(D3DXLoadMeshFromXInMemory(bytes, size, D3DXMESH_MANAGED, d3dDevice, nullptr, &materials, nullptr,
                                         &materialCount, &m_mesh)))
        return false;

    const auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    m_materials.resize(materialCount);
    for (DWORD i = 0; i < materialCount; ++i) {
        m_materials[i].colours = records[i].MatD3D;
        const char* file = records[i].pTextureFilename;
        if (file && *file && textures) {
            const std::wstring fileName(file, file + std::strlen(file));
            if (File::checkDataReference(fileName)) {
                m_materials[i].diffuse = textures->getTexture2DFromFile(fileName);
                if (m_materials[i].diffuse)
                    m_materials[i].diffuse->AddRef();
                else
                    meshLog().log(50, LOG_TYPE_ERROR, L"Ulvo::Mesh::createFromMemory Mesh ", getName(), L": texture \"",
                                  fileName, L"\" not loaded\n");
            }
        }
    }
    materials->Release();

    DWORD rangeCount = 0;
    m_mesh->GetAttributeTable(nullptr, &rangeCount);
    m_ranges.resize(rangeCount);
    m_mesh->GetAttributeTable(m_ranges.data(), &rangeCount);
    // Subsets draw by material index; a table that skips a material needs the remap.
    bool identity = m_ranges.size() == m_materials.size();
    std::vector<int> remap(m_materials.size(), -1);
    for (size_t r = 0; r < m_ranges.size(); ++r) {
        if (m_ranges[r].AttribId < remap.size())
            remap[m_ranges[r].AttribId] = static_cast<int>(r);
        identity = identity && m_ranges[r].AttribId == r;
    }
    if (!identity)
        m_remap = std::move(remap);

    m_stride = m_mesh->GetNumBytesPerVertex();
    const D3DXVECTOR3* positions = nullptr;
    if (SUCCEEDED(m_mesh->LockVertexBuffer(D3DLOCK_READONLY, (void**)&positions))) {
        D3DXComputeBoundingBox(positions, m_mesh->GetNumVertices(), m_stride, &m_boxMin, &m_boxMax);
        D3DXComputeBoundingSphere(positions, m_mesh->GetNumVertices(), m_stride, &m_sphereCenter, &m_sphereRadius);
        m_mesh->UnlockVertexBuffer();
    }
    D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
    if (FAILED(m_mesh->GetDeclaration(elements)) ||
        FAILED(d3dDevice->CreateVertexDeclaration(elements, &m_declaration)))
        m_declaration = nullptr;
    if (!createDrawBuffers()) {
        destroy();
        return false;
    }
    followDevice();
    return true;
}

bool Mesh::createDrawBuffers()
{
    IDirect3DDevice9* d3dDevice = device();
    if (!m_mesh || !d3dDevice)
        return false;
    const UINT vertexBytes = m_mesh->GetNumVertices() * m_stride;
    const bool wide = (m_mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    const UINT indexBytes = m_mesh->GetNumFaces() * 3 * (wide ? 4 : 2);
    if (FAILED(d3dDevice->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, m_mesh->GetFVF(), D3DPOOL_DEFAULT,
                                             &m_vertexBuffer, nullptr)) ||
        FAILED(d3dDevice->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                            D3DPOOL_DEFAULT, &m_indexBuffer, nullptr))) {
        releaseDrawBuffers();
        return false;
    }
    void* source = nullptr;
    void* target = nullptr;
    bool copied = false;
    if (SUCCEEDED(m_mesh->LockVertexBuffer(D3DLOCK_READONLY, &source))) {
        if (SUCCEEDED(m_vertexBuffer->Lock(0, 0, &target, 0))) {
            copied = copyBuffer(source, target, vertexBytes);
            m_vertexBuffer->Unlock();
        }
        m_mesh->UnlockVertexBuffer();
    }
    if (copied && SUCCEEDED(m_mesh->LockIndexBuffer(D3DLOCK_READONLY, &source))) {
        copied = false;
        if (SUCCEEDED(m_indexBuffer->Lock(0, 0, &target, 0))) {
            copied = copyBuffer(source, target, indexBytes);
            m_indexBuffer->Unlock();
        }
        m_mesh->UnlockIndexBuffer();
    }
    if (!copied) {
        releaseDrawBuffers();
        return false;
    }
    return true;
}

void Mesh::releaseDrawBuffers()
{
    release(m_vertexBuffer);
    release(m_indexBuffer);
}

void Mesh::drawSubsets() const
{
    if (!m_mesh)
        return;
    for (int subset = 0; subset < getSubsetCount(); ++subset)
        m_mesh->DrawSubset(static_cast<DWORD>(getSubsetMaterial(subset)));
}

void Mesh::onLostDevice()
{
    releaseDrawBuffers();
}

void Mesh::onResetDevice()
{
    if (m_mesh && !m_vertexBuffer && !createDrawBuffers())
        meshLog().log(100, LOG_TYPE_ERROR, L"Ulvo::Mesh::onResetDevice Mesh ", getName(),
                      L": drawing buffers not made again\n");
}

} // namespace Ulvo
