// "config.cfg": its frame and section order, fallbacks, and that entries this
// build does not know yet survive a load and save.
#include "devices/d3d/D3DInitParams.h"
#include "devices/input/DInputInitParams.h"
#include "devices/window/Window.h"
#include "engine/EngineParams.h"
#include "engine/UlvoEngine.h"
#include "foundation/app/UserGlobals.h"
#include "foundation/xml/XMLNode.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace Ulvo;
using TestSupport::TempDir;

namespace {

std::vector<std::wstring> childNames(const XMLNode* node)
{
    std::vector<std::wstring> names;
    for (const XMLNode* child : node->getNodes())
        names.push_back(child->getName());
    return names;
}

std::wstring attribute(const XMLNode* node, const wchar_t* name)
{
    const XMLAttribute* a = node ? node->getAttribute(name) : nullptr;
    return a ? a->getValue() : L"<none>";
}

XMLNode parse(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1));
    return node;
}

class RecordingGlobals : public UserGlobals {
public:
    bool load(XMLNode* node) override
    {
        loaded = attribute(node, L"PROFILE");
        return loadResult;
    }
    bool save(XMLNode* node) override
    {
        node->addAttribute(new XMLAttribute(L"PROFILE", L"Anna"));
        return false; // ignored by the engine
    }

    std::wstring loaded;
    bool loadResult = true;
};

class EngineConfigTest : public ::testing::Test {
protected:
    void SetUp() override { engine = UlvoEngine::getInstance(); }
    void TearDown() override
    {
        delete engine->getUserGlobals();
        engine->setUserGlobals(nullptr);
    }

    std::wstring path(const char* name) const { return (dir / name).wstring(); }

    XMLNode reread(const char* name) const
    {
        XMLNode document;
        EXPECT_TRUE(XMLNode::load(&document, path(name), 0));
        return document;
    }

    UlvoEngine* engine = nullptr;
    TempDir dir;
};

const wchar_t* const kFullFile = LR"(<MyEngineParams>
	<API_PARAMS PROFILE="Bert"> </API_PARAMS>
	<ENGINE_PARAMS>
		<D3DINITPARAMS>
			<WINDOW SIZE_X="800" SIZE_Y="600"/>
			<DISP_MODE RES_X="1024" RES_Y="768" FORMAT="D3DFMT_X8R8G8B8" REFRESH_RATE="60"/>
			<PRESENTER_PARAMS FULLSCREEN="0" BACKBUFFER_COUNT="2">
				<MULTISAMPLE TYPE="4" QUALITY="1"/>
			</PRESENTER_PARAMS>
			<MISC MIN_RES_X="640" MAX_RES_X="-1" AUTO_DEGRADE="1 0"/>
		</D3DINITPARAMS>
		<SOUNDINITPARAMS INIT_3D="1">
			<RUNTIME LOOKAHEAD="250">"|Vodezivudo|"</RUNTIME>
		</SOUNDINITPARAMS>
		<DINPUTINITPARAMS MOUSE_SENSITIVITY="1.5" SWAP_MOUSE="-1" USE_WINAPI="0" KEY_REPEAT_RATE="300"/>
		<NETWORK_PARAMS PORT="4000"/>
	</ENGINE_PARAMS>
	<EXTRA_PARAMS MODE="2"/>
</MyEngineParams>
)";

} // namespace

TEST_F(EngineConfigTest, MissingFileFailsAndChangesNothing)
{
    D3DInitParams& display = engine->getEngineParams().getD3DInitParams();
    display.setDisplaySize(640, 480);
    EXPECT_FALSE(engine->load(path("config.cfg")));
    EXPECT_EQ(display.getDisplayWidth(), 640u);
    EXPECT_EQ(display.getDisplayHeight(), 480u);

    // A file holding only an empty ENGINE_PARAMS changes nothing either.
    TestSupport::writeBytes(
        dir / "empty.cfg",
        TestSupport::utf16le(L"<MyEngineParams><ENGINE_PARAMS></ENGINE_PARAMS></MyEngineParams>", true));
    EXPECT_TRUE(engine->load(path("empty.cfg")));
    EXPECT_EQ(display.getDisplayWidth(), 640u);
}

TEST_F(EngineConfigTest, SavedFileIsUtf16WithTheSectionsInOrder)
{
    ASSERT_TRUE(engine->save(path("config.cfg")));
    const std::vector<uint8_t> bytes = TestSupport::readBytes(dir / "config.cfg");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);

    XMLNode document = reread("config.cfg");
    EXPECT_EQ(document.getName(), L"MyEngineParams");
    const std::vector<std::wstring> top = childNames(&document);
    ASSERT_GE(top.size(), 2u);
    EXPECT_EQ(top[0], L"API_PARAMS");
    EXPECT_EQ(top[1], L"ENGINE_PARAMS");
    const std::vector<std::wstring> sections = childNames(document.getNode(L"ENGINE_PARAMS"));
    ASSERT_GE(sections.size(), 3u);
    EXPECT_EQ(sections[0], L"D3DINITPARAMS");
    EXPECT_EQ(sections[1], L"SOUNDINITPARAMS");
    EXPECT_EQ(sections[2], L"DINPUTINITPARAMS");
}

TEST_F(EngineConfigTest, EntriesOfLaterBuildsSurviveLoadAndSave)
{
    TestSupport::writeBytes(dir / "config.cfg", TestSupport::utf16le(kFullFile, true));
    ASSERT_TRUE(engine->load(path("config.cfg"))); // API_PARAMS without globals is fine

    EngineParams& params = engine->getEngineParams();
    D3DInitParams& display = params.getD3DInitParams();
    EXPECT_EQ(display.getDisplayWidth(), 1024u);
    EXPECT_EQ(display.getDisplayHeight(), 768u);
    EXPECT_EQ(display.getRefreshRate(), 60u);
    EXPECT_TRUE(display.isWindowed());
    EXPECT_TRUE(display.getAutoDegradeLimit());
    EXPECT_FALSE(display.getAutoDegradeReapply());
    EXPECT_EQ(engine->getWindow()->getWantedWidth(), 800u);
    EXPECT_EQ(engine->getWindow()->getWantedHeight(), 600u);
    DInputInitParams& input = params.getDInputInitParams();
    EXPECT_FALSE(input.isUsingWindowMessages());
    EXPECT_EQ(input.getKeyRepeatDelay(), 300u);
    EXPECT_EQ(input.getKeyRepeatRate(), 300u);

    // The values the start-up code forces are what the next save writes.
    input.setKeyRepeat(500, 100);
    input.setUseWindowMessages(true);
    display.setAutoDegrade(true, true);
    display.setDisplaySize(1280, 720);
    ASSERT_TRUE(engine->save(path("saved.cfg")));

    XMLNode saved = reread("saved.cfg");
    EXPECT_EQ(childNames(&saved), (std::vector<std::wstring>{L"API_PARAMS", L"ENGINE_PARAMS", L"EXTRA_PARAMS"}));
    EXPECT_EQ(attribute(saved.getNode(L"EXTRA_PARAMS"), L"MODE"), L"2");
    EXPECT_EQ(attribute(saved.getNode(L"API_PARAMS"), L"PROFILE"), L"<none>"); // nobody keeps it
    const XMLNode* engineNode = saved.getNode(L"ENGINE_PARAMS");
    EXPECT_EQ(childNames(engineNode), (std::vector<std::wstring>{L"D3DINITPARAMS", L"SOUNDINITPARAMS",
                                                                 L"DINPUTINITPARAMS", L"NETWORK_PARAMS"}));
    EXPECT_EQ(attribute(engineNode->getNode(L"NETWORK_PARAMS"), L"PORT"), L"4000");

    const XMLNode* d3d = engineNode->getNode(L"D3DINITPARAMS");
    EXPECT_EQ(attribute(d3d->getNode(L"WINDOW"), L"SIZE_X"), L"800");
    const XMLNode* mode = d3d->getNode(L"DISP_MODE");
    EXPECT_EQ(attribute(mode, L"RES_X"), L"1280");
    EXPECT_EQ(attribute(mode, L"RES_Y"), L"720");
    EXPECT_EQ(attribute(mode, L"FORMAT"), L"D3DFMT_X8R8G8B8");
    const XMLNode* present = d3d->getNode(L"PRESENTER_PARAMS");
    EXPECT_EQ(attribute(present, L"FULLSCREEN"), L"0");
    EXPECT_EQ(attribute(present, L"BACKBUFFER_COUNT"), L"2");
    EXPECT_EQ(attribute(present->getNode(L"MULTISAMPLE"), L"TYPE"), L"4");
    const XMLNode* misc = d3d->getNode(L"MISC");
    EXPECT_EQ(attribute(misc, L"MIN_RES_X"), L"640");
    EXPECT_EQ(attribute(misc, L"AUTO_DEGRADE"), L"1 1");

    const XMLNode* sound = engineNode->getNode(L"SOUNDINITPARAMS");
    EXPECT_EQ(attribute(sound, L"INIT_3D"), L"1");
    ASSERT_NE(sound->getNode(L"RUNTIME"), nullptr);
    ASSERT_EQ(sound->getNode(L"RUNTIME")->getPropertyCount(), 1u);
    EXPECT_EQ(sound->getNode(L"RUNTIME")->getProperty(0)->getValue(), L"Vodezivudo");

    const XMLNode* dinput = engineNode->getNode(L"DINPUTINITPARAMS");
    EXPECT_EQ(attribute(dinput, L"MOUSE_SENSITIVITY"), L"1.5");
    EXPECT_EQ(attribute(dinput, L"SWAP_MOUSE"), L"-1");
    EXPECT_EQ(attribute(dinput, L"USE_WINAPI"), L"1");
    EXPECT_EQ(attribute(dinput, L"KEY_REPEAT_RATE"), L"500 100");
}

TEST_F(EngineConfigTest, ALinkIsWrittenThroughAndAReadOnlyFileLeftAlone)
{
    std::filesystem::create_directories(dir / "dotfiles");
    TestSupport::writeText(dir / "dotfiles" / "config.cfg", "old");
    std::filesystem::create_symlink(dir / "dotfiles" / "config.cfg", dir / "config.cfg");
    ASSERT_TRUE(engine->save(path("config.cfg")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "config.cfg"));
    XMLNode written;
    ASSERT_TRUE(XMLNode::load(&written, (dir / "dotfiles" / "config.cfg").wstring(), 0));
    EXPECT_EQ(written.getName(), L"MyEngineParams");

    TestSupport::writeText(dir / "kept.cfg", "kept");
    std::filesystem::permissions(dir / "kept.cfg", std::filesystem::perms::owner_read);
    EXPECT_FALSE(engine->save(path("kept.cfg")));
    EXPECT_EQ(TestSupport::readText(dir / "kept.cfg"), "kept");
}

TEST_F(EngineConfigTest, GlobalsReadAndFillApiParams)
{
    RecordingGlobals* globals = new RecordingGlobals;
    engine->setUserGlobals(globals);
    TestSupport::writeBytes(dir / "config.cfg", TestSupport::utf16le(kFullFile, true));
    ASSERT_TRUE(engine->load(path("config.cfg")));
    EXPECT_EQ(globals->loaded, L"Bert");

    ASSERT_TRUE(engine->save(path("saved.cfg")));
    EXPECT_EQ(attribute(reread("saved.cfg").getNode(L"API_PARAMS"), L"PROFILE"), L"Anna");

    // A refusing section makes the load fail, but the other sections still apply.
    globals->loadResult = false;
    engine->getEngineParams().getD3DInitParams().setDisplaySize(1, 1);
    EXPECT_FALSE(engine->load(path("config.cfg")));
    EXPECT_EQ(engine->getEngineParams().getD3DInitParams().getDisplayWidth(), 1024u);
}

TEST(EngineParamsSections, PresentNodesStartFromZeroAndListsSplitAtBlanks)
{
    Window window;
    D3DInitParams display(&window);
    display.setDisplaySize(800, 600);
    display.setRefreshRate(75);
    display.setWindowed(true);

    XMLNode d3d = parse(L"<D3DINITPARAMS><DISP_MODE RES_X=\"640\"/><PRESENTER_PARAMS BACKBUFFER_COUNT=\"1\"/>"
                        L"<MISC AUTO_DEGRADE=\"1\"/></D3DINITPARAMS>");
    EXPECT_TRUE(display.load(&d3d));
    EXPECT_EQ(display.getDisplayWidth(), 640u);
    EXPECT_EQ(display.getDisplayHeight(), 0u); // missing inside a present DISP_MODE
    EXPECT_EQ(display.getRefreshRate(), 0u);
    EXPECT_FALSE(display.isWindowed()); // no FULLSCREEN: full screen
    EXPECT_TRUE(display.getAutoDegradeLimit());
    EXPECT_TRUE(display.getAutoDegradeReapply()); // one value sets both

    XMLNode reapplyOnly = parse(L"<D3DINITPARAMS><MISC AUTO_DEGRADE=\"0 1\"/></D3DINITPARAMS>");
    EXPECT_TRUE(display.load(&reapplyOnly));
    EXPECT_FALSE(display.getAutoDegradeLimit());
    EXPECT_TRUE(display.getAutoDegradeReapply());
    EXPECT_EQ(display.getDisplayWidth(), 640u); // absent nodes leave their fields

    DInputInitParams input(&window);
    XMLNode keys = parse(L"<DINPUTINITPARAMS KEY_REPEAT_RATE=\"300 50 7\" BUFFERED_MOUSE=\"2\" "
                         L"MAX_POLL_RATE_MOUSE=\"x\"/>");
    EXPECT_TRUE(input.load(&keys));
    EXPECT_EQ(input.getKeyRepeatDelay(), 300u);
    EXPECT_EQ(input.getKeyRepeatRate(), 50u);
    EXPECT_TRUE(input.isBufferedMouse());
    EXPECT_EQ(input.getMousePollRate(), 0u);
    EXPECT_FALSE(input.isBufferedKeyboard()); // absent: the default
    EXPECT_EQ(input.getKeyboardPollRate(), 20u);
}

TEST(EngineParamsSections, ValuesNoDeviceOrWindowCanTakeAreReplacedWhenRead)
{
    Window window;
    EngineParams params(&window);
    XMLNode bad =
        parse(L"<ENGINE_PARAMS><D3DINITPARAMS><WINDOW SIZE_X=\"20000\" SIZE_Y=\"-4\"/>"
              L"<DISP_MODE RES_X=\"800\" RES_Y=\"600\" FORMAT=\"D3DFMT_D24S8\"/>"
              L"<PRESENTER_PARAMS BACKBUFFER_COUNT=\"-5\" PRESENTATION_INTERVAL=\"7\">"
              L"<AUTO_DEPTH_STENCIL FORMAT=\"D3DFMT_BOGUS\"/></PRESENTER_PARAMS></D3DINITPARAMS>"
              L"<DINPUTINITPARAMS MOUSE_SENSITIVITY=\"nan\" MAX_POLL_RATE_MOUSE=\"-5\" KEY_REPEAT_RATE=\"-1 100\"/>"
              L"<SOUNDINITPARAMS><RUNTIME_PARAMS LOOK_AHEAD_TIME=\"-3\"/></SOUNDINITPARAMS></ENGINE_PARAMS>");
    ASSERT_TRUE(params.load(&bad));
    EXPECT_EQ(window.getWantedWidth(), Window::kDefaultSize);
    EXPECT_EQ(window.getWantedHeight(), Window::kDefaultSize);
    const D3DInitParams& display = params.getD3DInitParams();
    EXPECT_EQ(display.getDisplayMode()->Format, D3DFMT_UNKNOWN); // no display format: any
    EXPECT_EQ(display.getPresentParams()->BackBufferCount, 1u);
    EXPECT_EQ(display.getPresentParams()->PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE));
    EXPECT_EQ(display.getPresentParams()->AutoDepthStencilFormat, D3DFMT_D24S8);
    const DInputInitParams& input = params.getDInputInitParams();
    EXPECT_EQ(input.getMouseSensitivity(), 1.0f);
    EXPECT_EQ(input.getMousePollRate(), 20u);
    EXPECT_EQ(input.getKeyRepeatDelay(), 500u);
    EXPECT_EQ(params.getSoundInitParams().m_runtime_params.lookAheadTime, 0u);

    // Too many back buffers become as many as Direct3D 9 takes.
    XMLNode many = parse(L"<ENGINE_PARAMS><D3DINITPARAMS><PRESENTER_PARAMS BACKBUFFER_COUNT=\"4000000000\"/>"
                         L"</D3DINITPARAMS><DINPUTINITPARAMS MOUSE_SENSITIVITY=\"inf\"/></ENGINE_PARAMS>");
    ASSERT_TRUE(params.load(&many));
    EXPECT_EQ(params.getD3DInitParams().getPresentParams()->BackBufferCount, 3u);
    EXPECT_EQ(input.getMouseSensitivity(), 1.0f);
}
