// GLSL programs of the device: the fixed-function programs it generates, pairs of effect
// stages, and the fix-up code every vertex and pixel stage runs.
#include "d3d9/Programs.h"

#include "d3d9/Device.h"
#include "d3d9/Shaders.h"
#include "common/Diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

using namespace GLFn;

namespace D3D9Internal {

const char* vertexFixupGlsl()
{
    // D3D clip space (y up, depth 0..1, pixel centres on integers) to GL's, for targets stored
    // top row first: flip y, move by half a pixel, and map depth when glClipControl is missing.
    // The user clip planes exist only in the variant built while some are enabled: six distances
    // more per vertex cost every draw without them.
    return "uniform vec4 ulvo_Fixup;\n"
           "#ifdef ULVO_CLIP_PLANES\n"
           "uniform vec4 ulvo_ClipPlane[6];\n"
           "uniform int ulvo_ClipMask;\n"
           "out float gl_ClipDistance[6];\n"
           "#endif\n"
           "vec4 ulvoFixupPosition(vec4 p)\n"
           "{\n"
           "#ifdef ULVO_CLIP_PLANES\n"
           "    for (int i = 0; i < 6; ++i)\n"
           "        gl_ClipDistance[i] = (ulvo_ClipMask & (1 << i)) != 0 ? dot(p, ulvo_ClipPlane[i]) : 1.0;\n"
           "#endif\n"
           "    p.y = -p.y;\n"
           "    p.xy += ulvo_Fixup.xy * p.w;\n"
           "    if (ulvo_Fixup.z > 0.5)\n"
           "        p.z = 2.0 * p.z - p.w;\n"
           "    return p;\n"
           "}\n";
}

const char* pixelFixupGlsl()
{
    // x: D3DCMPFUNC of the alpha test, y: reference 0..255. The steps exist only in the variants
    // built while their states are on.
    return "uniform vec4 ulvo_PixelFixup;\n"
           "vec4 ulvoFixupColor(vec4 c)\n"
           "{\n"
           "#ifdef ULVO_ALPHA_TEST\n"
           "    int func = int(ulvo_PixelFixup.x + 0.5);\n"
           "    float a = floor(clamp(c.a, 0.0, 1.0) * 255.0 + 0.5);\n"
           "    float r = ulvo_PixelFixup.y;\n"
           "    bool pass = true;\n"
           "    if (func == 1) pass = false;\n"
           "    else if (func == 2) pass = a < r;\n"
           "    else if (func == 3) pass = a == r;\n"
           "    else if (func == 4) pass = a <= r;\n"
           "    else if (func == 5) pass = a > r;\n"
           "    else if (func == 6) pass = a != r;\n"
           "    else if (func == 7) pass = a >= r;\n"
           "    if (!pass)\n"
           "        discard;\n"
           "#endif\n"
           "#ifdef ULVO_SRGB_WRITE\n"
           "    vec3 l = clamp(c.rgb, 0.0, 1.0);\n"
           "    c.rgb = mix(l * 12.92, 1.055 * pow(l, vec3(1.0 / 2.4)) - 0.055, step(vec3(0.0031308), l));\n"
           "#endif\n"
           "    return c;\n"
           "}\n";
}

namespace {

std::string withDefines(const std::string& source, const std::string& defines)
{
    // The macros go right after the #version line, which must stay first.
    size_t line = source.find('\n');
    size_t at = line == std::string::npos ? source.size() : line + 1;
    std::string out = source;
    if (line == std::string::npos)
        out += '\n';
    return out.insert(std::min(at, out.size()), defines);
}

} // namespace

std::string pixelVariantSource(const std::string& source, uint8_t variant)
{
    if (!variant)
        return source;
    std::string defines;
    if (variant & kPixelAlphaTest)
        defines += "#define ULVO_ALPHA_TEST 1\n";
    if (variant & kPixelSrgbWrite)
        defines += "#define ULVO_SRGB_WRITE 1\n";
    return withDefines(source, defines);
}

std::string vertexVariantSource(const std::string& source, uint8_t variant)
{
    return variant & kVertexClipPlanes ? withDefines(source, "#define ULVO_CLIP_PLANES 1\n") : source;
}

std::string samplerAliasSource(const std::string& source, const std::vector<std::pair<std::string, DWORD>>& samplers,
                               const uint8_t (&alias)[16])
{
    auto nameOf = [&](DWORD stage) -> const std::string* {
        for (const auto& [name, unit] : samplers) {
            if (unit == stage)
                return &name;
        }
        return nullptr;
    };
    // The macros follow the last sampler declaration, so the declarations keep their names.
    std::string defines;
    size_t after = 0;
    for (const auto& [name, unit] : samplers) {
        size_t at = 0;
        while ((at = source.find(name, at)) != std::string::npos) {
            size_t end = at + name.size();
            size_t lineStart = source.rfind('\n', at);
            lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
            bool declaration =
                source.compare(lineStart, 8, "uniform ") == 0 && end < source.size() && source[end] == ';';
            if (declaration) {
                size_t lineEnd = source.find('\n', end);
                after = std::max(after, lineEnd == std::string::npos ? source.size() : lineEnd + 1);
                break;
            }
            at = end;
        }
        if (unit >= 16 || !alias[unit])
            continue;
        const std::string* target = nameOf(alias[unit] - 1u);
        if (target && *target != name)
            defines += "#define " + name + " " + *target + "\n";
    }
    if (defines.empty() || !after)
        return source;
    std::string out = source;
    if (after > out.size() || out[after - 1] != '\n') {
        out.insert(std::min(after, out.size()), "\n");
        after = std::min(after, out.size() - 1) + 1;
    }
    return out.insert(after, defines);
}

namespace {

// A vec4 expression as the given GLSL type.
std::string fromVec4(const std::string& value, const std::string& type)
{
    if (type == "float")
        return "(" + value + ").x";
    if (type == "vec2")
        return "(" + value + ").xy";
    if (type == "vec3")
        return "(" + value + ").xyz";
    if (type == "vec4")
        return value;
    return type + "(0)";
}

// A varying of the given type as a vec4 (missing components as D3D fills them).
std::string toVec4(const std::string& name, const std::string& type)
{
    if (type == "float")
        return "vec4(" + name + ", 0.0, 0.0, 1.0)";
    if (type == "vec2")
        return "vec4(" + name + ", 0.0, 1.0)";
    if (type == "vec3")
        return "vec4(" + name + ", 1.0)";
    if (type == "vec4")
        return name;
    return "vec4(0.0, 0.0, 0.0, 1.0)";
}

const char* kLightingCode =
    "uniform vec4 u_materialDiffuse;\n"
    "uniform vec4 u_materialAmbient;\n"
    "uniform vec4 u_materialSpecular;\n"
    "uniform vec4 u_materialEmissive;\n"
    "uniform vec4 u_ambient;\n"
    "uniform int u_lightCount;\n"
    // Per light: (type, range, attenuation 0, 1), (attenuation 2, 0, 0, 0), diffuse, ambient,
    // position in view space, direction in view space.
    "uniform vec4 u_lights[48];\n"
    "vec4 ulvoLight(vec3 p, vec3 n, vec4 diffuse, vec4 ambient, vec4 emissive)\n"
    "{\n"
    "    vec3 sum = emissive.rgb + u_ambient.rgb * ambient.rgb;\n"
    "    for (int i = 0; i < u_lightCount; ++i) {\n"
    "        vec4 params = u_lights[i * 6];\n"
    "        vec3 l;\n"
    "        float attenuation = 1.0;\n"
    "        if (int(params.x + 0.5) == 3) {\n"
    "            l = -normalize(u_lights[i * 6 + 5].xyz);\n"
    "        } else {\n"
    "            vec3 d = u_lights[i * 6 + 4].xyz - p;\n"
    "            float dist = length(d);\n"
    "            if (dist > params.y) continue;\n"
    "            l = d / max(dist, 1e-6);\n"
    "            float q = params.z + params.w * dist + u_lights[i * 6 + 1].x * dist * dist;\n"
    "            attenuation = q > 0.0 ? 1.0 / q : 1.0;\n"
    "        }\n"
    "        sum += attenuation * (u_lights[i * 6 + 3].rgb * ambient.rgb +\n"
    "                              max(dot(n, l), 0.0) * u_lights[i * 6 + 2].rgb * diffuse.rgb);\n"
    "    }\n"
    "    return vec4(sum, diffuse.a);\n"
    "}\n";

std::string materialSource(uint8_t source, const FFVertexKey& key, const char* material)
{
    if (key.colorVertex && source == D3DMCS_COLOR1 && key.hasDiffuse)
        return "a_COLOR0";
    if (key.colorVertex && source == D3DMCS_COLOR2 && key.hasSpecular)
        return "a_COLOR1";
    return material;
}

} // namespace

std::string fixedVertexSource(const FFVertexKey& key, const std::vector<ShaderVarying>* pixelInputs)
{
    std::ostringstream s;
    s << "#version 330\n";
    s << "layout(location = 0) in vec4 a_POSITION0;\n";
    if (key.hasNormal)
        s << "layout(location = 3) in vec3 a_NORMAL0;\n";
    if (key.hasDiffuse)
        s << "layout(location = 4) in vec4 a_COLOR0;\n";
    if (key.hasSpecular)
        s << "layout(location = 5) in vec4 a_COLOR1;\n";
    for (int i = 0; i < 8; ++i) {
        if (key.texCoordSize[i])
            s << "layout(location = " << 6 + i << ") in vec4 a_TEXCOORD" << i << ";\n";
    }
    s << "uniform mat4 u_worldViewProj;\n"
         "uniform mat4 u_worldView;\n"
         "uniform vec4 u_viewport;\n"
         "uniform mat4 u_texMatrix[8];\n"
         "uniform float u_pointSize;\n";
    bool lighting = key.lighting && !key.positionT;
    if (lighting)
        s << kLightingCode;
    if (pixelInputs) {
        for (const ShaderVarying& v : *pixelInputs)
            s << (key.flat && v.name.rfind("v_COLOR", 0) == 0 ? "flat " : "") << "out " << v.type << " " << v.name
              << ";\n";
    } else {
        const char* interp = key.flat ? "flat " : "";
        s << interp << "out vec4 v_COLOR0;\n" << interp << "out vec4 v_COLOR1;\n";
        for (int i = 0; i < key.outputCount; ++i)
            s << "out vec4 v_TEXCOORD" << i << ";\n";
    }
    s << vertexFixupGlsl();
    s << "void main()\n{\n";
    if (key.positionT) {
        // Screen coordinates of the target to D3D clip space; w = 1 / rhw keeps perspective.
        s << "    vec4 p = a_POSITION0;\n"
             "    float w = p.w != 0.0 ? 1.0 / p.w : 1.0;\n"
             "    vec2 ndc = vec2((p.x - u_viewport.x) * 2.0 / u_viewport.z - 1.0,\n"
             "                    1.0 - (p.y - u_viewport.y) * 2.0 / u_viewport.w);\n"
             "    vec4 position = vec4(ndc * w, p.z * w, w);\n";
    } else {
        s << "    vec4 position = u_worldViewProj * a_POSITION0;\n";
    }
    s << "    vec4 diffuse = " << (key.hasDiffuse ? "a_COLOR0" : "vec4(1.0)") << ";\n";
    s << "    vec4 specular = " << (key.hasSpecular ? "a_COLOR1" : "vec4(0.0)") << ";\n";
    if (lighting) {
        s << "    vec3 viewPosition = (u_worldView * a_POSITION0).xyz;\n";
        s << "    vec3 viewNormal = "
          << (key.hasNormal ? "normalize((u_worldView * vec4(a_NORMAL0, 0.0)).xyz)" : "vec3(0.0)") << ";\n";
        s << "    diffuse = ulvoLight(viewPosition, viewNormal, "
          << materialSource(key.diffuseSource, key, "u_materialDiffuse") << ", "
          << materialSource(key.ambientSource, key, "u_materialAmbient") << ", "
          << materialSource(key.emissiveSource, key, "u_materialEmissive") << ");\n";
        s << "    specular = vec4(0.0);\n";
    }
    int stages = pixelInputs ? 8 : key.outputCount;
    for (int i = 0; i < stages; ++i) {
        int set = key.stageCoordIndex[i];
        int size = set < 8 ? key.texCoordSize[set] : 0;
        s << "    vec4 tc" << i << " = ";
        if (!size) {
            s << "vec4(0.0, 0.0, 0.0, 1.0);\n";
            continue;
        }
        int count = key.stageTransform[i] & 0x7;
        if (!count) {
            s << "a_TEXCOORD" << set << ";\n";
            continue;
        }
        // A set of n components enters the texture matrix as (coords, 1, 0...).
        static const char* const expand[] = {"", "vec4(a_TEXCOORD%d.x, 1.0, 0.0, 0.0)",
                                             "vec4(a_TEXCOORD%d.xy, 1.0, 0.0)", "vec4(a_TEXCOORD%d.xyz, 1.0)",
                                             "a_TEXCOORD%d"};
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, expand[size], set);
        s << "u_texMatrix[" << i << "] * " << buffer << ";\n";
        if (key.stageTransform[i] & 0x80) {
            static const char* const component[] = {"x", "x", "y", "z", "w"};
            s << "    tc" << i << ".w = tc" << i << "." << component[count] << ";\n";
        }
    }
    if (pixelInputs) {
        for (const ShaderVarying& v : *pixelInputs) {
            std::string value = "vec4(0.0)";
            if (v.name == "v_COLOR0")
                value = "clamp(diffuse, 0.0, 1.0)";
            else if (v.name == "v_COLOR1")
                value = "clamp(specular, 0.0, 1.0)";
            else if (v.name.rfind("v_TEXCOORD", 0) == 0 && v.name.size() == 11 && v.name[10] >= '0' &&
                     v.name[10] <= '7')
                value = std::string("tc") + v.name[10];
            s << "    " << v.name << " = " << fromVec4(value, v.type) << ";\n";
        }
    } else {
        s << "    v_COLOR0 = clamp(diffuse, 0.0, 1.0);\n";
        s << "    v_COLOR1 = clamp(specular, 0.0, 1.0);\n";
        for (int i = 0; i < key.outputCount; ++i)
            s << "    v_TEXCOORD" << i << " = tc" << i << ";\n";
    }
    s << "    gl_PointSize = u_pointSize;\n";
    s << "    gl_Position = ulvoFixupPosition(position);\n";
    s << "}\n";
    return s.str();
}

namespace {

std::string argument(uint8_t arg, int stage, const char* texel)
{
    std::string value;
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE:
        value = "diffuse";
        break;
    case D3DTA_CURRENT:
        value = stage == 0 ? "diffuse" : "current";
        break;
    case D3DTA_TEXTURE:
        value = texel;
        break;
    case D3DTA_TFACTOR:
        value = "u_textureFactor";
        break;
    case D3DTA_SPECULAR:
        value = "specular";
        break;
    case D3DTA_TEMP:
        value = "temp";
        break;
    case D3DTA_CONSTANT:
        value = "u_textureFactor";
        break;
    default:
        value = "diffuse";
        break;
    }
    if (arg & D3DTA_COMPLEMENT)
        value = "(vec4(1.0) - " + value + ")";
    if (arg & D3DTA_ALPHAREPLICATE)
        value = "vec4((" + value + ").a)";
    return value;
}

// The result of a texture operation on the channels `c` ("rgb" or "a").
std::string operation(uint8_t op, const std::string& a1, const std::string& a2, const std::string& a0,
                      const std::string& c, const char* texel)
{
    std::string x1 = "(" + a1 + ")." + c, x2 = "(" + a2 + ")." + c, x0 = "(" + a0 + ")." + c;
    bool rgb = c == "rgb";
    switch (op) {
    case D3DTOP_SELECTARG1:
        return x1;
    case D3DTOP_SELECTARG2:
        return x2;
    case D3DTOP_MODULATE:
        return x1 + " * " + x2;
    case D3DTOP_MODULATE2X:
        return "2.0 * " + x1 + " * " + x2;
    case D3DTOP_MODULATE4X:
        return "4.0 * " + x1 + " * " + x2;
    case D3DTOP_ADD:
        return x1 + " + " + x2;
    case D3DTOP_ADDSIGNED:
        return x1 + " + " + x2 + " - 0.5";
    case D3DTOP_ADDSIGNED2X:
        return "2.0 * (" + x1 + " + " + x2 + " - 0.5)";
    case D3DTOP_SUBTRACT:
        return x1 + " - " + x2;
    case D3DTOP_ADDSMOOTH:
        return x1 + " + " + x2 + " - " + x1 + " * " + x2;
    case D3DTOP_BLENDDIFFUSEALPHA:
        return "mix(" + x2 + ", " + x1 + ", diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA:
        return "mix(" + x2 + ", " + x1 + ", " + texel + ".a)";
    case D3DTOP_BLENDFACTORALPHA:
        return "mix(" + x2 + ", " + x1 + ", u_textureFactor.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM:
        return x1 + " + " + x2 + " * (1.0 - " + texel + ".a)";
    case D3DTOP_BLENDCURRENTALPHA:
        return "mix(" + x2 + ", " + x1 + ", current.a)";
    case D3DTOP_MODULATEALPHA_ADDCOLOR:
        return rgb ? x1 + " + (" + a1 + ").a * " + x2 : x1;
    case D3DTOP_MODULATECOLOR_ADDALPHA:
        return rgb ? x1 + " * " + x2 + " + (" + a1 + ").a" : x1;
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
        return rgb ? "(1.0 - (" + a1 + ").a) * " + x2 + " + " + x1 : x1;
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
        return rgb ? "(vec3(1.0) - " + x1 + ") * " + x2 + " + (" + a1 + ").a" : x1;
    case D3DTOP_DOTPRODUCT3: {
        std::string dot = "clamp(4.0 * dot((" + a1 + ").rgb - 0.5, (" + a2 + ").rgb - 0.5), 0.0, 1.0)";
        return rgb ? "vec3(" + dot + ")" : dot;
    }
    case D3DTOP_MULTIPLYADD:
        return x0 + " + " + x1 + " * " + x2;
    case D3DTOP_LERP:
        return "mix(" + x2 + ", " + x1 + ", " + x0 + ")";
    default:
        return x1; // PREMODULATE and the bump-map operations: the first argument
    }
}

} // namespace

std::string fixedPixelSource(const FFPixelKey& key, const std::vector<ShaderVarying>* vertexOutputs)
{
    std::ostringstream s;
    s << "#version 330\n";
    const char* interp = key.flat ? "flat " : "";
    int stages = key.stageCount;
    if (vertexOutputs) {
        for (const ShaderVarying& v : *vertexOutputs)
            s << "in " << v.type << " " << v.name << ";\n";
    } else {
        s << interp << "in vec4 v_COLOR0;\n" << interp << "in vec4 v_COLOR1;\n";
        for (int i = 0; i < stages; ++i)
            s << "in vec4 v_TEXCOORD" << i << ";\n";
    }
    static const char* const samplerTypes[] = {"", "sampler2D", "samplerCube", "sampler3D"};
    for (int i = 0; i < stages; ++i) {
        uint8_t type = key.stages[i].textureType;
        if (type >= 1 && type <= 3)
            s << "uniform " << samplerTypes[type] << " u_sampler" << i << ";\n";
    }
    s << "uniform vec4 u_textureFactor;\n";
    s << "layout(location = 0) out vec4 o_COLOR0;\n";
    s << pixelFixupGlsl();
    s << "void main()\n{\n";
    auto lookup = [&](const char* name) -> std::string {
        if (!vertexOutputs)
            return name;
        for (const ShaderVarying& v : *vertexOutputs) {
            if (v.name == name)
                return toVec4(v.name, v.type);
        }
        return std::strcmp(name, "v_COLOR0") == 0   ? "vec4(1.0)"
               : std::strcmp(name, "v_COLOR1") == 0 ? "vec4(0.0)"
                                                    : "vec4(0.0, 0.0, 0.0, 1.0)";
    };
    s << "    vec4 diffuse = " << lookup("v_COLOR0") << ";\n";
    s << "    vec4 specular = " << lookup("v_COLOR1") << ";\n";
    s << "    vec4 current = diffuse;\n";
    s << "    vec4 temp = vec4(0.0);\n";
    for (int i = 0; i < stages; ++i) {
        const FFStageKey& st = key.stages[i];
        std::string tc = lookup(("v_TEXCOORD" + std::to_string(i)).c_str());
        std::string texel = "tex" + std::to_string(i);
        s << "    vec4 " << texel << " = ";
        switch (st.textureType) {
        case 1:
            if (st.projected)
                s << "texture(u_sampler" << i << ", (" << tc << ").xy / (" << tc << ").w);\n";
            else
                s << "texture(u_sampler" << i << ", (" << tc << ").xy);\n";
            break;
        case 2:
        case 3:
            s << "texture(u_sampler" << i << ", (" << tc << ").xyz);\n";
            break;
        default:
            s << "vec4(1.0);\n";
            break;
        }
        std::string c1 = argument(st.colorArg1, i, texel.c_str()), c2 = argument(st.colorArg2, i, texel.c_str()),
                    c0 = argument(st.colorArg0, i, texel.c_str());
        std::string a1 = argument(st.alphaArg1, i, texel.c_str()), a2 = argument(st.alphaArg2, i, texel.c_str()),
                    a0 = argument(st.alphaArg0, i, texel.c_str());
        std::string color = operation(st.colorOp, c1, c2, c0, "rgb", texel.c_str());
        // A disabled alpha operation passes the alpha of the previous stage on.
        std::string alpha = st.alphaOp == D3DTOP_DISABLE ? (i == 0 ? "diffuse.a" : "current.a")
                                                         : operation(st.alphaOp, a1, a2, a0, "a", texel.c_str());
        s << "    " << (st.resultTemp ? "temp" : "current") << " = clamp(vec4(" << color << ", " << alpha
          << "), 0.0, 1.0);\n";
    }
    if (key.specularEnable)
        s << "    current.rgb = clamp(current.rgb + specular.rgb, 0.0, 1.0);\n";
    s << "    o_COLOR0 = ulvoFixupColor(current);\n";
    s << "}\n";
    return s.str();
}

GLuint compileShader(GLenum stage, const std::string& source)
{
    GLuint shader = glCreateShader(stage);
    // No shader without a bound context (its window went while the program ended): nothing to
    // compile and no log to read.
    if (!shader)
        return 0;
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok)
        return shader;
    // A driver that writes no log leaves it empty, not whatever the stack held.
    char log[4096] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    // The numbered source follows the driver's log, so its line numbers can be looked up.
    std::string numbered;
    std::istringstream lines(source);
    std::string line;
    char number[16];
    for (int n = 1; std::getline(lines, line); ++n) {
        std::snprintf(number, sizeof number, "\n%4d  ", n);
        numbered += number;
        numbered += line;
    }
    Diagnostics::error("Direct3D", "%s stage does not compile:\n%s%s", stage == GL_VERTEX_SHADER ? "vertex" : "pixel",
                       log, numbered.c_str());
    glDeleteShader(shader);
    return 0;
}

GLuint linkProgram(GLuint vertexShader, GLuint pixelShader)
{
    GLuint program = glCreateProgram();
    if (!program)
        return 0;
    glAttachShader(program, vertexShader);
    glAttachShader(program, pixelShader);
    for (BYTE usage = 0; usage <= D3DDECLUSAGE_SAMPLE; ++usage) {
        for (BYTE index = 0; index < 8; ++index) {
            int location = attributeLocation(usage, index);
            if (location >= 0)
                glBindAttribLocation(program, static_cast<GLuint>(location),
                                     ("a_" + semanticName(usage, index)).c_str());
        }
    }
    for (GLuint n = 0; n < 4; ++n)
        glBindFragDataLocation(program, n, ("o_COLOR" + std::to_string(n)).c_str());
    glLinkProgram(program);
    glDetachShader(program, vertexShader);
    glDetachShader(program, pixelShader);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok)
        return program;
    char log[4096] = {};
    glGetProgramInfoLog(program, sizeof log, nullptr, log);
    Diagnostics::error("Direct3D", "program does not link:\n%s", log);
    glDeleteProgram(program);
    return 0;
}

void locateUniforms(Program& p)
{
    GLuint program = p.program;
    auto at = [program](const char* name) { return glGetUniformLocation(program, name); };
    p.fixup = at("ulvo_Fixup");
    p.clipPlanes = at("ulvo_ClipPlane");
    p.clipMask = at("ulvo_ClipMask");
    p.pixelFixup = at("ulvo_PixelFixup");
    p.vsConst = at("ulvo_VSConst");
    p.psConst = at("ulvo_PSConst");
    p.vsConstI = at("ulvo_VSConstI");
    p.psConstI = at("ulvo_PSConstI");
    p.vsConstB = at("ulvo_VSConstB");
    p.psConstB = at("ulvo_PSConstB");
    p.worldViewProj = at("u_worldViewProj");
    p.worldView = at("u_worldView");
    p.viewport = at("u_viewport");
    p.textureFactor = at("u_textureFactor");
    p.texMatrix = at("u_texMatrix");
    p.pointSize = at("u_pointSize");
    p.materialDiffuse = at("u_materialDiffuse");
    p.materialAmbient = at("u_materialAmbient");
    p.materialSpecular = at("u_materialSpecular");
    p.materialEmissive = at("u_materialEmissive");
    p.ambient = at("u_ambient");
    p.lightCount = at("u_lightCount");
    p.lights = at("u_lights");
    glUseProgram(program);
    for (int i = 0; i < 8; ++i) {
        GLint sampler = at(("u_sampler" + std::to_string(i)).c_str());
        if (sampler >= 0)
            glUniform1i(sampler, i);
    }
}

// ---------------------------------------------------------------------------------------------

bool ProgramKey::operator==(const ProgramKey& other) const
{
    return std::memcmp(this, &other, sizeof *this) == 0;
}

size_t ProgramKeyHash::operator()(const ProgramKey& key) const
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&key);
    uint64_t hash = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof key; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return static_cast<size_t>(hash);
}

ProgramCache::~ProgramCache()
{
    clear();
}

void ProgramCache::clear()
{
    for (auto& [sharing, program] : m_linked) {
        if (program->program && program->ownsProgram)
            glDeleteProgram(program->program);
    }
    m_programs.clear();
    m_linked.clear();
    m_last = nullptr;
    m_lastKey = nullptr;
}

void ProgramCache::release(Program* program)
{
    if (--program->users)
        return;
    if (program->program && program->ownsProgram)
        glDeleteProgram(program->program);
    for (auto it = m_linked.begin(); it != m_linked.end(); ++it) {
        if (it->second.get() == program) {
            m_linked.erase(it);
            break;
        }
    }
}

void ProgramCache::forgetShader(uint32_t id)
{
    for (auto it = m_programs.begin(); it != m_programs.end();) {
        if (it->first.vertexShader == id || it->first.pixelShader == id) {
            release(it->second);
            it = m_programs.erase(it);
        } else {
            ++it;
        }
    }
    m_last = nullptr;
    m_lastKey = nullptr;
}

Program* ProgramCache::get(const ProgramKey& key, const ShaderObject* vertexShader, const ShaderObject* pixelShader)
{
    if (m_last && *m_lastKey == key)
        return m_last->linked ? m_last : nullptr;
    auto it = m_programs.find(key);
    if (it == m_programs.end()) {
        Program* built = build(key, vertexShader, pixelShader);
        ++built->users;
        it = m_programs.emplace(key, built).first;
    }
    m_lastKey = &it->first;
    m_last = it->second;
    return m_last->linked ? m_last : nullptr;
}

Program* ProgramCache::build(const ProgramKey& key, const ShaderObject* vertexShader, const ShaderObject* pixelShader)
{
    m_device->programBindingChanged();
    const uint8_t variant = key.pixelVariant;
    const uint8_t vertexVariant = key.vertexVariant;
    bool aliased = false;
    for (uint8_t a : key.samplerAlias)
        aliased = aliased || a;
    // What a stage is made of: its own compiled object, named by the shader's id (ids are never
    // reused, and every key using it goes with the shader), or the text it compiles from.
    auto object = [](const char* kind, const ShaderObject* shader) {
        return std::string(kind) + std::to_string(shader->id()) + '\n';
    };
    std::string sharing;
    if (vertexShader && pixelShader && vertexShader->desc().program &&
        vertexShader->desc().program == pixelShader->desc().program &&
        ((!variant && !aliased && !vertexVariant) || vertexShader->desc().source.empty() ||
         pixelShader->desc().source.empty())) {
        if (vertexVariant && vertexShader->desc().source.empty())
            Diagnostics::error("Direct3D", "a vertex shader has no source for user clip planes");
        // The pass's own program, used as it is.
        sharing = object("program ", vertexShader) + object("and ", pixelShader);
        auto [it, fresh] = m_linked.try_emplace(sharing);
        if (fresh) {
            it->second = std::make_unique<Program>();
            it->second->program = vertexShader->desc().program;
            it->second->ownsProgram = false;
            it->second->linked = true;
            locateUniforms(*it->second);
        }
        return it->second.get();
    }
    std::string vertexText, pixelText;
    if (!vertexShader) {
        vertexText = vertexVariantSource(
            fixedVertexSource(key.vertex, pixelShader ? &pixelShader->desc().varyings : nullptr), vertexVariant);
    } else if (vertexShader->desc().source.empty() || (!vertexVariant && vertexShader->desc().shader)) {
        if (vertexVariant && vertexShader->desc().source.empty())
            Diagnostics::error("Direct3D", "a vertex shader has no source for user clip planes");
        sharing = object("vertex ", vertexShader);
    } else {
        vertexText = vertexVariantSource(vertexShader->desc().source, vertexVariant);
    }
    if (!pixelShader) {
        pixelText = pixelVariantSource(
            fixedPixelSource(key.pixel, vertexShader ? &vertexShader->desc().varyings : nullptr), variant);
    } else if (pixelShader->desc().source.empty() || (!variant && !aliased && pixelShader->desc().shader)) {
        // No source to specialise: the plain stage, without the steps of the variant.
        if ((variant || aliased) && pixelShader->desc().shader)
            Diagnostics::error("Direct3D", "a pixel shader has no source for alpha test or sRGB write");
        sharing += object("pixel ", pixelShader);
    } else {
        pixelText = pixelShader->desc().source;
        if (aliased)
            pixelText = samplerAliasSource(pixelText, pixelShader->desc().samplers, key.samplerAlias);
        pixelText = pixelVariantSource(pixelText, variant);
    }
    sharing += vertexText;
    sharing += '\x01';
    sharing += pixelText;
    sharing += '\x01';
    if (vertexShader)
        sharing += vertexShader->desc().linkKey;
    sharing += '\x01';
    if (pixelShader)
        sharing += pixelShader->desc().linkKey;
    auto [it, fresh] = m_linked.try_emplace(std::move(sharing));
    if (fresh) {
        it->second = std::make_unique<Program>();
        link(*it->second, vertexShader, pixelShader, vertexText, pixelText);
    }
    return it->second.get();
}

namespace {

// ULVO_DUMP_SHADERS=<folder>: every program linked writes the GLSL of its two stages there as
// program<N>.vert and program<N>.frag (N the GL program's name, as ULVO_FRAME_PIXELS reports
// it), for reading what the rasteriser runs.
void dumpProgram(GLuint program, const std::string& vertexText, const std::string& pixelText)
{
    static const char* const folder = std::getenv("ULVO_DUMP_SHADERS");
    if (!folder || !*folder || !program)
        return;
    const std::string base = std::string(folder) + "/program" + std::to_string(program);
    std::ofstream(base + ".vert") << vertexText;
    std::ofstream(base + ".frag") << pixelText;
}

} // namespace

void ProgramCache::link(Program& p, const ShaderObject* vertexShader, const ShaderObject* pixelShader,
                        const std::string& vertexText, const std::string& pixelText)
{
    GLuint vs = vertexText.empty() ? vertexShader->desc().shader : compileShader(GL_VERTEX_SHADER, vertexText);
    GLuint ps = pixelText.empty() ? pixelShader->desc().shader : compileShader(GL_FRAGMENT_SHADER, pixelText);
    if (vs && ps)
        p.program = linkProgram(vs, ps);
    else if ((vertexText.empty() && !vs) || (pixelText.empty() && !ps))
        Diagnostics::error("Direct3D", "a shader stage cannot be paired (its stage object is missing)");
    if (!vertexText.empty() && vs)
        glDeleteShader(vs);
    if (!pixelText.empty() && ps)
        glDeleteShader(ps);
    if (!p.program)
        return;
    dumpProgram(p.program, vertexText.empty() ? vertexShader->desc().source : vertexText,
                pixelText.empty() ? pixelShader->desc().source : pixelText);
    p.linked = true;
    locateUniforms(p);
    if (vertexShader && vertexShader->desc().onLink)
        vertexShader->desc().onLink(p.program);
    if (pixelShader && pixelShader->desc().onLink)
        pixelShader->desc().onLink(p.program);
}

} // namespace D3D9Internal
