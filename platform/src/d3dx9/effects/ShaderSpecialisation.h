#pragma once
// Stages of an effect pass made again with the values of its bool and int globals (its floats
// that are 0 or 1, and float scalars and vectors the effect marks as seldom changing) written into
// the GLSL as constants. The software rasteriser runs both sides of every `if` on all pixels, so a
// texture fetch behind a switched-off bool still costs; with the value a constant, the GLSL
// compiler drops the dead side and its fetches (and unrolls loops an int counts).
#include "d3dx9/effects/ShaderTranslator.h"

#include <cstdint>
#include <string>
#include <vector>

namespace D3DXEffects {

// A scalar bool, int or float of the globals block that a stage's GLSL reads. Floats become
// constants only while they are 0 or 1 (the amounts and factors that switch a term off, whose
// fetches then go too); other values stay uniforms, so an animated float makes no new variants.
// A float scalar or vector the effect names as fixed (annotation `bool Specialise = true`, such as
// a texel size that changes only with the target) becomes a constant at every value: the
// rasteriser reads a block member per pixel, and offsets of constants fold into the coordinates.
struct SpecialisedGlobal {
    enum class Kind : uint8_t { Unsigned, Signed, Float };
    std::string name;
    uint32_t offset = 0; // in the block, where the value lies in the effect's constant bytes
    Kind kind = Kind::Unsigned;
    uint8_t components = 1; // of a fixed float vector; one variant value each
    bool anyValue = false;  // a fixed float: its exact bits
};

// The scalar bool, int and float members of `globals` that any of `texts` reads through the block,
// and the float scalars and vectors among `fixed` (names) that they read.
std::vector<SpecialisedGlobal> specialisableGlobals(const std::vector<UniformLayout>& globals,
                                                    const std::vector<const std::string*>& texts,
                                                    const std::vector<std::string>& fixed = {});

// How many variant values `globals` take (a fixed vector one per component).
size_t variantValueCount(const std::vector<SpecialisedGlobal>& globals);

// What of a global's stored bits (of one component) a variant depends on: all of a bool's, int's
// or fixed float's, and of another float only whether it is +0.0 (0), 1.0 (1) or another value (2).
uint32_t variantValue(const SpecialisedGlobal& global, uint32_t bits);

// `source` with each read of a global of `globals` replaced by its variant values in `values` (in
// order, `variantValueCount` of them; a float other than 0 and 1 that is not fixed stays a read). The
// block keeps its members, so its layout and what the effect writes into it stay the same.
std::string specialiseGlsl(const std::string& source, const std::vector<SpecialisedGlobal>& globals,
                           const std::vector<uint32_t>& values);

// Whether passes use such stages: on unless ULVO_NO_SPECIALISE=1; tests switch it.
bool specialisationEnabled();
void setSpecialisationEnabled(bool on);

} // namespace D3DXEffects
