// ID3DXEffect on the device: programs per pass, the constant block, pass states, saving and
// restoring what the passes change.
#include "d3dx9/effects/Effect.h"

#include "d3d9/D3D9Internal.h"
#include "d3d9/GLState.h"
#include "d3d9/Programs.h"
#include "d3dx9/effects/EffectStates.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

using namespace GLFn;

namespace D3DXEffects {

namespace {

// The uniform block binding point every effect's globals use.
constexpr GLuint kGlobalsBinding = 1;

void writeLayout(const Parameter& p, const UniformLayout& l, uint32_t base, std::vector<uint8_t>& out, int depth)
{
    if (depth > 16)
        return;
    auto put = [&](uint32_t at, uint32_t word) {
        if (static_cast<size_t>(at) + 4 <= out.size())
            std::memcpy(out.data() + at, &word, 4);
    };
    if (l.arraySize > 0 && p.elements > 0) {
        UniformLayout element = l;
        element.arraySize = 0;
        for (size_t e = 0; e < p.members.size() && e < l.arraySize; ++e)
            writeLayout(*p.members[e], element, base + static_cast<uint32_t>(e) * l.arrayStride, out, depth + 1);
        return;
    }
    if (l.baseType == 3) {
        for (size_t m = 0; m < p.members.size() && m < l.members.size(); ++m)
            writeLayout(*p.members[m], l.members[m], base + l.members[m].offset, out, depth + 1);
        return;
    }
    if (!p.block)
        return;
    const uint32_t* words = p.block->words.data() + p.offset;
    if (l.columns > 1) {
        // Objects set their matrices every draw: a matrix that fits is written without a check
        // per word.
        const size_t lastRow = p.rows ? p.rows - 1 : 0, lastColumn = p.columns ? p.columns - 1 : 0;
        const size_t end =
            static_cast<size_t>(base) +
            (l.rowMajor ? lastColumn * l.matrixStride + lastRow * 4 : lastRow * l.matrixStride + lastColumn * 4) + 4;
        if (end <= out.size() && p.rows == 4 && p.columns == 4 && l.matrixStride == 16) {
            // The usual 4x4 float matrix: copied, or turned, in fixed steps the compiler unrolls.
            uint32_t* at = reinterpret_cast<uint32_t*>(out.data() + base);
            if (!l.rowMajor) {
                std::memcpy(at, words, 64);
                return;
            }
            uint32_t turned[16];
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c)
                    turned[c * 4 + r] = words[r * 4 + c];
            std::memcpy(at, turned, 64);
            return;
        }
        if (end <= out.size()) {
            uint8_t* at = out.data() + base;
            const size_t rowStep = l.rowMajor ? 4 : l.matrixStride, columnStep = l.rowMajor ? l.matrixStride : 4;
            for (UINT r = 0; r < p.rows; ++r) {
                for (UINT c = 0; c < p.columns; ++c)
                    std::memcpy(at + r * rowStep + c * columnStep, &words[r * p.columns + c], 4);
            }
            return;
        }
        for (UINT r = 0; r < p.rows; ++r) {
            for (UINT c = 0; c < p.columns; ++c) {
                // HLSL column-major matrices arrive as RowMajor: one HLSL column per stride.
                uint32_t at = l.rowMajor ? base + c * l.matrixStride + r * 4 : base + r * l.matrixStride + c * 4;
                put(at, words[r * p.columns + c]);
            }
        }
        return;
    }
    const size_t count = std::min<size_t>(p.count, 4);
    if (static_cast<size_t>(base) + count * 4 <= out.size()) {
        std::memcpy(out.data() + base, words, count * 4);
        return;
    }
    for (size_t i = 0; i < count; ++i)
        put(base + static_cast<uint32_t>(i) * 4, words[i]);
}

} // namespace

Effect::Effect(IDirect3DDevice9* device, EffectPool* pool) : m_device(device), m_pool(pool)
{
    m_device->AddRef();
    if (m_pool)
        m_pool->AddRef();
}

Effect::~Effect()
{
    if (m_inBegin)
        End();
    for (auto& [pass, program] : m_programs) {
        if (program.vertexShader)
            program.vertexShader->Release();
        if (program.pixelShader)
            program.pixelShader->Release();
        for (PassVariant& variant : program.variants) {
            if (variant.vertexShader)
                variant.vertexShader->Release();
            if (variant.pixelShader)
                variant.pixelShader->Release();
        }
    }
    m_programs.clear();
    if (m_constantBuffer) {
        D3D9Internal::makeCurrent(m_device);
        glDeleteBuffers(1, &m_constantBuffer);
        if (D3D9Internal::GLState* state = D3D9Internal::glState(m_device))
            state->bufferDeleted(m_constantBuffer);
    }
    // Parameter values (and the textures they hold) go before the device reference.
    m_core = EffectCore();
    if (m_pool)
        m_pool->Release();
    m_device->Release();
}

void Effect::bindProgram(GLuint program, const std::vector<SamplerBinding>& samplers)
{
    GLint previous = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
    glUseProgram(program);
    GLuint block = glGetUniformBlockIndex(program, "ulvo_Globals");
    if (block != GL_INVALID_INDEX)
        glUniformBlockBinding(program, block, kGlobalsBinding);
    for (const SamplerBinding& s : samplers) {
        GLint location = glGetUniformLocation(program, s.sampler->name.c_str());
        GLint unit = s.unit >= D3DVERTEXTEXTURESAMPLER0 ? static_cast<GLint>(16 + s.unit - D3DVERTEXTEXTURESAMPLER0)
                                                        : static_cast<GLint>(s.unit);
        if (location >= 0)
            glUniform1i(location, unit);
    }
    // The previous program may have been deleted while current (its effect reloaded or released):
    // switching away just freed it, and naming it again would leave GL_INVALID_VALUE pending.
    GLuint restore = static_cast<GLuint>(previous);
    if (restore && !glIsProgram(restore)) {
        restore = 0;
        D3D9Internal::programBindingChanged(m_device);
    }
    glUseProgram(restore);
}

namespace {

// The pixel samplers of a pass by GLSL name and stage, for the device's shared fetches.
template <typename Binding>
std::vector<std::pair<std::string, DWORD>> pixelSamplers(const std::vector<Binding>& samplers)
{
    std::vector<std::pair<std::string, DWORD>> out;
    for (const Binding& s : samplers) {
        if (s.unit < D3DVERTEXTEXTURESAMPLER0)
            out.emplace_back(s.sampler->name, s.unit);
    }
    return out;
}

} // namespace

std::vector<std::string> Effect::fixedGlobals() const
{
    std::vector<std::string> names;
    for (const auto& p : m_core.description().parameters) {
        if (p->type != D3DXPT_FLOAT)
            continue;
        for (const auto& a : p->annotations) {
            if (a->name == "Specialise" && a->type == D3DXPT_BOOL && a->block && a->offset < a->block->words.size() &&
                a->block->words[a->offset] != 0)
                names.push_back(p->name);
        }
    }
    return names;
}

bool Effect::buildPass(Pass& pass, PassProgram& out)
{
    const TranslatedStage* vs =
        pass.vertexShader >= 0 ? m_stages[static_cast<size_t>(pass.vertexShader)].get() : nullptr;
    const TranslatedStage* ps = pass.pixelShader >= 0 ? m_stages[static_cast<size_t>(pass.pixelShader)].get() : nullptr;
    if (!vs && !ps)
        return true;
    // Samplers: explicit registers first, then the free units in declaration order.
    std::vector<bool> used(16, false);
    auto addSamplers = [&](const TranslatedStage* stage, bool vertex) {
        if (!stage)
            return;
        DWORD nextVertex = 0;
        for (const std::string& name : stage->samplers) {
            Parameter* p = m_core.parameter(name.c_str());
            if (!p || !p->isSampler())
                continue;
            bool known = false;
            for (const SamplerBinding& b : out.samplers)
                known = known || b.sampler == p;
            if (known)
                continue;
            if (vertex) {
                out.samplers.push_back({p, D3DVERTEXTEXTURESAMPLER0 + (nextVertex++ & 3)});
                continue;
            }
            int unit = p->samplerRegister;
            if (unit < 0 || unit >= 16 || used[static_cast<size_t>(unit)]) {
                unit = 0;
                while (unit < 16 &&
                       (used[static_cast<size_t>(unit)] ||
                        std::any_of(m_core.description().parameters.begin(), m_core.description().parameters.end(),
                                    [&](const auto& q) { return q->samplerRegister == unit && q.get() != p; })))
                    ++unit;
            }
            if (unit >= 16)
                continue;
            used[static_cast<size_t>(unit)] = true;
            out.samplers.push_back({p, static_cast<DWORD>(unit)});
        }
    };
    addSamplers(ps, false);
    addSamplers(vs, true);

    std::vector<std::string> vsVaryings = vs ? varyingNames(*vs) : std::vector<std::string>();
    std::vector<std::string> psVaryings = ps ? varyingNames(*ps) : std::vector<std::string>();
    std::vector<std::string> extra;
    for (const std::string& v : psVaryings) {
        if (vs && std::find(vsVaryings.begin(), vsVaryings.end(), v) == vsVaryings.end())
            extra.push_back(v);
    }
    // The device compiles and links the stages when a draw first uses them, and passes of the same
    // texts and bindings share one program there: the driver keeps about a megabyte for each
    // linked program, and most techniques of an effect are never drawn in a session.
    auto toVaryings = [](const std::vector<std::string>& names) {
        std::vector<D3D9Internal::ShaderVarying> list;
        for (const std::string& n : names)
            list.push_back({n, "vec4"});
        return list;
    };
    std::vector<SamplerBinding> samplers = out.samplers;
    std::string linkKey;
    for (const SamplerBinding& s : samplers)
        linkKey += s.sampler->name + '=' + std::to_string(s.unit) + ';';
    D3D9Internal::ShaderStageDesc desc;
    desc.onLink = [this, samplers](GLuint program) { bindProgram(program, samplers); };
    desc.ownsGLObjects = false;
    desc.linkKey = std::move(linkKey);
    D3D9Internal::ShaderStageDesc vsDesc, psDesc;
    if (vs) {
        vsDesc = desc;
        vsDesc.varyings = toVaryings(vsVaryings);
        vsDesc.source = vertexGlsl(*vs, extra);
    }
    if (ps) {
        psDesc = std::move(desc);
        psDesc.varyings = toVaryings(psVaryings);
        psDesc.source = pixelGlsl(*ps);
        psDesc.samplers = pixelSamplers(out.samplers);
    }
    for (const StateAssignment& s : pass.states) {
        out.setsVertexShader = out.setsVertexShader || s.kind == StateKind::VertexShader;
        out.setsPixelShader = out.setsPixelShader || s.kind == StateKind::PixelShader;
    }
    out.specialised = specialisableGlobals(m_globals, {&vsDesc.source, &psDesc.source}, fixedGlobals());
    if (!out.specialised.empty()) {
        out.vertexDesc = vsDesc;
        out.pixelDesc = psDesc;
    }
    if (vs)
        out.vertexShader = D3D9Internal::createVertexShader(m_device, std::move(vsDesc));
    if (ps)
        out.pixelShader = D3D9Internal::createPixelShader(m_device, std::move(psDesc));
    return (!vs || out.vertexShader) && (!ps || out.pixelShader);
}

bool Effect::create(EffectDescription description, PreprocessedSource source, Messages& messages)
{
    m_core.init(std::move(description), std::move(source));
    EffectDescription& d = m_core.description();
    // Shared parameters take the pool's values.
    if (m_pool) {
        for (auto& p : d.parameters) {
            if (p->flags & D3DX_PARAMETER_SHARED) {
                std::shared_ptr<ValueBlock> block = m_pool->share(*p);
                if (block != p->block)
                    assignStorage(*p, block, 0);
            }
        }
    }
    for (size_t i = 0; i < d.shaders.size(); ++i) {
        m_stages.push_back(translateCached(d, i, m_core.source(), messages));
        if (!m_stages.back())
            return false;
        m_pixelReadsGlobals = m_pixelReadsGlobals || (!m_stages.back()->vertex && !m_stages.back()->globals.empty());
        if (m_globals.empty() && !m_stages.back()->globals.empty()) {
            m_globals = m_stages.back()->globals;
            m_constants.assign(m_stages.back()->globalsSize, 0);
        }
    }
    for (auto& p : d.parameters) {
        for (const UniformLayout& l : m_globals) {
            if (l.name == p->name)
                m_layouts.push_back({p.get(), &l, 0});
        }
    }
    if (!m_constants.empty()) {
        D3D9Internal::makeCurrent(m_device);
        glGenBuffers(1, &m_constantBuffer);
        bindConstantBuffer();
        glBufferData(GL_UNIFORM_BUFFER, static_cast<GLsizeiptr>((m_constants.size() + 15) / 16 * 16), nullptr,
                     GL_DYNAMIC_DRAW);
    }
    for (auto& t : d.techniques) {
        for (auto& pass : t->passes) {
            if (!buildPass(*pass, m_programs[pass.get()]))
                return false;
        }
    }
    for (auto& p : d.parameters) {
        for (StateAssignment& s : p->samplerStates)
            resolve(s);
    }
    for (auto& t : d.techniques) {
        for (auto& pass : t->passes) {
            for (StateAssignment& s : pass->states)
                resolve(s);
        }
    }
    m_technique = d.techniques.empty() ? nullptr : d.techniques[0].get();
    return true;
}

HRESULT Effect::GetPool(LPD3DXEFFECTPOOL* ppPool)
{
    if (!ppPool)
        return D3DERR_INVALIDCALL;
    *ppPool = m_pool;
    if (m_pool)
        m_pool->AddRef();
    return D3D_OK;
}

HRESULT Effect::SetTechnique(D3DXHANDLE hTechnique)
{
    Technique* t = m_core.technique(hTechnique);
    if (!t)
        return D3DERR_INVALIDCALL;
    m_technique = t;
    return D3D_OK;
}

HRESULT Effect::ValidateTechnique(D3DXHANDLE hTechnique)
{
    Technique* t = m_core.technique(hTechnique);
    if (!t)
        return D3DERR_INVALIDCALL;
    for (auto& pass : t->passes) {
        auto it = m_programs.find(pass.get());
        if (it == m_programs.end())
            return E_FAIL;
    }
    return D3D_OK;
}

HRESULT Effect::FindNextValidTechnique(D3DXHANDLE hTechnique, D3DXHANDLE* pTechnique)
{
    if (!pTechnique)
        return D3DERR_INVALIDCALL;
    auto& list = m_core.description().techniques;
    size_t start = 0;
    if (hTechnique) {
        Technique* t = m_core.technique(hTechnique);
        if (!t)
            return D3DERR_INVALIDCALL;
        while (start < list.size() && list[start].get() != t)
            ++start;
        ++start;
    }
    for (size_t i = start; i < list.size(); ++i) {
        if (SUCCEEDED(ValidateTechnique(m_core.handleOf(list[i].get())))) {
            *pTechnique = m_core.handleOf(list[i].get());
            return D3D_OK;
        }
    }
    *pTechnique = nullptr;
    return S_FALSE;
}

BOOL Effect::IsParameterUsed(D3DXHANDLE hParameter, D3DXHANDLE hTechnique)
{
    Parameter* p = m_core.parameter(hParameter);
    Technique* t = m_core.technique(hTechnique);
    if (!p || !t)
        return FALSE;
    for (auto& pass : t->passes) {
        for (const StateAssignment& s : pass->states) {
            if (std::find(s.value.begin(), s.value.end(), p->name) != s.value.end())
                return TRUE;
        }
        auto it = m_programs.find(pass.get());
        if (it != m_programs.end()) {
            for (const SamplerBinding& b : it->second.samplers)
                if (b.sampler == p)
                    return TRUE;
        }
        for (int index : {pass->vertexShader, pass->pixelShader}) {
            if (index < 0)
                continue;
            for (const UniformLayout& l : m_stages[static_cast<size_t>(index)]->globals)
                if (l.name == p->name)
                    return TRUE;
        }
    }
    return FALSE;
}

void Effect::resolve(StateAssignment& s)
{
    const std::string* only = nullptr;
    size_t count = 0;
    bool usesParameter = false;
    for (const std::string& t : s.value) {
        if (t == "(" || t == ")")
            continue;
        ++count;
        only = &t;
        DWORD word = 0;
        if (!findStateWord(s.words, t, word) && m_core.parameter(t.c_str()))
            usesParameter = true;
    }
    if (count == 1) {
        s.parameter = m_core.parameter(only->c_str());
        if (s.parameter)
            return;
    }
    if (!usesParameter)
        s.constant = evaluateExpression(s, s.constantValue);
}

bool Effect::evaluate(const StateAssignment& s, DWORD& value, IDirect3DBaseTexture9** texture)
{
    value = 0;
    if (texture) {
        // Texture states take a texture parameter; anything else (NULL) unbinds.
        *texture = s.parameter ? EffectCore::firstTexture(*s.parameter) : nullptr;
        return true;
    }
    if (const Parameter* p = s.parameter) {
        if (s.isFloat) {
            float f = EffectCore::firstFloat(*p);
            std::memcpy(&value, &f, 4);
        } else {
            value = EffectCore::firstDword(*p);
        }
        return true;
    }
    if (s.constant) {
        value = s.constantValue;
        return true;
    }
    return evaluateExpression(s, value);
}

bool Effect::evaluateExpression(const StateAssignment& s, DWORD& value)
{
    // Words, numbers and parameters joined by | + - * (left to right).
    value = 0;
    double total = 0.0;
    char op = '+';
    bool negate = false;
    for (const std::string& t : s.value) {
        if (t == "(" || t == ")")
            continue;
        if (t == "|" || t == "+" || t == "*" || (t == "-" && op == 0)) {
            op = t[0];
            continue;
        }
        if (t == "-") {
            negate = !negate;
            continue;
        }
        double v = 0.0;
        DWORD word = 0;
        if (findStateWord(s.words, t, word)) {
            v = word;
        } else if (Parameter* p = m_core.parameter(t.c_str())) {
            v = p->type == D3DXPT_FLOAT ? EffectCore::firstFloat(*p) : static_cast<double>(EffectCore::firstDword(*p));
        } else if (!t.empty() && (std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '.')) {
            bool hex = t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
            v = hex ? static_cast<double>(std::strtoull(t.c_str(), nullptr, 16)) : std::strtod(t.c_str(), nullptr);
        } else {
            return false;
        }
        if (negate)
            v = -v;
        negate = false;
        if (op == '|')
            total = static_cast<double>(static_cast<uint64_t>(static_cast<int64_t>(total)) |
                                        static_cast<uint64_t>(static_cast<int64_t>(v)));
        else if (op == '*')
            total *= v;
        else if (op == '-')
            total -= v;
        else
            total += v;
        op = 0;
    }
    if (s.isFloat) {
        float f = static_cast<float>(total);
        std::memcpy(&value, &f, 4);
    } else {
        value = static_cast<DWORD>(static_cast<int64_t>(total));
    }
    return true;
}

void Effect::applySampler(const Parameter& sampler, DWORD unit)
{
    for (const StateAssignment& s : sampler.samplerStates) {
        DWORD value = 0;
        IDirect3DBaseTexture9* texture = nullptr;
        if (!evaluate(s, value, s.kind == StateKind::Texture ? &texture : nullptr))
            continue;
        if (s.kind == StateKind::Texture)
            m_device->SetTexture(unit, texture);
        else
            m_device->SetSamplerState(unit, static_cast<D3DSAMPLERSTATETYPE>(s.state), value);
    }
}

void Effect::applySamplers(const PassProgram& program)
{
    for (const SamplerBinding& b : program.samplers)
        applySampler(*b.sampler, b.unit);
}

void Effect::uploadConstants()
{
    if (!m_constantBuffer)
        return;
    bool dirty = false;
    for (ParameterLayout& l : m_layouts) {
        if (!l.parameter->block || l.uploaded == l.parameter->block->version)
            continue;
        writeLayout(*l.parameter, *l.layout, l.layout->offset, m_constants, 0);
        l.uploaded = l.parameter->block->version;
        dirty = true;
    }
    D3D9Internal::makeCurrent(m_device);
    D3D9Internal::GLState* state = D3D9Internal::glState(m_device);
    if (dirty) {
        bindConstantBuffer();
        glBufferSubData(GL_UNIFORM_BUFFER, 0, static_cast<GLsizeiptr>(m_constants.size()), m_constants.data());
        if (state && m_pixelReadsGlobals)
            state->notePixelChange();
    }
    if (state)
        state->bindUniformBlock(kGlobalsBinding, m_constantBuffer);
    else
        glBindBufferBase(GL_UNIFORM_BUFFER, kGlobalsBinding, m_constantBuffer);
}

void Effect::bindConstantBuffer()
{
    if (D3D9Internal::GLState* state = D3D9Internal::glState(m_device))
        state->bindUniformBuffer(m_constantBuffer);
    else
        glBindBuffer(GL_UNIFORM_BUFFER, m_constantBuffer);
}

void Effect::planSavedStates(DWORD flags)
{
    // What Begin saves depends on the technique and the flags only; it is worked out once for
    // them, and each Begin then reads just the values.
    m_savePlan.clear();
    m_savePlanTextures.clear();
    m_savePlanShaders = false;
    m_savePlanTechnique = m_technique;
    m_savePlanFlags = flags;
    if (!m_technique || (flags & D3DXFX_DONOTSAVESTATE))
        return;
    auto already = [&](StateKind kind, DWORD index, DWORD state) {
        for (const SavedState& s : m_savePlan)
            if (s.kind == kind && s.index == index && s.state == state)
                return true;
        return false;
    };
    auto saveTexture = [&](DWORD unit) {
        if (std::find(m_savePlanTextures.begin(), m_savePlanTextures.end(), unit) == m_savePlanTextures.end())
            m_savePlanTextures.push_back(unit);
    };
    auto save = [&](const StateAssignment& s, DWORD unit, bool fromSampler) {
        switch (s.kind) {
        case StateKind::Render:
            if (!already(s.kind, 0, s.state))
                m_savePlan.push_back({s.kind, 0, s.state, 0});
            break;
        case StateKind::TextureStage:
            if (!already(s.kind, s.index, s.state))
                m_savePlan.push_back({s.kind, s.index, s.state, 0});
            break;
        case StateKind::Sampler: {
            DWORD u = fromSampler ? unit : s.index;
            if ((flags & D3DXFX_DONOTSAVESAMPLERSTATE) || already(s.kind, u, s.state))
                break;
            m_savePlan.push_back({s.kind, u, s.state, 0});
            break;
        }
        case StateKind::Texture:
            saveTexture(fromSampler ? unit : s.index);
            break;
        case StateKind::VertexShader:
        case StateKind::PixelShader:
            if (!(flags & D3DXFX_DONOTSAVESHADERSTATE))
                m_savePlanShaders = true;
            break;
        default:
            break;
        }
    };
    for (auto& pass : m_technique->passes) {
        for (const StateAssignment& s : pass->states)
            save(s, 0, false);
        auto it = m_programs.find(pass.get());
        if (it == m_programs.end())
            continue;
        for (const SamplerBinding& b : it->second.samplers) {
            for (const StateAssignment& s : b.sampler->samplerStates)
                save(s, b.unit, true);
        }
    }
}

void Effect::saveStates(DWORD flags)
{
    m_saved.clear();
    m_savedTextures.clear();
    m_savedShaders = false;
    if (m_savePlanTechnique != m_technique || m_savePlanFlags != flags || !m_savePlanMade) {
        planSavedStates(flags);
        m_savePlanMade = true;
    }
    for (const SavedState& planned : m_savePlan) {
        SavedState s = planned;
        switch (s.kind) {
        case StateKind::Render:
            m_device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(s.state), &s.value);
            break;
        case StateKind::TextureStage:
            m_device->GetTextureStageState(s.index, static_cast<D3DTEXTURESTAGESTATETYPE>(s.state), &s.value);
            break;
        case StateKind::Sampler:
            m_device->GetSamplerState(s.index, static_cast<D3DSAMPLERSTATETYPE>(s.state), &s.value);
            break;
        default:
            break;
        }
        m_saved.push_back(s);
    }
    for (DWORD unit : m_savePlanTextures) {
        IDirect3DBaseTexture9* texture = nullptr;
        m_device->GetTexture(unit, &texture);
        m_savedTextures.push_back({unit, texture});
    }
    if (m_savePlanShaders) {
        m_device->GetVertexShader(&m_savedVertexShader);
        m_device->GetPixelShader(&m_savedPixelShader);
        m_savedShaders = true;
    }
}

void Effect::restoreStates()
{
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        switch (it->kind) {
        case StateKind::Render:
            m_device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(it->state), it->value);
            break;
        case StateKind::TextureStage:
            m_device->SetTextureStageState(it->index, static_cast<D3DTEXTURESTAGESTATETYPE>(it->state), it->value);
            break;
        case StateKind::Sampler:
            m_device->SetSamplerState(it->index, static_cast<D3DSAMPLERSTATETYPE>(it->state), it->value);
            break;
        default:
            break;
        }
    }
    for (auto& [unit, texture] : m_savedTextures) {
        m_device->SetTexture(unit, texture);
        if (texture)
            texture->Release();
    }
    m_savedTextures.clear();
    if (m_savedShaders) {
        m_device->SetVertexShader(m_savedVertexShader);
        m_device->SetPixelShader(m_savedPixelShader);
        if (m_savedVertexShader)
            m_savedVertexShader->Release();
        if (m_savedPixelShader)
            m_savedPixelShader->Release();
        m_savedVertexShader = nullptr;
        m_savedPixelShader = nullptr;
        m_savedShaders = false;
    }
    m_saved.clear();
}

HRESULT Effect::Begin(UINT* pPasses, DWORD Flags)
{
    if (!m_technique || m_inBegin)
        return D3DERR_INVALIDCALL;
    saveStates(Flags);
    m_inBegin = true;
    m_pass = -1;
    if (pPasses)
        *pPasses = static_cast<UINT>(m_technique->passes.size());
    return D3D_OK;
}

HRESULT Effect::BeginPass(UINT index)
{
    if (!m_inBegin || m_pass >= 0 || index >= m_technique->passes.size())
        return D3DERR_INVALIDCALL;
    Pass& pass = *m_technique->passes[index];
    PassProgram& program = m_programs.at(&pass);
    // The stages are set once the globals are uploaded, which choose them.
    m_passVertexShader = nullptr;
    m_passPixelShader = nullptr;
    for (const StateAssignment& s : pass.states) {
        DWORD value = 0;
        IDirect3DBaseTexture9* texture = nullptr;
        switch (s.kind) {
        case StateKind::VertexShader:
        case StateKind::PixelShader:
            break;
        case StateKind::Render:
            if (evaluate(s, value, nullptr))
                m_device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(s.state), value);
            break;
        case StateKind::TextureStage:
            if (evaluate(s, value, nullptr))
                m_device->SetTextureStageState(s.index, static_cast<D3DTEXTURESTAGESTATETYPE>(s.state), value);
            break;
        case StateKind::Sampler:
            if (evaluate(s, value, nullptr))
                m_device->SetSamplerState(s.index, static_cast<D3DSAMPLERSTATETYPE>(s.state), value);
            break;
        case StateKind::Texture:
            if (evaluate(s, value, &texture))
                m_device->SetTexture(s.index, texture);
            break;
        case StateKind::SamplerBinding:
            if (s.parameter && s.parameter->isSampler())
                applySampler(*s.parameter, s.index);
            break;
        }
    }
    applySamplers(program);
    uploadConstants();
    if (program.setsVertexShader)
        m_device->SetVertexShader(m_passVertexShader = program.vertexShader);
    if (program.setsPixelShader)
        m_device->SetPixelShader(m_passPixelShader = program.pixelShader);
    selectVariant(program);
    m_pass = static_cast<int>(index);
    return D3D_OK;
}

HRESULT Effect::CommitChanges()
{
    if (!m_inBegin || m_pass < 0)
        return D3DERR_INVALIDCALL;
    PassProgram& program = m_programs.at(m_technique->passes[static_cast<size_t>(m_pass)].get());
    applySamplers(program);
    uploadConstants();
    selectVariant(program);
    return D3D_OK;
}

void Effect::selectVariant(PassProgram& program)
{
    if (program.specialised.empty())
        return;
    const PassVariant* variant = specialisationEnabled() ? findVariant(program) : nullptr;
    IDirect3DVertexShader9* vertexShader =
        variant && variant->vertexShader ? variant->vertexShader : program.vertexShader;
    IDirect3DPixelShader9* pixelShader = variant && variant->pixelShader ? variant->pixelShader : program.pixelShader;
    if (program.setsVertexShader && vertexShader != m_passVertexShader)
        m_device->SetVertexShader(m_passVertexShader = vertexShader);
    if (program.setsPixelShader && pixelShader != m_passPixelShader)
        m_device->SetPixelShader(m_passPixelShader = pixelShader);
}

const Effect::PassVariant* Effect::findVariant(PassProgram& program)
{
    // Values past this many per pass draw with the plain stages: each variant is a program for the
    // driver to compile and keep.
    constexpr size_t kMaxVariants = 8;
    // The values as uploaded: the block the next draw reads holds exactly these.
    m_variantValues.clear();
    for (const SpecialisedGlobal& global : program.specialised) {
        for (uint32_t c = 0; c < global.components; ++c) {
            const uint32_t at = global.offset + 4 * c;
            uint32_t value = 0;
            if (static_cast<size_t>(at) + 4 <= m_constants.size())
                std::memcpy(&value, m_constants.data() + at, 4);
            m_variantValues.push_back(variantValue(global, value));
        }
    }
    for (const PassVariant& v : program.variants) {
        if (v.values == m_variantValues)
            return &v;
    }
    if (program.variants.size() >= kMaxVariants)
        return nullptr;
    PassVariant variant;
    variant.values = m_variantValues;
    if (!program.vertexDesc.source.empty()) {
        D3D9Internal::ShaderStageDesc desc = program.vertexDesc;
        desc.source = specialiseGlsl(desc.source, program.specialised, m_variantValues);
        variant.vertexShader = D3D9Internal::createVertexShader(m_device, std::move(desc));
    }
    if (!program.pixelDesc.source.empty()) {
        D3D9Internal::ShaderStageDesc desc = program.pixelDesc;
        desc.source = specialiseGlsl(desc.source, program.specialised, m_variantValues);
        variant.pixelShader = D3D9Internal::createPixelShader(m_device, std::move(desc));
    }
    program.variants.push_back(std::move(variant));
    return &program.variants.back();
}

HRESULT Effect::EndPass()
{
    if (m_pass < 0)
        return D3DERR_INVALIDCALL;
    m_pass = -1;
    return D3D_OK;
}

HRESULT Effect::End()
{
    if (!m_inBegin)
        return D3DERR_INVALIDCALL;
    m_pass = -1;
    m_inBegin = false;
    restoreStates();
    return D3D_OK;
}

HRESULT Effect::GetDevice(LPDIRECT3DDEVICE9* ppDevice)
{
    if (!ppDevice)
        return D3DERR_INVALIDCALL;
    *ppDevice = m_device;
    m_device->AddRef();
    return D3D_OK;
}

} // namespace D3DXEffects
