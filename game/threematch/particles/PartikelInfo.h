#pragma once
// A particle definition (a PARTIKEL_INFO node of the particle file): its texture and frame
// grid, motion, rotation, size, fades and colour, each with the random spread a new particle
// draws around it. Sizes are pixels, times seconds, angles degrees.
#include "threematch/globals/FrameGrid.h"
#include "threematch/particles/PartikelBewegung.h"

#include <d3d9types.h>

#include <string>

namespace Ulvo {
class Texture2D;
class XMLNode;
} // namespace Ulvo

namespace ThreeMatch {

struct PartikelInfo {
    explicit PartikelInfo(const Ulvo::XMLNode& node);

    std::wstring name;
    Ulvo::Texture2D* texture = nullptr; // the texture manager keeps it
    double animSpeed = 0.0;             // frames per second
    FrameGrid grid;
    int anims = 0; // passes through the frames
    PartikelBewegung bewegung;
    double rotation = 0.0;
    double rotationRand = 0.0;
    double rotationSpeed = 0.0;
    double rotationSpeedRand = 0.0;
    // Drawn size as factors of the frame size.
    float scale[2] = {1.0f, 1.0f};
    float scaleRand[2] = {0.0f, 0.0f};
    double fadeIn = 0.0;
    double fadeOut = 0.0;
    double scaleIn = 0.0;
    double scaleOut = 0.0;
    D3DCOLOR colour = 0xFFFFFFFF;
    D3DCOLOR colourSpread = 0;
    int offset = 0; // start frame
    int offsetSpread = 0;
};

} // namespace ThreeMatch
