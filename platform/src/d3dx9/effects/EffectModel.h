#pragma once
// What an effect file declares: parameters (with annotations, initial values and sampler
// states), techniques and passes with their state assignments, and the shader entry points the
// passes compile. Built by the effect parser; the runtime keeps the values.
#include <d3d9.h>
#include <d3dx9effect.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace D3DXEffects {

// The values of one top-level parameter (or of a pool's shared parameter): numbers as 32-bit
// words (float bits, int or 0/1), matrices row by row; textures and strings by element.
struct ValueBlock {
    std::vector<uint32_t> words;
    std::vector<IDirect3DBaseTexture9*> textures; // one reference each
    std::vector<std::string> strings;
    uint64_t version = 1;

    ValueBlock() = default;
    ValueBlock(const ValueBlock&) = delete;
    ValueBlock& operator=(const ValueBlock&) = delete;
    ~ValueBlock();
};

enum class StateKind { Render, Sampler, TextureStage, Texture, VertexShader, PixelShader, SamplerBinding };

struct Parameter;

struct StateAssignment {
    StateKind kind = StateKind::Render;
    DWORD state = 0; // D3DRENDERSTATETYPE, D3DSAMPLERSTATETYPE or D3DTEXTURESTAGESTATETYPE
    DWORD index = 0; // sampler or stage number of indexed assignments
    bool isFloat = false;
    int words = 0;                  // the value words of the state (EffectStates)
    std::vector<std::string> value; // expression tokens; `<name>` and `(name)` are reduced to name
    int shader = -1;                // VertexShader/PixelShader: index into EffectDescription::shaders; -1 NULL
    size_t line = 0;                // output line of the assignment, for messages

    // Resolved when an effect is created, so passes apply without looking names up.
    Parameter* parameter = nullptr; // the value names this parameter alone
    bool constant = false;          // the value is constantValue
    DWORD constantValue = 0;
};

struct Parameter {
    std::string name;
    std::string semantic;
    D3DXPARAMETER_CLASS cls = D3DXPC_SCALAR;
    D3DXPARAMETER_TYPE type = D3DXPT_FLOAT;
    UINT rows = 1, columns = 1, elements = 0;
    DWORD flags = 0;
    std::vector<std::unique_ptr<Parameter>> members; // struct members, or the elements of an array
    std::vector<std::unique_ptr<Parameter>> annotations;
    std::vector<StateAssignment> samplerStates; // sampler_state { ... }
    int samplerRegister = -1;                   // register(sN)
    Parameter* parent = nullptr;

    // Where the value lives: words [offset, offset + count) or objects [offset, offset + count).
    std::shared_ptr<ValueBlock> block;
    size_t offset = 0;
    size_t count = 0;

    D3DXPARAMETER_DESC desc{};

    bool isNumeric() const { return type == D3DXPT_BOOL || type == D3DXPT_INT || type == D3DXPT_FLOAT; }
    bool isTexture() const { return type >= D3DXPT_TEXTURE && type <= D3DXPT_TEXTURECUBE; }
    bool isSampler() const { return type >= D3DXPT_SAMPLER && type <= D3DXPT_SAMPLERCUBE; }
};

struct Pass {
    std::string name;
    std::vector<std::unique_ptr<Parameter>> annotations;
    std::vector<StateAssignment> states;
    int vertexShader = -1; // index into EffectDescription::shaders; -1: fixed function
    int pixelShader = -1;
    D3DXPASS_DESC desc{};
};

struct Technique {
    std::string name;
    std::vector<std::unique_ptr<Parameter>> annotations;
    std::vector<std::unique_ptr<Pass>> passes;
    D3DXTECHNIQUE_DESC desc{};
};

// One `compile <profile> <entry>(<args>)`.
struct ShaderEntry {
    bool vertex = true;
    std::string profile;
    std::string entry;             // the function named in the effect
    std::vector<std::string> args; // literal arguments, in order
    std::string glslangEntry;      // the function glslang compiles (a wrapper when args are given)
    size_t line = 0;
};

struct EffectDescription {
    std::vector<std::unique_ptr<Parameter>> parameters;
    std::vector<std::unique_ptr<Technique>> techniques;
    std::vector<ShaderEntry> shaders;
    // The effect text with effect-only syntax blanked out (lines kept) and the wrappers for
    // entry points with literal arguments appended: what glslang compiles.
    std::string shaderSource;
};

// Places a parameter tree's values in `block` from `offset`; returns the words/objects used.
size_t assignStorage(Parameter& parameter, const std::shared_ptr<ValueBlock>& block, size_t offset);

// Fills the desc fields (names point into the objects) of a parameter tree.
void finishDescription(Parameter& parameter);

} // namespace D3DXEffects
