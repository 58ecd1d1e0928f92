#pragma once
// The day-and-night sun light: turns a time of day into the scene's light direction, diffuse
// and ambient colours, intensity and four user values, interpolated between the four phases
// NACHT, MORGEN, MITTAG and ABEND (each with its own values and start within the day), plus the
// sky, background and environment cube maps and per-entry cloud values. The time does not run
// by itself: only setTime, a new day length and the configuration's UHRZEIT change it. Offers
// the SUN_ console commands.
#include <d3dx9math.h>

#include "foundation/console/ConsoleCommandReceiver.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/sigslot.h"

#include <string>
#include <vector>

namespace Ulvo {

class TextureCube;

enum SunPhase { PHASE_NACHT = 0, PHASE_MORGEN = 1, PHASE_MITTAG = 2, PHASE_ABEND = 3, PHASE_COUNT = 4 };

// Cloud values per phase for one sky object, and their current blend.
struct SunCloudEntry {
    NamedObject* target = nullptr; // one reference; the sky object that takes the values
    D3DXCOLOR color[PHASE_COUNT];
    D3DXCOLOR currentColor{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR2 density[PHASE_COUNT];
    D3DXVECTOR2 currentDensity{0.0f, 0.0f};
    float speed[PHASE_COUNT];
    float currentSpeed = 0.0f;

    SunCloudEntry();
};

class SunLightSystem : public NamedObject, public ConsoleCommandReceiver {
public:
    // The default phases; the values of midnight.
    explicit SunLightSystem(const std::wstring& name = L"SunLightSystem");
    ~SunLightSystem() override;
    SunLightSystem(const SunLightSystem&) = delete;
    SunLightSystem& operator=(const SunLightSystem&) = delete;

    // SKY_MAP, BACKGROUND_MAP, ENVIRONMENT_MAP, TAGES_DAUER, UHRZEIT (applied at once, with the
    // phases as they were), the phase nodes and the CLOUD_PARAM entries. The loaded phases show
    // from the next update on. The cloud layers bound before keep their places: the first bound
    // one takes the first new entry, and so on.
    bool load(XMLNode* node) override;

    // Recomputes every current value from the time of day and emits sunChanged.
    void update();
    // Each field is reduced into its range on its own (-1 hour is 23, 61 seconds is 1).
    void setTime(int hour, int minute, int second);
    // Keeps the time as the same share of the day.
    void setDayDuration(double seconds);

    const D3DXVECTOR3& getLightDirection() const { return m_currentDirection; }
    const D3DXCOLOR& getDiffuseColor() const { return m_currentDiffuse; }
    const D3DXCOLOR& getAmbientColor() const { return m_currentAmbient; }
    float getIntensity() const { return m_currentIntensity; }
    const D3DXVECTOR4& getUserValues() const { return m_currentUser; }
    TextureCube* getSkyMap() const { return m_skyMap; }
    TextureCube* getBackgroundMap() const { return m_backgroundMap; }
    TextureCube* getEnvironmentMap() const { return m_environmentMap; }
    double getTimeOfDay() const { return m_timeOfDay; }
    double getDayDuration() const { return m_dayDuration; }
    double getDayFraction() const { return m_dayFraction; }
    int getPhaseFrom() const { return m_phaseFrom; }
    int getPhaseTo() const { return m_phaseTo; }
    double getLinearFactor() const { return m_t; }
    double getColorFactor() const { return m_colorFactor; }
    const std::vector<SunCloudEntry>& getCloudEntries() const { return m_clouds; }

    // How a cloud entry finds its sky object: a cloud layer (a CloudTarget that takes cloud
    // values) joining the scene graph takes the first entry without a target, in the order the
    // entries were read, and leaves it when it leaves the graph. The entry holds a reference.
    // False when the object is no cloud layer, already bound, or every entry is taken.
    bool bindCloudTarget(NamedObject* object);
    void unbindCloudTarget(NamedObject* object);

    // For callers with their own per-phase values: value[from] + (value[to] - value[from]) x
    // the linear factor, or the colour factor when linear is false.
    float interpolatePhaseFloat(const float values[PHASE_COUNT], bool linear) const;
    D3DXCOLOR interpolatePhaseColor(const D3DXCOLOR values[PHASE_COUNT], bool linear) const;

    // At the end of every update.
    sigslot::signal0<> sunChanged;

private:
    void loadMap(XMLNode* node, const wchar_t* key, TextureCube*& map);
    void readPhase(XMLNode* node, int phase);
    void releaseClouds();
    void cmdSetTime(TypedConsoleCommand& line);
    void cmdSetDayDuration(TypedConsoleCommand& line);

    static const ConsoleCommandEntry<SunLightSystem> kCommands[2];

    D3DXVECTOR3 m_direction[PHASE_COUNT];
    D3DXVECTOR3 m_currentDirection{0.0f, -1.0f, 0.0f};
    D3DXCOLOR m_diffuse[PHASE_COUNT];
    D3DXCOLOR m_currentDiffuse{0.0f, 0.0f, 0.0f, 1.0f};
    D3DXCOLOR m_ambient[PHASE_COUNT];
    D3DXCOLOR m_currentAmbient{0.0f, 0.0f, 0.0f, 1.0f};
    float m_intensity[PHASE_COUNT];
    float m_currentIntensity = 1.0f;
    D3DXVECTOR4 m_user[PHASE_COUNT];
    D3DXVECTOR4 m_currentUser{0.0f, 0.0f, 0.0f, 0.0f};
    double m_start[PHASE_COUNT];
    double m_colorExponent[PHASE_COUNT];
    double m_timeOfDay = 0.0;
    double m_dayDuration = 60.0;
    TextureCube* m_skyMap = nullptr;
    TextureCube* m_backgroundMap = nullptr;
    TextureCube* m_environmentMap = nullptr;
    std::vector<SunCloudEntry> m_clouds;
    double m_dayFraction = 0.0;
    int m_phaseFrom = PHASE_NACHT;
    int m_phaseTo = PHASE_MORGEN;
    double m_t = 0.0;
    double m_colorFactor = 0.0;
};

} // namespace Ulvo
