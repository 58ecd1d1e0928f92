#include "minigames/frame/MinispielZug.h"

#include <cmath>

namespace ThreeMatch {

namespace {

std::wstring pixels(std::initializer_list<float> values)
{
    std::wstring text;
    for (float v : values) {
        text += L' ';
        text += std::to_wstring(std::isfinite(v) ? std::lround(v) : 0L);
    }
    return text;
}

std::wstring rect(const Ulvo::FloatRect& r)
{
    return pixels({r.left, r.top, r.right, r.bottom});
}

} // namespace

MinispielZug MinispielZug::klickMitte(const Ulvo::FloatRect& drawn, Art art)
{
    return klick(mitte(drawn), drawn, art);
}

MinispielZug MinispielZug::klick(const D3DXVECTOR2& at, const Ulvo::FloatRect& drawn, Art art)
{
    MinispielZug zug;
    zug.art = art;
    zug.from = zug.to = at;
    zug.drawn = drawn;
    return zug;
}

MinispielZug MinispielZug::ziehen(const D3DXVECTOR2& from, const D3DXVECTOR2& to, const Ulvo::FloatRect& drawn)
{
    MinispielZug zug;
    zug.art = Art::Ziehen;
    zug.from = from;
    zug.to = to;
    zug.drawn = drawn;
    return zug;
}

MinispielZug MinispielZug::taste(const std::wstring& key)
{
    MinispielZug zug;
    zug.art = Art::Taste;
    zug.key = key;
    return zug;
}

MinispielZug& MinispielZug::aendert(const Ulvo::FloatRect& area)
{
    changes = area;
    hasChanges = true;
    return *this;
}

std::wstring MinispielZug::text() const
{
    std::wstring line;
    switch (art) {
    case Art::Taste:
        return L"TASTE " + key;
    case Art::Ziehen:
        line = L"ZIEHEN" + pixels({from.x, from.y, to.x, to.y}) + L" VON" + rect(drawn);
        break;
    case Art::Klick:
    case Art::Rechtsklick:
    case Art::Mittelklick:
        line = std::wstring(art == Art::Klick         ? L"KLICK"
                            : art == Art::Rechtsklick ? L"RECHTSKLICK"
                                                      : L"MITTELKLICK") +
               pixels({from.x, from.y}) + L" IN" + rect(drawn);
        break;
    }
    if (hasChanges)
        line += L" AENDERT" + rect(changes);
    return line;
}

} // namespace ThreeMatch
