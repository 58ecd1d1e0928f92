#include "terrain/clipmap/ClipmapGeometry.h"

#include <cstddef>

namespace Ulvo {

namespace {

ClipmapVertex vertex(int x, int z)
{
    return ClipmapVertex{static_cast<int16_t>(x), static_cast<int16_t>(z)};
}

void triangle(std::vector<uint16_t>& indices, unsigned a, unsigned b, unsigned c)
{
    indices.push_back(static_cast<uint16_t>(a));
    indices.push_back(static_cast<uint16_t>(b));
    indices.push_back(static_cast<uint16_t>(c));
}

} // namespace

ClipmapGeometry::ClipmapGeometry(unsigned n) : m_n(n), m_m((n + 1) / 4) {}

ClipmapMesh ClipmapGeometry::block() const
{
    const unsigned m = m_m;
    ClipmapMesh mesh;
    mesh.vertices.reserve(static_cast<std::size_t>(m) * m);
    for (unsigned i = 0; i < m; ++i) {
        for (unsigned j = 0; j < m; ++j)
            mesh.vertices.push_back(vertex(static_cast<int>(i), static_cast<int>(j)));
    }
    if (m < 2)
        return mesh;
    mesh.indices.reserve(static_cast<std::size_t>(m - 1) * (m - 1) * 6);
    for (unsigned i = 0; i + 1 < m; ++i) {
        for (unsigned j = 0; j + 1 < m; ++j) {
            triangle(mesh.indices, m * i + j, m * i + j + 1, m * (i + 1) + j + 1);
            triangle(mesh.indices, m * (i + 1) + j, m * i + j, m * (i + 1) + j + 1);
        }
    }
    return mesh;
}

ClipmapMesh ClipmapGeometry::fixUp() const
{
    const int m = static_cast<int>(m_m);
    const int n = static_cast<int>(m_n);
    ClipmapMesh mesh;
    mesh.vertices.reserve(static_cast<std::size_t>(12 * m));
    // Strips 0 and 2 run along x at the middle rows, 1 and 3 along z at the middle columns.
    for (int q = 0; q < m; ++q)
        for (int c = 0; c < 3; ++c)
            mesh.vertices.push_back(vertex(q, 2 * m - 2 + c));
    for (int q = 0; q < m; ++q)
        for (int c = 0; c < 3; ++c)
            mesh.vertices.push_back(vertex(2 * m - c, q));
    for (int q = 0; q < m; ++q)
        for (int c = 0; c < 3; ++c)
            mesh.vertices.push_back(vertex(n - m + q, 2 * m - 2 + c));
    for (int q = 0; q < m; ++q)
        for (int c = 0; c < 3; ++c)
            mesh.vertices.push_back(vertex(2 * m - c, n - m + q));
    for (unsigned k = 0; k < 4; ++k) {
        for (unsigned c = 0; c < 2; ++c) {
            for (unsigned q = 0; q + 1 < m_m; ++q) {
                const unsigned v = 3 * m_m * k + 3 * q + c;
                if (k % 2 == 0) {
                    triangle(mesh.indices, v, v + 1, v + 4);
                    triangle(mesh.indices, v + 3, v, v + 4);
                } else {
                    triangle(mesh.indices, v + 3, v + 1, v + 4);
                    triangle(mesh.indices, v + 3, v, v + 1);
                }
            }
        }
    }
    return mesh;
}

std::vector<ClipmapVertex> ClipmapGeometry::trimVertices(int trim) const
{
    const int m = static_cast<int>(m_m);
    const int n = static_cast<int>(m_n);
    std::vector<ClipmapVertex> pairs;
    pairs.reserve(static_cast<std::size_t>(8 * m + 2));
    auto pair = [&pairs](int x0, int z0, int x1, int z1) {
        pairs.push_back(vertex(x0, z0));
        pairs.push_back(vertex(x1, z1));
    };
    // The long strip: along the low-x side (trims 0, 3) or the high-x side (trims 1, 2).
    if (trim == 0 || trim == 3) {
        for (int z = m - 1; z <= n - m; ++z)
            pair(m, z, m - 1, z);
    } else {
        for (int z = n - m; z >= m - 1; --z)
            pair(n - m - 1, z, n - m, z);
    }
    // The short strip: along the high-z side (trims 0, 1) or the low-z side (trims 2, 3).
    switch (trim) {
    case 0:
        for (int x = m; x <= n - m; ++x)
            pair(x, n - m - 1, x, n - m);
        break;
    case 1:
        for (int x = n - m - 1; x >= m - 1; --x)
            pair(x, n - m, x, n - m - 1);
        break;
    case 2:
        for (int x = n - m - 1; x >= m - 1; --x)
            pair(x, m, x, m - 1);
        break;
    default:
        for (int x = n - m; x >= m; --x)
            pair(x, m, x, m - 1);
        break;
    }
    return pairs;
}

std::vector<uint16_t> ClipmapGeometry::trimIndices() const
{
    const unsigned m = m_m;
    std::vector<uint16_t> indices;
    indices.reserve(static_cast<std::size_t>(8 * m - 2) * 3);
    for (unsigned k = 1; k <= 4 * m - 1; k += 2) {
        triangle(indices, k - 1, k, k + 1);
        triangle(indices, k, k + 2, k + 1);
    }
    for (unsigned a = 4 * m + 2; a <= 8 * m - 2; a += 2) {
        triangle(indices, a, a + 1, a + 3);
        triangle(indices, a, a + 3, a + 2);
    }
    return indices;
}

ClipmapMesh ClipmapGeometry::outerRing() const
{
    const int n = static_cast<int>(m_n);
    ClipmapMesh mesh;
    mesh.vertices.reserve(static_cast<std::size_t>(4 * n - 4));
    for (int z = 0; z <= n - 1; ++z)
        mesh.vertices.push_back(vertex(0, z));
    for (int x = 1; x <= n - 2; ++x)
        mesh.vertices.push_back(vertex(x, n - 1));
    for (int z = n - 1; z >= 0; --z)
        mesh.vertices.push_back(vertex(n - 1, z));
    for (int x = n - 2; x >= 1; --x)
        mesh.vertices.push_back(vertex(x, 0));
    for (unsigned k = 0; k + 8 < 4 * m_n; k += 2)
        triangle(mesh.indices, k, k + 2, k + 1);
    return mesh;
}

std::array<std::array<int, 2>, 12> ClipmapGeometry::ringBlockOrigins() const
{
    const int m = static_cast<int>(m_m);
    return {{{0, 0},
             {m - 1, 0},
             {2 * m, 0},
             {3 * m - 1, 0},
             {3 * m - 1, m - 1},
             {3 * m - 1, 2 * m},
             {3 * m - 1, 3 * m - 1},
             {2 * m, 3 * m - 1},
             {m - 1, 3 * m - 1},
             {0, 3 * m - 1},
             {0, 2 * m},
             {0, m - 1}}};
}

std::array<std::array<int, 2>, 4> ClipmapGeometry::centreBlockOrigins() const
{
    const int m = static_cast<int>(m_m);
    return {{{m, m}, {2 * m - 1, m}, {m, 2 * m - 1}, {2 * m - 1, 2 * m - 1}}};
}

} // namespace Ulvo
