// The spline manager: registration from SPLINE nodes and spline files, lookup by exact name,
// SPL_reload through the console (answer, help line, completion) and the engine's manager.
#include "engine/UlvoEngine.h"
#include "engine/render/ConsoleLine.h"
#include "scene/SplineManager.h"
#include "scene/splines/Spline.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace Ulvo;
using RenderTesting::complete;
using RenderTesting::run;

namespace {

XMLNode parse(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1));
    return node;
}

XMLNode twoPointSpline(const std::wstring& name, float x)
{
    return parse(L"<SPLINE NAME=\"" + name + L"\"><CONTROLPOINT/><CONTROLPOINT><POSITION X=\"" + std::to_wstring(x) +
                 L"\"/></CONTROLPOINT></SPLINE>");
}

struct RebuildCounter : sigslot::has_slots<> {
    void onRebuilt(Spline&) { ++count; }
    int count = 0;
};

class SplineManagerTest : public ::testing::Test {
protected:
    LogCapture logs; // also the working folder
    SplineManager manager;
};

} // namespace

TEST_F(SplineManagerTest, RegisteredSplinesAreFoundByExactNameAndKeepTheirIdentity)
{
    XMLNode road = twoPointSpline(L"Weg", 10);
    Spline* spline = manager.addSpline(&road);
    ASSERT_NE(spline, nullptr);
    EXPECT_EQ(manager.getSpline(L"Weg"), spline);
    EXPECT_EQ(manager.getSpline(L"weg"), nullptr);
    EXPECT_EQ(manager.getSpline(L"Fluss"), nullptr);
    EXPECT_EQ(spline->getRefCount(), 1);

    // The same name again: the registered spline takes the new shape and tells its listeners.
    RebuildCounter counter;
    spline->rebuilt.connect(&counter, &RebuildCounter::onRebuilt);
    XMLNode longer = twoPointSpline(L"Weg", 30);
    EXPECT_EQ(manager.addSpline(&longer), spline);
    EXPECT_EQ(manager.getSplines().size(), 1u);
    EXPECT_FLOAT_EQ(spline->getLength(), 30.0f);
    EXPECT_EQ(counter.count, 1);

    // A spline made elsewhere is held with a reference of the manager's own.
    Spline* made = new Spline();
    made->rename(L"Kreis");
    EXPECT_EQ(manager.addSpline(made), made);
    EXPECT_EQ(made->getRefCount(), 2);
    made->Release();

    XMLNode nameless = parse(L"<SPLINE><CONTROLPOINT/></SPLINE>");
    EXPECT_EQ(manager.addSpline(&nameless), nullptr);
    EXPECT_EQ(manager.getSplines().size(), 2u);
}

TEST_F(SplineManagerTest, ReloadRebuildsFromTheDescriptionInPlace)
{
    TestSupport::writeText(logs.folder() / "path.ase", "*SHAPE_VERTEX_KNOT 0 0 0 0\n*SHAPE_VERTEX_KNOT 1 3 4 0\n");
    XMLNode node = parse(L"<SPLINE NAME=\"Pfad\" CREATE_FROM_ASE=\"path.ase\"/>");
    Spline* spline = manager.addSpline(&node);
    ASSERT_NE(spline, nullptr);
    EXPECT_FLOAT_EQ(spline->getLength(), 5.0f);
    RebuildCounter counter;
    spline->rebuilt.connect(&counter, &RebuildCounter::onRebuilt);

    // The path edited in its file takes effect on SPL_reload.
    TestSupport::writeText(logs.folder() / "path.ase", "*SHAPE_VERTEX_KNOT 0 0 0 0\n*SHAPE_VERTEX_KNOT 1 6 8 0\n");
    spline->getPointStore().clear();
    EXPECT_EQ(run(L"SPL_reload Pfad"), L"Spline reloaded!");
    EXPECT_EQ(manager.getSpline(L"Pfad"), spline);
    ASSERT_EQ(spline->getPointStore().size(), 2u);
    EXPECT_FLOAT_EQ(spline->getLength(), 10.0f);
    EXPECT_EQ(counter.count, 1);

    // Without a description the answer comes and nothing changes.
    Spline* made = new Spline();
    made->rename(L"Frei");
    made->getPointStore().resize(2);
    made->getPointStore()[1].position = D3DXVECTOR3(0, 0, 2);
    made->build();
    manager.addSpline(made);
    made->Release();
    EXPECT_EQ(run(L"SPL_reload Frei"), L"Spline reloaded!");
    EXPECT_FLOAT_EQ(made->getLength(), 2.0f);

    // An unknown name: no answer, nothing rebuilt; no name: the help line.
    EXPECT_EQ(run(L"SPL_reload pfad"), L"");
    EXPECT_EQ(counter.count, 1);
    EXPECT_EQ(run(L"SPL_reload"), L"SPL_reload Name; l\u00E4dt das Objekt erneut");
}

TEST_F(SplineManagerTest, CompletionOffersTheNamesWithTheTypedPrefix)
{
    for (const wchar_t* name : {L"Weg_Nord", L"Fluss", L"Weg_Sued"}) {
        XMLNode node = twoPointSpline(name, 1);
        manager.addSpline(&node);
    }
    EXPECT_EQ(complete(L"SPL_reload Weg"), (std::vector<std::wstring>{L"SPL_reload Weg_Nord", L"SPL_reload Weg_Sued"}));
    EXPECT_EQ(complete(L"SPL_reload "),
              (std::vector<std::wstring>{L"SPL_reload Weg_Nord", L"SPL_reload Fluss", L"SPL_reload Weg_Sued"}));
    EXPECT_EQ(complete(L"SPL_reload x"), std::vector<std::wstring>{});
}

TEST_F(SplineManagerTest, SplineFilesRegisterTheirSplineNodes)
{
    TestSupport::writeText(
        logs.folder() / "splines.xml",
        "<SPLINES>\n"
        "\t<SPLINE NAME=\"A\"><CONTROLPOINT/><CONTROLPOINT><POSITION X=\"4\"/></CONTROLPOINT></SPLINE>\n"
        "\t<KAMERA NAME=\"C\"/>\n"
        "\t<SPLINE><CONTROLPOINT/></SPLINE>\n"
        "\t<SPLINE NAME=\"B\" LOOP=\"1\"/>\n"
        "</SPLINES>\n");
    EXPECT_EQ(manager.loadFile(L"splines.xml"), 2);
    ASSERT_NE(manager.getSpline(L"A"), nullptr);
    EXPECT_FLOAT_EQ(manager.getSpline(L"A")->getLength(), 4.0f);
    ASSERT_NE(manager.getSpline(L"B"), nullptr);
    EXPECT_TRUE(manager.getSpline(L"B")->isLoop());

    EXPECT_EQ(manager.loadFile(L"none.xml"), -1);
    EXPECT_NE(logs.text().find("none.xml"), std::string::npos);

    // The start-up file: missing is quiet; present, its splines are registered.
    EXPECT_EQ(manager.loadStartupFile(), 0);
    std::filesystem::create_directories(logs.folder() / "data");
    TestSupport::writeText(logs.folder() / "data" / "Splines.xml",
                           "<SPLINES><SPLINE NAME=\"Start\"><CONTROLPOINT/></SPLINE></SPLINES>");
    EXPECT_EQ(manager.loadStartupFile(), 1);
    EXPECT_NE(manager.getSpline(L"Start"), nullptr);

    // A broken start-up file is logged and registers nothing.
    TestSupport::writeText(logs.folder() / "data" / "Splines.xml", "<SPLINES><SPLINE NAME=\"X\"");
    EXPECT_LE(manager.loadStartupFile(), 0);
    EXPECT_EQ(manager.getSpline(L"X"), nullptr);
}

TEST_F(SplineManagerTest, TheEngineMadeOneManager)
{
    ASSERT_NE(UlvoEngine::getInstance()->getSplineManager(), nullptr);
    EXPECT_EQ(SplineManager::getEngineSplines(), UlvoEngine::getInstance()->getSplineManager());
    EXPECT_EQ(UlvoEngine::getInstance()->getSplineManager()->getSpline(L"nothing"), nullptr);
}
