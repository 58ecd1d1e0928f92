#include "foundation/helpers/FrameHierarchy.h"

#include <gtest/gtest.h>

using Ulvo::UlvoFrame;

namespace {

UlvoFrame makeFrame(const D3DXMATRIX& transform)
{
    UlvoFrame f{};
    f.TransformationMatrix = transform;
    return f;
}

void expectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a.m[i][j], b.m[i][j], 1e-5f);
}

} // namespace

TEST(FrameHierarchyTest, ChildCombinesWithParentThenWorld)
{
    D3DXMATRIX rootT, childT, siblingT, world;
    D3DXMatrixRotationY(&rootT, 0.5f);
    D3DXMatrixTranslation(&childT, 1, 2, 3);
    D3DXMatrixScaling(&siblingT, 2, 2, 2);
    D3DXMatrixTranslation(&world, 10, 0, 0);

    UlvoFrame root = makeFrame(rootT);
    UlvoFrame child = makeFrame(childT);
    UlvoFrame sibling = makeFrame(siblingT);
    root.pFrameFirstChild = &child;
    child.pFrameSibling = &sibling;

    // A null frame starts at the root.
    Ulvo::updateFrameMatrices(nullptr, &world, &root);
    expectMatrixNear(root.m_combinedMatrix, rootT * world);
    expectMatrixNear(child.m_combinedMatrix, childT * rootT * world);
    expectMatrixNear(sibling.m_combinedMatrix, siblingT * rootT * world);

    // Without a parent matrix the top frame's combined matrix is its own.
    Ulvo::updateFrameMatrices(&root, nullptr, nullptr);
    EXPECT_EQ(root.m_combinedMatrix, rootT);
    expectMatrixNear(child.m_combinedMatrix, childT * rootT);

    Ulvo::updateFrameMatrices(nullptr, &world, nullptr); // nothing to walk
}
