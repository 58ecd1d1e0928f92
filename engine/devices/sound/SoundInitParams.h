#pragma once
// Sound engine settings: the section "SOUNDINITPARAMS" of "config.cfg", and
// the runtime parameters handed to the sound engine's Initialize (the game's
// sound set-up fills their global-settings buffer before the engine starts).
#include "foundation/xml/ConfigSection.h"

#include <xact3.h>

#include <cstdint>
#include <string>

namespace Ulvo {

class XMLNode;

class SoundInitParams {
public:
    SoundInitParams();

    // Always true. The creation flags start from 0; every other missing key
    // keeps its value. Keys this build does not know are kept for save.
    bool load(XMLNode* node);
    // Always true. The flags are written only when set, LOOK_AHEAD_TIME only
    // when it differs from the engine's default.
    bool save(XMLNode* node);

    DWORD m_CreationFlags = 0;
    XACT_RUNTIME_PARAMETERS m_runtime_params;

    bool getInit3D() const { return m_init3D; }
    void setInit3D(bool on) { m_init3D = on; }

    // The file the global-settings buffer was read from, for messages (not in the file).
    const std::wstring& getGlobalSettingsName() const { return m_globalSettingsName; }
    void setGlobalSettingsName(const std::wstring& name) { m_globalSettingsName = name; }

private:
    bool m_init3D = true;
    std::wstring m_globalSettingsName;
    ConfigSection m_section;
};

} // namespace Ulvo
