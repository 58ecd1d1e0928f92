// The renderer and the panel frame every drawing file uses.
#include "ArtCommon.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace Art {

fs::path g_outDir;
fs::path g_svgDir;
int g_failures = 0;

// Writes the SVG and renders it to OUT_DIR/relative with rsvg-convert.
void render(const Svg& svg, const std::string& relative)
{
    const fs::path png = g_outDir / relative;
    fs::path source = g_svgDir / relative;
    source.replace_extension(".svg");
    fs::create_directories(png.parent_path());
    fs::create_directories(source.parent_path());
    {
        std::ofstream out(source, std::ios::binary);
        out << svg.text();
    }
    const std::string command = "rsvg-convert -w " + std::to_string(svg.width()) + " -h " +
                                std::to_string(svg.height()) + " -o \"" + png.string() + "\" \"" + source.string() +
                                "\"";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "arttool: rendering %s failed\n", relative.c_str());
        ++g_failures;
    }
}

void roundedFrame(Svg& svg, double x, double y, double w, double h, double radius, const Colour& frame,
                  const Colour& inner, double border)
{
    svg.rect(x + 2, y + 2, w - 2, h - 2, "#000000", "rx='" + num(radius) + "' opacity='0.3'");
    svg.rect(x, y, w - 2, h - 2, svg.litGradient(frame),
             "rx='" + num(radius) + "' stroke='" + frame.shade(-0.6).hex() + "' stroke-width='1.5'");
    svg.rect(x + border, y + border, w - 2 - 2 * border, h - 2 - 2 * border,
             svg.verticalGradient(inner.shade(0.2), inner),
             "rx='" + num(radius * 0.5) + "' stroke='" + frame.shade(-0.4).hex() + "' stroke-width='1'");
}

} // namespace Art
