#pragma once
// Small helpers that compose SVG text: the shared palette, the light that
// falls from the top left, and the shapes the pictures are built from.
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace Art {

struct Colour {
    int r = 0, g = 0, b = 0;
    std::string hex() const
    {
        char text[8];
        std::snprintf(text, sizeof(text), "#%02x%02x%02x", clampByte(r), clampByte(g), clampByte(b));
        return text;
    }
    // Towards white (amount > 0) or black (amount < 0), amount in -1..1.
    Colour shade(double amount) const
    {
        auto mix = [amount](int c) {
            return amount >= 0 ? static_cast<int>(c + (255 - c) * amount) : static_cast<int>(c * (1.0 + amount));
        };
        return Colour{mix(r), mix(g), mix(b)};
    }
    static int clampByte(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
};

// Number with at most two decimals, as SVG attributes want it.
inline std::string num(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", value);
    std::string s = text;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

class Svg {
public:
    // idPrefix starts the ids of the gradients, so that drawings put together keep theirs apart.
    Svg(int width, int height, std::string idPrefix = "g")
        : m_width(width), m_height(height), m_idPrefix(std::move(idPrefix))
    {
    }

    // A gradient lit from the top left: light, base, dark along the diagonal
    // of the shape's box. Returns the fill reference.
    std::string litGradient(const Colour& base)
    {
        const std::string id = m_idPrefix + std::to_string(m_nextId++);
        m_defs += "<linearGradient id='" + id +
                  "' x1='0' y1='0' x2='1' y2='1'>"
                  "<stop offset='0' stop-color='" +
                  base.shade(0.45).hex() +
                  "'/>"
                  "<stop offset='0.5' stop-color='" +
                  base.hex() +
                  "'/>"
                  "<stop offset='1' stop-color='" +
                  base.shade(-0.45).hex() + "'/></linearGradient>";
        return "url(#" + id + ")";
    }
    std::string verticalGradient(const Colour& top, const Colour& bottom, double topOpacity = 1.0,
                                 double bottomOpacity = 1.0)
    {
        const std::string id = m_idPrefix + std::to_string(m_nextId++);
        m_defs += "<linearGradient id='" + id +
                  "' x1='0' y1='0' x2='0' y2='1'>"
                  "<stop offset='0' stop-color='" +
                  top.hex() + "' stop-opacity='" + num(topOpacity) +
                  "'/>"
                  "<stop offset='1' stop-color='" +
                  bottom.hex() + "' stop-opacity='" + num(bottomOpacity) + "'/></linearGradient>";
        return "url(#" + id + ")";
    }
    std::string radialGradient(const Colour& inner, double innerOpacity, const Colour& outer, double outerOpacity)
    {
        const std::string id = m_idPrefix + std::to_string(m_nextId++);
        m_defs += "<radialGradient id='" + id +
                  "' cx='0.5' cy='0.5' r='0.5'>"
                  "<stop offset='0' stop-color='" +
                  inner.hex() + "' stop-opacity='" + num(innerOpacity) +
                  "'/>"
                  "<stop offset='1' stop-color='" +
                  outer.hex() + "' stop-opacity='" + num(outerOpacity) + "'/></radialGradient>";
        return "url(#" + id + ")";
    }

    void add(const std::string& element) { m_body += element; }
    void path(const std::string& d, const std::string& fill, const std::string& extra = "")
    {
        m_body += "<path d='" + d + "' fill='" + fill + "' " + extra + "/>";
    }
    void circle(double cx, double cy, double r, const std::string& fill, const std::string& extra = "")
    {
        m_body +=
            "<circle cx='" + num(cx) + "' cy='" + num(cy) + "' r='" + num(r) + "' fill='" + fill + "' " + extra + "/>";
    }
    void ellipse(double cx, double cy, double rx, double ry, const std::string& fill, const std::string& extra = "")
    {
        m_body += "<ellipse cx='" + num(cx) + "' cy='" + num(cy) + "' rx='" + num(rx) + "' ry='" + num(ry) +
                  "' fill='" + fill + "' " + extra + "/>";
    }
    void rect(double x, double y, double w, double h, const std::string& fill, const std::string& extra = "")
    {
        m_body += "<rect x='" + num(x) + "' y='" + num(y) + "' width='" + num(w) + "' height='" + num(h) + "' fill='" +
                  fill + "' " + extra + "/>";
    }
    void beginGroup(const std::string& attributes) { m_body += "<g " + attributes + ">"; }
    void endGroup() { m_body += "</g>"; }
    // Raw text for the definitions (clip paths, shapes used more than once).
    void addDef(const std::string& element) { m_defs += element; }
    // Another drawing (made with an id prefix of its own) becomes the definition of a group
    // with that id, to be placed again with use: a picture cut into pieces.
    void defineGroup(const Svg& other, const std::string& id)
    {
        m_defs += other.m_defs + "<g id='" + id + "'>" + other.m_body + "</g>";
    }

    std::string text() const
    {
        return "<svg xmlns='http://www.w3.org/2000/svg' width='" + std::to_string(m_width) + "' height='" +
               std::to_string(m_height) + "' viewBox='0 0 " + std::to_string(m_width) + " " + std::to_string(m_height) +
               "'><defs>" + m_defs + "</defs>" + m_body + "</svg>\n";
    }
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    int m_width;
    int m_height;
    std::string m_idPrefix;
    int m_nextId = 0;
    std::string m_defs;
    std::string m_body;
};

// Closed polygon path through the points.
inline std::string polygon(const std::vector<std::pair<double, double>>& points)
{
    std::string d;
    for (std::size_t i = 0; i < points.size(); ++i)
        d += (i == 0 ? "M" : "L") + num(points[i].first) + " " + num(points[i].second) + " ";
    return d + "Z";
}

// The mouse pointer's arrow with its tip at (x, y), 24 units tall.
inline std::string pointerArrow(double x, double y)
{
    return polygon({{x, y},
                    {x, y + 24},
                    {x + 6.5, y + 18},
                    {x + 11.5, y + 28},
                    {x + 15.5, y + 26},
                    {x + 11, y + 16.5},
                    {x + 19, y + 16.5}});
}

// Regular polygon or star (inner radius < outer) around (cx, cy), first
// corner straight up.
inline std::string star(double cx, double cy, int corners, double outer, double inner, double turn = 0.0)
{
    std::vector<std::pair<double, double>> points;
    const bool isStar = inner > 0.0;
    const int steps = isStar ? corners * 2 : corners;
    for (int i = 0; i < steps; ++i) {
        const double angle = -M_PI / 2 + turn + 2.0 * M_PI * i / steps;
        const double radius = isStar && (i % 2 == 1) ? inner : outer;
        points.emplace_back(cx + radius * std::cos(angle), cy + radius * std::sin(angle));
    }
    return polygon(points);
}

} // namespace Art
