// The notice under a minigame with the game's own fonts and texts: every text it shows, in every
// language, stands whole inside its box as it is drawn.
#include "KindTestSupport.h"

#include "engine/UlvoEngine.h"
#include "foundation/text/TextManager.h"
#include "graphics/fonts/D3DXFontInterface.h"
#include "gui/widgets/GUILabel.h"

using namespace KindTesting;

namespace {

class NoticeTest : public KindTest {
protected:
    void SetUp() override
    {
        KindTest::SetUp();
        GameTesting::inRuntimeFolder([] {
            Ulvo::D3DXFontInterface* fonts = Ulvo::D3DXFontInterface::getInstance();
            fonts->releaseEverything();
            Ulvo::XMLNode document;
            ASSERT_TRUE(Ulvo::XMLNode::load(&document, L"data\\font.fnt", 0));
            fonts->loadFonts(&document);
            fonts->createAllFonts();
        });
    }
    void TearDown() override
    {
        language(L"deutsch");
        KindTest::TearDown();
        Ulvo::D3DXFontInterface::getInstance()->releaseEverything();
    }
    static void language(const wchar_t* name)
    {
        Ulvo::XMLNode choice = GameTesting::parse(std::wstring(L"<TEXTE DEF_LANGUAGE=\"") + name + L"\"/>");
        Ulvo::UlvoEngine::getInstance()->getTextManager()->load(&choice);
    }
};

TEST_F(NoticeTest, EveryNoticeStandsWholeInItsBox)
{
    loadGames();
    ThreeMatch::Minispiel* game = manager().getCurrentMinispiel();
    ASSERT_NE(game, nullptr);
    play(*game);
    Ulvo::GUILabel* notice = manager().getNotice();
    ASSERT_NE(notice, nullptr);
    const auto check = [&](const char* what) {
        frames(0.5);
        ASSERT_TRUE(notice->getOptions().visible) << what;
        RECT text{};
        notice->calcTextRect(text);
        const Ulvo::FloatRect& box = notice->getScreenRect();
        EXPECT_GT(text.right - text.left, 0) << what << ": the font draws the text";
        EXPECT_LE(static_cast<float>(text.right - text.left), box.right - box.left)
            << what << ": " << text.right - text.left << " pixels wide in a box of " << box.right - box.left;
        EXPECT_LE(static_cast<float>(text.bottom - text.top), box.bottom - box.top)
            << what << ": " << text.bottom - text.top << " pixels high in a box of " << box.bottom - box.top;
        EXPECT_GE(box.top, 0.0f) << what;
        EXPECT_LE(box.bottom, static_cast<float>(GUITesting::kScreenHeight)) << what;
    };
    for (const wchar_t* name : {L"deutsch", L"english"}) {
        language(name);
        // A refused answer; then the clock run out, or the time-up notice back after the other.
        manager().failedSignal.emit(*game);
        check("a wrong answer");
        frames(manager().isTimeUpShown() ? 2.0 : game->getTimeLimit() + 0.5, 0.5);
        ASSERT_TRUE(manager().isTimeUpShown());
        check("the time up");
    }
}

} // namespace
