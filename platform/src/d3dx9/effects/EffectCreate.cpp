// Creating effects, effect compilers, pools and buffers; the compiled-effect format.
#include "d3dx9/effects/Effect.h"

#include "d3dx9/effects/EffectParser.h"
#include "d3dx9/effects/TranslationCache.h"

#include <platform_test.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

const IID IID_ID3DXBuffer = {0x51f3e0c1, 0x7a20, 0x4b1e, {0x8d, 0x21, 0x3c, 0x90, 0x11, 0x5e, 0x02, 0x01}};
const IID IID_ID3DXEffectPool = {0x51f3e0c1, 0x7a20, 0x4b1e, {0x8d, 0x21, 0x3c, 0x90, 0x11, 0x5e, 0x02, 0x02}};
const IID IID_ID3DXBaseEffect = {0x51f3e0c1, 0x7a20, 0x4b1e, {0x8d, 0x21, 0x3c, 0x90, 0x11, 0x5e, 0x02, 0x03}};
const IID IID_ID3DXEffect = {0x51f3e0c1, 0x7a20, 0x4b1e, {0x8d, 0x21, 0x3c, 0x90, 0x11, 0x5e, 0x02, 0x04}};
const IID IID_ID3DXEffectCompiler = {0x51f3e0c1, 0x7a20, 0x4b1e, {0x8d, 0x21, 0x3c, 0x90, 0x11, 0x5e, 0x02, 0x05}};

namespace D3DXEffects {

namespace {

// Compiled effect: "UFXC", format version, the file names, the line map and the preprocessed
// text. Little-endian 32-bit counts; a reader rejects anything that does not add up.
constexpr char kMagic[4] = {'U', 'F', 'X', 'C'};
constexpr uint32_t kFormatVersion = 1;

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> writeCompiled(const PreprocessedSource& source)
{
    std::vector<uint8_t> out(kMagic, kMagic + 4);
    put32(out, kFormatVersion);
    put32(out, static_cast<uint32_t>(source.files.size()));
    for (const std::string& f : source.files) {
        put32(out, static_cast<uint32_t>(f.size()));
        out.insert(out.end(), f.begin(), f.end());
    }
    put32(out, static_cast<uint32_t>(source.lines.size()));
    for (const SourceLine& l : source.lines) {
        put32(out, static_cast<uint32_t>(l.file));
        put32(out, static_cast<uint32_t>(l.line));
    }
    put32(out, static_cast<uint32_t>(source.text.size()));
    out.insert(out.end(), source.text.begin(), source.text.end());
    return out;
}

bool isCompiled(const void* data, size_t size)
{
    return data && size >= 4 && std::memcmp(data, kMagic, 4) == 0;
}

bool readCompiled(const uint8_t* data, size_t size, PreprocessedSource& out, Messages& messages)
{
    size_t pos = 4;
    bool ok = true;
    auto get32 = [&]() -> uint32_t {
        if (size - pos < 4 || pos > size) {
            ok = false;
            return 0;
        }
        uint32_t v =
            data[pos] | (data[pos + 1] << 8) | (data[pos + 2] << 16) | (static_cast<uint32_t>(data[pos + 3]) << 24);
        pos += 4;
        return v;
    };
    auto getString = [&](std::string& s) {
        uint32_t n = get32();
        if (!ok || n > size - pos) {
            ok = false;
            return;
        }
        s.assign(reinterpret_cast<const char*>(data) + pos, n);
        pos += n;
    };
    out = PreprocessedSource();
    uint32_t version = get32();
    if (ok && version != kFormatVersion) {
        messages.error("memory(1,1)", 1000,
                       "compiled effect of format version " + std::to_string(version) + " (expected " +
                           std::to_string(kFormatVersion) + ")");
        return false;
    }
    uint32_t files = get32();
    for (uint32_t i = 0; ok && i < files; ++i) {
        if (size - pos < 4) {
            ok = false;
            break;
        }
        out.files.emplace_back();
        getString(out.files.back());
    }
    uint32_t lines = get32();
    if (ok && lines > (size - pos) / 8)
        ok = false;
    for (uint32_t i = 0; ok && i < lines; ++i) {
        SourceLine l;
        l.file = static_cast<int>(get32());
        l.line = static_cast<int>(get32());
        if (l.file < 0 || static_cast<size_t>(l.file) >= out.files.size())
            ok = false;
        out.lines.push_back(l);
    }
    getString(out.text);
    if (!ok || out.files.empty()) {
        messages.error("memory(1,1)", 1000, "compiled effect is truncated or corrupt");
        return false;
    }
    return true;
}

// glslang's "ERROR: effect:12: message" as "file(line,1): error X3000: message".
void convertLog(const std::string& log, const PreprocessedSource& source, Messages& messages)
{
    size_t pos = 0;
    bool any = false;
    while (pos < log.size()) {
        size_t end = log.find('\n', pos);
        std::string line = log.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? log.size() : end + 1;
        bool error = line.rfind("ERROR: ", 0) == 0;
        bool warning = line.rfind("WARNING: ", 0) == 0;
        if (!error && !warning)
            continue;
        std::string rest = line.substr(error ? 7 : 9);
        size_t colon = rest.find(':');
        size_t colon2 = colon == std::string::npos ? std::string::npos : rest.find(':', colon + 1);
        if (colon == std::string::npos || colon2 == std::string::npos ||
            rest.find_first_not_of("0123456789", colon + 1) != colon2) {
            if (error && rest.find("compilation errors") == std::string::npos) {
                messages.error("memory(1,1)", 3000, rest);
                any = true;
            }
            continue;
        }
        size_t number = std::strtoul(rest.c_str() + colon + 1, nullptr, 10);
        std::string text = rest.substr(colon2 + 1);
        while (!text.empty() && text[0] == ' ')
            text.erase(0, 1);
        std::string where = source.where(number > 0 ? number - 1 : 0, 1);
        if (error) {
            messages.error(where, 3000, text);
            any = true;
        } else {
            messages.warning(where, 3000, text);
        }
    }
    if (!any)
        messages.error(source.where(0, 1), 3000, log.empty() ? "shader compilation failed" : log);
}

bool load(const void* data, size_t size, const D3DXMACRO* defines, ID3DXInclude* include, PreprocessedSource& source,
          EffectDescription& description, Messages& messages)
{
    if (!data || size == 0) {
        messages.error("memory(1,1)", 1000, "empty effect");
        return false;
    }
    if (isCompiled(data, size)) {
        if (!readCompiled(static_cast<const uint8_t*>(data), size, source, messages))
            return false;
    } else if (!preprocess(static_cast<const char*>(data), size, "memory", defines, include, source, messages)) {
        return false;
    }
    return parseEffect(source, description, messages);
}

struct TranslatedStages {
    std::mutex mutex;
    std::unordered_map<std::string, std::shared_ptr<const TranslatedStage>> stages;
};

TranslatedStages& translatedStages()
{
    static TranslatedStages stages;
    return stages;
}

void giveMessages(const Messages& messages, ID3DXBuffer** out)
{
    if (out)
        *out = textBuffer(messages.text());
}

} // namespace

std::shared_ptr<const TranslatedStage> translateCached(const EffectDescription& description, size_t entry,
                                                       const PreprocessedSource& source, Messages& messages)
{
    // Effects are compiled twice in the usual path (CompileEffect, then D3DXCreateEffect on its
    // output), and reloaded with the same text: each translation is looked up once per process,
    // on disk first, and made only when no earlier run left it there.
    const ShaderEntry& e = description.shaders[entry];
    std::string key = translationKey(description.shaderSource, e);
    TranslatedStages& cache = translatedStages();
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        auto it = cache.stages.find(key);
        if (it != cache.stages.end())
            return it->second;
    }
    std::shared_ptr<const TranslatedStage> stage = loadTranslation(key);
    if (!stage) {
        std::string log;
        stage = translateStage(description.shaderSource, e, log);
        if (!stage) {
            convertLog(log, source, messages);
            return nullptr;
        }
        storeTranslation(key, *stage);
    }
    std::lock_guard<std::mutex> lock(cache.mutex);
    cache.stages.emplace(std::move(key), stage);
    return stage;
}

ID3DXBuffer* textBuffer(const std::string& text)
{
    if (text.empty())
        return nullptr;
    Buffer* b = new Buffer(text.size() + 1);
    std::memcpy(b->GetBufferPointer(), text.c_str(), text.size() + 1);
    return b;
}

std::shared_ptr<ValueBlock> EffectPool::share(const Parameter& p)
{
    auto it = m_shared.find(p.name);
    if (it != m_shared.end() && it->second->words.size() == p.block->words.size() &&
        it->second->textures.size() == p.block->textures.size() &&
        it->second->strings.size() == p.block->strings.size())
        return it->second;
    if (it == m_shared.end())
        m_shared.emplace(p.name, p.block);
    return p.block; // a same-named parameter of another type keeps its own value
}

EffectCompiler::EffectCompiler(EffectDescription description, PreprocessedSource source)
{
    m_core.init(std::move(description), std::move(source));
}

HRESULT EffectCompiler::CompileEffect(DWORD, LPD3DXBUFFER* ppEffect, LPD3DXBUFFER* ppErrorMsgs)
{
    if (ppEffect)
        *ppEffect = nullptr;
    if (ppErrorMsgs)
        *ppErrorMsgs = nullptr;
    if (!ppEffect)
        return D3DERR_INVALIDCALL;
    // Every entry point is translated now, so shader errors surface here as with D3DX.
    Messages messages;
    const EffectDescription& d = m_core.description();
    for (size_t i = 0; i < d.shaders.size(); ++i)
        translateCached(d, i, m_core.source(), messages);
    if (messages.hasErrors()) {
        giveMessages(messages, ppErrorMsgs);
        return E_FAIL;
    }
    std::vector<uint8_t> bytes = writeCompiled(m_core.source());
    Buffer* b = new Buffer(bytes.size());
    std::memcpy(b->GetBufferPointer(), bytes.data(), bytes.size());
    *ppEffect = b;
    giveMessages(messages, ppErrorMsgs);
    return D3D_OK;
}

} // namespace D3DXEffects

using namespace D3DXEffects;

HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer)
{
    if (!ppBuffer)
        return D3DERR_INVALIDCALL;
    *ppBuffer = new Buffer(NumBytes);
    return D3D_OK;
}

HRESULT D3DXCreateEffectPool(LPD3DXEFFECTPOOL* ppPool)
{
    if (!ppPool)
        return D3DERR_INVALIDCALL;
    *ppPool = new EffectPool();
    return D3D_OK;
}

HRESULT D3DXCreateEffectCompiler(LPCSTR pSrcData, UINT SrcDataLen, const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude,
                                 DWORD, LPD3DXEFFECTCOMPILER* ppCompiler, LPD3DXBUFFER* ppParseErrors)
{
    if (ppParseErrors)
        *ppParseErrors = nullptr;
    if (!ppCompiler || !pSrcData)
        return D3DERR_INVALIDCALL;
    *ppCompiler = nullptr;
    PreprocessedSource source;
    EffectDescription description;
    Messages messages;
    if (!load(pSrcData, SrcDataLen, pDefines, pInclude, source, description, messages)) {
        giveMessages(messages, ppParseErrors);
        return E_FAIL;
    }
    *ppCompiler = new EffectCompiler(std::move(description), std::move(source));
    giveMessages(messages, ppParseErrors);
    return D3D_OK;
}

HRESULT D3DXCreateEffect(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataLen, const D3DXMACRO* pDefines,
                         LPD3DXINCLUDE pInclude, DWORD, LPD3DXEFFECTPOOL pPool, LPD3DXEFFECT* ppEffect,
                         LPD3DXBUFFER* ppCompilationErrors)
{
    if (ppCompilationErrors)
        *ppCompilationErrors = nullptr;
    if (!pDevice || !pSrcData || !ppEffect)
        return D3DERR_INVALIDCALL;
    *ppEffect = nullptr;
    PreprocessedSource source;
    EffectDescription description;
    Messages messages;
    if (!load(pSrcData, SrcDataLen, pDefines, pInclude, source, description, messages)) {
        giveMessages(messages, ppCompilationErrors);
        return E_FAIL;
    }
    // Pools are always ours: the interface has no other implementation.
    Effect* effect = new Effect(pDevice, static_cast<EffectPool*>(pPool));
    if (!effect->create(std::move(description), std::move(source), messages)) {
        effect->Release();
        giveMessages(messages, ppCompilationErrors);
        return E_FAIL;
    }
    *ppEffect = effect;
    giveMessages(messages, ppCompilationErrors);
    return D3D_OK;
}

void PlatformForgetTranslatedEffects()
{
    TranslatedStages& cache = translatedStages();
    std::lock_guard<std::mutex> lock(cache.mutex);
    cache.stages.clear();
}
