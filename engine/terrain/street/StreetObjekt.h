#pragma once
// A road: a cross-section (the profile, a list of Segment points) swept along a path of control
// points. The path comes from CONTROLLPOINT nodes or from a named spline; the road can carve a
// named terrain under itself and can follow that terrain's heights.
//
// Data flows in two build passes, so that every road has carved the terrain before any road puts
// its vertices on it: pass 0 reads the path (it needs the terrain and the splines to exist),
// samples it, carves and builds the CPU mesh; pass 1 places vertices on the final terrain,
// computes normals and tangent frames, ends the terrain edit and uploads the device buffers.
// Later passes do nothing: a second carving would dig the trench twice.
//
// The terrain is never owned nor kept: each use looks it up by name in the object manager and
// casts it to HeightMap. The CPU vertex and index arrays stay alive so that a device reset can
// refill the default-pool buffers without a rebuild. Drawing issues one strip per profile edge
// for the whole road; the chunk boxes only serve the camera-dependent bounding box.
#include <d3d9.h>
#include <d3dx9math.h>

#include "devices/d3d/DeviceResource.h"
#include "scene/objects/BaseObjekt.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ulvo {

class HeightMap;
class Spline;
class Texture2D;
class TextureCube;

class StreetObjekt : public BaseObjekt, public DeviceResource {
public:
    // Control-point flags, by value.
    enum : uint32_t {
        FLAG_CATMULL_XZ = 1,
        FLAG_CATMULL_Y = 2,
        FLAG_TERRAIN_CREATION = 4,
        FLAG_TERRAIN_PLACING = 8,
        FLAG_CHANGE = 32,
    };
    enum : uint32_t { PATH_LOOP = 1 };

    // One profile point; the edge from it to the next point carries its material.
    struct Segment {
        float x = 0.0f;
        float y = 0.0f;
        Texture2D* diffuseTexture = nullptr;
        Texture2D* bumpTexture = nullptr;
        Texture2D* reflectionTexture = nullptr;
        TextureCube* skyTexture = nullptr;
        float color[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        float uTiling = 1.0f;
        float vTiling = 1.0f;
        bool symmetric = true;
        bool useLastTexU = false;
        bool scaleTexULength = false;
        int32_t fixedIndex = -1;
        float shadowFactor = 0.0f;
        float specularPower = 32.0f;
        float specularAmount = 1.0f;
        float reflectionAmount = 0.0f;
        float bumpAmount = 1.0f;
        bool smoothSeg = true;
        float parallaxAmount[2] = {0.0f, 0.0f};
        int32_t parallaxSamples[2] = {5, 50};
        int32_t parallaxLod = 1;

        // Reads the SEGMENT node over the current values.
        void load(const XMLNode& node);
    };

    struct ControlPoint {
        D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
        float paramX = 0.0f;
        float paramZ = 0.0f;
        uint32_t flags = 0;
        float interpolDistance = 1.0f;
        int32_t stepCount = 0;
        float scale = 1.0f;
        int32_t isParam = 0;

        // Reads a DEFAULT, CONTROLLPOINT or PARAM_GROUP node over the current values.
        void load(const XMLNode& node);
        // One flag word ("CATMULL", "NO_TERRAIN", ...); unknown words change nothing.
        void applyFlagWord(const std::wstring& word);
    };

    struct PathSample {
        D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
        // The point that starts the sample's piece; points into the path's controlPoints.
        const ControlPoint* controlPoint = nullptr;
        float heading = 0.0f;
        float distance = 0.0f;
        float widthScale = 1.0f;
    };

    // A control point of a spline as the road reads it: the position and whether the
    // spline's interpolation of x/z and of y is curved.
    struct SplineControl {
        D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
        bool curvedXZ = true;
        bool curvedY = true;
    };
    // The control points of the spline of that name; false when there is no such spline.
    using SplineLookup = std::function<bool(const std::wstring& name, std::vector<SplineControl>& points)>;
    // The terrain of that name, or null.
    using TerrainLookup = std::function<HeightMap*(const std::wstring& name)>;

    struct StreetPath {
        std::vector<ControlPoint> controlPoints;
        std::vector<PathSample> samples;
        uint32_t pathFlags = 0;
        std::wstring terrainName;
        float distInterpol = 1.0f;
        float changeRadius = 5.0f;
        float changeFalloff = 0.0f;

        // Reads the STREET_SPLINE node into the ordered control points with guard points and
        // step counts. terrains finds the TERRAIN that places the points given as terrain
        // parameters; splines answers CREATE_FROM_SPLINE. Either may be empty. With fewer than
        // two points the path stays empty: no road.
        void loadStreet(const XMLNode& node, const TerrainLookup& terrains, const SplineLookup& splines);
        // Rebuilds samples from the control points; carves and reads terrain when there is one.
        // Samples past maxSamples are left out, with a log line.
        void samplePath(HeightMap* terrain, std::size_t maxSamples = SIZE_MAX);
    };

    struct StreetVertex {
        D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
        D3DXVECTOR3 normal{0.0f, 0.0f, 0.0f};
        float u = 0.0f;
        float v = 0.0f;
        D3DXVECTOR3 tangent{0.0f, 0.0f, 0.0f};
        D3DXVECTOR3 binormal{0.0f, 0.0f, 0.0f};
    };

    struct MeshChunk {
        int32_t firstSample = 0;
        int32_t lastSample = 0;
        AABB box;
    };

    // Steps of one path piece, and samples of a whole road, beyond which a description is
    // taken as hostile: the rest is cut off with a log line.
    static constexpr int32_t kMaxPieceSteps = 10000;
    static constexpr std::size_t kMaxVertices = std::size_t(1) << 21;
    static constexpr std::size_t kMaxProfilePoints = 256;

    StreetObjekt(XMLNode* node, ObjektManager* owner);
    ~StreetObjekt() override;
    StreetObjekt(const StreetObjekt&) = delete;
    StreetObjekt& operator=(const StreetObjekt&) = delete;

    static BaseObjekt* create(XMLNode* node, ObjektManager* owner) { return new StreetObjekt(node, owner); }

    // A road cannot be cloned.
    BaseObjekt* clone() const override { return nullptr; }
    // The base entries with TYPE STREET and the STREET_DATA the road was built from.
    bool save(XMLNode* node) override;
    int getBuildPassCount() const override { return 2; }
    void build(int pass) override;
    void render(Camera* camera) override;
    // The box buildMesh wrote; the road's box never follows the world matrix.
    const AABB& getBoundingBox() override { return m_worldBox; }
    // The camera's eye point grown by every chunk box the camera sees.
    const AABB& getBoundingBox(Camera* camera);
    void computeWorldBox() override {}
    void computeBoundingSphere() override {}
    // The base step; a road is never hidden by its far distance.
    void updateForCamera(Camera* camera, const D3DXVECTOR3* eye = nullptr) override;

    void loadSegments(const XMLNode& profil);
    static void initSegment(Segment& segment) { segment = Segment(); }
    // Rebuilds the CPU mesh (samples, vertices, indices, chunks, box) and carves.
    void buildMesh();
    // Places vertices on the terrain, computes normals and tangent frames, ends the terrain
    // edit and makes the device objects.
    void createGeometry();

    void onLostDevice() override;
    void onResetDevice() override;

    // Where CREATE_FROM_SPLINE looks splines up; the engine's spline manager by default.
    void setSplineLookup(SplineLookup lookup) { m_splines = std::move(lookup); }
    // The spline's control points as read from its description (without the points its build
    // adds), with the curve switches of their interpolation slots.
    static void readSplineControls(const Spline& spline, std::vector<SplineControl>& points);
    // The lookup through the engine's spline manager.
    static bool engineSplines(const std::wstring& name, std::vector<SplineControl>& points);
    // The terrain named by the path, or null.
    HeightMap* findTerrain() const { return findTerrain(m_path.terrainName); }
    // The object of that name in the owner, as a terrain; null when absent or no terrain.
    HeightMap* findTerrain(const std::wstring& name) const;

    const std::vector<Segment>& getProfile() const { return m_profile; }
    const StreetPath& getPath() const { return m_path; }
    int32_t getSegmentCount() const { return m_segmentCount; }
    bool getDrawLastSegment() const { return m_drawLastSegment; }
    bool hasSplineNode() const { return m_splineNode != nullptr; }
    const std::vector<StreetVertex>& getVertices() const { return m_vertices; }
    const std::vector<uint32_t>& getIndices() const { return m_indices; }
    const std::vector<MeshChunk>& getChunks() const { return m_chunks; }
    IDirect3DVertexBuffer9* getVertexBuffer() const { return m_vertexBuffer; }
    IDirect3DIndexBuffer9* getIndexBuffer() const { return m_indexBuffer; }
    IDirect3DVertexDeclaration9* getVertexDeclaration() const { return m_vertexDeclaration; }

private:
    void createBuffers();
    void releaseDeviceObjects();
    void computeNormals(std::size_t samples, std::size_t points);
    void computeTangents(std::size_t samples, std::size_t points);

    std::vector<Segment> m_profile;
    StreetPath m_path;
    int32_t m_segmentCount = 10;
    bool m_drawLastSegment = true;
    std::unique_ptr<XMLNode> m_splineNode;
    std::unique_ptr<XMLNode> m_streetData;
    SplineLookup m_splines = &StreetObjekt::engineSplines;

    std::vector<StreetVertex> m_vertices;
    std::vector<uint32_t> m_indices;
    uint32_t m_vertexCount = 0;
    uint32_t m_indexCount = 0;
    IDirect3DVertexBuffer9* m_vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* m_indexBuffer = nullptr;
    IDirect3DVertexDeclaration9* m_vertexDeclaration = nullptr;
    std::vector<MeshChunk> m_chunks;
    AABB m_cameraBox;
};

static_assert(sizeof(StreetObjekt::StreetVertex) == 56, "the road's vertex record is 56 bytes");

} // namespace Ulvo
