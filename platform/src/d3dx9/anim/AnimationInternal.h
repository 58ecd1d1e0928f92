#pragma once
// What the hierarchy loader needs of the animation classes: a keyframed set from a read file.
#include <d3dx9anim.h>

#include <cstdint>

namespace XFile {
struct AnimationSet;
}

namespace D3DXAnimation {

// The set with its key times turned from ticks into seconds.
HRESULT createKeyframedSet(const XFile::AnimationSet& source, uint32_t ticksPerSecond, ID3DXAnimationSet** out);

} // namespace D3DXAnimation
