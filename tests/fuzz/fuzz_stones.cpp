// Reads arbitrary bytes as a stones file and drives what the game does with the classes: the
// charges and points of every stone, the hidden modes, the per-frame update, the reset, and the
// profile records written and read back (also the bytes themselves read as a class record).
// There is no device, so no texture is found and no TEX_FILE list makes one.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"
#include "threematch/stones/RohstoffManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace ThreeMatch;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    RohstoffManager manager;
    manager.load(root);
    if ((manager.getZornKlasse() && manager.indexOf(manager.getZornKlasse()) < 0) ||
        (manager.getBoeseKlasse() && manager.indexOf(manager.getBoeseKlasse()) < 0))
        std::abort();
    for (int on = 1; on >= 0; --on) {
        for (Rohstoffklasse* klasse : manager.getKlassen()) {
            klasse->setUnlockMode(on != 0);
            klasse->setUnlimitedMode(on != 0);
            for (Rohstoff* stone : klasse->getRohstoffe()) {
                stone->addCharges(3);
                stone->addCharges(1 << 20);
                const double ratio = stone->getChargeRatio();
                if (!(ratio >= 0.0 && ratio <= 1.0) || stone->getId() <= klasse->getIdBase())
                    std::abort();
            }
        }
        manager.advance(0.5, 0.5);
        manager.commitLevelPunkte();
    }
    for (Rohstoffklasse* klasse : manager.getKlassen()) {
        Ulvo::XMLNode record(L"KLASSE");
        klasse->saveProfile(record);
        klasse->resetToFile();
        klasse->loadProfile(record);
        klasse->loadProfile(root);
        for (const Ulvo::XMLNode* child : root.getNodes())
            klasse->loadProfile(*child);
    }
    manager.resetAll();
    return 0;
}
