#pragma once
// Combined (object-to-world) matrices of a D3DX frame hierarchy of an animated mesh.
#include <d3dx9anim.h>

namespace Ulvo {

// Every frame of our hierarchies is allocated as this type, so the walk may treat each
// D3DXFRAME it meets as one.
struct UlvoFrame : public D3DXFRAME {
    // TransformationMatrix concatenated with every ancestor's, then the world matrix.
    D3DXMATRIX m_combinedMatrix;
};

// For the frame and each following sibling: combined = TransformationMatrix * parentMatrix
// (a plain copy when parentMatrix is null), then the first child is walked with that
// combined matrix as parent. A null frame starts at root; null root and frame do nothing.
void updateFrameMatrices(D3DXFRAME* frame, const D3DXMATRIX* parentMatrix, D3DXFRAME* root);

} // namespace Ulvo
