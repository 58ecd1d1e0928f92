// The display settings in "config.cfg": every key in its place, round trips,
// and files that name only some keys or hold values the types cannot take.
#include "devices/d3d/D3DInitParams.h"
#include "devices/window/Window.h"
#include "foundation/xml/XMLNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Ulvo;

namespace {

XMLNode parse(const std::wstring& text)
{
    XMLNode node;
    EXPECT_TRUE(XMLNode::load(&node, text, 1));
    return node;
}

std::vector<std::wstring> childNames(const XMLNode* node)
{
    std::vector<std::wstring> names;
    if (node) {
        for (const XMLNode* child : node->getNodes())
            names.push_back(child->getName());
    }
    return names;
}

// "KEY=value" for every attribute, in order.
std::vector<std::wstring> attributes(const XMLNode* node)
{
    std::vector<std::wstring> items;
    if (node) {
        for (const XMLAttribute* a : node->getAttributes())
            items.push_back(a->getName() + L"=" + a->getValue());
    }
    return items;
}

} // namespace

TEST(D3DInitParamsConfig, SavesEveryKeyInItsLayoutAndReadsItBack)
{
    Window window;
    window.setSize(800, 600, false);
    D3DInitParams params(&window);
    *params.getDisplayMode() = D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8};
    params.getPresentParams()->Windowed = FALSE;
    params.getPresentParams()->Flags = 2;
    params.setMinRes(640, 480);
    params.setAutoDegrade(true, false);

    XMLNode saved(L"D3DINITPARAMS");
    ASSERT_TRUE(params.save(&saved));
    EXPECT_EQ(childNames(&saved), (std::vector<std::wstring>{L"WINDOW", L"DISP_MODE", L"PRESENTER_PARAMS", L"MISC"}));
    EXPECT_EQ(attributes(saved.getNode(L"WINDOW")), (std::vector<std::wstring>{L"SIZE_X=800", L"SIZE_Y=600"}));
    EXPECT_EQ(attributes(saved.getNode(L"DISP_MODE")),
              (std::vector<std::wstring>{L"RES_X=1024", L"RES_Y=768", L"FORMAT=D3DFMT_X8R8G8B8", L"REFRESH_RATE=60"}));
    const XMLNode* present = saved.getNode(L"PRESENTER_PARAMS");
    EXPECT_EQ(attributes(present), (std::vector<std::wstring>{L"FULLSCREEN=1", L"BACKBUFFER_COUNT=1", L"SWAP_EFFECT=1",
                                                              L"PRESENTATION_INTERVAL=-2147483648", L"FLAGS=2"}));
    EXPECT_EQ(childNames(present), (std::vector<std::wstring>{L"AUTO_DEPTH_STENCIL", L"MULTISAMPLE"}));
    EXPECT_EQ(attributes(present->getNode(L"AUTO_DEPTH_STENCIL")),
              (std::vector<std::wstring>{L"ENABLE=1", L"FORMAT=D3DFMT_D24S8"}));
    EXPECT_EQ(attributes(present->getNode(L"MULTISAMPLE")), (std::vector<std::wstring>{L"TYPE=0", L"QUALITY=0"}));
    EXPECT_EQ(attributes(saved.getNode(L"MISC")),
              (std::vector<std::wstring>{L"MIN_RES_X=640", L"MIN_RES_Y=480", L"MAX_RES_X=-1", L"MAX_RES_Y=-1",
                                         L"AUTO_DEGRADE=1 0"}));

    Window otherWindow;
    D3DInitParams reread(&otherWindow);
    ASSERT_TRUE(reread.load(&saved));
    EXPECT_EQ(otherWindow.getWantedWidth(), 800u);
    EXPECT_EQ(reread.getDisplayMode()->Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(reread.getDisplayWidth(), 1024u);
    EXPECT_FALSE(reread.isWindowed());
    EXPECT_EQ(reread.getPresentParams()->PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE));
    EXPECT_EQ(reread.getPresentParams()->AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(reread.getPresentParams()->Flags, 0u); // written for reference, not read
    EXPECT_EQ(reread.getMinResX(), 640u);
    EXPECT_EQ(reread.getMaxResX(), 0xFFFFFFFFu);
    EXPECT_TRUE(reread.getAutoDegradeLimit());
    EXPECT_FALSE(reread.getAutoDegradeReapply());
}

TEST(D3DInitParamsConfig, KeysMissingFromPresentNodesTakeWorkingValues)
{
    D3DInitParams params(nullptr);
    *params.getDisplayMode() = D3DDISPLAYMODE{800, 600, 75, D3DFMT_R5G6B5};
    D3DPRESENT_PARAMETERS& present = *params.getPresentParams();
    present.SwapEffect = D3DSWAPEFFECT_COPY;
    present.BackBufferCount = 3;
    present.EnableAutoDepthStencil = FALSE;

    // What earlier builds wrote: FULLSCREEN alone, a mode without FORMAT.
    XMLNode older = parse(L"<D3DINITPARAMS><DISP_MODE RES_X=\"1024\" RES_Y=\"768\" REFRESH_RATE=\"60\"/>"
                          L"<PRESENTER_PARAMS FULLSCREEN=\"0\"/></D3DINITPARAMS>");
    ASSERT_TRUE(params.load(&older));
    EXPECT_EQ(params.getDisplayMode()->Format, D3DFMT_UNKNOWN); // a present mode node starts empty
    EXPECT_EQ(params.getDisplayWidth(), 1024u);
    EXPECT_TRUE(params.isWindowed());
    EXPECT_EQ(present.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(present.BackBufferCount, 1u);
    EXPECT_EQ(present.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(present.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(present.PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE));

    // Values the fields cannot take are left out.
    XMLNode broken = parse(L"<D3DINITPARAMS><PRESENTER_PARAMS FULLSCREEN=\"1\" SWAP_EFFECT=\"0\">"
                           L"<AUTO_DEPTH_STENCIL ENABLE=\"0\" FORMAT=\"-7\"/><MULTISAMPLE TYPE=\"-3\" QUALITY=\"2\"/>"
                           L"</PRESENTER_PARAMS><MISC AUTO_DEGRADE=\"\"/></D3DINITPARAMS>");
    ASSERT_TRUE(params.load(&broken));
    EXPECT_FALSE(params.isWindowed());
    EXPECT_EQ(present.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(present.EnableAutoDepthStencil, FALSE);
    EXPECT_EQ(present.AutoDepthStencilFormat, D3DFMT_D24S8); // no depth format: the default
    EXPECT_EQ(present.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(present.MultiSampleQuality, 2u);
    EXPECT_FALSE(params.getAutoDegradeLimit());
}

TEST(D3DInitParamsConfig, WhatThisBuildDoesNotKnowSurvivesASave)
{
    Window window;
    D3DInitParams params(&window);
    XMLNode read = parse(L"<D3DINITPARAMS LATER=\"1\">\"|note|\"<WINDOW SIZE_X=\"800\" SIZE_Y=\"600\" DPI=\"2\"/>"
                         L"<DISP_MODE RES_X=\"800\" RES_Y=\"600\" HDR=\"1\"/><GAMMA VALUE=\"2.2\">\"|curve|\"</GAMMA>"
                         L"</D3DINITPARAMS>");
    ASSERT_TRUE(params.load(&read));
    XMLNode saved(L"D3DINITPARAMS");
    ASSERT_TRUE(params.save(&saved));
    EXPECT_EQ(childNames(&saved),
              (std::vector<std::wstring>{L"WINDOW", L"DISP_MODE", L"GAMMA", L"PRESENTER_PARAMS", L"MISC"}));
    EXPECT_EQ(attributes(&saved), std::vector<std::wstring>{L"LATER=1"});
    ASSERT_EQ(saved.getProperties().size(), 1u);
    EXPECT_EQ(saved.getProperties()[0]->getValue(), L"note");
    EXPECT_EQ(attributes(saved.getNode(L"WINDOW")),
              (std::vector<std::wstring>{L"SIZE_X=800", L"SIZE_Y=600", L"DPI=2"}));
    EXPECT_EQ(saved.getNode(L"DISP_MODE")->getAttributeValue(L"HDR"), L"1");
    EXPECT_EQ(saved.getNode(L"GAMMA")->getProperties()[0]->getValue(), L"curve");
}
