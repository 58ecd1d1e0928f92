#include "terrain/clipmap/ClipmapLevelSet.h"

#include "foundation/helpers/Release.h"
#include "foundation/logging/FailedCall.h"
#include "foundation/logging/Logger.h"
#include "graphics/effects/Effect.h"
#include "render/scenegraph/RenderObjekt.h"
#include "scene/SceneBudget.h"
#include "terrain/fields/Parameter.h"

#include <d3dx9.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Ulvo {

namespace {

constexpr wchar_t kInit[] = L"Ulvo::ClipmapLevelSet::initClipmap";
// The camera is kept this many finest cells from the origin at most, so that the level
// shifts and the block corners stay exact integers in 32 bits and in floats.
constexpr float kCameraLimit = 536870912.0f; // 2^29

// A violated limit of the set-up, reported like a failed assertion of the original source.
void reportLimit(const wchar_t* condition, int line)
{
    mainLogger().log(100, LOG_TYPE_ERROR, L"Assertion failed: ", condition, L", file UlvoObjekt, line ", line, L"\n");
}

// A coordinate wrapped into [0, 1]; 1.0 itself stays.
double wrapUnit(double t)
{
    if (t < 0.0)
        t -= std::floor(t);
    else if (t > 1.0)
        t = std::fmod(t, 1.0);
    return t;
}

// Mirrors the field at every integer line together with the wrap of the lookup.
double mirror(double t)
{
    const double whole = std::trunc(t);
    const bool odd = std::fmod(std::fabs(whole), 2.0) == 1.0;
    if ((t > 0.0 && odd) || (t < 0.0 && !odd))
        return 1.0 - t;
    return t;
}

// Full height inside the square, falling linearly to 0 at 8 units below it.
double linearNullWeight(double t)
{
    if (t >= 0.0)
        return 1.0;
    return 1.0 - std::clamp(-t * 0.125, 0.0, 1.0);
}

} // namespace

ClipmapLevelSet::ClipmapLevelSet(D3DInterface* d3d, IDirect3DDevice9* device) : m_d3d(d3d), m_device(device) {}

ClipmapLevelSet::~ClipmapLevelSet()
{
    release();
}

// ------------------------------------------------------------------ the field

float ClipmapLevelSet::lookupField(Parameter* field, double u, double v)
{
    if (!field || !std::isfinite(u) || !std::isfinite(v))
        return 0.0f;
    const D3DXVECTOR2 uv(static_cast<float>(wrapUnit(u)), static_cast<float>(wrapUnit(v)));
    return field->getValue(uv);
}

float ClipmapLevelSet::sampleField(Parameter* field, int borderMode, double u, double v)
{
    switch (borderMode) {
    case BORDER_CLAMP:
        return lookupField(field, std::clamp(u, 0.0, 1.0), std::clamp(v, 0.0, 1.0));
    case BORDER_WRAP:
        return lookupField(field, mirror(u), mirror(v));
    case BORDER_LINEAR_NULL: {
        const double weight = linearNullWeight(u) * linearNullWeight(v);
        if (weight <= 0.0)
            return 0.0f;
        return static_cast<float>(lookupField(field, std::clamp(u, 0.0, 1.0), std::clamp(v, 0.0, 1.0)) * weight);
    }
    default:
        if (u < 0.0 || u > 1.0 || v < 0.0 || v > 1.0)
            return 0.0f;
        return lookupField(field, u, v);
    }
}

// ------------------------------------------------------------------ set-up

bool ClipmapLevelSet::initClipmap(Effect* effect, Parameter* heightSource, const int32_t& borderMode,
                                  const uint16_t& levelCount, uint16_t gridSize, uint16_t texSize)
{
    release();
    m_effect = effect;
    m_heightSource = heightSource;
    m_borderMode = borderMode;
    m_n = gridSize;
    m_S = texSize;
    m_m = static_cast<uint16_t>((gridSize + 1) / 4);
    if (!(m_n > 6)) {
        reportLimit(L"_n > 6", __LINE__);
        return false;
    }
    if (!(static_cast<uint32_t>(m_m) * m_m < 65537)) {
        reportLimit(L"_m * _m < 65537", __LINE__);
        return false;
    }
    if (!(levelCount > 0)) {
        reportLimit(L"levelCount > 0", __LINE__);
        return false;
    }
    // A grid wider than half the texture leaves no window round it.
    if (m_S < 2 || (m_S & (m_S - 1)) != 0 || m_n + 1 > m_S) {
        reportLimit(L"_n < _texSize", __LINE__);
        return false;
    }
    if (!m_device)
        return false;

    m_levels.assign(levelCount, ClipmapLevel());
    m_cameraCell[0] = m_cameraCell[1] = 0.0f;
    m_cameraSteps[0] = m_cameraSteps[1] = 0;
    m_windowOffset = (static_cast<int32_t>(m_S) - static_cast<int32_t>(m_n) - 1) / 2;
    const ClipmapGeometry geometry(m_n);
    const auto ring = geometry.ringBlockOrigins();
    const auto centre = geometry.centreBlockOrigins();
    for (unsigned j = 0; j < 12; ++j)
        m_blockOrigins[j] = {static_cast<float>(ring[j][0]), static_cast<float>(ring[j][1])};
    for (unsigned t = 0; t < 4; ++t)
        m_blockOrigins[12 + t] = {static_cast<float>(centre[t][0]), static_cast<float>(centre[t][1])};
    m_invTexSize = 1.0f / static_cast<float>(m_S);

    if (!createDeclaration())
        return false;
    for (unsigned i = 0; i < m_levels.size(); ++i) {
        const int32_t s = 1 << i;
        m_levels[i].origin[0] = m_levels[i].origin[1] = (s - 1) - (m_n >> 1) * s;
    }
    for (unsigned i = static_cast<unsigned>(m_levels.size()); i-- > 0;) {
        // A level at the largest size takes a good part of a second to fill (seconds on a busy
        // machine): a termination signal ends the building between two levels
        // and within a level between two rows.
        if (SceneBudget::terminationPending() || !createTexture(m_levels[i]) ||
            !fillRegion(i, -m_windowOffset, -m_windowOffset, m_S - m_windowOffset, m_S - m_windowOffset, 0, 0)) {
            release();
            return false;
        }
    }
    if (!createInstances() || !createMeshes()) {
        release();
        return false;
    }
    for (ClipmapLevel& level : m_levels)
        level.blockInstanceCount = 0;
    m_ready = true;
    return true;
}

bool ClipmapLevelSet::createDeclaration()
{
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_SHORT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                          {1, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
                                          {1, 16, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
                                          D3DDECL_END()};
    ULVO_CHECK(kInit, m_device->CreateVertexDeclaration(elements, &m_declaration), false);
    return true;
}

bool ClipmapLevelSet::createTexture(ClipmapLevel& level)
{
    ULVO_CHECK(kInit,
               m_device->CreateTexture(m_S, m_S, 1, D3DUSAGE_DYNAMIC, D3DFMT_A32B32G32R32F, D3DPOOL_DEFAULT,
                                       &level.heightTexture, nullptr),
               false);
    return true;
}

HRESULT ClipmapLevelSet::createInstanceBuffer(UINT length, IDirect3DVertexBuffer9** buffer)
{
    return m_device->CreateVertexBuffer(length, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, buffer,
                                        nullptr);
}

HRESULT ClipmapLevelSet::lockInstanceBuffer(void** data, DWORD flags)
{
    return m_instanceBuffer->Lock(0, 0, data, flags);
}

HRESULT ClipmapLevelSet::lockHeights(IDirect3DTexture9* texture, D3DLOCKED_RECT* locked)
{
    return texture->LockRect(0, locked, nullptr, D3DLOCK_NOSYSLOCK | D3DLOCK_NO_DIRTY_UPDATE);
}

void ClipmapLevelSet::unlockHeights(IDirect3DTexture9* texture)
{
    texture->UnlockRect(0);
}

bool ClipmapLevelSet::createInstances()
{
    m_instances.assign(13 * m_levels.size() + 4, ClipmapInstance{});
    const UINT length = static_cast<UINT>(m_instances.size() * sizeof(ClipmapInstance));
    // Without its instances the set cannot draw: it gives up rather than ending the program.
    if (failedCall(createInstanceBuffer(length, &m_instanceBuffer), kInit, __LINE__,
                   L"m_device->CreateVertexBuffer(instances)")) {
        m_instanceBuffer = nullptr;
        return false;
    }
    void* data = nullptr;
    if (failedCall(lockInstanceBuffer(&data, 0), kInit, __LINE__, L"m_instanceBuffer->Lock") || !data)
        return false;
    std::memset(data, 0, length);
    m_instanceBuffer->Unlock();
    return true;
}

bool ClipmapLevelSet::optimised(ClipmapMesh& mesh, bool wideIndices)
{
    const DWORD faces = mesh.triangleCount();
    const DWORD count = static_cast<DWORD>(mesh.vertices.size());
    ID3DXMesh* d3dxMesh = nullptr;
    ULVO_CHECK(kInit,
               D3DXCreateMeshFVF(faces, count, wideIndices ? (D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT) : 0, D3DFVF_XYZ,
                                 m_device, &d3dxMesh),
               false);
    bool ok = false;
    void* data = nullptr;
    if (SUCCEEDED(d3dxMesh->LockVertexBuffer(0, &data))) {
        auto* positions = static_cast<float*>(data);
        for (DWORD k = 0; k < count; ++k) {
            positions[3 * k] = mesh.vertices[k].x;
            positions[3 * k + 1] = 0.0f;
            positions[3 * k + 2] = mesh.vertices[k].z;
        }
        d3dxMesh->UnlockVertexBuffer();
        if (SUCCEEDED(d3dxMesh->LockIndexBuffer(0, &data))) {
            for (size_t k = 0; k < mesh.indices.size(); ++k) {
                if (wideIndices)
                    static_cast<uint32_t*>(data)[k] = mesh.indices[k];
                else
                    static_cast<uint16_t*>(data)[k] = mesh.indices[k];
            }
            d3dxMesh->UnlockIndexBuffer();
            ok = true;
        }
    }
    if (ok) {
        std::vector<DWORD> adjacency(static_cast<size_t>(faces) * 3);
        ok = !failedCall(d3dxMesh->GenerateAdjacency(0.0f, adjacency.data()), kInit, __LINE__,
                         L"mesh->GenerateAdjacency") &&
             !failedCall(d3dxMesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_COMPACT, adjacency.data(),
                                                   nullptr, nullptr, nullptr),
                         kInit, __LINE__, L"mesh->OptimizeInplace");
    }
    // The reordered mesh back into the SHORT2 vertices and 16-bit indices the buffers hold.
    if (ok && SUCCEEDED(d3dxMesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) {
        const DWORD vertices = d3dxMesh->GetNumVertices();
        mesh.vertices.resize(vertices);
        const auto* positions = static_cast<const float*>(data);
        for (DWORD k = 0; k < vertices; ++k)
            mesh.vertices[k] = ClipmapVertex{static_cast<int16_t>(std::lround(positions[3 * k])),
                                             static_cast<int16_t>(std::lround(positions[3 * k + 2]))};
        d3dxMesh->UnlockVertexBuffer();
        if (SUCCEEDED(d3dxMesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) {
            mesh.indices.resize(static_cast<size_t>(d3dxMesh->GetNumFaces()) * 3);
            for (size_t k = 0; k < mesh.indices.size(); ++k)
                mesh.indices[k] = wideIndices ? static_cast<uint16_t>(static_cast<const uint32_t*>(data)[k])
                                              : static_cast<const uint16_t*>(data)[k];
            d3dxMesh->UnlockIndexBuffer();
        } else {
            ok = false;
        }
    }
    d3dxMesh->Release();
    return ok;
}

bool ClipmapLevelSet::createBuffers(const std::vector<ClipmapVertex>& vertices, const std::vector<uint16_t>* indices,
                                    IDirect3DVertexBuffer9** vertexBuffer, IDirect3DIndexBuffer9** indexBuffer)
{
    const UINT vertexBytes = static_cast<UINT>(vertices.size() * sizeof(ClipmapVertex));
    ULVO_CHECK(kInit,
               m_device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, vertexBuffer, nullptr),
               false);
    void* data = nullptr;
    ULVO_CHECK(kInit, (*vertexBuffer)->Lock(0, 0, &data, 0), false);
    std::memcpy(data, vertices.data(), vertexBytes);
    (*vertexBuffer)->Unlock();
    if (!indices)
        return true;
    const UINT indexBytes = static_cast<UINT>(indices->size() * sizeof(uint16_t));
    ULVO_CHECK(kInit,
               m_device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, indexBuffer,
                                           nullptr),
               false);
    ULVO_CHECK(kInit, (*indexBuffer)->Lock(0, 0, &data, 0), false);
    std::memcpy(data, indices->data(), indexBytes);
    (*indexBuffer)->Unlock();
    return true;
}

bool ClipmapLevelSet::createMeshes()
{
    // Reordering the largest block for the vertex cache takes a good part of a second on a busy
    // machine: a termination signal stops the set-up before and after it.
    const ClipmapGeometry geometry(m_n);
    if (SceneBudget::terminationPending())
        return false;
    ClipmapMesh block = geometry.block();
    ClipmapMesh fixUp = geometry.fixUp();
    if (!optimised(block, true) || SceneBudget::terminationPending() || !optimised(fixUp, false))
        return false;
    if (!createBuffers(block.vertices, &block.indices, &m_blockVertices, &m_blockIndices) ||
        !createBuffers(fixUp.vertices, &fixUp.indices, &m_fixUpVertices, &m_fixUpIndices))
        return false;
    m_blockVertexCount = static_cast<unsigned>(block.vertices.size());
    m_blockTriangles = block.triangleCount();
    m_fixUpVertexCount = static_cast<unsigned>(fixUp.vertices.size());
    m_fixUpTriangles = fixUp.triangleCount();
    const std::vector<uint16_t> trimIndices = geometry.trimIndices();
    for (int t = 0; t < 4; ++t) {
        const std::vector<ClipmapVertex> trim = geometry.trimVertices(t);
        if (!createBuffers(trim, t == 0 ? &trimIndices : nullptr, &m_trimVertices[t], &m_trimIndices))
            return false;
        m_trimVertexCount = static_cast<unsigned>(trim.size());
    }
    m_trimTriangles = static_cast<unsigned>(trimIndices.size() / 3);
    const ClipmapMesh ring = geometry.outerRing();
    if (!createBuffers(ring.vertices, &ring.indices, &m_ringVertices, &m_ringIndices))
        return false;
    m_ringVertexCount = static_cast<unsigned>(ring.vertices.size());
    m_ringTriangles = ring.triangleCount();
    return true;
}

void ClipmapLevelSet::release()
{
    m_ready = false;
    for (ClipmapLevel& level : m_levels)
        releaseAndNull(level.heightTexture);
    m_levels.clear();
    releaseAndNull(m_instanceBuffer);
    releaseAndNull(m_blockVertices);
    releaseAndNull(m_blockIndices);
    releaseAndNull(m_fixUpVertices);
    releaseAndNull(m_fixUpIndices);
    for (IDirect3DVertexBuffer9*& trim : m_trimVertices)
        releaseAndNull(trim);
    releaseAndNull(m_trimIndices);
    releaseAndNull(m_ringVertices);
    releaseAndNull(m_ringIndices);
    releaseAndNull(m_declaration);
}

// ------------------------------------------------------------------ filling

bool ClipmapLevelSet::fillRegion(unsigned i, int32_t x0, int32_t z0, int32_t x1, int32_t z1, int dx, int dz)
{
    ClipmapLevel& level = m_levels[i];
    if (!level.heightTexture)
        return true;
    D3DLOCKED_RECT locked{};
    if (failedCall(lockHeights(level.heightTexture, &locked), L"Ulvo::ClipmapLevelSet::fillRegion", __LINE__,
                   L"heightTexture->LockRect") ||
        !locked.pBits)
        return true;
    const int64_t s = int64_t{1} << i;
    const int64_t S = m_S;
    const uint32_t mask = m_S - 1u;
    auto* bits = static_cast<unsigned char*>(locked.pBits);
    auto texel = [&](uint32_t X, uint32_t Z) {
        // Rows at the pitch the lock reports: a driver may pad them.
        return reinterpret_cast<float*>(bits + static_cast<size_t>(Z) * static_cast<size_t>(locked.Pitch)) + 4 * X;
    };
    auto group = [&](int64_t x, int64_t z, int64_t offsetX, int64_t offsetZ) {
        float h[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                const int64_t px = level.origin[0] + (x + c) * s + offsetX;
                const int64_t pz = level.origin[1] + (z + r) * s + offsetZ;
                h[r][c] = sampleField(m_heightSource, m_borderMode, static_cast<double>(px) / static_cast<double>(S),
                                      static_cast<double>(pz) / static_cast<double>(S));
            }
        }
        const uint32_t X = static_cast<uint32_t>(x) & mask, X1 = static_cast<uint32_t>(x + 1) & mask;
        const uint32_t Z = static_cast<uint32_t>(z) & mask, Z1 = static_cast<uint32_t>(z + 1) & mask;
        float* t = texel(X, Z);
        t[0] = h[0][0];
        t[1] = h[0][0];
        t = texel(X, Z1);
        t[0] = h[1][0];
        t[1] = (h[0][0] + h[2][0]) * 0.5f;
        t = texel(X1, Z);
        t[0] = h[0][1];
        t[1] = (h[0][0] + h[0][2]) * 0.5f;
        t = texel(X1, Z1);
        t[0] = h[1][1];
        t[1] = (h[0][0] + h[2][2]) * 0.5f;
        m_texelsWritten += 4;
    };
    // A whole level of the largest side samples the field nine million times: a termination
    // signal is looked at between two rows.
    bool stopped = false;
    const auto goOn = [&stopped] { return !(stopped = stopped || SceneBudget::terminationPending()); };
    // Rows that entered along z, across the whole new window.
    const int64_t xs = dx > 0 ? x1 : x0;
    for (int64_t z = z0; z < z1 && goOn(); z += 2)
        for (int64_t x = xs; x < xs + S; x += 2)
            group(x, z, 0, dz > 0 ? S * s : 0);
    // Columns that entered along x, in the rows the first band left.
    for (int64_t z = z1; z < static_cast<int64_t>(z0) + S && goOn(); z += 2)
        for (int64_t x = x0; x < x1; x += 2)
            group(x, z, dx > 0 ? S * s : 0, 0);
    unlockHeights(level.heightTexture);
    return !stopped;
}

void ClipmapLevelSet::snapShift(unsigned i)
{
    ClipmapLevel& level = m_levels[i];
    const int32_t keep = ~((int32_t{1} << (i + 1)) - 1);
    level.previousShift[0] = level.shift[0];
    level.previousShift[1] = level.shift[1];
    level.shift[0] = m_cameraSteps[0] & keep;
    level.shift[1] = m_cameraSteps[1] & keep;
}

void ClipmapLevelSet::fillWindow(unsigned i)
{
    const ClipmapLevel& level = m_levels[i];
    const int32_t nx = (level.shift[0] >> i) - m_windowOffset;
    const int32_t nz = (level.shift[1] >> i) - m_windowOffset;
    fillRegion(i, nx, nz, nx + m_S, nz + m_S, 0, 0);
}

void ClipmapLevelSet::update(const float c[3], const D3DXMATRIX& viewProjection)
{
    (void)viewProjection;
    if (!m_ready || !std::isfinite(c[0]) || !std::isfinite(c[2]))
        return;
    const float fx = std::floor(std::clamp(c[0], -kCameraLimit, kCameraLimit));
    const float fz = std::floor(std::clamp(c[2], -kCameraLimit, kCameraLimit));
    const int32_t sx = static_cast<int32_t>(std::floor(fx - m_cameraCell[0]));
    const int32_t sz = static_cast<int32_t>(std::floor(fz - m_cameraCell[1]));
    m_cameraCell[0] = fx;
    m_cameraCell[1] = fz;
    if (sx != 0 || sz != 0) {
        m_cameraSteps[0] += sx;
        m_cameraSteps[1] += sz;
        const int dx = (sx > 0) - (sx < 0);
        const int dz = (sz > 0) - (sz < 0);
        for (unsigned i = static_cast<unsigned>(m_levels.size()); i-- > 0;) {
            snapShift(i);
            const ClipmapLevel& level = m_levels[i];
            if (level.shift[0] == level.previousShift[0] && level.shift[1] == level.previousShift[1])
                continue;
            const int64_t moveX = std::llabs(int64_t{level.shift[0]} - level.previousShift[0]);
            const int64_t moveZ = std::llabs(int64_t{level.shift[1]} - level.previousShift[1]);
            if (moveX <= m_S && moveZ <= m_S) {
                const int32_t nx = (level.shift[0] >> i) - m_windowOffset;
                const int32_t px = (level.previousShift[0] >> i) - m_windowOffset;
                const int32_t nz = (level.shift[1] >> i) - m_windowOffset;
                const int32_t pz = (level.previousShift[1] >> i) - m_windowOffset;
                fillRegion(i, std::min(nx, px), std::min(nz, pz), std::max(nx, px), std::max(nz, pz), dx, dz);
            } else {
                fillWindow(i);
            }
        }
    }
    writeInstances();
}

void ClipmapLevelSet::refreshAll()
{
    if (!m_ready)
        return;
    for (unsigned i = static_cast<unsigned>(m_levels.size()); i-- > 0;) {
        snapShift(i);
        fillWindow(i);
    }
}

void ClipmapLevelSet::writeInstances()
{
    const float invS = m_invTexSize;
    auto record = [&](ClipmapInstance& out, unsigned i, float bx, float bz) {
        const ClipmapLevel& level = m_levels[i];
        const float s = static_cast<float>(1 << i);
        out.cell[0] = out.cell[1] = s;
        out.cell[2] = static_cast<float>(level.shift[0] + level.origin[0]) + s * bx;
        out.cell[3] = static_cast<float>(level.shift[1] + level.origin[1]) + s * bz;
        out.texture[0] = out.texture[1] = invS;
        out.texture[2] = (static_cast<float>(level.shift[0] >> i) + bx) * invS;
        out.texture[3] = (static_cast<float>(level.shift[1] >> i) + bz) * invS;
    };
    const unsigned L = getLevelCount();
    for (unsigned i = 0; i < L; ++i) {
        for (unsigned j = 0; j < 12; ++j)
            record(m_instances[ringRecord(i, j)], i, m_blockOrigins[j][0], m_blockOrigins[j][1]);
        m_levels[i].blockInstanceCount = 12;
    }
    for (unsigned t = 0; t < 4; ++t)
        record(m_instances[centreRecord(t)], 0, m_blockOrigins[12 + t][0], m_blockOrigins[12 + t][1]);
    m_centreBlockCount = 4;
    for (unsigned i = 0; i < L; ++i)
        record(m_instances[levelRecord(i)], i, 0.0f, 0.0f);
    void* data = nullptr;
    if (failedCall(lockInstanceBuffer(&data, D3DLOCK_DISCARD), L"Ulvo::ClipmapLevelSet::update", __LINE__,
                   L"m_instanceBuffer->Lock") ||
        !data)
        return;
    std::memcpy(data, m_instances.data(), m_instances.size() * sizeof(ClipmapInstance));
    m_instanceBuffer->Unlock();
}

// ------------------------------------------------------------------ drawing

int ClipmapLevelSet::trimForLevel(unsigned i) const
{
    if (i == 0 || i >= m_levels.size())
        return 1;
    const int32_t bit = int32_t{1} << i;
    const bool x = (m_levels[i - 1].shift[0] & bit) != 0;
    const bool z = (m_levels[i - 1].shift[1] & bit) != 0;
    if (x && !z)
        return 0;
    if (!x && !z)
        return 1;
    if (!x && z)
        return 2;
    return 3;
}

void ClipmapLevelSet::draw(const D3DXMATRIX& viewProjection, bool intoSky)
{
    (void)viewProjection;
    if (!m_ready || !m_effect || !m_effect->getEffect())
        return;
    ID3DXEffect* fx = m_effect->getEffect();
    IDirect3DDevice9* device = m_device;
    constexpr UINT stride = sizeof(ClipmapInstance);
    const UINT vertexStride = sizeof(ClipmapVertex);
    fx->SetInt("g_textyp", m_borderMode == BORDER_WRAP ? 1 : 0);
    fx->SetFloat("g_texSize", static_cast<float>(m_S));
    device->SetVertexDeclaration(m_declaration);
    device->SetStreamSourceFreq(1, D3DSTREAMSOURCE_INSTANCEDATA | 1u);
    device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | 1u);
    auto drawMesh = [&](IDirect3DVertexBuffer9* vertices, IDirect3DIndexBuffer9* indices, unsigned vertexCount,
                        unsigned triangles) {
        device->SetStreamSource(0, vertices, 0, vertexStride);
        device->SetIndices(indices);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, 0, triangles);
    };
    const float n = static_cast<float>(m_n);
    // The outer level's window is n - 1 of its cells wide round the camera, give or take the two
    // cells it moves by; the fade into the sky ends inside it.
    const float outer = static_cast<float>(1 << (getLevelCount() - 1));
    const float fadeEnd = ((n - 1.0f) * 0.5f - 2.0f) * outer;
    const float skyFade[2] = {intoSky ? fadeEnd * 0.6f : 1.0e9f, intoSky ? fadeEnd : 0.0f};
    fx->SetValue("g_skyFade", skyFade, sizeof(skyFade));
    const D3DXVECTOR4 noApron(0.0f, 0.0f, 0.0f, 0.0f);
    fx->SetVector("g_Apron", &noApron);
    for (unsigned i = 0; i < getLevelCount(); ++i) {
        const ClipmapLevel& level = m_levels[i];
        const float s = static_cast<float>(1 << i);
        const D3DXVECTOR4 viewer(m_cameraCell[0], m_cameraCell[1], ((n - 1.0f) * 0.5f - n / 10.0f - 1.0f) * s,
                                 (n / 10.0f) * s);
        fx->SetVector("Viewer", &viewer);
        fx->SetTexture("g_heightmap", level.heightTexture);
        fx->CommitChanges();
        device->SetStreamSource(1, m_instanceBuffer, levelRecord(i) * stride, stride);
        if (i == 0) {
            // Trims 1 and 3 together close the one-cell ring round the centre blocks.
            drawMesh(m_trimVertices[1], m_trimIndices, m_trimVertexCount, m_trimTriangles);
            drawMesh(m_trimVertices[3], m_trimIndices, m_trimVertexCount, m_trimTriangles);
            if (m_centreBlockCount > 0) {
                device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | m_centreBlockCount);
                device->SetStreamSource(1, m_instanceBuffer, centreRecord(0) * stride, stride);
                drawMesh(m_blockVertices, m_blockIndices, m_blockVertexCount, m_blockTriangles);
            }
        } else {
            drawMesh(m_trimVertices[trimForLevel(i)], m_trimIndices, m_trimVertexCount, m_trimTriangles);
        }
        if (level.blockInstanceCount > 0) {
            device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | level.blockInstanceCount);
            device->SetStreamSource(1, m_instanceBuffer, ringRecord(i, 0) * stride, stride);
            drawMesh(m_blockVertices, m_blockIndices, m_blockVertexCount, m_blockTriangles);
        }
        device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | 1u);
        device->SetStreamSource(1, m_instanceBuffer, levelRecord(i) * stride, stride);
        drawMesh(m_fixUpVertices, m_fixUpIndices, m_fixUpVertexCount, m_fixUpTriangles);
        drawMesh(m_ringVertices, m_ringIndices, m_ringVertexCount, m_ringTriangles);
    }
    if (intoSky && m_m > 1) {
        // One block stretched to 32 times the outer window each way, a full height below the
        // ground: hidden under the terrain, and beyond it past the far plane.
        const float cell = 64.0f * fadeEnd / static_cast<float>(m_m - 1);
        const D3DXVECTOR4 apron(static_cast<float>(m_m - 1) * 0.5f, cell, -1.0f, 1.0f);
        fx->SetVector("g_Apron", &apron);
        fx->CommitChanges();
        device->SetStreamSourceFreq(0, D3DSTREAMSOURCE_INDEXEDDATA | 1u);
        device->SetStreamSource(1, m_instanceBuffer, levelRecord(getLevelCount() - 1) * stride, stride);
        drawMesh(m_blockVertices, m_blockIndices, m_blockVertexCount, m_blockTriangles);
        fx->SetVector("g_Apron", &noApron);
    }
    device->SetStreamSourceFreq(0, 1);
    device->SetStreamSourceFreq(1, 1);
    // Nothing of the set stays bound: its buffers and textures must be free to go before a reset.
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetStreamSource(1, nullptr, 0, 0);
    device->SetIndices(nullptr);
    fx->SetTexture("g_heightmap", nullptr);
    // The next mesh binds its own buffers.
    RenderObjekt::setDrawStateMarker(nullptr);
}

} // namespace Ulvo
