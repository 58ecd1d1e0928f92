#pragma once
// A field read from a texture: the position is the texture coordinate. getValue is the mean of the
// selected channels of the sampled texel; getVector is offset + factor · texel (by default a
// normal map's decoding into [-1, 1]). The texture stays locked for reading while any field that
// shares it lives (copies share it; the last one unlocks and releases it), so sampling locks
// nothing. Create and destroy on the main thread; getValue may run on several.
#include "terrain/fields/Parameter.h"

#include <memory>
#include <string>

namespace Ulvo {

class Texture2D;

class ParameterMap : public Parameter {
public:
    // Channel mask bits.
    static constexpr unsigned CHANNEL_A = 1;
    static constexpr unsigned CHANNEL_R = 2;
    static constexpr unsigned CHANNEL_G = 4;
    static constexpr unsigned CHANNEL_B = 8;

    // Child node "TEXTUREN" (a texture list loaded for this field), "CHANNEL" (attribute, then a
    // child node of that name, which overrides it: the letters A, R, G, B), "INTERPOLATION" ("POINT",
    // "LINEAR", "CATMULL"), "VEC_OFFSET", "VEC_FAKTOR", "TEXTUR" (the texture's name in the list).
    explicit ParameterMap(XMLNode* node);
    // From a picture file: all four channels, point sampling.
    explicit ParameterMap(const std::wstring& fileName);
    ParameterMap(const ParameterMap&) = default;

    float getValue(const D3DXVECTOR2& position) const override;
    D3DXVECTOR4* getVector(D3DXVECTOR4* out, const D3DXVECTOR2& position) const override;
    Parameter* clone() const override { return new ParameterMap(*this); }

    void setVecFactor(float factor) { m_factor = factor; }
    void setVecOffset(float offset) { m_offset = offset; }
    // The count becomes the number of distinct channels selected.
    void setChannels(unsigned mask);

    bool isLoaded() const { return m_texture != nullptr; }
    // The picture read, or null.
    const Texture2D* getTexture() const;
    unsigned getChannels() const { return m_channels; }
    unsigned getChannelCount() const { return m_count; }

private:
    // Holds the texture's reference and its read lock for every field that shares it.
    class LockedTexture;

    void take(Texture2D* texture);
    bool sample(D3DXVECTOR4& texel, const D3DXVECTOR2& position) const;

    std::shared_ptr<LockedTexture> m_texture;
    unsigned m_channels = 15;
    unsigned m_count = 4;
    int m_interpolation = 0;
    float m_factor = 2.0f;
    float m_offset = -1.0f;
};

} // namespace Ulvo
