// HLSL to GLSL for effect passes (see ShaderTranslator.h).
#include "d3dx9/effects/ShaderTranslator.h"

#include "d3d9/D3D9Internal.h"
#include "common/Diagnostics.h"

#include <platform_test.h>

#include <glslang/build_info.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_cross_c.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <csignal>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sstream>

namespace D3DXEffects {

namespace {

void initGlslang()
{
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
}

// "TEXCOORD" -> "TEXCOORD0", "SV_Target1" -> "COLOR1", "SV_Position" -> "POSITION0".
std::string normalizeSemantic(const char* raw)
{
    std::string s;
    for (const char* c = raw; c && *c; ++c)
        s += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    size_t digits = s.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1])))
        --digits;
    std::string base = s.substr(0, digits), index = digits < s.size() ? s.substr(digits) : "0";
    if (base == "SV_POSITION")
        base = "POSITION";
    else if (base == "SV_TARGET")
        base = "COLOR";
    else if (base == "SV_DEPTH")
        base = "DEPTH";
    if (base.empty())
        base = "UNKNOWN";
    return base + std::to_string(std::atoi(index.c_str()));
}

UniformLayout reflectMember(spvc_compiler compiler, spvc_type structType, spvc_type_id structId, unsigned index)
{
    UniformLayout m;
    const char* name = spvc_compiler_get_member_name(compiler, structId, index);
    m.name = name ? name : "";
    unsigned offset = 0;
    spvc_compiler_type_struct_member_offset(compiler, structType, index, &offset);
    m.offset = offset;
    spvc_type_id typeId = spvc_type_get_member_type(structType, index);
    spvc_type type = spvc_compiler_get_type_handle(compiler, typeId);
    if (spvc_type_get_num_array_dimensions(type) > 0) {
        m.arraySize = spvc_type_get_array_dimension(type, 0);
        unsigned stride = 0;
        spvc_compiler_type_struct_member_array_stride(compiler, structType, index, &stride);
        m.arrayStride = stride;
    }
    m.vectorSize = spvc_type_get_vector_size(type);
    m.columns = spvc_type_get_columns(type);
    if (m.columns > 1) {
        unsigned stride = 0;
        spvc_compiler_type_struct_member_matrix_stride(compiler, structType, index, &stride);
        m.matrixStride = stride;
        m.rowMajor = spvc_compiler_has_member_decoration(compiler, structId, index, SpvDecorationRowMajor);
    }
    switch (spvc_type_get_basetype(type)) {
    case SPVC_BASETYPE_FP32:
        m.baseType = 0;
        break;
    case SPVC_BASETYPE_INT32:
        m.baseType = 1;
        break;
    case SPVC_BASETYPE_STRUCT: {
        m.baseType = 3;
        // The struct's own id: the element type of an array, else the member type.
        spvc_type_id elementId = spvc_type_get_base_type_id(type);
        spvc_type element = spvc_compiler_get_type_handle(compiler, elementId);
        unsigned count = spvc_type_get_num_member_types(element);
        for (unsigned k = 0; k < count && k < 1024; ++k)
            m.members.push_back(reflectMember(compiler, element, elementId, k));
        break;
    }
    default:
        m.baseType = 2;
        break;
    }
    return m;
}

std::string trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Components of a GLSL type and its scalar constructor ("vec3" -> 3, "float").
int components(const std::string& type, std::string& scalar)
{
    scalar = "float";
    if (type.rfind("ivec", 0) == 0)
        scalar = "int";
    else if (type.rfind("uvec", 0) == 0)
        scalar = "uint";
    else if (type.rfind("bvec", 0) == 0)
        scalar = "bool";
    else if (type == "int" || type == "uint" || type == "bool")
        scalar = type;
    char last = type.empty() ? '1' : type.back();
    return last >= '2' && last <= '4' ? last - '0' : 1;
}

// A vec4 expression as `type`.
std::string fromVec4(const std::string& value, const std::string& type)
{
    std::string scalar;
    int n = components(type, scalar);
    static const char* const swizzles[] = {"", ".x", ".xy", ".xyz", ""};
    std::string v = "(" + value + ")" + swizzles[n];
    return scalar == "float" ? v : type + "(" + v + ")";
}

// A value of `type` as a vec4 (missing components 0, w 1).
std::string toVec4(const std::string& value, const std::string& type)
{
    std::string scalar;
    int n = components(type, scalar);
    std::string f =
        scalar == "float" ? value : (n == 1 ? "float(" + value + ")" : "vec" + std::to_string(n) + "(" + value + ")");
    switch (n) {
    case 1:
        return "vec4(" + f + ", 0.0, 0.0, 1.0)";
    case 2:
        return "vec4(" + f + ", 0.0, 1.0)";
    case 3:
        return "vec4(" + f + ", 1.0)";
    default:
        return f;
    }
}

bool isPosition(const std::string& semantic)
{
    return semantic == "POSITION0";
}

std::shared_ptr<const TranslatedStage> translateHere(const std::string& source, const ShaderEntry& entry,
                                                     std::string& log)
{
    initGlslang();
    EShLanguage language = entry.vertex ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(language);
    const char* text = source.c_str();
    int length = static_cast<int>(source.size());
    const char* name = "effect";
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    shader.setEntryPoint(entry.glslangEntry.c_str());
    shader.setSourceEntryPoint(entry.glslangEntry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientOpenGL, 100);
    shader.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();
    shader.setHlslIoMapping(true);
    shader.setAutoMapLocations(true);
    shader.setAutoMapBindings(true);
    auto messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgReadHlsl | EShMsgHlslDX9Compatible);
    if (!shader.parse(GetDefaultResources(), 100, false, messages)) {
        log = shader.getInfoLog();
        return nullptr;
    }
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(messages)) {
        log = program.getInfoLog();
        return nullptr;
    }
    std::vector<unsigned> spirv;
    glslang::GlslangToSpv(*program.getIntermediate(language), spirv);

    auto stage = std::make_shared<TranslatedStage>();
    stage->vertex = entry.vertex;
    spvc_context context = nullptr;
    if (spvc_context_create(&context) != SPVC_SUCCESS) {
        log = "SPIRV-Cross: no context";
        return nullptr;
    }
    struct ContextGuard {
        spvc_context c;
        ~ContextGuard() { spvc_context_destroy(c); }
    } guard{context};
    spvc_parsed_ir ir = nullptr;
    spvc_compiler compiler = nullptr;
    spvc_resources resources = nullptr;
    if (spvc_context_parse_spirv(context, spirv.data(), spirv.size(), &ir) != SPVC_SUCCESS ||
        spvc_context_create_compiler(context, SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP, &compiler) !=
            SPVC_SUCCESS ||
        spvc_compiler_create_shader_resources(compiler, &resources) != SPVC_SUCCESS) {
        log = std::string("SPIRV-Cross: ") + spvc_context_get_last_error_string(context);
        return nullptr;
    }
    const spvc_reflected_resource* list = nullptr;
    size_t count = 0;
    // Interface variables are renamed by semantic; their declarations become private globals.
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT, &list, &count);
    for (size_t i = 0; i < count; ++i) {
        std::string semantic = normalizeSemantic(
            spvc_compiler_get_decoration_string(compiler, list[i].id, SpvDecorationHlslSemanticGOOGLE));
        spvc_compiler_set_name(compiler, list[i].id, ("ulvo_in_" + semantic).c_str());
    }
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_STAGE_OUTPUT, &list, &count);
    for (size_t i = 0; i < count; ++i) {
        std::string semantic = normalizeSemantic(
            spvc_compiler_get_decoration_string(compiler, list[i].id, SpvDecorationHlslSemanticGOOGLE));
        spvc_compiler_set_name(compiler, list[i].id, ("ulvo_out_" + semantic).c_str());
    }
    // The globals block goes only into a stage that reads it: the device binds the effect's one
    // constant buffer to every stage that declares it, and a pixel stage that declared it unread
    // would see new constants with every draw that changes a vertex stage's matrices.
    bool globalsRead = true;
    {
        spvc_set active = nullptr;
        spvc_resources activeResources = nullptr;
        const spvc_reflected_resource* activeList = nullptr;
        size_t activeCount = 0;
        if (spvc_compiler_get_active_interface_variables(compiler, &active) == SPVC_SUCCESS &&
            spvc_compiler_create_shader_resources_for_active_variables(compiler, &activeResources, active) ==
                SPVC_SUCCESS &&
            spvc_resources_get_resource_list_for_type(activeResources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &activeList,
                                                      &activeCount) == SPVC_SUCCESS)
            globalsRead = activeCount > 0;
    }
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &list, &count);
    for (size_t i = 0; i < count; ++i) {
        spvc_compiler_set_name(compiler, list[i].base_type_id, "ulvo_Globals");
        if (!globalsRead)
            continue;
        spvc_type type = spvc_compiler_get_type_handle(compiler, list[i].base_type_id);
        unsigned members = spvc_type_get_num_member_types(type);
        for (unsigned k = 0; k < members; ++k)
            stage->globals.push_back(reflectMember(compiler, type, list[i].base_type_id, k));
        size_t size = 0;
        spvc_compiler_get_declared_struct_size(compiler, type, &size);
        stage->globalsSize = static_cast<uint32_t>(size);
    }
    spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_SAMPLED_IMAGE, &list, &count);
    for (size_t i = 0; i < count; ++i)
        stage->samplers.push_back(spvc_compiler_get_name(compiler, list[i].id));

    spvc_compiler_options options = nullptr;
    spvc_compiler_create_compiler_options(compiler, &options);
    spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 330);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ENABLE_420PACK_EXTENSION, SPVC_FALSE);
    spvc_compiler_install_compiler_options(compiler, options);
    const char* glsl = nullptr;
    if (spvc_compiler_compile(compiler, &glsl) != SPVC_SUCCESS) {
        log = std::string("SPIRV-Cross: ") + spvc_context_get_last_error_string(context);
        return nullptr;
    }

    std::istringstream lines(glsl);
    std::string line;
    std::string body;
    bool inUnreadGlobals = false;
    while (std::getline(lines, line)) {
        std::string t = trim(line);
        if (t.rfind("#version", 0) == 0)
            continue;
        if (!globalsRead && t.find("uniform ulvo_Globals") != std::string::npos && t.rfind("layout(", 0) == 0) {
            inUnreadGlobals = true;
            continue;
        }
        if (inUnreadGlobals) {
            // The block's members up to its closing "} _N;".
            if (t.rfind("}", 0) == 0 && !t.empty() && t.back() == ';')
                inUnreadGlobals = false;
            continue;
        }
        if (t.rfind("#extension", 0) == 0) {
            // [branch], [flatten], [unroll] and [loop] are hints; SPIRV-Cross guards their
            // use with #if defined, so a driver without the extension just ignores them.
            if (t.find("GL_EXT_control_flow_attributes") == std::string::npos)
                stage->extensions += t + "\n";
            continue;
        }
        // "layout(location = 0) in vec4 ulvo_in_POSITION0;" -> "vec4 ulvo_in_POSITION0;"
        std::string declaration = t;
        if (declaration.rfind("layout(", 0) == 0) {
            size_t close = declaration.find(')');
            declaration = close == std::string::npos ? std::string() : trim(declaration.substr(close + 1));
        }
        size_t at = declaration.find(" ulvo_in_");
        bool input = at != std::string::npos;
        if (!input)
            at = declaration.find(" ulvo_out_");
        if (at != std::string::npos && declaration.back() == ';' && declaration.find('=') == std::string::npos &&
            declaration.find('(') == std::string::npos &&
            (declaration.rfind(input ? "in " : "out ", 0) == 0 ||
             declaration.find(input ? " in " : " out ") != std::string::npos) &&
            line.find_first_not_of(" \t") == 0) {
            std::string name = declaration.substr(at + 1, declaration.size() - at - 2);
            std::string before = declaration.substr(0, at);
            size_t typeStart = before.find_last_of(' ');
            std::string type = typeStart == std::string::npos ? before : before.substr(typeStart + 1);
            std::string semantic = name.substr(input ? 8 : 9);
            (input ? stage->inputs : stage->outputs).push_back({semantic, type});
            body += type + " " + name + ";\n";
            continue;
        }
        if (t == "void main()") {
            body += "void ulvo_main()\n";
            continue;
        }
        body += line + "\n";
    }
    // A position glslang made a built-in goes through the same fix-up.
    if (stage->vertex) {
        size_t p = 0;
        bool builtin = false;
        while ((p = body.find("gl_Position", p)) != std::string::npos) {
            body.replace(p, 11, "ulvo_out_POSITION0");
            builtin = true;
        }
        if (builtin) {
            body = "vec4 ulvo_out_POSITION0;\n" + body;
            stage->outputs.push_back({"POSITION0", "vec4"});
        }
    }
    stage->body = std::move(body);
    return stage;
}

} // namespace

std::vector<std::string> varyingNames(const TranslatedStage& stage)
{
    std::vector<std::string> names;
    for (const StageVariable& v : stage.vertex ? stage.outputs : stage.inputs) {
        if (stage.vertex && (isPosition(v.semantic) || v.semantic == "PSIZE0"))
            continue;
        if (!stage.vertex && (v.semantic == "VPOS0" || v.semantic == "VFACE0"))
            continue;
        names.push_back("v_" + v.semantic);
    }
    return names;
}

namespace {

// glslang's parser and tree walks recurse per nesting level and per operator of a chain; the
// parser refuses sizes beyond its limits, and a thread of its own with a large stack keeps what
// remains from ever reaching a stack limit.
constexpr size_t kTranslationStack = 64u << 20;
// A translation that has not ended by then never will.
constexpr int kTranslationTimeoutMs = 60000;

struct TranslationJob {
    const std::string* source;
    const ShaderEntry* entry;
    std::string* log;
    std::shared_ptr<const TranslatedStage> result;
};

void* runTranslation(void* argument)
{
    TranslationJob& job = *static_cast<TranslationJob*>(argument);
    job.result = translateHere(*job.source, *job.entry, *job.log);
    return nullptr;
}

std::shared_ptr<const TranslatedStage> translateOnLargeStack(const std::string& source, const ShaderEntry& entry,
                                                             std::string& log)
{
    TranslationJob job{&source, &entry, &log, nullptr};
    pthread_attr_t attributes;
    pthread_t thread;
    bool started = false;
    if (pthread_attr_init(&attributes) == 0) {
        started = pthread_attr_setstacksize(&attributes, kTranslationStack) == 0 &&
                  pthread_create(&thread, &attributes, runTranslation, &job) == 0;
        pthread_attr_destroy(&attributes);
    }
    if (started)
        pthread_join(thread, nullptr);
    else
        runTranslation(&job);
    return job.result;
}

// A translation as bytes, from the process that made it to the one that asked.
class Packer {
public:
    void number(uint32_t value) { m_bytes.append(reinterpret_cast<const char*>(&value), sizeof value); }
    void text(const std::string& value)
    {
        number(static_cast<uint32_t>(value.size()));
        m_bytes += value;
    }
    void variables(const std::vector<StageVariable>& list)
    {
        number(static_cast<uint32_t>(list.size()));
        for (const StageVariable& v : list) {
            text(v.semantic);
            text(v.type);
        }
    }
    void layouts(const std::vector<UniformLayout>& list)
    {
        number(static_cast<uint32_t>(list.size()));
        for (const UniformLayout& m : list) {
            text(m.name);
            for (uint32_t value : {m.offset, m.arraySize, m.arrayStride, m.matrixStride, uint32_t(m.rowMajor),
                                   m.vectorSize, m.columns, static_cast<uint32_t>(m.baseType)})
                number(value);
            layouts(m.members);
        }
    }
    const std::string& bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

class Unpacker {
public:
    explicit Unpacker(const std::string& bytes) : m_bytes(bytes) {}
    uint32_t number()
    {
        uint32_t value = 0;
        if (m_at + sizeof value > m_bytes.size()) {
            m_ok = false;
            return 0;
        }
        std::memcpy(&value, m_bytes.data() + m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }
    std::string text()
    {
        const uint32_t size = number();
        if (!m_ok || size > m_bytes.size() - m_at) {
            m_ok = false;
            return std::string();
        }
        m_at += size;
        return m_bytes.substr(m_at - size, size);
    }
    void variables(std::vector<StageVariable>& list)
    {
        const uint32_t count = number();
        for (uint32_t i = 0; i < count && m_ok; ++i) {
            StageVariable v;
            v.semantic = text();
            v.type = text();
            list.push_back(std::move(v));
        }
    }
    void layouts(std::vector<UniformLayout>& list, int depth)
    {
        const uint32_t count = number();
        if (depth > 64)
            m_ok = false;
        for (uint32_t i = 0; i < count && m_ok; ++i) {
            UniformLayout m;
            m.name = text();
            m.offset = number();
            m.arraySize = number();
            m.arrayStride = number();
            m.matrixStride = number();
            m.rowMajor = number() != 0;
            m.vectorSize = number();
            m.columns = number();
            m.baseType = static_cast<int>(number());
            layouts(m.members, depth + 1);
            list.push_back(std::move(m));
        }
    }
    bool done() const { return m_ok && m_at == m_bytes.size(); }

private:
    const std::string& m_bytes;
    size_t m_at = 0;
    bool m_ok = true;
};

std::string pack(const std::shared_ptr<const TranslatedStage>& stage, const std::string& log)
{
    Packer p;
    p.text(log);
    p.number(stage ? 1 : 0);
    if (stage) {
        p.number(stage->vertex ? 1 : 0);
        p.text(stage->extensions);
        p.text(stage->body);
        p.variables(stage->inputs);
        p.variables(stage->outputs);
        p.number(static_cast<uint32_t>(stage->samplers.size()));
        for (const std::string& sampler : stage->samplers)
            p.text(sampler);
        p.layouts(stage->globals);
        p.number(stage->globalsSize);
    }
    return p.bytes();
}

bool unpack(const std::string& bytes, std::shared_ptr<const TranslatedStage>& result, std::string& log)
{
    Unpacker u(bytes);
    log = u.text();
    if (u.number() == 0) {
        result = nullptr;
        return u.done();
    }
    auto stage = std::make_shared<TranslatedStage>();
    stage->vertex = u.number() != 0;
    stage->extensions = u.text();
    stage->body = u.text();
    u.variables(stage->inputs);
    u.variables(stage->outputs);
    const uint32_t samplers = u.number();
    for (uint32_t i = 0; i < samplers && i < bytes.size(); ++i)
        stage->samplers.push_back(u.text());
    u.layouts(stage->globals, 0);
    stage->globalsSize = u.number();
    result = stage;
    return u.done();
}

// Everything the child writes, or false when it took longer than the limit.
bool readAll(int fd, std::string& bytes)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTranslationTimeoutMs);
    char chunk[65536];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watch{fd, POLLIN, 0};
        const int ready = poll(&watch, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        bytes.append(chunk, static_cast<size_t>(n));
    }
}

std::atomic<unsigned> s_translations{0};

// The HLSL front end's built-in tables are made on first use and kept; made once here, every
// process forked later starts with them.
void warmUp()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string source = "float4 vs(float4 p : POSITION) : POSITION { return p; }\n"
                                   "float4 ps() : COLOR { return float4(1, 1, 1, 1); }\n";
        for (bool vertex : {true, false}) {
            const std::string name = vertex ? "vs" : "ps";
            const ShaderEntry entry{
                .vertex = vertex, .profile = {}, .entry = name, .args = {}, .glslangEntry = name, .line = 0};
            std::string log;
            translateOnLargeStack(source, entry, log);
        }
    });
}

} // namespace

// The HLSL front end takes some wrong shaders down with it (a null pointer in its error
// recovery): each translation runs in a process of its own, so such a shader fails with a
// message and the program goes on. Where no process can be made it runs here.
std::shared_ptr<const TranslatedStage> translateStage(const std::string& source, const ShaderEntry& entry,
                                                      std::string& log)
{
    s_translations.fetch_add(1);
    warmUp();
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return translateOnLargeStack(source, entry, log);
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return translateOnLargeStack(source, entry, log);
    }
    if (child == 0) {
        close(pipeEnds[0]);
        std::string childLog;
        const std::shared_ptr<const TranslatedStage> stage = translateOnLargeStack(source, entry, childLog);
        const bool sent = Diagnostics::writeAll(pipeEnds[1], pack(stage, childLog));
        _exit(sent ? 0 : 1);
    }
    close(pipeEnds[1]);
    std::string bytes;
    const bool ended = readAll(pipeEnds[0], bytes);
    close(pipeEnds[0]);
    if (!ended)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    std::shared_ptr<const TranslatedStage> result;
    if (ended && WIFEXITED(status) && WEXITSTATUS(status) == 0 && unpack(bytes, result, log))
        return result;
    log = "the HLSL compiler failed on the entry point " + entry.entry +
          (!ended                ? std::string(" (it did not end)")
           : WIFSIGNALED(status) ? " (it ended on signal " + std::to_string(WTERMSIG(status)) + ")"
                                 : std::string());
    return nullptr;
}

std::string packStage(const TranslatedStage& stage)
{
    return pack(std::make_shared<TranslatedStage>(stage), std::string());
}

std::shared_ptr<const TranslatedStage> unpackStage(const std::string& bytes)
{
    std::shared_ptr<const TranslatedStage> stage;
    std::string log;
    if (!unpack(bytes, stage, log))
        return nullptr;
    return stage;
}

const std::string& translatorVersion()
{
    // Raise kStageFormat whenever the GLSL this file writes or the packed form changes.
    static const std::string version = [] {
        constexpr int kStageFormat = 3;
        unsigned major = 0, minor = 0, patch = 0;
        spvc_get_version(&major, &minor, &patch);
        return "stage " + std::to_string(kStageFormat) + ", glslang " + std::to_string(GLSLANG_VERSION_MAJOR) + "." +
               std::to_string(GLSLANG_VERSION_MINOR) + "." + std::to_string(GLSLANG_VERSION_PATCH) + ", SPIRV-Cross " +
               std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
    }();
    return version;
}

std::string vertexGlsl(const TranslatedStage& stage, const std::vector<std::string>& extraOutputs)
{
    std::ostringstream s;
    s << "#version 330\n" << stage.extensions;
    for (const StageVariable& v : stage.inputs)
        s << "in vec4 a_" << v.semantic << ";\n";
    for (const std::string& name : varyingNames(stage))
        s << "out vec4 " << name << ";\n";
    for (const std::string& name : extraOutputs)
        s << "out vec4 " << name << ";\n";
    s << D3D9Internal::vertexFixupGlsl();
    s << stage.body << "\n";
    s << "void main()\n{\n";
    for (const StageVariable& v : stage.inputs)
        s << "    ulvo_in_" << v.semantic << " = " << fromVec4("a_" + v.semantic, v.type) << ";\n";
    s << "    ulvo_main();\n";
    bool position = false;
    for (const StageVariable& v : stage.outputs) {
        if (isPosition(v.semantic)) {
            position = true;
            continue;
        }
        if (v.semantic == "PSIZE0") {
            s << "    gl_PointSize = float(ulvo_out_PSIZE0);\n";
            continue;
        }
        std::string value = toVec4("ulvo_out_" + v.semantic, v.type);
        if (v.semantic.rfind("COLOR", 0) == 0)
            value = "clamp(" + value + ", 0.0, 1.0)"; // colour interpolators saturate
        s << "    v_" << v.semantic << " = " << value << ";\n";
    }
    for (const std::string& name : extraOutputs)
        s << "    " << name << " = vec4(0.0, 0.0, 0.0, 1.0);\n";
    s << "    gl_Position = ulvoFixupPosition(" << (position ? "ulvo_out_POSITION0" : "vec4(0.0, 0.0, 0.0, 1.0)")
      << ");\n";
    s << "}\n";
    return s.str();
}

std::string pixelGlsl(const TranslatedStage& stage)
{
    std::ostringstream s;
    s << "#version 330\n" << stage.extensions;
    for (const std::string& name : varyingNames(stage))
        s << "in vec4 " << name << ";\n";
    int colorOutputs = 1;
    for (const StageVariable& v : stage.outputs) {
        if (v.semantic.rfind("COLOR", 0) == 0)
            colorOutputs = std::max(colorOutputs, std::atoi(v.semantic.c_str() + 5) + 1);
    }
    colorOutputs = std::min(colorOutputs, 4);
    for (int i = 0; i < colorOutputs; ++i)
        s << "layout(location = " << i << ") out vec4 o_COLOR" << i << ";\n";
    s << D3D9Internal::pixelFixupGlsl();
    s << stage.body << "\n";
    s << "void main()\n{\n";
    for (const StageVariable& v : stage.inputs) {
        std::string value = "v_" + v.semantic;
        if (v.semantic == "VPOS0")
            value = "vec4(floor(gl_FragCoord.xy), 0.0, 1.0)";
        else if (v.semantic == "VFACE0")
            value = "vec4(gl_FrontFacing ? 1.0 : -1.0)";
        s << "    ulvo_in_" << v.semantic << " = " << fromVec4(value, v.type) << ";\n";
    }
    s << "    ulvo_main();\n";
    bool color0 = false;
    for (const StageVariable& v : stage.outputs) {
        if (v.semantic == "DEPTH0") {
            s << "    gl_FragDepth = float(ulvo_out_DEPTH0);\n";
            continue;
        }
        if (v.semantic.rfind("COLOR", 0) != 0)
            continue;
        int n = std::atoi(v.semantic.c_str() + 5);
        if (n < 0 || n > 3)
            continue;
        std::string value = toVec4("ulvo_out_" + v.semantic, v.type);
        if (n == 0) {
            color0 = true;
            value = "ulvoFixupColor(" + value + ")";
        }
        s << "    o_COLOR" << n << " = " << value << ";\n";
    }
    if (!color0)
        s << "    o_COLOR0 = ulvoFixupColor(vec4(0.0, 0.0, 0.0, 1.0));\n";
    s << "}\n";
    return s.str();
}

} // namespace D3DXEffects

unsigned PlatformEffectTranslationCount()
{
    return D3DXEffects::s_translations.load();
}
