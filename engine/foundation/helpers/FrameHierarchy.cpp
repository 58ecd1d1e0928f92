#include "foundation/helpers/FrameHierarchy.h"

namespace Ulvo {

void updateFrameMatrices(D3DXFRAME* frame, const D3DXMATRIX* parentMatrix, D3DXFRAME* root)
{
    if (!frame)
        frame = root;
    // Siblings iteratively, children by recursion: the depth is the hierarchy's depth only.
    for (; frame; frame = frame->pFrameSibling) {
        UlvoFrame* ulvoFrame = static_cast<UlvoFrame*>(frame);
        if (parentMatrix)
            D3DXMatrixMultiply(&ulvoFrame->m_combinedMatrix, &frame->TransformationMatrix, parentMatrix);
        else
            ulvoFrame->m_combinedMatrix = frame->TransformationMatrix;
        if (frame->pFrameFirstChild)
            updateFrameMatrices(frame->pFrameFirstChild, &ulvoFrame->m_combinedMatrix, nullptr);
    }
}

} // namespace Ulvo
