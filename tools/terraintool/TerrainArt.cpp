#include "TerrainArt.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace TerrainArt {

const char* const kLayers[4] = {"gras", "fels", "schnee", "erde"};

namespace {

// A fixed hash of a lattice point: the pictures are the same on every build.
double lattice(int x, int y, int period, uint32_t seed)
{
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / double(0xFFFFFF);
}

// Smooth value noise over [0, 1)² that repeats with the picture: `cells` lattice cells across.
double noise(double u, double v, int cells, uint32_t seed)
{
    const double x = u * cells, y = v * cells;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    double fx = x - x0, fy = y - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const double a = lattice(x0, y0, cells, seed), b = lattice(x0 + 1, y0, cells, seed);
    const double c = lattice(x0, y0 + 1, cells, seed), d = lattice(x0 + 1, y0 + 1, cells, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

// Octaves of noise, 0..1.
double fractal(double u, double v, int cells, int octaves, uint32_t seed)
{
    double sum = 0.0, amplitude = 1.0, total = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * noise(u, v, cells << i, seed + i);
        total += amplitude;
        amplitude *= 0.5;
    }
    return sum / total;
}

struct Look {
    double base[3];
    double dark[3];
    int cells;
    int octaves;
    uint32_t seed;
    double contrast;
};

Look look(const std::string& layer)
{
    if (layer == "fels")
        return {{0.56, 0.54, 0.50}, {0.30, 0.29, 0.28}, 4, 5, 11, 1.6};
    if (layer == "schnee")
        return {{0.96, 0.97, 1.00}, {0.78, 0.82, 0.90}, 4, 4, 23, 0.8};
    if (layer == "erde")
        return {{0.55, 0.42, 0.28}, {0.36, 0.26, 0.16}, 8, 4, 37, 1.0};
    return {{0.40, 0.62, 0.22}, {0.20, 0.38, 0.10}, 8, 5, 5, 1.2};
}

// The layer's surface height at (u, v), 0..1.
double surface(const Look& l, double u, double v)
{
    const double f = fractal(u, v, l.cells, l.octaves, l.seed);
    return std::clamp(0.5 + (f - 0.5) * l.contrast, 0.0, 1.0);
}

uint8_t byte(double v)
{
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

Picture paint(int size, const std::function<void(double, double, double*)>& texel)
{
    Picture p;
    p.size = size;
    p.rgba.resize(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double c[3];
            texel((x + 0.5) / size, (y + 0.5) / size, c);
            uint8_t* out = &p.rgba[(static_cast<size_t>(y) * size + x) * 4];
            out[0] = byte(c[0]);
            out[1] = byte(c[1]);
            out[2] = byte(c[2]);
            out[3] = 255;
        }
    return p;
}

} // namespace

Picture paintLayer(const std::string& layer, int size)
{
    const Look l = look(layer);
    return paint(size, [&](double u, double v, double* c) {
        const double h = surface(l, u, v);
        // Fine speckles on top of the broad pattern.
        const double grain = noise(u, v, size / 2, l.seed + 100) * 0.15 - 0.075;
        for (int k = 0; k < 3; ++k)
            c[k] = l.dark[k] + (l.base[k] - l.dark[k]) * h + grain;
    });
}

Picture paintBump(const std::string& layer, int size)
{
    const Look l = look(layer);
    const double step = 1.0 / size;
    return paint(size, [&](double u, double v, double* c) {
        const double dx = surface(l, u + step, v) - surface(l, u - step, v);
        const double dy = surface(l, u, v + step) - surface(l, u, v - step);
        c[0] = 0.5 - dx * 2.0;
        c[1] = 0.5 - dy * 2.0;
        c[2] = 1.0;
    });
}

Picture paintColourMap(int size)
{
    return paint(size, [&](double u, double v, double* c) {
        const double warm = fractal(u, v, 3, 3, 71);
        const double light = 0.88 + 0.12 * fractal(u, v, 5, 2, 83);
        c[0] = light * (0.95 + 0.08 * warm);
        c[1] = light * (0.97 + 0.03 * warm);
        c[2] = light * (1.0 - 0.06 * warm);
    });
}

} // namespace TerrainArt
