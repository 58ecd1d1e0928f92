// Reads arbitrary bytes as "config.cfg"'s ENGINE_PARAMS: every value the display, sound and
// input sections keep after reading must be one a window and device can take, and what is
// written back must read back to the same settings.
#include "FuzzText.h"
#include "devices/d3d/D3DInitParams.h"
#include "devices/input/DInputInitParams.h"
#include "devices/window/Window.h"
#include "engine/EngineParams.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkUsable(Ulvo::EngineParams& params, const Ulvo::Window& window)
{
    check(window.getWantedWidth() >= 1 && window.getWantedWidth() <= 16384);
    check(window.getWantedHeight() >= 1 && window.getWantedHeight() <= 16384);
    const D3DPRESENT_PARAMETERS& present = *params.getD3DInitParams().getPresentParams();
    check(present.BackBufferCount <= 3);
    check(present.SwapEffect >= D3DSWAPEFFECT_DISCARD && present.SwapEffect <= D3DSWAPEFFECT_COPY);
    const D3DFORMAT depth = present.AutoDepthStencilFormat;
    check(depth == D3DFMT_D16_LOCKABLE || depth == D3DFMT_D32 || depth == D3DFMT_D15S1 || depth == D3DFMT_D24S8 ||
          depth == D3DFMT_D24X8 || depth == D3DFMT_D24X4S4 || depth == D3DFMT_D16 || depth == D3DFMT_D32F_LOCKABLE ||
          depth == D3DFMT_D24FS8);
    const float sensitivity = params.getDInputInitParams().getMouseSensitivity();
    check(std::isfinite(sensitivity) && sensitivity >= 0.0f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode document;
    Ulvo::XMLNode::load(&document, fuzzText(data, size), 1);
    Ulvo::XMLNode* section = document.getName() == L"ENGINE_PARAMS" ? &document : document.getNode(L"ENGINE_PARAMS");
    if (!section)
        return 0;

    static Ulvo::Window window;
    window.setSize(Ulvo::Window::kDefaultSize, Ulvo::Window::kDefaultSize, false);
    Ulvo::EngineParams params(&window);
    params.load(section);
    checkUsable(params, window);

    // What is written reads back as the same settings.
    Ulvo::XMLNode written(L"ENGINE_PARAMS");
    params.save(&written);
    Ulvo::EngineParams again(&window);
    again.load(&written);
    checkUsable(again, window);
    const D3DPRESENT_PARAMETERS& first = *params.getD3DInitParams().getPresentParams();
    const D3DPRESENT_PARAMETERS& second = *again.getD3DInitParams().getPresentParams();
    check(first.BackBufferCount == second.BackBufferCount && first.Windowed == second.Windowed &&
          first.AutoDepthStencilFormat == second.AutoDepthStencilFormat &&
          first.PresentationInterval == second.PresentationInterval);
    return 0;
}
