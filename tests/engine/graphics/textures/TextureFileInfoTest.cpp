// The FILE_INFO and QUALTIY nodes of texture lists.
#include "foundation/xml/XMLNode.h"
#include "graphics/textures/TextureFileInfo.h"
#include "graphics/textures/TextureLoadOptions.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

using namespace Ulvo;

namespace {

XMLNode* child(XMLNode& parent, const wchar_t* name, std::initializer_list<const wchar_t*> values = {})
{
    XMLNode* node = new XMLNode(name);
    for (const wchar_t* value : values)
        node->addProperty(new XMLProperty(value));
    parent.addNode(node);
    return node;
}

void attribute(XMLNode& node, const wchar_t* name, const wchar_t* value)
{
    node.addAttribute(new XMLAttribute(name, value));
}

} // namespace

TEST(TextureFileInfo, DefaultsWithoutANode)
{
    const TextureFileInfo2D info = TextureFileInfo2D::load(nullptr);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(info.Usage, 0u);
    EXPECT_EQ(info.Format, D3DFMT_UNKNOWN);
    EXPECT_EQ(info.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(info.Filter, static_cast<DWORD>(D3DX_FILTER_NONE));
    EXPECT_EQ(info.MipFilter, static_cast<DWORD>(D3DX_FILTER_NONE));
    EXPECT_EQ(info.ColorKey, 0u);
    EXPECT_EQ(info.palette, nullptr);
    EXPECT_EQ(info.Width, 0xFFFFFFFFu);
    EXPECT_EQ(info.Height, 0xFFFFFFFFu);
    EXPECT_EQ(TextureFileInfo3D().Depth, 0xFFFFFFFFu);
    EXPECT_EQ(TextureFileInfoCube().Size, 0xFFFFFFFFu);
}

TEST(TextureFileInfo, ReadsEveryKeyOfTheThreeForms)
{
    XMLNode node(L"FILE_INFO");
    attribute(node, L"MipLevels", L"3");
    attribute(node, L"Pool", L"DEFAULT");
    attribute(node, L"Filter", L"TRIANGLE");
    attribute(node, L"MipFilter", L"BOX");
    attribute(node, L"ColorKey", L"FFFF00FF");
    attribute(node, L"Format", L"D3DFMT_A4R4G4B4");
    attribute(node, L"Width", L"64");
    attribute(node, L"Height", L"32");
    attribute(node, L"DEpth", L"8");
    attribute(node, L"Size", L"16");
    child(node, L"Usage", {L"DYNAMIC", L"RENDERTARGET", L"SOMETHING"});

    const TextureFileInfo2D flat = TextureFileInfo2D::load(&node);
    EXPECT_EQ(flat.MipLevels, 3u);
    EXPECT_EQ(flat.Usage, 0x201u);
    EXPECT_EQ(flat.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(flat.Filter, static_cast<DWORD>(D3DX_FILTER_TRIANGLE));
    EXPECT_EQ(flat.MipFilter, static_cast<DWORD>(D3DX_FILTER_BOX));
    EXPECT_EQ(flat.ColorKey, 0xFFFF00FFu);
    EXPECT_EQ(flat.Format, D3DFMT_A4R4G4B4);
    EXPECT_EQ(flat.Width, 64u);
    EXPECT_EQ(flat.Height, 32u);

    const TextureFileInfo3D volume = TextureFileInfo3D::load(&node);
    EXPECT_EQ(volume.Depth, 8u);
    EXPECT_EQ(volume.Usage, 0x201u);
    const TextureFileInfoCube cube = TextureFileInfoCube::load(&node);
    EXPECT_EQ(cube.Size, 16u);
    EXPECT_EQ(cube.Format, D3DFMT_A4R4G4B4);
}

TEST(TextureFileInfo, UnknownNamesKeepTheDefaults)
{
    XMLNode node(L"FILE_INFO");
    attribute(node, L"Pool", L"default"); // names are case-sensitive
    attribute(node, L"Filter", L"CUBIC");
    attribute(node, L"MipFilter", L"");
    attribute(node, L"Format", L"dxt3");
    attribute(node, L"depth", L"4");
    child(node, L"Usage");
    const TextureFileInfo3D info = TextureFileInfo3D::load(&node);
    EXPECT_EQ(info.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(info.Filter, static_cast<DWORD>(D3DX_FILTER_NONE));
    EXPECT_EQ(info.MipFilter, static_cast<DWORD>(D3DX_FILTER_NONE));
    EXPECT_EQ(info.Format, D3DFMT_UNKNOWN);
    EXPECT_EQ(info.Depth, 0xFFFFFFFFu);
    // An empty Usage node means no flags at all.
    EXPECT_EQ(info.Usage, 0u);

    XMLNode numbers(L"FILE_INFO");
    attribute(numbers, L"Format", L"21");
    attribute(numbers, L"Pool", L"SCRATCH");
    EXPECT_EQ(TextureFileInfo2D::load(&numbers).Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(TextureFileInfo2D::load(&numbers).Pool, D3DPOOL_SCRATCH);
}

TEST(TextureLoadOptions, SizeLimitsAndTheirSwitches)
{
    const TextureLoadOptions defaults = TextureLoadOptions::load(nullptr);
    EXPECT_EQ(defaults, TextureLoadOptions(0, 0xFFFFFFFFu, true, true));

    XMLNode quality(L"QUALTIY");
    attribute(quality, L"MIN_SIZE", L"256 0");
    attribute(quality, L"MAX_SIZE", L"512");
    const TextureLoadOptions options = TextureLoadOptions::load(&quality);
    EXPECT_EQ(options.minimum, 256u);
    EXPECT_FALSE(options.useMinimum);
    EXPECT_EQ(options.maximum, 512u);
    EXPECT_TRUE(options.useMaximum);

    XMLNode spaced(L"QUALTIY");
    attribute(spaced, L"MIN_SIZE", L"  64   2 ");
    attribute(spaced, L"MAX_SIZE", L"");
    const TextureLoadOptions other = TextureLoadOptions::load(&spaced);
    EXPECT_EQ(other.minimum, 64u);
    EXPECT_TRUE(other.useMinimum);
    EXPECT_EQ(other.maximum, 0xFFFFFFFFu);
    EXPECT_TRUE(other.useMaximum);
}
