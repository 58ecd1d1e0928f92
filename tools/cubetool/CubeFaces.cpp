// The generated skies. Every texel's colour is a function of its direction alone, so the faces
// meet without seams. Colours follow the game's palette: a warm parchment horizon under a clear
// blue, olive ground, blue-grey distant hills.
#include "CubeFaces.h"

#include <algorithm>
#include <cmath>

namespace CubeArt {

const char* const kFaceNames[kFaceCount] = {"posx", "negx", "posy", "negy", "posz", "negz"};

namespace {

struct Colour {
    double r, g, b, a;
};

const Colour kZenith{62, 108, 184, 255};
const Colour kHorizon{238, 228, 202, 255};
const Colour kHaze{176, 170, 150, 255};
const Colour kGround{104, 116, 74, 255};
const Colour kFarHills{128, 146, 160, 255};
const Colour kNearHills{92, 118, 84, 255};

Colour mix(const Colour& a, const Colour& b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// Deterministic value noise on a lattice, smoothly interpolated, so every build paints the same.
double lattice(int x, int y, int z)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(z) * 2147483647u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double smooth(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

double valueNoise(double x, double y, double z)
{
    const int ix = int(std::floor(x)), iy = int(std::floor(y)), iz = int(std::floor(z));
    const double fx = smooth(x - ix), fy = smooth(y - iy), fz = smooth(z - iz);
    double corners[2][2][2];
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            for (int c = 0; c < 2; ++c)
                corners[a][b][c] = lattice(ix + a, iy + b, iz + c);
    auto lerp = [](double a, double b, double t) { return a + (b - a) * t; };
    const double x00 = lerp(corners[0][0][0], corners[1][0][0], fx), x10 = lerp(corners[0][1][0], corners[1][1][0], fx);
    const double x01 = lerp(corners[0][0][1], corners[1][0][1], fx), x11 = lerp(corners[0][1][1], corners[1][1][1], fx);
    return lerp(lerp(x00, x10, fy), lerp(x01, x11, fy), fz);
}

// Four octaves, 0..1.
double fractalNoise(const Direction& d, double scale)
{
    double sum = 0.0, weight = 0.5, total = 0.0;
    for (int octave = 0; octave < 4; ++octave) {
        sum += weight * valueNoise(d.x * scale + 11.3, d.y * scale + 5.7, d.z * scale + 2.1);
        total += weight;
        weight *= 0.5;
        scale *= 2.0;
    }
    return sum / total;
}

Colour skyColour(const Direction& d)
{
    if (d.y >= 0.0)
        return mix(kHorizon, kZenith, std::pow(d.y, 0.55));
    return mix(kHorizon, kHaze, -d.y * 6.0); // below the horizon: a haze the scene hides
}

// Height of the hill line above the horizon at this azimuth (sine of the elevation).
double hillLine(const Direction& d, double base, double seed)
{
    const double azimuth = std::atan2(d.z, d.x);
    return base + 0.05 * std::sin(3.0 * azimuth + seed) + 0.03 * std::sin(7.0 * azimuth + 2.0 * seed) +
           0.012 * std::sin(13.0 * azimuth + 3.0 * seed);
}

Colour backgroundColour(const Direction& d)
{
    Colour c = skyColour(d);
    if (d.y < hillLine(d, 0.14, 0.7))
        c = mix(kFarHills, kHorizon, 0.25); // far range, paled by the air
    if (d.y < hillLine(d, 0.07, 2.3))
        c = mix(kNearHills, kFarHills, 0.2 + 0.5 * std::max(0.0, d.y) / 0.1);
    if (d.y < 0.0)
        c = mix(kNearHills, kGround, std::min(1.0, -d.y * 4.0));
    return c;
}

Colour environmentColour(const Direction& d)
{
    if (d.y >= 0.0)
        return mix(kHorizon, kZenith, std::pow(d.y, 0.7));
    return mix(mix(kHorizon, kGround, 0.5), kGround, std::min(1.0, -d.y * 3.0));
}

Colour cloudColour(const Direction& d)
{
    // Thin at the horizon, none below it; denser texels are a little darker underneath.
    const double density = std::clamp((fractalNoise(d, 3.0) - 0.45) * 2.6, 0.0, 1.0) * std::clamp(d.y * 5.0, 0.0, 1.0);
    const double shade = 255.0 - 45.0 * density;
    return {shade, shade, std::min(255.0, shade + 8.0), 255.0 * density};
}

// The sky a road mirrors: a bright overcast with soft cloud banks, a dark line of trees and
// roofs on the horizon and the ground below it.
Colour streetColour(const Direction& d)
{
    const double treeLine = hillLine(d, 0.045, 4.1) + 0.02 * std::sin(23.0 * std::atan2(d.z, d.x));
    if (d.y < 0.0)
        return mix(kNearHills, kGround, std::min(1.0, -d.y * 4.0));
    if (d.y < treeLine)
        return mix(kNearHills, kGround, 0.35);
    const Colour sky = mix(kHorizon, kZenith, std::pow(d.y, 0.6));
    const double cloud = std::clamp((fractalNoise(d, 2.5) - 0.4) * 2.0, 0.0, 1.0);
    return mix(sky, Colour{236.0, 238.0, 242.0, 255.0}, cloud * 0.8);
}

} // namespace

Direction texelDirection(int face, int x, int y, int size)
{
    const double u = (x + 0.5) / size * 2.0 - 1.0, v = (y + 0.5) / size * 2.0 - 1.0;
    Direction d{};
    switch (face) {
    case 0:
        d = {1.0, -v, -u};
        break;
    case 1:
        d = {-1.0, -v, u};
        break;
    case 2:
        d = {u, 1.0, v};
        break;
    case 3:
        d = {u, -1.0, -v};
        break;
    case 4:
        d = {u, -v, 1.0};
        break;
    default:
        d = {-u, -v, -1.0};
        break;
    }
    const double length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return {d.x / length, d.y / length, d.z / length};
}

bool isKnownKind(const std::string& kind)
{
    return kind == "sky" || kind == "background" || kind == "environment" || kind == "clouds" || kind == "street";
}

std::vector<Picture> paintFaces(const std::string& kind, int size)
{
    Colour (*paint)(const Direction&) = kind == "background"    ? backgroundColour
                                        : kind == "environment" ? environmentColour
                                        : kind == "clouds"      ? cloudColour
                                        : kind == "street"      ? streetColour
                                                                : skyColour;
    std::vector<Picture> faces(kFaceCount);
    for (int face = 0; face < kFaceCount; ++face) {
        Picture& picture = faces[size_t(face)];
        picture.size = size;
        picture.rgba.resize(size_t(size) * size * 4);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const Colour c = paint(texelDirection(face, x, y, size));
                uint8_t* texel = &picture.rgba[(size_t(y) * size + x) * 4];
                texel[0] = uint8_t(std::lround(std::clamp(c.r, 0.0, 255.0)));
                texel[1] = uint8_t(std::lround(std::clamp(c.g, 0.0, 255.0)));
                texel[2] = uint8_t(std::lround(std::clamp(c.b, 0.0, 255.0)));
                texel[3] = uint8_t(std::lround(std::clamp(c.a, 0.0, 255.0)));
            }
    }
    return faces;
}

} // namespace CubeArt
