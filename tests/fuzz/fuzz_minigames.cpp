// Reads arbitrary bytes as the minigame definition file (its section files are looked up
// relative to the fuzzer's folder, where names leading out are refused) with the game's kinds
// and a kind "FUZZ" of the fuzzer's own, builds the screen and plays every game: the fuzzer's
// solved at once, the game's kinds pressed, dragged and clicked at points the bytes give,
// given up, skipped, each with the manager's clock. Every score reported must lie within 0..1.
#include "FuzzText.h"
#include "foundation/logging/Logger.h"
#include "devices/input/DirectInputInterface.h"
#include "foundation/xml/XMLNode.h"
#include "gui/windows/GUIWindow.h"
#include "minigames/frame/Minispiel.h"
#include "minigames/MinigameKinds.h"
#include "minigames/frame/MinispielManager.h"
#include "minigames/austausch/Austausch.h"
#include "minigames/drehbild/Drehbild.h"
#include "minigames/schiebepuzzle/Schiebepuzzle_leicht.h"

#include <crt.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace ThreeMatch;

namespace {

class FuzzSpiel : public Minispiel {
public:
    explicit FuzzSpiel(Ulvo::XMLNode* node) : Minispiel(node) {}
    static Minispiel* create(Ulvo::XMLNode* node) { return new FuzzSpiel(node); }
    void hook() override {}
    void createGUI() override
    {
        m_window = cloneVorlage(L"FENSTER");
        Minispiel::createGUI();
    }
    void solve()
    {
        m_solved = true;
        m_endDelayLeft = m_endDelay;
    }
};

struct Scores : sigslot::has_slots<> {
    void onResult(Minispiel&, const float& score)
    {
        if (!(score >= 0.0f && score <= 1.0f))
            std::abort();
    }
};

// Presses, drags and releases the left button and clicks at points of the screen the bytes give.
void play(Minispiel& game, const uint8_t* data, size_t size)
{
    Ulvo::MouseState& mouse = Ulvo::DirectInputInterface::getInstance()->getInputStates().mouseState;
    for (size_t k = 0; k + 1 < size && k < 64; k += 2) {
        mouse.position[0] = static_cast<float>(data[k]) * 4.0f;
        mouse.position[1] = static_cast<float>(data[k + 1]) * 3.0f;
        switch (k % 6) {
        case 0:
            mouse.buttonPressed.emit(mouse, ULVO_MOUSE_LEFT);
            break;
        case 2:
            mouse.axisMoved.emit(mouse, ULVO_ACHSE_X);
            break;
        default:
            mouse.buttonReleased.emit(mouse, ULVO_MOUSE_LEFT);
            break;
        }
        const D3DXVECTOR2 at(mouse.position[0], mouse.position[1]);
        if (auto* tiles = dynamic_cast<Schiebepuzzle_leicht*>(&game))
            tiles->clickAt(at);
        if (auto* swap = dynamic_cast<Austausch*>(&game))
            swap->clickAt(at);
        if (auto* turn = dynamic_cast<Drehbild*>(&game))
            turn->clickAt(at, k % 4 == 0);
        MinispielManager::getInstance()->update(0.6);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Ulvo::logSwitch() = 0;
    crt_srand(0);
    MinispielManager& manager = *MinispielManager::getInstance();
    static Scores scores;
    static const bool registered = [&] {
        registerMinigameKinds(manager.getKinds());
        manager.getKinds().add(L"FUZZ", &FuzzSpiel::create);
        manager.resultSignal.connect(&scores, &Scores::onResult);
        return true;
    }();
    (void)registered;
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, fuzzText(data, size), 1);
    manager.load(root);
    manager.initScreen();
    manager.shuffle();
    const std::size_t games = manager.getMinispiele().size();
    for (std::size_t i = 0; i < games * 3; ++i) {
        Minispiel* game = manager.getCurrentMinispiel();
        game->start();
        manager.setActiveMinispiel(game);
        manager.showScreen(true);
        manager.update(0.5);
        manager.showHelp(false);
        for (int k = 0; k < 4; ++k)
            manager.update(static_cast<double>(k) * 40.0);
        switch (i % 3) {
        case 0:
            if (auto* own = dynamic_cast<FuzzSpiel*>(game))
                own->solve();
            else
                play(*game, data, size);
            break;
        case 1:
            game->cancel();
            break;
        default: {
            Ulvo::GUIWindow skip(L"MINISPIEL_H_SkipButton");
            manager.onHelpSkip(skip);
            break;
        }
        }
        for (int k = 0; k < 4 && manager.getActiveMinispiel(); ++k)
            manager.update(0.6);
        manager.setActiveMinispiel(nullptr);
        manager.nextMinispiel();
    }
    manager.clear();
    return 0;
}
