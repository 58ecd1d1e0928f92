#include "threematch/particles/PartikelInfo.h"

#include "foundation/xml/XMLNode.h"
#include "threematch/globals/DataReads.h"
#include "threematch/globals/GameGraphics.h"

namespace ThreeMatch {

namespace {

// Pixels to a factor of the frame size; a frame without size keeps the pixels as they are.
float perFrame(float pixels, int frameSize)
{
    return frameSize > 0 ? pixels / static_cast<float>(frameSize) : pixels;
}

} // namespace

PartikelInfo::PartikelInfo(const Ulvo::XMLNode& node)
{
    node.readString(L"NAME", name);
    texture = readGameTextureFile(node, L"TEXTUR");
    node.readDouble(L"ANIMSPEED", animSpeed);
    grid.read(node);
    node.readInt(L"ANIMS", anims);
    bewegung.read(node);
    node.readDouble(L"ROTATION", rotation);
    node.readDouble(L"ROTATION_RAND", rotationRand);
    node.readDouble(L"ROTATION_SPEED", rotationSpeed);
    node.readDouble(L"ROTATION_SPEED_RAND", rotationSpeedRand);
    float size[2] = {0.0f, 0.0f};
    if (node.readFloats(L"SCALE", size) > 0) {
        scale[0] = perFrame(size[0], grid.frameWidth);
        scale[1] = perFrame(size[1], grid.frameHeight);
    }
    float spread = 0.0f;
    if (node.readFloats(L"SCALE_RAND", std::span<float>(&spread, 1)) > 0) {
        scaleRand[0] = perFrame(spread, grid.frameWidth);
        scaleRand[1] = perFrame(spread, grid.frameHeight);
    }
    double fades[2] = {fadeIn, fadeOut};
    readDoubles(node, L"FADE_IN_OUT_TIME", fades);
    fadeIn = fades[0];
    fadeOut = fades[1];
    double scales[2] = {scaleIn, scaleOut};
    readDoubles(node, L"SCALE_IN_OUT_TIME", scales);
    scaleIn = scales[0];
    scaleOut = scales[1];
    if (const Ulvo::XMLAttribute* colours = node.getAttribute(L"COLORKEY")) {
        const std::vector<std::wstring> words = Ulvo::XMLValueList::split(colours->getValue(), L' ');
        if (!words.empty())
            colour = static_cast<D3DCOLOR>(Ulvo::XMLProperty(words[0]).getHex());
        if (words.size() > 1)
            colourSpread = static_cast<D3DCOLOR>(Ulvo::XMLProperty(words[1]).getHex());
    }
    int offsets[2] = {offset, offsetSpread};
    if (node.readInts(L"OFFSET", offsets) > 0) {
        offset = offsets[0];
        offsetSpread = offsets[1];
    }
}

} // namespace ThreeMatch
