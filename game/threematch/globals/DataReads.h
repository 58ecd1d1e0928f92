#pragma once
// Reads of the game's data files that the node's own typed reads lack.
#include <span>
#include <string>

namespace Ulvo {
class XMLNode;
}

namespace ThreeMatch {

// The first numbers of the blank-separated list under key, as doubles; numbers the list
// lacks keep their values. The number of items in the list, 0 without the key.
unsigned readDoubles(const Ulvo::XMLNode& node, const std::wstring& key, std::span<double> values);

// Values the way the profile file keeps them: a child node named key holding one free value.
void appendValue(Ulvo::XMLNode& node, const std::wstring& key, const std::wstring& value);
void appendValue(Ulvo::XMLNode& node, const std::wstring& key, int value);
void appendValue(Ulvo::XMLNode& node, const std::wstring& key, double value);
// A child node named key holding one free value per number.
void appendValues(Ulvo::XMLNode& node, const std::wstring& key, std::span<const int> values);

// Conversions that saturate instead of overflowing (NaN gives 0), for values computed from
// data that may hold anything.
float toFloat(double value);
int toInt(double value);
long long toLongLong(double value);

} // namespace ThreeMatch
