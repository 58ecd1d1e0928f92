#pragma once
// The fuzz input as text for the document parsers: one character per byte.
#include <cstddef>
#include <cstdint>
#include <string>

inline std::wstring fuzzText(const uint8_t* data, size_t size)
{
    std::wstring text;
    text.reserve(size);
    for (size_t i = 0; i < size; ++i)
        text += static_cast<wchar_t>(data[i]);
    return text;
}
