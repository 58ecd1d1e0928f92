#pragma once
// The small shared meshes every clipmap level is drawn from, built on the CPU: grid vertices
// (x, z) in level cells and 16-bit triangle-list indices. A level of n = 4m - 1 vertices per
// side is twelve m x m blocks round an open middle, four fix-up strips in the gaps between the
// blocks, one L-shaped interior trim where the next finer level leaves a one-cell strip, and a
// ring of zero-area triangles along the edge that closes cracks against the coarser level.
// The level set copies these into device buffers; tests read them by value.
#include <array>
#include <cstdint>
#include <vector>

namespace Ulvo {

struct ClipmapVertex {
    int16_t x;
    int16_t z;
};

struct ClipmapMesh {
    std::vector<ClipmapVertex> vertices;
    std::vector<uint16_t> indices;
    unsigned triangleCount() const { return static_cast<unsigned>(indices.size() / 3); }
};

class ClipmapGeometry {
public:
    // n: vertices per side of a level grid (2^k - 1, at least 7).
    explicit ClipmapGeometry(unsigned n);

    unsigned getGridSize() const { return m_n; }
    // m = (n + 1) / 4: vertices per side of a block.
    unsigned getBlockSize() const { return m_m; }

    // m x m vertices, 2 (m - 1)^2 triangles.
    ClipmapMesh block() const;
    // Four strips of m x 3 vertices closing the gaps in the middle of each side.
    ClipmapMesh fixUp() const;
    // Trims 0..3: 8m + 2 vertices each; they share the indices of trimIndices.
    std::vector<ClipmapVertex> trimVertices(int trim) const;
    std::vector<uint16_t> trimIndices() const;
    // 4n - 4 vertices along the grid's edge, 2n - 4 triangles of zero area.
    ClipmapMesh outerRing() const;

    // Corners of the twelve ring blocks and of the four centre blocks, in level cells.
    std::array<std::array<int, 2>, 12> ringBlockOrigins() const;
    std::array<std::array<int, 2>, 4> centreBlockOrigins() const;

private:
    unsigned m_n;
    unsigned m_m;
};

} // namespace Ulvo
