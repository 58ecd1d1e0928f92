#pragma once
// What the picture tool's files share: where pictures go, the renderer, the deterministic
// numbers, the palette, the panel frame, the landscape and the town's buildings, and the
// drawing step of each file.
#include "Svg.h"

#include <filesystem>
#include <string>

namespace Art {

extern std::filesystem::path g_outDir;
extern std::filesystem::path g_svgDir;
extern int g_failures;

// Writes the SVG and renders it to OUT_DIR/relative with rsvg-convert.
void render(const Svg& svg, const std::string& relative);

// Deterministic numbers so every build draws the same pictures.
class Random {
public:
    explicit Random(unsigned seed) : m_state(seed * 2654435761u + 12345u) {}
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<double>(m_state >> 8) / static_cast<double>(1u << 24);
    }
    double range(double low, double high) { return low + (high - low) * next(); }

private:
    unsigned m_state;
};

inline const Colour kInk{40, 28, 20};          // outlines
inline const Colour kParchment{241, 227, 192}; // panels
inline const Colour kWood{139, 90, 43};        // frames
inline const Colour kGold{232, 184, 48};
inline const Colour kTarget{196, 40, 116}; // the board's cells to clear
inline const Colour kWhite{255, 255, 255};
inline const Colour kBlack{0, 0, 0};

// A panel: drop shadow, lit frame, inner field.
void roundedFrame(Svg& svg, double x, double y, double w, double h, double radius, const Colour& frame,
                  const Colour& inner, double border);
// A landscape: sky, sun, clouds and three rows of hills, varied by seed; dim darkens it.
void landscape(Svg& svg, unsigned seed, double dim);

enum class Feature { Chimney, Blades, Tower, Flag, Awning, Mast, Silo, Bell };

struct Building {
    const char* file;
    Colour wall;
    Colour roof;
    double width; // of the body, in a 128 x 128 frame
    double height;
    Feature feature;
};

extern const Building kBuildings[8];

// One frame of a building standing on the bottom edge of its 128 x 128 cell at (ox, oy);
// phase 0..1 moves its animated part (smoke, blades, flag, ...).
void drawBuilding(Svg& svg, const Building& b, double ox, double oy, double phase, bool preview);

// A building drawn at (x, y), the top-left of its 128 x 128 cell, scaled.
void placeBuilding(Svg& svg, int building, double x, double y, double scale, double phase);
// A bird in flight (two arches of the given half-width) and a sailing boat on the water line y.
void bird(Svg& svg, double x, double y, double size, const std::string& colour);
void boat(Svg& svg, double x, double y, double size, const std::string& sail);

// The drawing steps of the tool's files.
void makeLoadingScreen();
void makeScenes();
// The forest's tree pictures (Trees.cpp).
void makeTrees();
void makeTown();
// Every minigame kind's pictures (minigames/MinigameArt.cpp).
void makeMinigameArt();
// The roads' textures (Streets.cpp).
void makeStreetArt();

} // namespace Art
