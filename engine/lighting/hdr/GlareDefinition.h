#pragma once
// The looks of the HDR glare: star definitions (the streak lines the star passes draw) and glare
// definitions (how strongly bloom and star show, and which star). Both come from fixed libraries
// built once before the program starts and kept until it ends; the HDR renderer works on a copy of
// one glare entry, so nothing ever changes a library entry.
#include <d3d9.h>
#include <d3dx9math.h>

#include <array>
#include <string>
#include <vector>

namespace Ulvo {

// One streak direction.
struct StarLine {
    int passes = 0;
    float sampleLength = 0.0f;
    // Base of the per-sample falloff.
    float attenuation = 0.0f;
    // Radians.
    float inclination = 0.0f;
};

class StarDefinition {
public:
    static constexpr std::size_t kLibrarySize = 6;
    static constexpr std::size_t kMaxName = 255;

    StarDefinition() = default;
    ~StarDefinition() { release(); }
    StarDefinition(const StarDefinition& other) { assign(other); }
    StarDefinition& operator=(const StarDefinition& other)
    {
        assign(other);
        return *this;
    }

    // lineCount lines evenly spaced from 0 radians, all alike.
    HRESULT initialize(const std::wstring& name, int lineCount, int passes, float sampleLength, float attenuation,
                       float inclination, bool rotate);
    // Eight lines: the upright ones (0, 90, 180, 270 degrees) with evenAttenuation, the diagonals
    // with oddAttenuation.
    HRESULT initializeSunnyCross(const std::wstring& name, float sampleLength, float oddAttenuation,
                                 float evenAttenuation, float inclination);
    HRESULT assign(const StarDefinition& other);
    void release();

    const std::wstring& getName() const { return m_name; }
    int getLineCount() const { return static_cast<int>(m_lines.size()); }
    const StarLine& getLine(int index) const { return m_lines[static_cast<std::size_t>(index)]; }
    float getInclination() const { return m_inclination; }
    bool getRotate() const { return m_rotate; }

    // Builds the star library and the chromatic-aberration colours (nothing when they exist).
    static HRESULT initializeLibrary();
    static const StarDefinition& library(std::size_t index);
    // Eight colours the star streaks run through, mixed with white by the glare's aberration.
    static const std::array<D3DXCOLOR, 8>& chromaticAberrationColors();

private:
    std::wstring m_name;
    std::vector<StarLine> m_lines;
    float m_inclination = 0.0f;
    bool m_rotate = false;
};

class GlareDefinition {
public:
    static constexpr std::size_t kLibrarySize = 12;

    // A row of the glare table: the values in the order initialize takes them.
    struct Row {
        const wchar_t* name;
        float glareLuminance, bloomLuminance, ghostLuminance, ghostDistortion, starLuminance;
        int starType;
        float starInclination, chromaticAberration, afterimageSensitivity, afterimageRatio, afterimageLuminance;
    };

    // Copies are deep: the star definition copies its lines.
    GlareDefinition() = default;
    GlareDefinition(const GlareDefinition& other) = default;
    GlareDefinition& operator=(const GlareDefinition& other) = default;

    // starType: an index into the star library, 0 to 5.
    HRESULT initialize(const std::wstring& name, float glareLuminance, float bloomLuminance, float ghostLuminance,
                       float ghostDistortion, float starLuminance, int starType, float starInclination,
                       float chromaticAberration, float afterimageSensitivity, float afterimageRatio,
                       float afterimageLuminance);
    void initializeFromTable(const Row& row);
    HRESULT assign(const GlareDefinition& other);

    // Builds the star library first, then the glare library (nothing when it exists).
    static HRESULT initializeLibrary();
    static void deleteLibraries();
    static const GlareDefinition& library(std::size_t index);

    std::wstring name;
    float glareLuminance = 0.0f;
    float bloomLuminance = 0.0f;
    float ghostLuminance = 0.0f;
    float ghostDistortion = 0.0f;
    float starLuminance = 0.0f;
    float starInclination = 0.0f;
    float chromaticAberration = 0.0f;
    float afterimageSensitivity = 0.0f;
    float afterimageRatio = 0.0f;
    float afterimageLuminance = 0.0f;
    StarDefinition starDefinition;
};

} // namespace Ulvo
