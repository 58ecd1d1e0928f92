// Bool and int globals of an effect's GLSL as constants.
#include "d3dx9/effects/ShaderSpecialisation.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace D3DXEffects {

namespace {

bool isIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The instance name the translated GLSL gives the globals block ("_35" in `} _35;`), empty when the
// text declares no block.
std::string blockInstance(const std::string& source)
{
    size_t at = source.find("uniform ulvo_Globals");
    if (at == std::string::npos)
        return {};
    size_t close = source.find('}', at);
    if (close == std::string::npos)
        return {};
    size_t begin = close + 1;
    while (begin < source.size() && (source[begin] == ' ' || source[begin] == '\t'))
        ++begin;
    size_t end = begin;
    while (end < source.size() && isIdentifierChar(source[end]))
        ++end;
    return end < source.size() && source[end] == ';' ? source.substr(begin, end - begin) : std::string();
}

// Calls `found(at, length)` for every read of `instance.name` as a whole token.
template <typename Found> void forEachRead(const std::string& source, const std::string& access, Found found)
{
    size_t at = 0;
    while ((at = source.find(access, at)) != std::string::npos) {
        const size_t end = at + access.size();
        const bool whole =
            (at == 0 || !isIdentifierChar(source[at - 1])) && (end >= source.size() || !isIdentifierChar(source[end]));
        if (whole)
            found(at, access.size());
        at = end;
    }
}

std::atomic<int> s_enabled{-1};

} // namespace

std::vector<SpecialisedGlobal> specialisableGlobals(const std::vector<UniformLayout>& globals,
                                                    const std::vector<const std::string*>& texts)
{
    std::vector<SpecialisedGlobal> out;
    for (const UniformLayout& l : globals) {
        if (l.baseType > 2 || l.arraySize || l.vectorSize != 1 || l.columns != 1)
            continue;
        bool read = false;
        for (const std::string* text : texts) {
            if (!text || read)
                continue;
            const std::string instance = blockInstance(*text);
            if (!instance.empty())
                forEachRead(*text, instance + "." + l.name, [&](size_t, size_t) { read = true; });
        }
        using Kind = SpecialisedGlobal::Kind;
        if (read)
            out.push_back({l.name, l.offset,
                           l.baseType == 0   ? Kind::Float
                           : l.baseType == 1 ? Kind::Signed
                                             : Kind::Unsigned});
    }
    return out;
}

std::string specialiseGlsl(const std::string& source, const std::vector<SpecialisedGlobal>& globals,
                           const std::vector<uint32_t>& values)
{
    const std::string instance = blockInstance(source);
    if (instance.empty())
        return source;
    std::string out = source;
    for (size_t g = 0; g < globals.size() && g < values.size(); ++g) {
        std::string value;
        switch (globals[g].kind) {
        case SpecialisedGlobal::Kind::Unsigned:
            value = std::to_string(values[g]) + "u";
            break;
        case SpecialisedGlobal::Kind::Signed:
            value = "(" + std::to_string(static_cast<int32_t>(values[g])) + ")";
            break;
        case SpecialisedGlobal::Kind::Float:
            if (values[g] > 1)
                continue;
            value = values[g] ? "1.0" : "0.0";
            break;
        }
        std::string replaced;
        size_t copied = 0;
        forEachRead(out, instance + "." + globals[g].name, [&](size_t at, size_t length) {
            replaced.append(out, copied, at - copied);
            replaced += value;
            copied = at + length;
        });
        if (copied) {
            replaced.append(out, copied, std::string::npos);
            out = std::move(replaced);
        }
    }
    return out;
}

uint32_t variantValue(const SpecialisedGlobal& global, uint32_t bits)
{
    constexpr uint32_t kOne = 0x3F800000u;
    if (global.kind != SpecialisedGlobal::Kind::Float)
        return bits;
    return bits == 0 ? 0u : bits == kOne ? 1u : 2u;
}

bool specialisationEnabled()
{
    int enabled = s_enabled.load(std::memory_order_relaxed);
    if (enabled < 0) {
        const char* off = std::getenv("ULVO_NO_SPECIALISE");
        enabled = off && std::strcmp(off, "1") == 0 ? 0 : 1;
        s_enabled.store(enabled, std::memory_order_relaxed);
    }
    return enabled != 0;
}

void setSpecialisationEnabled(bool on)
{
    s_enabled.store(on ? 1 : 0, std::memory_order_relaxed);
}

} // namespace D3DXEffects
