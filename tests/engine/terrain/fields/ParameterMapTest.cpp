// Fields read from pictures on the real device: channel means, the vector decoding, a texture
// list of the field's own, missing pictures, and copies that share the locked texture.
#include "engine/graphics/GraphicsTestSupport.h"
#include "foundation/xml/XMLNode.h"
#include "support/LogCapture.h"
#include "terrain/fields/LayerParameter.h"
#include "terrain/fields/ParameterMap.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Ulvo;

namespace {

// 2 x 1 pixels: left (0.2, 0.4, 0.6, 1.0), right black and clear.
void writePicture()
{
    TestSupport::Image image;
    image.width = 2;
    image.height = 1;
    image.pixels = {D3DCOLOR_ARGB(255, 51, 102, 153), D3DCOLOR_ARGB(0, 0, 0, 0)};
    ASSERT_TRUE(TestSupport::writePng("bild.png", image));
}

std::unique_ptr<Parameter> make(const std::wstring& attributes)
{
    XMLNode node;
    XMLNode::load(&node,
                  L"<P TYPE=\"MAP\" TEXTUR=\"Bild\" " + attributes +
                      L"><TEXTUREN><TEXTUR2D NAME=\"Bild\"><FILE FILENAME=\"bild.png\"/></TEXTUR2D></TEXTUREN></P>",
                  1);
    return std::unique_ptr<Parameter>(createParameter(&node));
}

const D3DXVECTOR2 kLeft(0.25f, 0.5f);

} // namespace

TEST(ParameterMapTest, ChannelsAreAveragedOnceEachAndTheVectorDecodesTheTexel)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    LogCapture logs;
    writePicture();

    EXPECT_NEAR(make(L"CHANNEL=\"R G\"")->getValue(kLeft), 0.3f, 1e-6f);
    EXPECT_NEAR(make(L"CHANNEL=\"A\"")->getValue(kLeft), 1.0f, 1e-6f);
    EXPECT_NEAR(make(L"")->getValue(kLeft), (0.2f + 0.4f + 0.6f + 1.0f) / 4.0f, 1e-6f);
    // A letter given twice counts once.
    auto twice = make(L"CHANNEL=\"R R\"");
    EXPECT_EQ(static_cast<ParameterMap*>(twice.get())->getChannelCount(), 1u);
    EXPECT_NEAR(twice->getValue(kLeft), 0.2f, 1e-6f);
    // The child node overrides the attribute.
    XMLNode node;
    XMLNode::load(&node,
                  L"<P TYPE=\"MAP\" TEXTUR=\"Bild\" CHANNEL=\"R\"><CHANNEL>\"|B|\"</CHANNEL><TEXTUREN><TEXTUR2D "
                  L"NAME=\"Bild\"><FILE FILENAME=\"bild.png\"/></TEXTUR2D></TEXTUREN></P>",
                  1);
    std::unique_ptr<Parameter> blue(createParameter(&node));
    EXPECT_NEAR(blue->getValue(kLeft), 0.6f, 1e-6f);
    // A mask that selects nothing is 0 (not 0/0), with a log line.
    auto nothing = make(L"CHANNEL=\"X\" INVERT=\"1\"");
    EXPECT_FLOAT_EQ(nothing->getValue(kLeft), 1.0f);
    EXPECT_NE(logs.text().find("CHANNEL waehlt keinen Kanal"), std::string::npos);

    D3DXVECTOR4 v;
    make(L"")->getVector(&v, kLeft);
    EXPECT_NEAR(v.x, -0.6f, 1e-6f);
    EXPECT_NEAR(v.z, 0.2f, 1e-6f);
    EXPECT_NEAR(v.w, 1.0f, 1e-6f);
    make(L"VEC_FAKTOR=\"1\" VEC_OFFSET=\"0.5\" INVERT=\"1\"")->getVector(&v, kLeft);
    EXPECT_NEAR(v.x, 1.3f, 1e-6f);
    EXPECT_NEAR(v.w, 0.5f, 1e-6f);

    // Linear interpolation halfway from the first texel to the second.
    EXPECT_NEAR(make(L"CHANNEL=\"G\" INTERPOLATION=\"LINEAR\"")->getValue(kLeft), 0.2f, 1e-6f);

    ParameterMap file(L"bild.png");
    file.setChannels(ParameterMap::CHANNEL_B | ParameterMap::CHANNEL_A);
    EXPECT_NEAR(file.getValue(kLeft), 0.8f, 1e-6f);
}

TEST(ParameterMapTest, AMissingPictureGivesZeroAndCopiesKeepTheSharedTextureReadable)
{
    ASSERT_NE(GraphicsTesting::startDevice(), nullptr);
    LogCapture logs;
    writePicture();

    XMLNode node;
    XMLNode::load(&node, L"<P TYPE=\"MAP\" TEXTUR=\"Fehlt\" INVERT=\"1\"/>", 1);
    std::unique_ptr<Parameter> missing(createParameter(&node));
    EXPECT_FLOAT_EQ(missing->getValue(kLeft), 1.0f);
    D3DXVECTOR4 v;
    missing->getVector(&v, kLeft);
    EXPECT_FLOAT_EQ(v.y, 1.0f);
    ParameterMap noFile(L"gibtsnicht.png");
    EXPECT_FALSE(noFile.isLoaded());
    EXPECT_FLOAT_EQ(noFile.getValue(kLeft), 0.0f);

    // Each copy's end used to unlock the texture the others still read.
    auto original = make(L"CHANNEL=\"R\"");
    std::unique_ptr<Parameter> first(original->clone());
    {
        std::unique_ptr<Parameter> second(original->clone());
    }
    original.reset();
    EXPECT_NEAR(first->getValue(kLeft), 0.2f, 1e-6f);
}
