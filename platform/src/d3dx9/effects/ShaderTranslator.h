#pragma once
// HLSL entry points of an effect to GLSL 3.30 for the device: glslang's HLSL front end
// (DX9-compatible) to SPIR-V, SPIRV-Cross to GLSL, then the layer's conventions: inputs
// a_<SEMANTIC>, varyings v_<SEMANTIC> (vec4), pixel outputs o_COLORn, POSITION through the
// position fix-up, colour 0 through the pixel fix-up. All globals live in one uniform block
// "ulvo_Globals" whose layout is reflected so effect parameters can be written into it.
#include "d3dx9/effects/EffectModel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace D3DXEffects {

// One member of the globals block (or of a struct inside it).
struct UniformLayout {
    std::string name;
    uint32_t offset = 0;
    uint32_t arraySize = 0; // 0: not an array
    uint32_t arrayStride = 0;
    uint32_t matrixStride = 0;
    bool rowMajor = false; // SPIR-V RowMajor: HLSL's column-major matrices
    uint32_t vectorSize = 1;
    uint32_t columns = 1; // > 1: a matrix of `columns` vectors of `vectorSize`
    int baseType = 0;     // 0 float, 1 int, 2 uint/bool, 3 struct
    std::vector<UniformLayout> members;
};

struct StageVariable {
    std::string semantic; // POSITION0, TEXCOORD1, COLOR0, VPOS0 ...
    std::string type;     // its GLSL type in the entry point
};

struct TranslatedStage {
    bool vertex = true;
    std::string extensions; // #extension lines
    std::string body;       // declarations and functions; `main` renamed ulvo_main
    std::vector<StageVariable> inputs;
    std::vector<StageVariable> outputs;
    std::vector<std::string> samplers; // GLSL sampler uniforms (the HLSL names)
    std::vector<UniformLayout> globals;
    uint32_t globalsSize = 0;
};

// Translates one entry of the effect's shader text, in a process of its own, so a shader that
// takes the HLSL compiler down fails like any other. On failure `log` holds glslang's or
// SPIRV-Cross's messages ("ERROR: effect:<line>: ..." for glslang; lines count from 1), or says
// that the compiler failed.
std::shared_ptr<const TranslatedStage> translateStage(const std::string& source, const ShaderEntry& entry,
                                                      std::string& log);

// A translated stage as bytes and back (the form a translating process hands over); unpacking
// refuses bytes that do not add up.
std::string packStage(const TranslatedStage& stage);
std::shared_ptr<const TranslatedStage> unpackStage(const std::string& bytes);
// Names this translator and the compilers it runs on: stages made by another version differ.
const std::string& translatorVersion();

// Complete GLSL of a vertex stage. `extraOutputs`: varyings the partner pixel stage reads that
// this stage does not write (they are written as (0, 0, 0, 1)).
std::string vertexGlsl(const TranslatedStage& stage, const std::vector<std::string>& extraOutputs);
std::string pixelGlsl(const TranslatedStage& stage);
// v_<SEMANTIC> of the stage's varyings (outputs of a vertex stage, inputs of a pixel stage).
std::vector<std::string> varyingNames(const TranslatedStage& stage);

} // namespace D3DXEffects
