// The display-mode list: ordering, the best match within the limits, lookup,
// texts, and the names of formats in configuration files.
#include "devices/d3d/D3DInitParams.h"
#include "devices/d3d/DisplayModes.h"
#include "devices/d3d/FormatNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Ulvo;

namespace {

D3DDISPLAYMODE mode(UINT width, UINT height, UINT rate, D3DFORMAT format)
{
    return D3DDISPLAYMODE{width, height, rate, format};
}

std::wstring text(const D3DDISPLAYMODE* m)
{
    return m ? displayModeToString(m, L"@") : L"<none>";
}

// The modes of a common adapter in the two usual display formats, sorted.
DisplayModeList adapterModes()
{
    DisplayModeList modes;
    const UINT sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1920, 1080}};
    for (const auto& size : sizes) {
        for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5})
            modes.push_back(mode(size[0], size[1], 60, format));
    }
    sortDisplayModes(modes, 0, 1, 2);
    return modes;
}

} // namespace

TEST(DisplayModes, SortRunsFromSmallToLargeWithFormatsDescendingAndRatesRising)
{
    DisplayModeList modes = {
        mode(1024, 768, 75, D3DFMT_A8R8G8B8), mode(1024, 768, 60, D3DFMT_X1R5G5B5),
        mode(640, 480, 60, D3DFMT_X8R8G8B8),  mode(1024, 768, 60, D3DFMT_A8R8G8B8),
        mode(1024, 600, 60, D3DFMT_X8R8G8B8), mode(1024, 768, 60, D3DFMT_A2R10G10B10),
        mode(1024, 768, 60, D3DFMT_R5G6B5),   mode(1024, 768, 60, D3DFMT_X8R8G8B8),
        mode(1024, 768, 60, D3DFMT_A1R5G5B5),
    };
    sortDisplayModes(modes, 0, 1, 2);
    std::vector<std::wstring> order;
    for (const D3DDISPLAYMODE& m : modes)
        order.push_back(std::to_wstring(m.Width) + L"x" + std::to_wstring(m.Height) + L"/" + std::to_wstring(m.Format) +
                        L"/" + std::to_wstring(m.RefreshRate));
    EXPECT_EQ(order, (std::vector<std::wstring>{L"640x480/22/60", L"1024x600/22/60", L"1024x768/35/60",
                                                L"1024x768/25/60", L"1024x768/24/60", L"1024x768/23/60",
                                                L"1024x768/22/60", L"1024x768/21/60", L"1024x768/21/75"}));

    // The refresh-rate key decides alone when it comes first.
    sortDisplayModes(modes, 2, 0, 1);
    EXPECT_EQ(modes.back().RefreshRate, 75u);
    EXPECT_EQ(modes.front().RefreshRate, 60u);
}

TEST(DisplayModes, BestMatchWeighsSizeRefreshRateAndFormat)
{
    DisplayModeList modes = {mode(1024, 768, 60, D3DFMT_A8R8G8B8), mode(1024, 768, 75, D3DFMT_A8R8G8B8),
                             mode(1024, 768, 60, D3DFMT_X8R8G8B8), mode(1024, 768, 75, D3DFMT_X8R8G8B8)};
    sortDisplayModes(modes, 0, 1, 2);
    const D3DDISPLAYMODE wanted = mode(1024, 768, 60, D3DFMT_X8R8G8B8);
    EXPECT_EQ(text(bestDisplayMode(modes, &wanted, nullptr)), L"1024x768 32 bit@60 Hz");
    EXPECT_EQ(bestDisplayMode(modes, &wanted, nullptr)->Format, D3DFMT_X8R8G8B8);

    // Only the other 32-bit format: 20 per unit of format difference.
    EXPECT_EQ(displayModeDistance(mode(1024, 768, 60, D3DFMT_A8R8G8B8), wanted), 20u);
    DisplayModeList otherFormat = {mode(1024, 768, 75, D3DFMT_A8R8G8B8), mode(1024, 768, 60, D3DFMT_A8R8G8B8)};
    EXPECT_EQ(bestDisplayMode(otherFormat, &wanted, nullptr)->RefreshRate, 60u);

    // Refresh rate -1 (any): the lowest rate of the size and format.
    const D3DDISPLAYMODE anyRate = mode(1024, 768, 0xFFFFFFFFu, D3DFMT_X8R8G8B8);
    const D3DDISPLAYMODE* best = bestDisplayMode(modes, &anyRate, nullptr);
    EXPECT_EQ(best->RefreshRate, 60u);
    EXPECT_EQ(best->Format, D3DFMT_X8R8G8B8);

    // Equal distances: the first in list order wins.
    DisplayModeList tie = {mode(980, 768, 60, D3DFMT_X8R8G8B8), mode(1020, 768, 60, D3DFMT_X8R8G8B8)};
    const D3DDISPLAYMODE between = mode(1000, 768, 60, D3DFMT_X8R8G8B8);
    EXPECT_EQ(bestDisplayMode(tie, &between, nullptr)->Width, 980u);
}

TEST(DisplayModes, LimitsKeepTheChoiceInsideOrFallBackToTheFirstMode)
{
    DisplayModeList modes = adapterModes();
    D3DInitParams params(nullptr);
    const D3DDISPLAYMODE huge = mode(4000, 3000, 60, D3DFMT_X8R8G8B8);
    EXPECT_EQ(text(bestDisplayMode(modes, &huge, &params)), L"1920x1080 32 bit@60 Hz"); // -1: no limit
    EXPECT_EQ(text(bestDisplayMode(modes, nullptr, &params)), L"1920x1080 32 bit@60 Hz");

    params.setMaxRes(1024, 768);
    EXPECT_EQ(text(bestDisplayMode(modes, &huge, &params)), L"1024x768 32 bit@60 Hz");
    // Without a wanted mode, the last allowed one in list order.
    EXPECT_EQ(text(bestDisplayMode(modes, nullptr, &params)), L"1024x768 32 bit@60 Hz");
    params.setMinRes(800, 600);
    const D3DDISPLAYMODE tiny = mode(320, 240, 60, D3DFMT_X8R8G8B8);
    EXPECT_EQ(text(bestDisplayMode(modes, &tiny, &params)), L"800x600 32 bit@60 Hz");

    // No mode allowed: the first (smallest) listed mode.
    params.setMinRes(5000, 5000);
    params.setMaxRes(0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_EQ(text(bestDisplayMode(modes, &huge, &params)), L"640x480 16 bit@60 Hz");
    EXPECT_EQ(text(bestDisplayMode(modes, nullptr, &params)), L"640x480 16 bit@60 Hz");
}

TEST(DisplayModes, FallbackSizeOfAFirstStartPicksTheLargestAllowedMode)
{
    // Without a configuration the program asks for 0x80000000 x 0x80000000 at
    // 75 Hz and an unknown format: it means "as large as allowed".
    DisplayModeList modes = adapterModes();
    const D3DDISPLAYMODE fallback = mode(0x80000000u, 0x80000000u, 75, D3DFMT_UNKNOWN);
    EXPECT_LT(displayModeDistance(mode(1920, 1080, 60, D3DFMT_X8R8G8B8), fallback),
              displayModeDistance(mode(640, 480, 60, D3DFMT_X8R8G8B8), fallback));
    EXPECT_EQ(text(bestDisplayMode(modes, &fallback, nullptr)), L"1920x1080 32 bit@60 Hz");

    D3DInitParams params(nullptr);
    params.setMaxRes(1280, 1024);
    EXPECT_EQ(text(bestDisplayMode(modes, &fallback, &params)), L"1280x1024 32 bit@60 Hz");
}

TEST(DisplayModes, EmptyListHasNoBestModeAndFindsNothing)
{
    DisplayModeList empty;
    const D3DDISPLAYMODE wanted = mode(800, 600, 60, D3DFMT_X8R8G8B8);
    EXPECT_EQ(bestDisplayMode(empty, &wanted, nullptr), nullptr);
    EXPECT_EQ(bestDisplayMode(empty, nullptr, nullptr), nullptr);
    EXPECT_EQ(findDisplayMode(empty, wanted), -1);

    DisplayModeList modes = adapterModes();
    EXPECT_EQ(findDisplayMode(modes, wanted), 3); // after 640x480 in both formats and 800x600 16 bit
    EXPECT_EQ(findDisplayMode(modes, mode(800, 600, 75, D3DFMT_X8R8G8B8)), -1);
}

TEST(DisplayModes, TextsForOptionScreens)
{
    const D3DDISPLAYMODE a = mode(1024, 768, 60, D3DFMT_X8R8G8B8);
    EXPECT_EQ(displayModeToString(&a, L"\n"), L"1024x768 32 bit\n60 Hz");
    const D3DDISPLAYMODE b = mode(800, 600, 75, D3DFMT_R5G6B5);
    EXPECT_EQ(displayModeToString(&b, L" "), L"800x600 16 bit 75 Hz");
    const D3DDISPLAYMODE c = mode(1280, 720, 60, D3DFMT_A2R10G10B10);
    EXPECT_EQ(displayModeToString(&c, L", "), L"1280x720 A2R10G10B10, 60 Hz");
    const D3DDISPLAYMODE d = mode(640, 480, 60, D3DFMT_X1R5G5B5);
    EXPECT_EQ(displayModeToString(&d, L"|"), L"640x480|60 Hz");
}

TEST(FormatNames, NamesWithOrWithoutPrefixAndNumbers)
{
    EXPECT_EQ(formatFromName(L"D3DFMT_DXT3"), static_cast<D3DFORMAT>(0x33545844));
    EXPECT_EQ(formatFromName(L"DXT3"), static_cast<D3DFORMAT>(0x33545844));
    EXPECT_EQ(formatFromName(L"dxt3"), D3DFMT_UNKNOWN); // names are case-sensitive
    EXPECT_EQ(formatFromName(L"21"), D3DFMT_A8R8G8B8);
    EXPECT_EQ(formatFromName(L"D3DFMT_X8R8G8B8"), D3DFMT_X8R8G8B8);
    EXPECT_EQ(formatFromName(L"-5"), D3DFMT_UNKNOWN);

    EXPECT_EQ(formatToName(D3DFMT_D24X8), L"D3DFMT_D24X8");
    EXPECT_EQ(formatToName(D3DFMT_A1R5G5B5), L"D3DFMT_UNKNOWN"); // no name of its own
    EXPECT_EQ(formatToName(D3DFMT_UNKNOWN), L"D3DFMT_UNKNOWN");
    EXPECT_EQ(formatFromName(formatToName(D3DFMT_R5G6B5)), D3DFMT_R5G6B5);
}
