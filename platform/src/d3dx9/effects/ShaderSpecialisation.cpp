// Bool and int globals of an effect's GLSL as constants.
#include "d3dx9/effects/ShaderSpecialisation.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
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

// A float's exact value as GLSL: its bits, which the compiler folds into a constant.
std::string floatBits(uint32_t bits)
{
    char text[40];
    std::snprintf(text, sizeof text, "uintBitsToFloat(0x%08Xu)", bits);
    return text;
}

std::atomic<int> s_enabled{-1};

} // namespace

std::vector<SpecialisedGlobal> specialisableGlobals(const std::vector<UniformLayout>& globals,
                                                    const std::vector<const std::string*>& texts,
                                                    const std::vector<std::string>& fixed)
{
    std::vector<SpecialisedGlobal> out;
    for (const UniformLayout& l : globals) {
        const bool anyValue = l.baseType == 0 && std::find(fixed.begin(), fixed.end(), l.name) != fixed.end();
        if (l.baseType > 2 || l.arraySize || l.columns != 1 || l.vectorSize > (anyValue ? 4u : 1u))
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
                                             : Kind::Unsigned,
                           static_cast<uint8_t>(l.vectorSize), anyValue});
    }
    return out;
}

size_t variantValueCount(const std::vector<SpecialisedGlobal>& globals)
{
    size_t count = 0;
    for (const SpecialisedGlobal& g : globals)
        count += g.components;
    return count;
}

std::string specialiseGlsl(const std::string& source, const std::vector<SpecialisedGlobal>& globals,
                           const std::vector<uint32_t>& values)
{
    const std::string instance = blockInstance(source);
    if (instance.empty())
        return source;
    std::string out = source;
    size_t next = 0;
    for (size_t g = 0; g < globals.size() && next + globals[g].components <= values.size(); ++g) {
        const uint32_t* v = values.data() + next;
        next += globals[g].components;
        std::string value;
        if (globals[g].anyValue) {
            for (uint8_t c = 0; c < globals[g].components; ++c)
                value += (c ? ", " : "") + floatBits(v[c]);
            if (globals[g].components > 1)
                value = "vec" + std::to_string(globals[g].components) + "(" + value + ")";
        } else {
            switch (globals[g].kind) {
            case SpecialisedGlobal::Kind::Unsigned:
                value = std::to_string(v[0]) + "u";
                break;
            case SpecialisedGlobal::Kind::Signed:
                value = "(" + std::to_string(static_cast<int32_t>(v[0])) + ")";
                break;
            case SpecialisedGlobal::Kind::Float:
                if (v[0] > 1)
                    continue;
                value = v[0] ? "1.0" : "0.0";
                break;
            }
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
    if (global.kind != SpecialisedGlobal::Kind::Float || global.anyValue)
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
