#pragma once
// D3DX 9 animation: frame hierarchies with their mesh containers, loaded from .x files through the
// caller's allocator, and keyframed animation sets played on the tracks of an animation
// controller.
#include <d3dx9math.h>
#include <d3dx9mesh.h>

struct _D3DXMESHCONTAINER;
typedef _D3DXMESHCONTAINER* LPD3DXMESHCONTAINER;

typedef struct _D3DXFRAME {
    LPSTR Name;
    D3DXMATRIX TransformationMatrix;
    LPD3DXMESHCONTAINER pMeshContainer;
    struct _D3DXFRAME* pFrameSibling;
    struct _D3DXFRAME* pFrameFirstChild;
} D3DXFRAME, *LPD3DXFRAME;

typedef enum _D3DXMESHDATATYPE {
    D3DXMESHTYPE_MESH = 0x001,
    D3DXMESHTYPE_PMESH = 0x002,
    D3DXMESHTYPE_PATCHMESH = 0x003,
    D3DXMESHTYPE_FORCE_DWORD = 0x7fffffff
} D3DXMESHDATATYPE;

// Only plain meshes are made here.
typedef struct _D3DXMESHDATA {
    D3DXMESHDATATYPE Type;
    LPD3DXMESH pMesh;
} D3DXMESHDATA, *LPD3DXMESHDATA;

// Effect instances are not part of our .x files; the loader always hands over null.
typedef struct _D3DXEFFECTINSTANCE D3DXEFFECTINSTANCE, *LPD3DXEFFECTINSTANCE;

typedef struct _D3DXMESHCONTAINER {
    LPSTR Name;
    D3DXMESHDATA MeshData;
    LPD3DXMATERIAL pMaterials;
    LPD3DXEFFECTINSTANCE pEffects;
    DWORD NumMaterials;
    DWORD* pAdjacency;
    LPD3DXSKININFO pSkinInfo;
    struct _D3DXMESHCONTAINER* pNextMeshContainer;
} D3DXMESHCONTAINER;

// The caller's allocator of frames and mesh containers (no reference counting). The loader
// calls CreateFrame for every frame and CreateMeshContainer for every mesh; everything handed
// in lives only during the call: the allocator copies what it keeps and AddRefs the mesh and
// the skin info it holds. A failed call ends the load, which then gives every frame and
// container made so far back through the Destroy calls.
struct ID3DXAllocateHierarchy {
    // Name is "" for an unnamed frame. The loader sets the matrix and the links afterwards.
    virtual HRESULT CreateFrame(LPCSTR Name, LPD3DXFRAME* ppNewFrame) = 0;
    virtual HRESULT CreateMeshContainer(LPCSTR Name, const D3DXMESHDATA* pMeshData, const D3DXMATERIAL* pMaterials,
                                        const D3DXEFFECTINSTANCE* pEffectInstances, DWORD NumMaterials,
                                        const DWORD* pAdjacency, LPD3DXSKININFO pSkinInfo,
                                        LPD3DXMESHCONTAINER* ppNewMeshContainer) = 0;
    virtual HRESULT DestroyFrame(LPD3DXFRAME pFrameToFree) = 0;
    virtual HRESULT DestroyMeshContainer(LPD3DXMESHCONTAINER pMeshContainerToFree) = 0;

protected:
    ~ID3DXAllocateHierarchy() = default;
};
typedef ID3DXAllocateHierarchy* LPD3DXALLOCATEHIERARCHY;

// User data objects are not part of our .x files; a loader passed here is never called.
struct ID3DXLoadUserData;
typedef ID3DXLoadUserData* LPD3DXLOADUSERDATA;

// Every frame of the tree and their containers, children and siblings first, through the
// allocator. A null root does nothing.
HRESULT D3DXFrameDestroy(LPD3DXFRAME pFrameRoot, LPD3DXALLOCATEHIERARCHY pAlloc);
// The first frame named exactly so, depth first from the root (its children before its
// siblings); null when none is.
LPD3DXFRAME D3DXFrameFind(const D3DXFRAME* pFrameRoot, LPCSTR Name);

typedef enum _D3DXPRIORITY_TYPE {
    D3DXPRIORITY_LOW = 0,
    D3DXPRIORITY_HIGH = 1,
    D3DXPRIORITY_FORCE_DWORD = 0x7fffffff
} D3DXPRIORITY_TYPE;

// A track: what it plays is its animation set; Position is its own time in seconds, which grows
// by Speed times each step while the track is enabled. Every enabled track with a set and a
// positive weight is blended into the pose by its weight (the priority is kept, not used).
typedef struct _D3DXTRACK_DESC {
    D3DXPRIORITY_TYPE Priority;
    FLOAT Weight;
    FLOAT Speed;
    DOUBLE Position;
    BOOL Enable;
} D3DXTRACK_DESC, *LPD3DXTRACK_DESC;

struct ID3DXAnimationSet;
typedef ID3DXAnimationSet* LPD3DXANIMATIONSET;
struct ID3DXAnimationController;
typedef ID3DXAnimationController* LPD3DXANIMATIONCONTROLLER;

// Callback keys are not part of our .x files; a handler passed to AdvanceTime is never called.
struct ID3DXAnimationCallbackHandler;
typedef ID3DXAnimationCallbackHandler* LPD3DXANIMATIONCALLBACKHANDLER;

extern const IID IID_ID3DXAnimationSet;
extern const IID IID_ID3DXAnimationController;

// A keyframed animation set: per animated frame (an "animation", named after its frame) keys of
// scale, rotation and translation, sampled by linear interpolation (rotations by spherical
// interpolation). Sets loop: the period is the time of the set's last key.
struct ID3DXAnimationSet : public IUnknown {
    virtual LPCSTR GetName() = 0;
    // In seconds.
    virtual DOUBLE GetPeriod() = 0;
    // Position wrapped into [0, period); 0 for a set of period 0.
    virtual DOUBLE GetPeriodicPosition(DOUBLE Position) = 0;
    virtual UINT GetNumAnimations() = 0;
    virtual HRESULT GetAnimationNameByIndex(UINT Index, LPCSTR* ppName) = 0;
    virtual HRESULT GetAnimationIndexByName(LPCSTR pName, UINT* pIndex) = 0;
    // The animation's scale, rotation and translation at a periodic position (seconds); before
    // its first key a list gives that key, after its last the last. Each output may be null.
    virtual HRESULT GetSRT(DOUBLE PeriodicPosition, UINT Animation, D3DXVECTOR3* pScale, D3DXQUATERNION* pRotation,
                           D3DXVECTOR3* pTranslation) = 0;
};

// Plays animation sets on tracks and writes the blended pose into the matrices registered as
// its outputs (the frames' TransformationMatrix for a loaded hierarchy). Clones share the
// outputs and the sets, and each keeps its own time and tracks: an owner of a clone applies its
// pose with AdvanceTime(0) before it reads the matrices.
struct ID3DXAnimationController : public IUnknown {
    virtual UINT GetMaxNumAnimationOutputs() = 0;
    virtual UINT GetMaxNumAnimationSets() = 0;
    virtual UINT GetMaxNumTracks() = 0;
    virtual UINT GetMaxNumEvents() = 0;
    // The matrix the pose of the animations of that name is written into. Scale, rotation and
    // translation outputs are not offered (D3DERR_INVALIDCALL unless null). D3DERR_INVALIDCALL
    // past the most outputs or for a name registered already.
    virtual HRESULT RegisterAnimationOutput(LPCSTR Name, D3DXMATRIX* pMatrix, D3DXVECTOR3* pScale,
                                            D3DXQUATERNION* pRotation, D3DXVECTOR3* pTranslation) = 0;
    // The controller holds a reference. D3DERR_INVALIDCALL past the most sets or for a set
    // registered already.
    virtual HRESULT RegisterAnimationSet(LPD3DXANIMATIONSET pAnimSet) = 0;
    virtual UINT GetNumAnimationSets() = 0;
    // With one more reference for the caller.
    virtual HRESULT GetAnimationSet(UINT Index, LPD3DXANIMATIONSET* ppAnimationSet) = 0;
    virtual HRESULT GetAnimationSetByName(LPCSTR szName, LPD3DXANIMATIONSET* ppAnimationSet) = 0;
    // Every enabled track's position grows by TimeDelta times its speed, the global time by
    // TimeDelta; then the pose of the tracks is written into every output that one of their
    // sets animates. TimeDelta 0 only writes the pose.
    virtual HRESULT AdvanceTime(DOUBLE TimeDelta, LPD3DXANIMATIONCALLBACKHANDLER pCallbackHandler) = 0;
    // The global time back to 0 (the tracks keep their positions).
    virtual HRESULT ResetTime() = 0;
    virtual DOUBLE GetTime() = 0;
    // A set registered with this controller, or null to empty the track.
    virtual HRESULT SetTrackAnimationSet(UINT Track, LPD3DXANIMATIONSET pAnimSet) = 0;
    // D3DERR_INVALIDCALL for a track out of range; with one more reference for the caller; an
    // empty track gives S_OK and null.
    virtual HRESULT GetTrackAnimationSet(UINT Track, LPD3DXANIMATIONSET* ppAnimSet) = 0;
    virtual HRESULT SetTrackPriority(UINT Track, D3DXPRIORITY_TYPE Priority) = 0;
    virtual HRESULT SetTrackSpeed(UINT Track, FLOAT Speed) = 0;
    virtual HRESULT SetTrackWeight(UINT Track, FLOAT Weight) = 0;
    virtual HRESULT SetTrackPosition(UINT Track, DOUBLE Position) = 0;
    virtual HRESULT SetTrackEnable(UINT Track, BOOL Enable) = 0;
    virtual HRESULT SetTrackDesc(UINT Track, LPD3DXTRACK_DESC pDesc) = 0;
    virtual HRESULT GetTrackDesc(UINT Track, LPD3DXTRACK_DESC pDesc) = 0;
    // A new controller with these maxima, the same outputs, sets, time and tracks (the tracks
    // past the new maximum left out). D3DERR_INVALIDCALL when the outputs or sets do not fit.
    virtual HRESULT CloneAnimationController(UINT MaxNumAnimationOutputs, UINT MaxNumAnimationSets, UINT MaxNumTracks,
                                             UINT MaxNumEvents, LPD3DXANIMATIONCONTROLLER* ppAnimController) = 0;
};

// An empty controller; every track empty, enabled, of weight and speed 1 at position 0.
HRESULT D3DXCreateAnimationController(UINT MaxNumAnimationOutputs, UINT MaxNumAnimationSets, UINT MaxNumTracks,
                                      UINT MaxNumEvents, LPD3DXANIMATIONCONTROLLER* ppAnimController);

// The frame hierarchy of a .x text file, built through pAlloc: every Frame becomes a frame
// (its children in file order, the file's top-level frames the root and its siblings; meshes
// outside every frame go to an unnamed frame made first), every Mesh a mesh container of its
// frame, in its own space (not moved by the frames), sorted by material with an attribute table,
// with its skin info when it has skin weights (one bone per SkinWeights, named after the frame
// it follows). With animation sets in the file and ppAnimController given, a controller comes
// back with every frame registered as an output by its name and every set registered in file
// order, two tracks, track 0 playing the first set; null without animation sets. A file that
// cannot be read gives E_FAIL (logged on stderr with what was wrong) and nothing is left.
HRESULT D3DXLoadMeshHierarchyFromXInMemory(LPCVOID Memory, DWORD SizeOfMemory, DWORD MeshOptions,
                                           IDirect3DDevice9* pDevice, LPD3DXALLOCATEHIERARCHY pAlloc,
                                           LPD3DXLOADUSERDATA pUserDataLoader, LPD3DXFRAME* ppFrameHierarchy,
                                           LPD3DXANIMATIONCONTROLLER* ppAnimController);
HRESULT D3DXLoadMeshHierarchyFromXW(LPCWSTR Filename, DWORD MeshOptions, IDirect3DDevice9* pDevice,
                                    LPD3DXALLOCATEHIERARCHY pAlloc, LPD3DXLOADUSERDATA pUserDataLoader,
                                    LPD3DXFRAME* ppFrameHierarchy, LPD3DXANIMATIONCONTROLLER* ppAnimController);
#define D3DXLoadMeshHierarchyFromX D3DXLoadMeshHierarchyFromXW
