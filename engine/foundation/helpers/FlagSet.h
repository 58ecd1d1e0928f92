#pragma once
// A 32-bit flag word; bit numbers are taken modulo 32.
#include <cstdint>

namespace Ulvo {

class XMLNode;

class FlagSet {
public:
    FlagSet() = default;
    explicit FlagSet(uint32_t word) : m_word(word) {}

    void clear() { m_word = 0; }
    void set(uint32_t word) { m_word = word; }
    uint32_t get() const { return m_word; }

    bool isSet(unsigned n) const { return (m_word >> (n & 31u)) & 1u; }
    void setBit(unsigned n, bool on);
    // With on, every bit of the mask is set; without, every bit outside the
    // mask is cleared.
    void apply(uint32_t mask, bool on);

    // Sets the bit numbers listed as properties of the child "SET", then
    // clears those of "UNSET"; bits not named keep their value.
    void load(const XMLNode* node);

private:
    uint32_t m_word = 0;
};

} // namespace Ulvo
