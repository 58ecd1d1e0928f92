#pragma once
// The engine-wide render settings: state of the render manager, one value per kind, and one
// signal that announces every change with the kind, the old and the new value. Whatever depends
// on a setting (the deferred renderer and its lights on the shadow quality, the water passes on the
// water quality, the renderers on the HDR activation) listens to `changed` and filters by kind;
// nothing keeps a copy of its own that could drift.
//
// Values are plain numbers: the qualities are MyQuality levels, the deferred switch 0 or 1, the HDR
// activation the HDRStage bits. A setting set to the value it has announces nothing.
#include "foundation/sigslot.h"
#include "render/MyQuality.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace Ulvo {

enum class RenderSetting : uint32_t {
    ShadowQuality,
    WaterQuality,
    // RP_DEF: deferred rendering may be switched on.
    DeferredAllowed,
    // RP_HDR: the HDR bits the renderers were asked for.
    HDRActivation,
    // For the terrain's level of detail once it comes.
    TerrainDetail,
    Count
};

class RenderSettings {
public:
    RenderSettings();

    uint32_t get(RenderSetting kind) const { return m_values[index(kind)]; }
    // False, announcing nothing, when the value is already so.
    bool set(RenderSetting kind, uint32_t value);

    MyQuality getShadowQuality() const { return static_cast<MyQuality>(get(RenderSetting::ShadowQuality)); }
    MyQuality getWaterQuality() const { return static_cast<MyQuality>(get(RenderSetting::WaterQuality)); }
    bool isDeferredAllowed() const { return get(RenderSetting::DeferredAllowed) != 0; }
    uint32_t getHDRActivation() const { return get(RenderSetting::HDRActivation); }

    // Kind, old value, new value.
    sigslot::signal3<RenderSetting, uint32_t, uint32_t> changed;

private:
    static std::size_t index(RenderSetting kind) { return static_cast<std::size_t>(kind); }

    std::array<uint32_t, static_cast<std::size_t>(RenderSetting::Count)> m_values{};
};

} // namespace Ulvo
