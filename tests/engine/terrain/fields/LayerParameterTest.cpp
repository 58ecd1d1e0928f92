// Layer weights: one field per layer slot, later entries replace earlier ones, and ids outside the
// terrain's four layers are refused.
#include "foundation/xml/XMLNode.h"
#include "support/LogCapture.h"
#include "terrain/fields/LayerParameter.h"
#include "terrain/fields/ParameterStatic.h"

#include <gtest/gtest.h>

using namespace Ulvo;

namespace {

float valueOf(const LayerParameter& layers, uint32_t slot)
{
    return layers.getParameter(slot)->getValue(D3DXVECTOR2(0.5f, 0.5f));
}

} // namespace

TEST(LayerParameterTest, ChildrenFillTheirSlotsInDocumentOrder)
{
    XMLNode node;
    XMLNode::load(&node,
                  L"<TEX_PARAMETER NAME=\"Lagen\">"
                  L"<PARAMETER TYPE=\"STATIC\" VALUE=\"0.1\" LAYER_ID=\"2\"/>"
                  L"<PARAMETER TYPE=\"STATIC\" VALUE=\"0.3\" LAYER_ID=\"1\"/>"
                  L"<PARAMETER TYPE=\"STATIC\" VALUE=\"0.4\" LAYER_ID=\"1\"/>"
                  L"<PARAMETER TYPE=\"GRAS\"/>"
                  L"</TEX_PARAMETER>",
                  1);
    LayerParameter layers(&node);
    EXPECT_EQ(layers.getName(), L"Lagen");
    EXPECT_EQ(layers.getSlotCount(), 3u);
    // No LAYER_ID is slot 0; an unknown kind is a constant 1.
    EXPECT_FLOAT_EQ(valueOf(layers, 0), 1.0f);
    EXPECT_FLOAT_EQ(valueOf(layers, 1), 0.4f);
    EXPECT_FLOAT_EQ(valueOf(layers, 2), 0.1f);
    EXPECT_EQ(layers.getParameter(3), nullptr);
    EXPECT_EQ(layers.getParameter(0xFFFFFFFFu), nullptr);

    LayerParameter empty;
    EXPECT_EQ(empty.getParameter(0), nullptr);
    empty.setParameter(new ParameterStatic(0.5f), 3);
    EXPECT_EQ(empty.getParameter(2), nullptr);
    EXPECT_FLOAT_EQ(valueOf(empty, 3), 0.5f);
    empty.setParameter(nullptr, 3);
    EXPECT_EQ(empty.getParameter(3), nullptr);
}

TEST(LayerParameterTest, NegativeOrHugeLayerIdsAreRefusedWithALogLine)
{
    LogCapture logs;
    XMLNode node;
    XMLNode::load(&node,
                  L"<TEX_PARAMETER><PARAMETER VALUE=\"0.2\" LAYER_ID=\"-1\"/>"
                  L"<PARAMETER VALUE=\"0.2\" LAYER_ID=\"1000000000\"/>"
                  L"<PARAMETER VALUE=\"0.7\" LAYER_ID=\"3\"/><PARAMETER VALUE=\"0.2\" LAYER_ID=\"4\"/></TEX_PARAMETER>",
                  1);
    LayerParameter layers(&node);
    EXPECT_EQ(layers.getSlotCount(), 4u);
    EXPECT_FLOAT_EQ(valueOf(layers, 3), 0.7f);
    const std::string text = logs.text();
    EXPECT_NE(text.find("LAYER_ID 4294967295 ausserhalb 0..3"), std::string::npos) << text;
    EXPECT_NE(text.find("LAYER_ID 1000000000 ausserhalb 0..3"), std::string::npos);
    EXPECT_NE(text.find("LAYER_ID 4 ausserhalb 0..3"), std::string::npos);
}
