// Reads arbitrary bytes as the light-show file, gives every show a picture made of the input's
// first bytes, and runs each through its flight in, its pulse and its flight out, also with
// frame times of nothing and of seconds. The light count stays bounded, the pulse within 1..2.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/lightshow/LichterspielManager.h"

#include <crt.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace ThreeMatch;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    crt_srand(0);
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    LichterspielManager shows;
    shows.load(root);
    const int side = static_cast<int>(size % 23) + 1;
    LayoutPicture picture{side, static_cast<int>(size % 17) + 1, {}};
    for (int i = 0; i < picture.width * picture.height; ++i)
        picture.texels.push_back(size > 0 ? static_cast<uint32_t>(data[i % size]) * 0x01010101u : 0u);
    const double steps[] = {0.0, 0.025, 0.5, 3.0};
    for (Lichterspiel* show : shows.getLichterspiele()) {
        show->setPicture(picture);
        if (show->getLichter().size() > Lichterspiel::kMaxLichter)
            std::abort();
        shows.start(show->getName());
        for (int i = 0; i < 60 && shows.getRunning(); ++i) {
            shows.advance(steps[i % 4]);
            shows.render(0.0f, 0.0f, 0.3);
            for (const Lichterspiel::Licht& licht : show->getLichter()) {
                if (!(licht.brightness >= 1.0f && licht.brightness <= 2.0f) && licht.brightness == licht.brightness)
                    std::abort();
                (void)licht.drawColour();
                (void)licht.frameRect();
            }
        }
    }
    shows.stop();
    return 0;
}
