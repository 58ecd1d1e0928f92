#pragma once
// Reads preprocessed effect text into an EffectDescription: parameters with their types,
// semantics, annotations, initial values and sampler states, techniques and passes, and the
// shader text glslang compiles (effect-only syntax blanked out, lines kept).
#include "d3dx9/effects/EffectModel.h"
#include "d3dx9/effects/EffectPreprocessor.h"

namespace D3DXEffects {

// False with messages (the effect's own file names and lines) on a syntax error.
bool parseEffect(const PreprocessedSource& source, EffectDescription& out, Messages& messages);

} // namespace D3DXEffects
