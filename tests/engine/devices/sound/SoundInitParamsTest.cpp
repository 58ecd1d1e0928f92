// The "SOUNDINITPARAMS" section of "config.cfg": what is read, what is written
// back and what is left out.
#include "devices/sound/SoundInitParams.h"
#include "foundation/logging/Logger.h"
#include "foundation/xml/XMLNode.h"

#include <gtest/gtest.h>

#include <string>

using namespace Ulvo;

namespace {

XMLNode parse(const std::wstring& text)
{
    XMLNode root;
    EXPECT_TRUE(XMLNode::load(&root, text, 1));
    return root;
}

std::wstring attribute(const XMLNode* node, const wchar_t* name)
{
    if (!node)
        return L"<no node>";
    const XMLAttribute* a = node->getAttribute(name);
    return a ? a->getValue() : L"<none>";
}

} // namespace

TEST(SoundInitParams, ReadsFlagsLookAheadAndInit3D)
{
    logSwitch() = 0;
    SoundInitParams params;
    EXPECT_EQ(params.m_CreationFlags, 0u);
    EXPECT_TRUE(params.getInit3D());
    EXPECT_EQ(params.m_runtime_params.pGlobalSettingsBuffer, nullptr);

    XMLNode section = parse(LR"(<SOUNDINITPARAMS INIT_3D="0">
        <CREATION_FLAGS AUDITION_MODE="1" DEBUG_MODE="7"/>
        <RUNTIME_PARAMS LOOK_AHEAD_TIME="400"/>
    </SOUNDINITPARAMS>)");
    EXPECT_TRUE(params.load(&section));
    EXPECT_EQ(params.m_CreationFlags, static_cast<DWORD>(XACT_FLAG_API_AUDITION_MODE | XACT_FLAG_API_DEBUG_MODE));
    EXPECT_EQ(params.m_runtime_params.lookAheadTime, 400u);
    EXPECT_FALSE(params.getInit3D());

    // A section without CREATION_FLAGS clears the flags; other missing keys
    // keep their values; "true" is no number and reads as off.
    XMLNode second = parse(LR"(<SOUNDINITPARAMS><CREATION_FLAGS DEBUG_MODE="true"/></SOUNDINITPARAMS>)");
    EXPECT_TRUE(params.load(&second));
    EXPECT_EQ(params.m_CreationFlags, 0u);
    EXPECT_EQ(params.m_runtime_params.lookAheadTime, 400u);
    EXPECT_FALSE(params.getInit3D());
}

TEST(SoundInitParams, WritesOnlyWhatDiffersFromTheDefaults)
{
    logSwitch() = 0;
    SoundInitParams params;
    XMLNode section = parse(LR"(<SOUNDINITPARAMS INIT_3D="1" EXTRA="x">
        <CREATION_FLAGS DEBUG_MODE="1"/>
        <RUNTIME_PARAMS LOOK_AHEAD_TIME="250" OTHER="5"/>
        <LATER NODE="1"/>
    </SOUNDINITPARAMS>)");
    ASSERT_TRUE(params.load(&section));

    XMLNode out(L"SOUNDINITPARAMS");
    ASSERT_TRUE(params.save(&out));
    const XMLNode* flags = out.getNode(L"CREATION_FLAGS");
    EXPECT_EQ(attribute(flags, L"DEBUG_MODE"), L"1");
    EXPECT_EQ(attribute(flags, L"AUDITION_MODE"), L"<none>");
    const XMLNode* runtime = out.getNode(L"RUNTIME_PARAMS");
    EXPECT_EQ(attribute(runtime, L"LOOK_AHEAD_TIME"), L"<none>"); // the engine's default
    EXPECT_EQ(attribute(runtime, L"OTHER"), L"5");
    EXPECT_EQ(attribute(&out, L"INIT_3D"), L"1");
    EXPECT_EQ(attribute(&out, L"EXTRA"), L"x");
    EXPECT_NE(out.getNode(L"LATER"), nullptr);
    ASSERT_GE(out.getNodes().size(), 2u);
    EXPECT_EQ(out.getNodes()[0]->getName(), L"CREATION_FLAGS");
    EXPECT_EQ(out.getNodes()[1]->getName(), L"RUNTIME_PARAMS");

    // A changed value is written; a flag that is off again is dropped even
    // though the file had it.
    params.m_runtime_params.lookAheadTime = 100;
    params.m_CreationFlags = XACT_FLAG_API_AUDITION_MODE;
    params.setInit3D(false);
    XMLNode again(L"SOUNDINITPARAMS");
    ASSERT_TRUE(params.save(&again));
    EXPECT_EQ(attribute(again.getNode(L"RUNTIME_PARAMS"), L"LOOK_AHEAD_TIME"), L"100");
    EXPECT_EQ(attribute(again.getNode(L"CREATION_FLAGS"), L"AUDITION_MODE"), L"1");
    EXPECT_EQ(attribute(again.getNode(L"CREATION_FLAGS"), L"DEBUG_MODE"), L"<none>");
    EXPECT_EQ(attribute(&again, L"INIT_3D"), L"0");

    SoundInitParams reread;
    ASSERT_TRUE(reread.load(&again));
    EXPECT_EQ(reread.m_CreationFlags, static_cast<DWORD>(XACT_FLAG_API_AUDITION_MODE));
    EXPECT_EQ(reread.m_runtime_params.lookAheadTime, 100u);
    EXPECT_FALSE(reread.getInit3D());
}
