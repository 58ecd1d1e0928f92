#pragma once
// Draws every pass of an effect's current technique: Begin, each pass between BeginPass and
// EndPass, End. False (nothing drawn) when the effect cannot begin.
#include <d3dx9effect.h>

namespace Ulvo {

template <class Draw> bool runEffectPasses(ID3DXEffect* effect, Draw&& draw)
{
    UINT passes = 0;
    if (FAILED(effect->Begin(&passes, 0)))
        return false;
    for (UINT i = 0; i < passes; ++i) {
        effect->BeginPass(i);
        draw();
        effect->EndPass();
    }
    effect->End();
    return true;
}

} // namespace Ulvo
