#pragma once
// The GL programs draws run: the built-in fixed-function programs (generated GLSL 330, cached by
// the states they depend on) and the pairs made from the effect framework's shader stages.
#include "d3d9/D3D9Internal.h"

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace D3D9Internal {

class Device;
class ShaderObject;

// Fixed-function vertex processing: what the vertex stage needs to know.
struct FFVertexKey {
    uint8_t positionT; // pre-transformed XYZRHW
    uint8_t hasNormal;
    uint8_t hasDiffuse;
    uint8_t hasSpecular;
    uint8_t lighting;
    uint8_t flat;
    uint8_t colorVertex;
    uint8_t diffuseSource;
    uint8_t ambientSource;
    uint8_t specularSource;
    uint8_t emissiveSource;
    uint8_t outputCount;        // texture coordinates written (one per stage)
    uint8_t texCoordSize[8];    // components of each vertex texture coordinate set (0: absent)
    uint8_t stageCoordIndex[8]; // set each stage reads
    uint8_t stageTransform[8];  // D3DTTFF count, 0x80 when projected
};

// Fixed-function pixel processing: the texture stages.
struct FFStageKey {
    uint8_t colorOp, colorArg1, colorArg2, colorArg0;
    uint8_t alphaOp, alphaArg1, alphaArg2, alphaArg0;
    uint8_t textureType; // 0 none, 1 2D, 2 cube, 3 volume
    uint8_t projected;
    uint8_t resultTemp;
    uint8_t pad;
};

struct FFPixelKey {
    uint8_t stageCount;
    uint8_t specularEnable;
    uint8_t flat;
    uint8_t pad;
    FFStageKey stages[8];
};

// Pixel-stage steps that cost llvmpipe on every fragment, compiled in only while their states
// are on (a `discard` anywhere in a shader slows all of it down).
enum PixelVariant : uint8_t {
    kPixelAlphaTest = 1u << 0, // D3DRS_ALPHATESTENABLE with a function other than ALWAYS
    kPixelSrgbWrite = 1u << 1, // D3DRS_SRGBWRITEENABLE
};

// Vertex-stage steps compiled in only while their states are on.
enum VertexVariant : uint8_t {
    kVertexClipPlanes = 1u << 0, // D3DRS_CLIPPING with some D3DRS_CLIPPLANEENABLE bit
};

struct ProgramKey {
    uint32_t vertexShader; // 0: fixed function
    uint32_t pixelShader;  // 0: fixed function
    FFVertexKey vertex;    // zero unless the vertex stage is fixed function
    FFPixelKey pixel;      // zero unless the pixel stage is fixed function
    uint8_t pixelVariant;  // PixelVariant bits
    uint8_t vertexVariant; // VertexVariant bits
    uint8_t pad[2];
    // Pixel shaders: per sampler stage, 1 + the lower stage holding the same texture and sampler
    // states, whose fetch it shares; 0 reads its own.
    uint8_t samplerAlias[16];

    bool operator==(const ProgramKey& other) const;
};
static_assert(std::has_unique_object_representations_v<ProgramKey>);

struct ProgramKeyHash {
    size_t operator()(const ProgramKey& key) const;
};

// A linked program and its uniform locations; the versions say what was last uploaded.
struct Program {
    GLuint program = 0;
    bool ownsProgram = true;
    GLint fixup = -1, clipPlanes = -1, clipMask = -1, pixelFixup = -1;
    GLint vsConst = -1, psConst = -1, vsConstI = -1, psConstI = -1, vsConstB = -1, psConstB = -1;
    GLint worldViewProj = -1, worldView = -1, viewport = -1, textureFactor = -1, texMatrix = -1;
    GLint pointSize = -1, materialDiffuse = -1, materialAmbient = -1, materialSpecular = -1, materialEmissive = -1,
          materialPower = -1, ambient = -1, lightCount = -1, lights = -1;
    uint64_t fixupVersion = 0, clipVersion = 0, pixelVersion = 0, transformVersion = 0, materialVersion = 0,
             constVersion = 0;
    bool linked = false;
    // Keys that draw with this program; it goes when the last of them does.
    uint32_t users = 0;
};

class ProgramCache {
public:
    explicit ProgramCache(Device* device) : m_device(device) {}
    ~ProgramCache();

    // The program for a key (made on first use); null when it cannot be built (logged once).
    Program* get(const ProgramKey& key, const ShaderObject* vertexShader, const ShaderObject* pixelShader);
    // A shader goes away: programs built around it go too.
    void forgetShader(uint32_t id);
    void clear();
    // Keys served so far (each key is built once).
    size_t size() const { return m_programs.size(); }
    // GL programs linked for them: keys whose stages compile from the same texts (and bind the
    // same way) share one, since the driver keeps about a megabyte for every linked program.
    size_t linkedCount() const { return m_linked.size(); }

private:
    Program* build(const ProgramKey& key, const ShaderObject* vertexShader, const ShaderObject* pixelShader);
    void link(Program& program, const ShaderObject* vertexShader, const ShaderObject* pixelShader,
              const std::string& vertexText, const std::string& pixelText);
    void release(Program* program);

    Device* m_device;
    std::unordered_map<ProgramKey, Program*, ProgramKeyHash> m_programs;
    // The linked programs by what they are made of: the stage texts (or stage objects) and the
    // bindings the stages' link steps set.
    std::unordered_map<std::string, std::unique_ptr<Program>> m_linked;
    const ProgramKey* m_lastKey = nullptr;
    Program* m_last = nullptr;
};

// GLSL generation (exposed for tests of the generator).
std::string fixedVertexSource(const FFVertexKey& key, const std::vector<ShaderVarying>* pixelInputs);
std::string fixedPixelSource(const FFPixelKey& key, const std::vector<ShaderVarying>* vertexOutputs);

// A pixel stage's source with the steps of `variant` switched on (the fix-up code tests macros).
std::string pixelVariantSource(const std::string& source, uint8_t variant);
// The same for a vertex stage (VertexVariant bits).
std::string vertexVariantSource(const std::string& source, uint8_t variant);
// A pixel shader's source with each aliased sampler (ProgramKey::samplerAlias) read through the
// sampler of the stage it shares, so that identical fetches fold into one.
std::string samplerAliasSource(const std::string& source, const std::vector<std::pair<std::string, DWORD>>& samplers,
                               const uint8_t (&alias)[16]);

// Compiles one stage; 0 (logged with the source line numbers) on failure.
GLuint compileShader(GLenum stage, const std::string& source);
// Links, binding a_<SEMANTIC> attributes and o_COLORn outputs; 0 on failure (logged).
GLuint linkProgram(GLuint vertexShader, GLuint pixelShader);
// Reads the uniform locations of the layer's conventions.
void locateUniforms(Program& program);

} // namespace D3D9Internal
