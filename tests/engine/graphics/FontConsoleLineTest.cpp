// The in-game console line drawn in the console's bitmap font: hidden until the console key
// toggles it, then the typed text with its cursor, the answer of a command and the completion
// list, driven through the engine's key handling. Needs the game library (ConsoleLineView).
#if __has_include("threematch/ConsoleLineView.h")
#include "GraphicsTestSupport.h"

#include "devices/d3d/D3DInterface.h"
#include "devices/input/DirectInputInterface.h"
#include "devices/input/KeyState.h"
#include "devices/input/TastaturLayout.h"
#include "devices/input/TastaturLayoutManager.h"
#include "foundation/console/ConsoleCommand.h"
#include "foundation/logging/Logger.h"
#include "engine/UlvoEngine.h"
#include "foundation/xml/XMLNode.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "graphics/sprites/SpritePair.h"
#include "support/TestSupport.h"
#include "threematch/ConsoleLineView.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <memory>
#include <string>

using namespace Ulvo;
using GraphicsTesting::Image;

namespace {

constexpr unsigned char kConsole = 0x29;
constexpr unsigned char kBackspace = 0x0E;
constexpr unsigned char kTab = 0x0F;
constexpr unsigned char kReturn = 0x1C;

const std::map<wchar_t, unsigned char>& keyCodes()
{
    static const std::map<wchar_t, unsigned char> codes = {
        {L'h', 0x23}, {L'a', 0x1E}, {L'l', 0x26}, {L'o', 0x18}, {L'e', 0x12}, {L'1', 0x02}, {L' ', 0x39},
    };
    return codes;
}

void installLayout()
{
    TastaturLayoutManager* manager = TastaturLayoutManager::getInstance();
    if (manager->getActiveLayout())
        return;
    auto* layout = new TastaturLayout(L"ConsoleLineTest");
    for (const auto& [c, code] : keyCodes()) {
        layout->setCharacters(code, c, 0, 0);
        layout->setKeyType(code, c >= L'a' && c <= L'z' ? KT_LETTER : KT_SONDER);
    }
    layout->setKeyType(kBackspace, KT_BACKSPACE);
    layout->setKeyType(kReturn, KT_STEUER);
    manager->installLayout(layout);
}

KeyState& keys()
{
    return DirectInputInterface::getInstance()->getKeyState();
}

void press(unsigned char key)
{
    keys().consoleText.emit(keys(), TypedKey{key});
}

void type(const std::wstring& text)
{
    for (wchar_t c : text)
        press(keyCodes().at(c));
}

// Pixels that are not black in the top band where the console line is drawn.
int inkInTopBand(const Image& image)
{
    int ink = 0;
    for (UINT y = 0; y < 64; ++y)
        for (UINT x = 0; x < image.width; ++x)
            ink += (image.at(x, y) & 0x00FFFFFF) != 0 ? 1 : 0;
    return ink;
}

class ConsoleLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = GraphicsTesting::startDevice();
        ASSERT_NE(device, nullptr);
        engine = UlvoEngine::getInstance();
        installLayout();
        engine->setInGameConsoleEnabled(true);
        if (engine->isConsoleVisible())
            press(kConsole);
        m_logSwitch = logSwitch();
        logSwitch() = 0;
        m_cwd = std::make_unique<TestSupport::ScopedCwd>(TestSupport::runtimeDir());
        fonts->releaseEverything();
        XMLNode root;
        ASSERT_TRUE(XMLNode::load(&root, L"data\\font.fnt", 0));
        fonts->loadFonts(&root);
        fonts->createAllFonts();
    }
    void TearDown() override
    {
        if (engine->isConsoleVisible())
            press(kConsole);
        fonts->releaseEverything();
        m_cwd.reset();
        logSwitch() = m_logSwitch;
    }

    // What the view draws, read from the back buffer.
    Image render(ThreeMatch::ConsoleLineView& view)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        D3DXSprite& sprite = D3DInterface::getInstance()->getSprite()->first;
        sprite.Begin(D3DXSPRITE_ALPHABLEND);
        view.draw();
        sprite.End();
        device->EndScene();
        return GraphicsTesting::readBackBuffer();
    }

    IDirect3DDevice9* device = nullptr;
    UlvoEngine* engine = nullptr;
    D3DXFontInterface* fonts = D3DXFontInterface::getInstance();

private:
    std::unique_ptr<TestSupport::ScopedCwd> m_cwd;
    int m_logSwitch = 0;
};

} // namespace

TEST_F(ConsoleLine, AppearsWhenToggledAndShowsTypedText)
{
    ThreeMatch::ConsoleLineView view;
    EXPECT_FALSE(view.isShown());
    EXPECT_EQ(inkInTopBand(render(view)), 0) << "nothing while the console is hidden";

    press(kConsole);
    ASSERT_TRUE(engine->isConsoleVisible());
    EXPECT_TRUE(view.isShown());
    const TypedConsoleCommand* line = engine->getCurrentConsoleLine();
    ASSERT_NE(line, nullptr);
    while (!engine->getCurrentConsoleLine()->getLine().empty())
        press(kBackspace);
    const int emptyInk = inkInTopBand(render(view));
    EXPECT_GT(emptyInk, 0) << "the prompt shows";

    type(L"hallo");
    EXPECT_EQ(view.getLineText(), L"> hallo_");
    const int typedInk = inkInTopBand(render(view));
    EXPECT_GT(typedInk, emptyInk + 50) << "the typed letters show";

    // An unknown command answers, and the answer stays while the next line is typed.
    press(kReturn);
    EXPECT_EQ(view.getLineText(), L"> _");
    EXPECT_EQ(view.getAnswer(), L"Befehl nicht gefunden!");
    type(L"e");
    press(kTab);
    EXPECT_NE(view.getCompletionList().find(L"E_Debug"), std::wstring::npos);
    EXPECT_GT(inkInTopBand(render(view)), typedInk) << "answer and completion list show";

    while (!engine->getCurrentConsoleLine()->getLine().empty())
        press(kBackspace);
    press(kConsole);
    EXPECT_FALSE(view.isShown());
    EXPECT_EQ(inkInTopBand(render(view)), 0);
}

TEST_F(ConsoleLine, ACompletionListLongerThanTheScreenTurnsItsPagesWithTab)
{
    ThreeMatch::ConsoleLineView view;
    press(kConsole);
    while (!engine->getCurrentConsoleLine()->getLine().empty())
        press(kBackspace);
    press(kTab); // every command
    render(view);
    const std::wstring& list = view.getCompletionList();
    const auto lines = static_cast<std::size_t>(std::count(list.begin(), list.end(), L'\n')) + 1;
    const std::size_t page = view.getListShown();
    ASSERT_GT(page, 0u);
    ASSERT_LT(page, lines) << "the test screen holds fewer lines than there are commands";
    EXPECT_EQ(view.getListFirst(), 0u);
    std::size_t first = 0;
    for (std::size_t shown = page; shown < lines; shown += page) {
        press(kTab);
        render(view);
        first += page;
        EXPECT_EQ(view.getListFirst(), first);
    }
    press(kTab);
    render(view);
    EXPECT_EQ(view.getListFirst(), 0u) << "after the last page the first again";
    press(kConsole);
}
#endif
