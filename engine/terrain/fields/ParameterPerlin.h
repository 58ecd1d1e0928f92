#pragma once
// Smoothed value noise summed over octaves, and the combining fields MAX, MIN, SUM and MUL, which
// fold their children's values in list order.
#include "terrain/fields/Parameter.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Ulvo {

// Octaves past this add nothing a 32-bit lattice can hold; more are not computed.
constexpr int32_t kMaxPerlinOctaves = 32;

// The octave sum: octave i samples at frequency 2^i with amplitude persistence^i, and the total
// is divided by the sum of the amplitudes. Results lie in [0, 1] in steps of 1/16 per octave.
// An octave count below 1 gives 0 (no octave, no noise).
double perlinNoise(double x, double y, double persistence, int32_t octaves, int32_t seed);

class ParameterPerlin : public Parameter {
public:
    // "PERSISTANCE", "SCALE" (x and y), "ANZAHL" (octaves), "SEED" (without it, the tick count,
    // so two runs differ).
    explicit ParameterPerlin(XMLNode* node);
    ParameterPerlin(const ParameterPerlin&) = default;

    float getValue(const D3DXVECTOR2& position) const override;
    Parameter* clone() const override { return new ParameterPerlin(*this); }

    int32_t getSeed() const { return m_seed; }
    int32_t getOctaves() const { return m_octaves; }

private:
    double m_persistence = 0.5;
    int32_t m_octaves = 3;
    int32_t m_seed = 0;
    float m_scale[2] = {1.0f, 1.0f};
};

// The children ("PARAMETER" child nodes in document order) and the fold shared by the combiners.
class ParameterCombiner : public Parameter {
public:
    ParameterCombiner(const ParameterCombiner& other);

    float getValue(const D3DXVECTOR2& position) const override;
    D3DXVECTOR4* getVector(D3DXVECTOR4* out, const D3DXVECTOR2& position) const override;

    std::size_t getChildCount() const { return m_children.size(); }

protected:
    ParameterCombiner() = default;
    explicit ParameterCombiner(XMLNode* node);

    // The value of an empty list.
    virtual float empty() const = 0;
    // acc folded with the next child's value.
    virtual float fold(float acc, float value) const = 0;
    // Applied to getValue's result before INVERT (SUM's clamp).
    virtual float finish(float acc) const { return acc; }

    std::vector<std::unique_ptr<Parameter>> m_children;
};

class ParameterMAX : public ParameterCombiner {
public:
    explicit ParameterMAX(XMLNode* node) : ParameterCombiner(node) {}
    ParameterMAX(const ParameterMAX&) = default;
    Parameter* clone() const override { return new ParameterMAX(*this); }

protected:
    float empty() const override { return 0.0f; }
    float fold(float acc, float value) const override { return value > acc ? value : acc; }
};

class ParameterMIN : public ParameterCombiner {
public:
    explicit ParameterMIN(XMLNode* node) : ParameterCombiner(node) {}
    ParameterMIN(const ParameterMIN&) = default;
    Parameter* clone() const override { return new ParameterMIN(*this); }

protected:
    float empty() const override { return 1.0f; }
    float fold(float acc, float value) const override { return value < acc ? value : acc; }
};

class ParameterSUM : public ParameterCombiner {
public:
    // "CLAMP" (bool) limits getValue to [0, 1]; getVector sums without limit.
    explicit ParameterSUM(XMLNode* node);
    // An empty sum, INVERT off (the clipmap's height field with its modifiers).
    explicit ParameterSUM(bool clamp) : m_clamp(clamp) {}
    ParameterSUM(const ParameterSUM&) = default;
    Parameter* clone() const override { return new ParameterSUM(*this); }

    // The sum owns the field from now on; null is ignored.
    void addParameter(Parameter* parameter);

protected:
    float empty() const override { return 0.0f; }
    float fold(float acc, float value) const override { return value + acc; }
    float finish(float acc) const override;

private:
    bool m_clamp = false;
};

class ParameterMUL : public ParameterCombiner {
public:
    explicit ParameterMUL(XMLNode* node) : ParameterCombiner(node) {}
    ParameterMUL(const ParameterMUL&) = default;
    Parameter* clone() const override { return new ParameterMUL(*this); }

protected:
    float empty() const override { return 1.0f; }
    float fold(float acc, float value) const override { return value * acc; }
};

} // namespace Ulvo
