// Object descriptions through the XML writer and reader, and the render-pass filter.
#include "engine/scene/TestObjekt.h"
#include "foundation/xml/XMLNode.h"
#include "render/cameras/AttachPoint.h"
#include "scene/objects/LightAttachPoint.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cfloat>

using namespace Ulvo;
using SceneTesting::parseNode;
using SceneTesting::TestObjekt;

namespace {

const wchar_t* kDescription =
    L"<OBJEKT NAME=\"Turm\" TYPE=\"MESH\">"
    L"<BASE_DATA FAR_DIST=\"1 50 60\" ALPHA=\"0.5\" MASK_COLOR=\"80FF0000\" BILLBOARD=\"1\" PRIORITY=\"-1\""
    L" INSERT_IN_SCENEGRAPH=\"0\">"
    L"<POSITION X=\"1\" Y=\"2\" Z=\"3\"/><SCALE X=\"2\"/><ROTATION YAW=\"90\"/>"
    L"<RENDERPASSES DEFAULT=\"1\"><Render ENABLED=\"0\"/>"
    L"<ENTRY PASS=\"Water\"><Reflect ENABLED=\"0\"/></ENTRY></RENDERPASSES>"
    L"<LIGHT_PARAMS LIGHTS_ON=\"1\" AUTO_SWITCH_LIGHTS=\"0\" LIGHT_TYPE=\"10\">"
    L"<LIGHT_ATTACH NAME=\"L1\" LIGHT_NAME=\"Fackel\" LIGHT_ON=\"2.5 0.5\"/></LIGHT_PARAMS>"
    L"<CAMERA_ATTACH NAME=\"Spitze\"><POSITION Y=\"10\"/></CAMERA_ATTACH>"
    L"<CAMERA_ATTACH NAME=\"Tor\"/></BASE_DATA>"
    L"<TEXTURES USE_STANDARD_ENV=\"1\"/>"
    L"<SOUNDS><SOUND NAME=\"Glocke\" SOUNDBANK=\"Bank\" CUE_NAME=\"bim\"/></SOUNDS>"
    L"<AMBIENT_SOUNDS ANZ_SOUNDS_MIN=\"2\">\"|Wind|\" \"|Regen|\"</AMBIENT_SOUNDS>"
    L"</OBJEKT>";

void expectSame(TestObjekt& a, TestObjekt& b)
{
    EXPECT_EQ(a.getName(), b.getName());
    EXPECT_EQ(a.isFarDistEnabled(), b.isFarDistEnabled());
    for (int i = 0; i < 4; ++i)
        EXPECT_FLOAT_EQ(a.getFarDist()[i], b.getFarDist()[i]);
    EXPECT_FLOAT_EQ(a.getAlpha(), b.getAlpha());
    EXPECT_EQ(static_cast<DWORD>(a.getMaskColor()), static_cast<DWORD>(b.getMaskColor()));
    EXPECT_EQ(a.getBillboardMode(), b.getBillboardMode());
    EXPECT_EQ(a.getPriority(), b.getPriority());
    EXPECT_EQ(a.getInsertInSceneGraph(), b.getInsertInSceneGraph());
    EXPECT_EQ(a.getBasePosition(), b.getBasePosition());
    EXPECT_EQ(a.getScale(), b.getScale());
    EXPECT_NEAR(a.getRotation().y, b.getRotation().y, 1e-6f);
    EXPECT_NEAR(a.getRotation().w, b.getRotation().w, 1e-6f);
    EXPECT_EQ(a.getLightsOn(), b.getLightsOn());
    EXPECT_EQ(a.getAutoSwitch(), b.getAutoSwitch());
    EXPECT_EQ(a.getLightType(), b.getLightType());
    ASSERT_EQ(a.getLightCount(), b.getLightCount());
    EXPECT_FLOAT_EQ(a.getLight(0)->getOnVariation(), b.getLight(0)->getOnVariation());
    ASSERT_EQ(a.getAttachPointCount(), b.getAttachPointCount());
    for (unsigned i = 0; i < a.getAttachPointCount(); ++i) {
        EXPECT_EQ(a.getAttachPoint(i)->getName(), b.getAttachPoint(i)->getName());
        EXPECT_EQ(a.getAttachPoint(i)->getPosition(), b.getAttachPoint(i)->getPosition());
    }
    EXPECT_EQ(a.usesStandardEnvironment(), b.usesStandardEnvironment());
    EXPECT_EQ(a.getAmbientSounds(), b.getAmbientSounds());
}

} // namespace

TEST(BaseObjektDescriptionTest, ReadsTheDescriptionAndComesBackThroughTheWriter)
{
    LogCapture logs;
    XMLNode node = parseNode(kDescription);
    TestObjekt original(&node);

    // Three FAR_DIST values are the switch and the far pair.
    EXPECT_TRUE(original.isFarDistEnabled());
    EXPECT_FLOAT_EQ(original.getFarDist()[0], 0.0f);
    EXPECT_FLOAT_EQ(original.getFarDist()[1], 0.0f);
    EXPECT_FLOAT_EQ(original.getFarDist()[2], 50.0f);
    EXPECT_FLOAT_EQ(original.getFarDist()[3], 60.0f);
    EXPECT_FLOAT_EQ(original.getMaskColor().r, 1.0f);
    EXPECT_FLOAT_EQ(original.getMaskColor().g, 0.0f);
    EXPECT_FLOAT_EQ(original.getMaskColor().a, 128.0f / 255.0f);
    EXPECT_EQ(original.getPriority(), 0xFFFFFFFFu);
    EXPECT_EQ(original.getScale(), D3DXVECTOR3(2, 0, 0)); // missing axes of a given SCALE are 0
    EXPECT_NEAR(original.getRotationYawPitchRoll().x, 90.0f, 1e-3f);
    // CAMERA_ATTACH replaces the DEFAULT attach point.
    ASSERT_EQ(original.getAttachPointCount(), 2u);
    EXPECT_EQ(original.getAttachPoint(0)->getName(), L"Spitze");
    EXPECT_EQ(original.getAttachPoint(2), nullptr);
    EXPECT_EQ(original.getAmbientSounds().size(), 2u);

    XMLNode saved(L"OBJEKT");
    ASSERT_TRUE(original.save(&saved));
    EXPECT_EQ(saved.getAttribute(L"TYPE")->getValue(), L"");
    // Written in full: the switch and all four values.
    EXPECT_EQ(saved.getNode(L"BASE_DATA")->getAttribute(L"FAR_DIST")->getValue(), L"1 0 0 50 60");
    // Written and read in decimal, so that the value survives any number of saves.
    EXPECT_EQ(saved.getNode(L"BASE_DATA")->getNode(L"LIGHT_PARAMS")->getAttribute(L"LIGHT_TYPE")->getValue(), L"10");

    // Sounds answer only their own object, and only when their bank exists.
    EXPECT_EQ(original.playSound(L"Glocke", &original), nullptr);
    XMLNode otherNode = parseNode(L"<OBJEKT NAME=\"Anderes\"/>");
    TestObjekt other(&otherNode);
    EXPECT_EQ(original.playSound(L"Glocke", &other), nullptr);

    // Through the document text and back.
    XMLNode reread = parseNode(saved.toText());
    TestObjekt copy(&reread);
    expectSame(original, copy);
    XMLNode again(L"OBJEKT");
    copy.save(&again);
    EXPECT_EQ(again.toText(), saved.toText());
}

TEST(BaseObjektDescriptionTest, AmbientSoundsWithoutNamesPlayNothing)
{
    LogCapture logs;
    XMLNode node = parseNode(L"<OBJEKT NAME=\"Still\"><AMBIENT_SOUNDS ANZ_SOUNDS_MIN=\"3\"/></OBJEKT>");
    TestObjekt object(&node);
    EXPECT_TRUE(object.getAmbientSounds().empty());
    object.playRandomAmbientSounds(); // no name to pick from: nothing, and no index -1
    object.playRandomAmbientSounds();
}

TEST(BaseObjektDescriptionTest, RenderPassFilterAnswersByEntryDepthAndDefault)
{
    LogCapture logs;
    auto filterOf = [](const std::wstring& passes) {
        XMLNode node = parseNode(L"<OBJEKT NAME=\"F\"><BASE_DATA>" + passes + L"</BASE_DATA></OBJEKT>");
        return TestObjekt(&node).getRenderPassFilter();
    };
    using Path = std::vector<std::wstring>;

    // One disabled entry: that pass is out, and so is every other by default.
    RenderPassFilter closed =
        filterOf(L"<RENDERPASSES DEFAULT=\"0\"><X PASS=\"Render\" ENABLED=\"0\"/></RENDERPASSES>");
    EXPECT_FALSE(closed.isInRenderPass(Path{L"Render"}));
    EXPECT_FALSE(closed.isInRenderPass(Path{L"Shadow"}));
    RenderPassFilter open = filterOf(L"<RENDERPASSES DEFAULT=\"1\"><Render ENABLED=\"0\"/></RENDERPASSES>");
    EXPECT_FALSE(open.isInRenderPass(Path{L"Render"}));
    EXPECT_TRUE(open.isInRenderPass(Path{L"Shadow"}));
    EXPECT_TRUE(open.isInRenderPass(Path{})); // nothing to match: the default

    // A later entry wins over an earlier one for the same pass.
    RenderPassFilter later = filterOf(L"<RENDERPASSES><Render ENABLED=\"0\"/><Render ENABLED=\"1\"/></RENDERPASSES>");
    EXPECT_TRUE(later.isInRenderPass(Path{L"Render"}));

    // Nested entries answer for passes inside passes; a silent child leaves the parent's yes.
    RenderPassFilter nested =
        filterOf(L"<RENDERPASSES><Water><Reflect ENABLED=\"0\"/><Refract/></Water></RENDERPASSES>");
    EXPECT_TRUE(nested.isInRenderPass(Path{L"Water"}));
    EXPECT_FALSE(nested.isInRenderPass(Path{L"Water", L"Reflect"}));
    EXPECT_TRUE(nested.isInRenderPass(Path{L"Water", L"Refract"}));
    EXPECT_TRUE(nested.isInRenderPass(Path{L"Water", L"Other"}));
    EXPECT_FALSE(nested.isInRenderPass(Path{L"Reflect"}));
}
