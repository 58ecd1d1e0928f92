// Handles, descriptions and parameter values of effects (see EffectCore.h).
#include "d3dx9/effects/EffectCore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace D3DXEffects {

namespace {

uint32_t wordFrom(double value, D3DXPARAMETER_TYPE type)
{
    uint32_t word = 0;
    if (type == D3DXPT_FLOAT) {
        float f = static_cast<float>(value);
        std::memcpy(&word, &f, 4);
    } else if (type == D3DXPT_INT) {
        word = static_cast<uint32_t>(static_cast<int32_t>(value));
    } else {
        word = value != 0.0 ? 1u : 0u;
    }
    return word;
}

double wordValue(uint32_t word, D3DXPARAMETER_TYPE type)
{
    if (type == D3DXPT_FLOAT) {
        float f;
        std::memcpy(&f, &word, 4);
        return f;
    }
    if (type == D3DXPT_INT)
        return static_cast<int32_t>(word);
    return word != 0 ? 1.0 : 0.0;
}

// The leaf type of a parameter (struct members keep their own; a struct counts as float).
D3DXPARAMETER_TYPE leafType(const Parameter& p)
{
    const Parameter* q = &p;
    while (!q->members.empty())
        q = q->members[0].get();
    return q->isNumeric() ? q->type : D3DXPT_FLOAT;
}

} // namespace

void EffectCore::registerParameter(Parameter& p)
{
    m_handles[&p] = Kind::Parameter;
    for (auto& m : p.members)
        registerParameter(*m);
    for (auto& a : p.annotations)
        registerParameter(*a);
}

void EffectCore::init(EffectDescription description, PreprocessedSource source)
{
    m_description = std::move(description);
    m_source = std::move(source);
    m_handles.clear();
    m_nameHits = {};
    for (auto& p : m_description.parameters)
        registerParameter(*p);
    for (auto& t : m_description.techniques) {
        m_handles[t.get()] = Kind::Technique;
        for (auto& a : t->annotations)
            registerParameter(*a);
        t->desc.Name = t->name.c_str();
        t->desc.Passes = static_cast<UINT>(t->passes.size());
        t->desc.Annotations = static_cast<UINT>(t->annotations.size());
        for (auto& pass : t->passes) {
            m_handles[pass.get()] = Kind::Pass;
            for (auto& a : pass->annotations)
                registerParameter(*a);
            pass->desc.Name = pass->name.c_str();
            pass->desc.Annotations = static_cast<UINT>(pass->annotations.size());
        }
    }
}

Parameter* EffectCore::findByName(std::vector<std::unique_ptr<Parameter>>& list, const std::string& path)
{
    // "a.b[2].c": a name, then members and elements.
    size_t end = path.find_first_of(".[");
    std::string head = path.substr(0, end);
    Parameter* found = nullptr;
    for (auto& p : list) {
        if (p->name == head) {
            found = p.get();
            break;
        }
    }
    while (found && end != std::string::npos) {
        if (path[end] == '[') {
            size_t close = path.find(']', end);
            if (close == std::string::npos || found->elements == 0)
                return nullptr;
            size_t index = std::strtoul(path.c_str() + end + 1, nullptr, 10);
            if (index >= found->members.size())
                return nullptr;
            found = found->members[index].get();
            end = close + 1 < path.size() ? close + 1 : std::string::npos;
        } else {
            size_t next = path.find_first_of(".[", end + 1);
            std::string name = path.substr(end + 1, next == std::string::npos ? std::string::npos : next - end - 1);
            Parameter* member = nullptr;
            for (auto& m : found->members) {
                if (m->name == name && found->elements == 0)
                    member = m.get();
            }
            found = member;
            end = next;
        }
    }
    return found;
}

Parameter* EffectCore::parameter(D3DXHANDLE h)
{
    if (!h)
        return nullptr;
    // Names come first: only an address that is no handle is ever remembered, and the handles
    // are fixed when the effect is made (init forgets the names), so a remembered address is
    // text.
    const uintptr_t address = reinterpret_cast<uintptr_t>(h);
    NameHit& hit = m_nameHits[(address ^ (address >> 5)) % m_nameHits.size()];
    if (hit.address == h && std::strcmp(hit.name, h) == 0)
        return hit.parameter;
    auto it = m_handles.find(h);
    if (it != m_handles.end())
        return it->second == Kind::Parameter ? static_cast<Parameter*>(const_cast<void*>(static_cast<const void*>(h)))
                                             : nullptr;
    Parameter* found = nullptr;
    // Callers that set parameters by name every draw mostly name a top-level one: compared in
    // place, without the copies of a path.
    if (!std::strpbrk(h, ".[")) {
        for (auto& p : m_description.parameters) {
            if (p->name == h) {
                found = p.get();
                break;
            }
        }
    } else {
        found = findByName(m_description.parameters, h);
    }
    const size_t length = std::strlen(h);
    if (length < sizeof hit.name) {
        hit.address = h;
        hit.parameter = found;
        std::memcpy(hit.name, h, length + 1);
    }
    return found;
}

Technique* EffectCore::technique(D3DXHANDLE h)
{
    if (!h)
        return nullptr;
    auto it = m_handles.find(h);
    if (it != m_handles.end())
        return it->second == Kind::Technique ? static_cast<Technique*>(const_cast<void*>(static_cast<const void*>(h)))
                                             : nullptr;
    for (auto& t : m_description.techniques) {
        if (t->name == h)
            return t.get();
    }
    return nullptr;
}

Pass* EffectCore::pass(D3DXHANDLE h)
{
    auto it = h ? m_handles.find(h) : m_handles.end();
    if (it != m_handles.end() && it->second == Kind::Pass)
        return static_cast<Pass*>(const_cast<void*>(static_cast<const void*>(h)));
    return nullptr;
}

HRESULT EffectCore::getDesc(D3DXEFFECT_DESC* desc)
{
    if (!desc)
        return D3DERR_INVALIDCALL;
    desc->Creator = "Ulvo effect compiler";
    desc->Parameters = static_cast<UINT>(m_description.parameters.size());
    desc->Techniques = static_cast<UINT>(m_description.techniques.size());
    desc->Functions = 0;
    return D3D_OK;
}

HRESULT EffectCore::getParameterDesc(D3DXHANDLE h, D3DXPARAMETER_DESC* desc)
{
    Parameter* p = parameter(h);
    if (!p || !desc)
        return D3DERR_INVALIDCALL;
    *desc = p->desc;
    return D3D_OK;
}

HRESULT EffectCore::getTechniqueDesc(D3DXHANDLE h, D3DXTECHNIQUE_DESC* desc)
{
    Technique* t = technique(h);
    if (!t || !desc)
        return D3DERR_INVALIDCALL;
    *desc = t->desc;
    return D3D_OK;
}

HRESULT EffectCore::getPassDesc(D3DXHANDLE h, D3DXPASS_DESC* desc)
{
    Pass* p = pass(h);
    if (!p || !desc)
        return D3DERR_INVALIDCALL;
    *desc = p->desc;
    return D3D_OK;
}

D3DXHANDLE EffectCore::getParameter(D3DXHANDLE parent, UINT index)
{
    if (!parent)
        return index < m_description.parameters.size() ? handleOf(m_description.parameters[index].get()) : nullptr;
    Parameter* p = parameter(parent);
    if (!p || p->elements > 0 || index >= p->members.size())
        return nullptr;
    return handleOf(p->members[index].get());
}

D3DXHANDLE EffectCore::getParameterByName(D3DXHANDLE parent, LPCSTR name)
{
    if (!name)
        return nullptr;
    if (!parent)
        return handleOf(findByName(m_description.parameters, name));
    Parameter* p = parameter(parent);
    if (!p || p->elements > 0)
        return nullptr;
    return handleOf(findByName(p->members, name));
}

D3DXHANDLE EffectCore::getParameterBySemantic(D3DXHANDLE parent, LPCSTR semantic)
{
    if (!semantic)
        return nullptr;
    std::vector<std::unique_ptr<Parameter>>* list = &m_description.parameters;
    if (parent) {
        Parameter* p = parameter(parent);
        if (!p || p->elements > 0)
            return nullptr;
        list = &p->members;
    }
    for (auto& p : *list) {
        if (!p->semantic.empty() && strcasecmp(p->semantic.c_str(), semantic) == 0)
            return handleOf(p.get());
    }
    return nullptr;
}

D3DXHANDLE EffectCore::getParameterElement(D3DXHANDLE parent, UINT index)
{
    Parameter* p = parameter(parent);
    if (!p || p->elements == 0 || index >= p->members.size())
        return nullptr;
    return handleOf(p->members[index].get());
}

D3DXHANDLE EffectCore::getTechnique(UINT index)
{
    return index < m_description.techniques.size() ? handleOf(m_description.techniques[index].get()) : nullptr;
}

D3DXHANDLE EffectCore::getTechniqueByName(LPCSTR name)
{
    if (!name)
        return nullptr;
    for (auto& t : m_description.techniques) {
        if (t->name == name)
            return handleOf(t.get());
    }
    return nullptr;
}

D3DXHANDLE EffectCore::getPass(D3DXHANDLE h, UINT index)
{
    Technique* t = technique(h);
    if (!t || index >= t->passes.size())
        return nullptr;
    return handleOf(t->passes[index].get());
}

D3DXHANDLE EffectCore::getPassByName(D3DXHANDLE h, LPCSTR name)
{
    Technique* t = technique(h);
    if (!t || !name)
        return nullptr;
    for (auto& p : t->passes) {
        if (p->name == name)
            return handleOf(p.get());
    }
    return nullptr;
}

D3DXHANDLE EffectCore::getAnnotation(D3DXHANDLE object, UINT index)
{
    std::vector<std::unique_ptr<Parameter>>* list = nullptr;
    if (Pass* p = pass(object))
        list = &p->annotations;
    else if (Technique* t = technique(object))
        list = &t->annotations;
    else if (Parameter* q = parameter(object))
        list = &q->annotations;
    if (!list || index >= list->size())
        return nullptr;
    return handleOf((*list)[index].get());
}

D3DXHANDLE EffectCore::getAnnotationByName(D3DXHANDLE object, LPCSTR name)
{
    if (!name)
        return nullptr;
    for (UINT i = 0;; ++i) {
        D3DXHANDLE a = getAnnotation(object, i);
        if (!a)
            return nullptr;
        if (static_cast<const Parameter*>(static_cast<const void*>(a))->name == name)
            return a;
    }
}

HRESULT EffectCore::setNumbers(D3DXHANDLE h, const void* values, UINT count, Source source)
{
    Parameter* p = parameter(h);
    if (!p || !values || (!p->isNumeric() && p->cls != D3DXPC_STRUCT) || !p->block)
        return D3DERR_INVALIDCALL;
    D3DXPARAMETER_TYPE type = leafType(*p);
    size_t n = std::min<size_t>(count, p->count);
    for (size_t i = 0; i < n; ++i) {
        double v = 0;
        if (source == Source::Float)
            v = static_cast<const float*>(values)[i];
        else if (source == Source::Int)
            v = static_cast<const INT*>(values)[i];
        else
            v = static_cast<const BOOL*>(values)[i] != 0;
        p->block->words[p->offset + i] = wordFrom(v, type);
    }
    ++p->block->version;
    return D3D_OK;
}

HRESULT EffectCore::getNumbers(D3DXHANDLE h, void* values, UINT count, Source source)
{
    Parameter* p = parameter(h);
    if (!p || !values || (!p->isNumeric() && p->cls != D3DXPC_STRUCT) || !p->block)
        return D3DERR_INVALIDCALL;
    D3DXPARAMETER_TYPE type = leafType(*p);
    size_t n = std::min<size_t>(count, p->count);
    for (size_t i = 0; i < n; ++i) {
        double v = wordValue(p->block->words[p->offset + i], type);
        if (source == Source::Float)
            static_cast<float*>(values)[i] = static_cast<float>(v);
        else if (source == Source::Int)
            static_cast<INT*>(values)[i] = static_cast<INT>(v);
        else
            static_cast<BOOL*>(values)[i] = v != 0.0;
    }
    return D3D_OK;
}

HRESULT EffectCore::setValue(D3DXHANDLE h, const void* data, UINT bytes)
{
    Parameter* p = parameter(h);
    if (!p || !data)
        return D3DERR_INVALIDCALL;
    if (p->isTexture() && bytes >= sizeof(void*)) {
        IDirect3DBaseTexture9* t = nullptr;
        std::memcpy(&t, data, sizeof t);
        return setTexture(h, t);
    }
    if ((!p->isNumeric() && p->cls != D3DXPC_STRUCT) || !p->block)
        return D3DERR_INVALIDCALL;
    size_t n = std::min<size_t>(bytes / 4, p->count);
    std::memcpy(p->block->words.data() + p->offset, data, n * 4);
    ++p->block->version;
    return D3D_OK;
}

HRESULT EffectCore::getValue(D3DXHANDLE h, void* data, UINT bytes)
{
    Parameter* p = parameter(h);
    if (!p || !data)
        return D3DERR_INVALIDCALL;
    if ((!p->isNumeric() && p->cls != D3DXPC_STRUCT) || !p->block)
        return D3DERR_INVALIDCALL;
    size_t n = std::min<size_t>(bytes / 4, p->count);
    std::memcpy(data, p->block->words.data() + p->offset, n * 4);
    return D3D_OK;
}

HRESULT EffectCore::setVectors(D3DXHANDLE h, const D3DXVECTOR4* v, UINT count)
{
    Parameter* p = parameter(h);
    if (!p || !v || !p->isNumeric())
        return D3DERR_INVALIDCALL;
    if (p->elements == 0) // one vector: as many components as the parameter holds
        return setNumbers(h, &v->x, std::min<UINT>(4, static_cast<UINT>(p->count)), Source::Float);
    for (UINT e = 0; e < count && e < p->members.size(); ++e) {
        Parameter* element = p->members[e].get();
        setNumbers(handleOf(element), &v[e].x, std::min<UINT>(4, static_cast<UINT>(element->count)), Source::Float);
    }
    return D3D_OK;
}

HRESULT EffectCore::getVectors(D3DXHANDLE h, D3DXVECTOR4* v, UINT count)
{
    Parameter* p = parameter(h);
    if (!p || !v || !p->isNumeric())
        return D3DERR_INVALIDCALL;
    if (p->elements == 0) {
        *v = D3DXVECTOR4(0, 0, 0, 0);
        return getNumbers(h, &v->x, std::min<UINT>(4, static_cast<UINT>(p->count)), Source::Float);
    }
    for (UINT e = 0; e < count && e < p->members.size(); ++e) {
        v[e] = D3DXVECTOR4(0, 0, 0, 0);
        Parameter* element = p->members[e].get();
        getNumbers(handleOf(element), &v[e].x, std::min<UINT>(4, static_cast<UINT>(element->count)), Source::Float);
    }
    return D3D_OK;
}

HRESULT EffectCore::setMatrices(D3DXHANDLE h, const D3DXMATRIX* m, UINT count, bool transpose)
{
    Parameter* p = parameter(h);
    if (!p || !m || !p->isNumeric())
        return D3DERR_INVALIDCALL;
    auto setOne = [&](Parameter& q, const D3DXMATRIX& matrix) {
        if (q.type == D3DXPT_FLOAT && q.rows <= 4 && q.columns <= 4 &&
            q.offset + q.rows * q.columns <= q.block->words.size()) {
            // Float matrices, set every draw, take the numbers as they are.
            uint32_t* words = q.block->words.data() + q.offset;
            if (q.rows == 4 && q.columns == 4 && !transpose) {
                std::memcpy(words, &matrix, sizeof matrix);
                ++q.block->version;
                return;
            }
            for (UINT r = 0; r < q.rows; ++r) {
                for (UINT c = 0; c < q.columns; ++c)
                    std::memcpy(&words[r * q.columns + c], transpose ? &matrix.m[c][r] : &matrix.m[r][c], 4);
            }
            ++q.block->version;
            return;
        }
        for (UINT r = 0; r < q.rows; ++r) {
            for (UINT c = 0; c < q.columns; ++c) {
                float v = transpose ? matrix.m[c][r] : matrix.m[r][c];
                q.block->words[q.offset + r * q.columns + c] = wordFrom(v, q.type);
            }
        }
        ++q.block->version;
    };
    if (p->elements == 0) {
        setOne(*p, *m);
        return D3D_OK;
    }
    for (UINT e = 0; e < count && e < p->members.size(); ++e)
        setOne(*p->members[e], m[e]);
    return D3D_OK;
}

HRESULT EffectCore::getMatrices(D3DXHANDLE h, D3DXMATRIX* m, UINT count, bool transpose)
{
    Parameter* p = parameter(h);
    if (!p || !m || !p->isNumeric())
        return D3DERR_INVALIDCALL;
    auto getOne = [&](const Parameter& q, D3DXMATRIX& matrix) {
        std::memset(&matrix, 0, sizeof matrix);
        for (UINT r = 0; r < q.rows; ++r) {
            for (UINT c = 0; c < q.columns; ++c) {
                float v = static_cast<float>(wordValue(q.block->words[q.offset + r * q.columns + c], q.type));
                (transpose ? matrix.m[c][r] : matrix.m[r][c]) = v;
            }
        }
    };
    if (p->elements == 0) {
        getOne(*p, *m);
        return D3D_OK;
    }
    for (UINT e = 0; e < count && e < p->members.size(); ++e)
        getOne(*p->members[e], m[e]);
    return D3D_OK;
}

HRESULT EffectCore::setString(D3DXHANDLE h, LPCSTR text)
{
    Parameter* p = parameter(h);
    if (!p || !text || p->type != D3DXPT_STRING || !p->block || p->offset >= p->block->strings.size())
        return D3DERR_INVALIDCALL;
    p->block->strings[p->offset] = text;
    ++p->block->version;
    return D3D_OK;
}

HRESULT EffectCore::getString(D3DXHANDLE h, LPCSTR* text)
{
    Parameter* p = parameter(h);
    if (!p || !text || p->type != D3DXPT_STRING || !p->block || p->offset >= p->block->strings.size())
        return D3DERR_INVALIDCALL;
    *text = p->block->strings[p->offset].c_str();
    return D3D_OK;
}

HRESULT EffectCore::setTexture(D3DXHANDLE h, IDirect3DBaseTexture9* texture)
{
    Parameter* p = parameter(h);
    if (!p || !p->isTexture() || !p->block || p->offset >= p->block->textures.size())
        return D3DERR_INVALIDCALL;
    IDirect3DBaseTexture9*& slot = p->block->textures[p->offset];
    if (texture)
        texture->AddRef();
    if (slot)
        slot->Release();
    slot = texture;
    ++p->block->version;
    return D3D_OK;
}

HRESULT EffectCore::getTexture(D3DXHANDLE h, IDirect3DBaseTexture9** texture)
{
    Parameter* p = parameter(h);
    if (!p || !texture || !p->isTexture() || !p->block || p->offset >= p->block->textures.size())
        return D3DERR_INVALIDCALL;
    *texture = p->block->textures[p->offset];
    if (*texture)
        (*texture)->AddRef();
    return D3D_OK;
}

float EffectCore::firstFloat(const Parameter& p)
{
    if (!p.block || p.block->words.size() <= p.offset || p.count == 0)
        return 0.0f;
    return static_cast<float>(wordValue(p.block->words[p.offset], leafType(p)));
}

DWORD EffectCore::firstDword(const Parameter& p)
{
    if (!p.block || p.block->words.size() <= p.offset || p.count == 0)
        return 0;
    D3DXPARAMETER_TYPE type = leafType(p);
    if (type == D3DXPT_FLOAT)
        return static_cast<DWORD>(static_cast<int64_t>(wordValue(p.block->words[p.offset], type)));
    return p.block->words[p.offset];
}

IDirect3DBaseTexture9* EffectCore::firstTexture(const Parameter& p)
{
    if (!p.isTexture() || !p.block || p.offset >= p.block->textures.size())
        return nullptr;
    return p.block->textures[p.offset];
}

} // namespace D3DXEffects
