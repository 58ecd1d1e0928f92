#pragma once
// D3DX 9 geometry helpers over vertex positions: bounding volumes and the ray-triangle test.
#include <d3d9.h>
#include <d3dx9math.h>

// Every position is read as the first twelve bytes of a vertex, vertices dwStride bytes apart.
// The smallest box around NumVertices positions; D3DERR_INVALIDCALL for a null pointer.
// Without vertices both corners are the origin.
HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride, D3DXVECTOR3* pMin,
                               D3DXVECTOR3* pMax);
// A sphere around the positions: its centre is their mean, its radius the largest distance of a
// position from that centre. D3DERR_INVALIDCALL for a null pointer; without vertices the centre is
// the origin and the radius 0.
HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                                  D3DXVECTOR3* pCenter, FLOAT* pRadius);
// Whether the ray from pRayPos along pRayDir (any length) meets the triangle, from either side.
// On a hit: the hit point is p0 + u (p1 - p0) + v (p2 - p0) and pRayPos + dist * pRayDir; hits
// behind the ray's start do not count. Each output pointer may be null.
BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2, const D3DXVECTOR3* pRayPos,
                      const D3DXVECTOR3* pRayDir, FLOAT* pU, FLOAT* pV, FLOAT* pDist);

#include <d3dx9shader.h>

// Meshes: a vertex buffer, an index buffer and one attribute (subset id) per triangle, with an
// optional attribute table that lists each subset's faces and vertices as one range.

// Creation options (the pool of both buffers, index width).
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_DONOTCLIP 0x002
#define D3DXMESH_POINTS 0x004
#define D3DXMESH_RTPATCHES 0x008
#define D3DXMESH_VB_SYSTEMMEM 0x010
#define D3DXMESH_VB_MANAGED 0x020
#define D3DXMESH_VB_WRITEONLY 0x040
#define D3DXMESH_VB_DYNAMIC 0x080
#define D3DXMESH_IB_SYSTEMMEM 0x100
#define D3DXMESH_IB_MANAGED 0x200
#define D3DXMESH_IB_WRITEONLY 0x400
#define D3DXMESH_IB_DYNAMIC 0x800
#define D3DXMESH_VB_SHARE 0x1000
#define D3DXMESH_USEHWONLY 0x2000
#define D3DXMESH_NPATCHES 0x4000
#define D3DXMESH_VB_SOFTWAREPROCESSING 0x8000
#define D3DXMESH_IB_SOFTWAREPROCESSING 0x10000
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXMESH_WRITEONLY 0x440
#define D3DXMESH_DYNAMIC 0x880
#define D3DXMESH_SOFTWAREPROCESSING 0x18000

// OptimizeInplace flags. Only the attribute sort reorders anything here; the vertex-cache,
// strip and compaction orders keep the faces and vertices as they are (every order draws the
// same picture).
#define D3DXMESHOPT_DEVICEINDEPENDENT 0x00400000
#define D3DXMESHOPT_COMPACT 0x01000000
#define D3DXMESHOPT_ATTRSORT 0x02000000
#define D3DXMESHOPT_VERTEXCACHE 0x04000000
#define D3DXMESHOPT_STRIPREORDER 0x08000000
#define D3DXMESHOPT_IGNOREVERTS 0x10000000
#define D3DXMESHOPT_DONOTSPLIT 0x20000000

#define MAX_FVF_DECL_SIZE (MAXD3DDECLLENGTH + 1)

typedef struct _D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
} D3DXATTRIBUTERANGE, *LPD3DXATTRIBUTERANGE;

// pTextureFilename points into the materials buffer (null without a texture).
typedef struct _D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    LPSTR pTextureFilename;
} D3DXMATERIAL, *LPD3DXMATERIAL;

typedef struct _D3DXINTERSECTINFO {
    DWORD FaceIndex;
    FLOAT U;
    FLOAT V;
    FLOAT Dist;
} D3DXINTERSECTINFO, *LPD3DXINTERSECTINFO;

struct ID3DXMesh;
typedef ID3DXMesh* LPD3DXMESH;

extern const IID IID_ID3DXBaseMesh;
extern const IID IID_ID3DXMesh;

struct ID3DXBaseMesh : public IUnknown {
    // Draws the faces of one attribute id: its attribute-table range, or without a table every
    // face that carries the id. Sets stream 0, the indices and the mesh's vertex format.
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    // 0 for a mesh made from a declaration that no FVF code expresses.
    virtual DWORD GetFVF() = 0;
    // The declaration, D3DDECL_END included.
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    // A copy with another vertex format and options: elements both formats have are copied,
    // the others are zero. Faces, attributes and the attribute table are kept.
    virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice, LPD3DXMESH* ppCloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** ppVB) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // pAttribTable null: only the count.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
    // Three entries per face: the face across each edge (corner 0-1, 1-2, 2-0), 0xFFFFFFFF where
    // none. Corners closer than Epsilon count as one point.
    virtual HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) = 0;
};

struct ID3DXMesh : public ID3DXBaseMesh {
    // One DWORD per face.
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    // Sorts the faces by attribute (stable) and builds the attribute table. pAdjacencyIn is
    // renumbered into pAdjacencyOut; pFaceRemap[new] = old face; ppVertexRemap gets a buffer of
    // one DWORD per vertex (the vertices keep their order). Every output may be null.
    virtual HRESULT OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                                    LPD3DXBUFFER* ppVertexRemap) = 0;
    // D3DERR_INVALIDCALL when a range lies outside the mesh.
    virtual HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize) = 0;
};

// A mesh of NumFaces triangles and NumVertices vertices of the FVF; attributes all 0, no table.
HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF, IDirect3DDevice9* pD3DDevice,
                          LPD3DXMESH* ppMesh);

// The ray against every face of the mesh, from either side. pHit tells whether it meets one;
// the nearest hit's face, barycentrics and distance (in units of pRayDir) come back, and with
// ppAllHits a buffer of every hit (D3DXINTERSECTINFO, in face order) and its count. Without a
// hit the buffer is null and the count 0.
HRESULT D3DXIntersect(LPD3DXMESH pMesh, const D3DXVECTOR3* pRayPos, const D3DXVECTOR3* pRayDir, BOOL* pHit,
                      DWORD* pFaceIndex, FLOAT* pU, FLOAT* pV, FLOAT* pDist, LPD3DXBUFFER* ppAllHits,
                      DWORD* pCountOfHits);

// Effect instances are not part of our .x files: ppEffectInstances always receives null.
// The .x text files our tools write: every mesh of the file in one, each moved by its frames'
// matrices, faces sorted by material with an attribute table. The vertex format has a
// position, normals when the file has them, one texture coordinate set when it has them.
// Materials come back as D3DXMATERIAL (at least one: a file without materials gets a white
// one), the adjacency as three DWORDs per face. E_FAIL for a file that cannot be read
// (logged on stderr with what was wrong).
HRESULT D3DXLoadMeshFromXInMemory(LPCVOID Memory, DWORD SizeOfMemory, DWORD Options, IDirect3DDevice9* pD3DDevice,
                                  LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, LPD3DXBUFFER* ppEffectInstances,
                                  DWORD* pNumMaterials, LPD3DXMESH* ppMesh);
HRESULT D3DXLoadMeshFromXW(LPCWSTR pFilename, DWORD Options, IDirect3DDevice9* pD3DDevice, LPD3DXBUFFER* ppAdjacency,
                           LPD3DXBUFFER* ppMaterials, LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials,
                           LPD3DXMESH* ppMesh);
#define D3DXLoadMeshFromX D3DXLoadMeshFromXW

// Skin information of a mesh: its bones (a name and an offset matrix each) and the vertices each
// bone moves, with a weight per vertex.
struct ID3DXSkinInfo;
typedef ID3DXSkinInfo* LPD3DXSKININFO;

extern const IID IID_ID3DXSkinInfo;

struct ID3DXSkinInfo : public IUnknown {
    // The vertices bone Bone moves, with their weights (any earlier list of the bone is
    // replaced). D3DERR_INVALIDCALL for a bone or vertex out of range or a weight that is not a
    // finite number.
    virtual HRESULT SetBoneInfluence(DWORD Bone, DWORD NumInfluences, const DWORD* pVertices,
                                     const FLOAT* pWeights) = 0;
    // 0 for a bone out of range.
    virtual DWORD GetNumBoneInfluences(DWORD Bone) = 0;
    // Copies the bone's vertices and weights into arrays of GetNumBoneInfluences entries.
    virtual HRESULT GetBoneInfluence(DWORD Bone, DWORD* pVertices, FLOAT* pWeights) = 0;
    // The largest number of bones moving one vertex.
    virtual HRESULT GetMaxVertexInfluences(DWORD* pMaxVertexInfluences) = 0;
    virtual DWORD GetNumBones() = 0;
    // The name is copied.
    virtual HRESULT SetBoneName(DWORD Bone, LPCSTR pName) = 0;
    // Null for a bone out of range; else valid while the skin info lives.
    virtual LPCSTR GetBoneName(DWORD Bone) = 0;
    // The matrix from the mesh's space into the bone's (at rest, the inverse of the bone's
    // combined matrix).
    virtual HRESULT SetBoneOffsetMatrix(DWORD Bone, const D3DXMATRIX* pBoneTransform) = 0;
    // Null for a bone out of range.
    virtual LPD3DXMATRIX GetBoneOffsetMatrix(DWORD Bone) = 0;
    virtual DWORD GetFVF() = 0;
    // Software skinning between two vertex arrays of the skin's vertex format: every vertex is
    // copied from source to destination, then its position becomes the weighted sum of its
    // source position moved by each bone that moves it (pBoneTransforms[bone], as a point) and
    // its normal the weighted sum of its normal turned by pBoneInvTransposeTransforms (by
    // pBoneTransforms when null), normalised. Weights are used as given. A vertex no bone moves
    // keeps its source position and normal.
    virtual HRESULT UpdateSkinnedMesh(const D3DXMATRIX* pBoneTransforms, const D3DXMATRIX* pBoneInvTransposeTransforms,
                                      LPCVOID pVerticesSrc, PVOID pVerticesDst) = 0;
};

// Skin information for NumVertices vertices of the FVF and NumBones bones, none moving anything
// yet, each offset matrix the identity. The FVF must hold a position.
HRESULT D3DXCreateSkinInfoFVF(DWORD NumVertices, DWORD FVF, DWORD NumBones, LPD3DXSKININFO* ppSkinInfo);
