#pragma once
// The in-memory form of "ENGINE_PARAMS" in "config.cfg": the Direct3D, sound
// and input parameters, the two initialisation signals and the show-video flag.
#include "devices/d3d/D3DInitParams.h"
#include "devices/input/DInputInitParams.h"
#include "devices/sound/SoundInitParams.h"
#include "foundation/xml/ConfigSection.h"
#include "foundation/xml/XMLNode.h"
#include "foundation/sigslot.h"

namespace Ulvo {

class Window;

class EngineParams {
public:
    explicit EngineParams(Window* window);
    EngineParams(const EngineParams&) = delete;
    EngineParams& operator=(const EngineParams&) = delete;

    // Hands "D3DINITPARAMS", "SOUNDINITPARAMS" and "DINPUTINITPARAMS", each
    // when present, to its parameter object; keeps any other section as read.
    // Always true.
    bool load(XMLNode* node);
    // Adds the three sections, in this order, then the kept other sections.
    // Always true.
    bool save(XMLNode* node);

    D3DInitParams& getD3DInitParams() { return m_d3dParams; }
    SoundInitParams& getSoundInitParams() { return m_soundParams; }
    DInputInitParams& getDInputInitParams() { return m_dinputParams; }

    bool getShowVideo() const { return m_showVideo; }
    void setShowVideo(bool show) { m_showVideo = show; }

    // Emitted by the engine's init with its running result; a slot may clear it.
    sigslot::signal1<bool&> onBeforeInit;
    sigslot::signal1<bool&> onAfterInit;

private:
    D3DInitParams m_d3dParams;
    SoundInitParams m_soundParams;
    DInputInitParams m_dinputParams;
    bool m_showVideo = true;
    // Sections of a newer build, written back unchanged.
    ConfigSection m_otherSections;
};

} // namespace Ulvo
