// Translated effects kept on disk between runs: a warm start translates nothing, and whatever
// the cache folder holds or refuses (a damaged entry, no permission to write, an include that
// changed since) the effect still draws what its current text says.
#include "D3D9TestSupport.h"

#include <d3dx9.h>
#include <platform_test.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

using namespace D3D9Testing;
namespace fs = std::filesystem;

namespace {

// The effect's colour comes from an include served from memory.
class ColourInclude : public ID3DXInclude {
public:
    HRESULT Open(D3DXINCLUDE_TYPE, LPCSTR, LPCVOID, LPCVOID* data, UINT* bytes) override
    {
        char* copy = new char[text.size()];
        std::memcpy(copy, text.data(), text.size());
        *data = copy;
        *bytes = static_cast<UINT>(text.size());
        return S_OK;
    }
    HRESULT Close(LPCVOID data) override
    {
        delete[] static_cast<const char*>(data);
        return S_OK;
    }
    std::string text;
};

const char kEffect[] = "#include \"colour.fxh\"\n"
                       "float4 VS(float4 p : POSITION) : POSITION { return p; }\n"
                       "float4 PS() : COLOR0 { return COLOUR; }\n"
                       "technique T { pass { CullMode = None; ZEnable = false;\n"
                       "  VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }\n";

struct Position {
    float x, y, z, w;
};

} // namespace

class D3DXEffectCacheTest : public DeviceFixture {
protected:
    void SetUp() override
    {
        DeviceFixture::SetUp();
        const char* cacheHome = std::getenv("XDG_CACHE_HOME");
        ASSERT_NE(cacheHome, nullptr);
        m_home = fs::path(cacheHome) / "effect-cache-test";
        fs::remove_all(m_home);
        fs::create_directories(m_home);
        m_previousHome = cacheHome;
        setenv("XDG_CACHE_HOME", m_home.c_str(), 1);
        PlatformForgetTranslatedEffects();
    }
    void TearDown() override
    {
        chmod(m_home.c_str(), 0755);
        std::error_code ec;
        if (fs::exists(folder(), ec))
            chmod(folder().c_str(), 0755);
        setenv("XDG_CACHE_HOME", m_previousHome.c_str(), 1);
        PlatformForgetTranslatedEffects();
        DeviceFixture::TearDown();
    }

    fs::path folder() const { return m_home / program_invocation_short_name / "effects"; }

    std::vector<fs::path> entries() const
    {
        std::vector<fs::path> found;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder(), ec))
            found.push_back(entry.path());
        return found;
    }

    // Creates the effect as a new process would (nothing in memory), draws it over the whole
    // target and returns the colour drawn; `translated` says how many stages were translated.
    D3DCOLOR draw(unsigned& translated)
    {
        PlatformForgetTranslatedEffects();
        const unsigned before = PlatformEffectTranslationCount();
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* errors = nullptr;
        HRESULT hr =
            D3DXCreateEffect(m_device, kEffect, sizeof kEffect - 1, nullptr, &m_include, 0, nullptr, &effect, &errors);
        if (errors)
            errors->Release();
        translated = PlatformEffectTranslationCount() - before;
        if (hr != D3D_OK || !effect) {
            ADD_FAILURE() << "the effect was not created";
            return 0;
        }
        const Position quad[4] = {{-1, -1, 0.5f, 1}, {-1, 1, 0.5f, 1}, {1, -1, 0.5f, 1}, {1, 1, 0.5f, 1}};
        m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        m_device->SetFVF(D3DFVF_XYZW);
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(0);
        m_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Position));
        effect->EndPass();
        effect->End();
        effect->Release();
        return readBackBuffer().at(4, 4);
    }

    fs::path m_home;
    std::string m_previousHome;
    ColourInclude m_include;
};

TEST_F(D3DXEffectCacheTest, WarmStartReadsTheStagesAndDamagedEntriesAreWrittenAnew)
{
    ASSERT_TRUE(createDevice(8, 8));
    m_include.text = "#define COLOUR float4(1, 0, 0, 1)\n";
    unsigned translated = 0;
    EXPECT_TRUE(near(draw(translated), 0xFFFF0000));
    EXPECT_EQ(translated, 2u);
    ASSERT_EQ(entries().size(), 2u);

    EXPECT_TRUE(near(draw(translated), 0xFFFF0000));
    EXPECT_EQ(translated, 0u) << "a warm start translates nothing";

    // One entry cut short, the other overwritten with noise: both are misses, and written anew.
    const std::vector<fs::path> files = entries();
    fs::resize_file(files[0], fs::file_size(files[0]) / 2);
    std::ofstream(files[1], std::ios::binary | std::ios::trunc) << "not an entry at all";
    EXPECT_TRUE(near(draw(translated), 0xFFFF0000));
    EXPECT_EQ(translated, 2u);
    EXPECT_TRUE(near(draw(translated), 0xFFFF0000));
    EXPECT_EQ(translated, 0u) << "the damaged entries were rewritten";
    EXPECT_EQ(entries().size(), 2u) << "nothing is left beside the entries";
}

TEST_F(D3DXEffectCacheTest, ChangedIncludeIsTranslatedAgain)
{
    ASSERT_TRUE(createDevice(8, 8));
    m_include.text = "#define COLOUR float4(1, 0, 0, 1)\n";
    unsigned translated = 0;
    EXPECT_TRUE(near(draw(translated), 0xFFFF0000));
    m_include.text = "#define COLOUR float4(0, 1, 0, 1)\n";
    EXPECT_TRUE(near(draw(translated), 0xFF00FF00)) << "no stale stage from the old include";
    EXPECT_EQ(translated, 2u) << "the effect's text changed for both stages";
}

TEST_F(D3DXEffectCacheTest, FolderThatCannotBeWrittenLeavesTheCacheOff)
{
    ASSERT_TRUE(createDevice(8, 8));
    m_include.text = "#define COLOUR float4(0, 0, 1, 1)\n";
    unsigned translated = 0;
    testing::internal::CaptureStderr();
    // A read-only folder (which root may still write to), then a cache home that is a file.
    fs::create_directories(folder());
    chmod(folder().c_str(), 0555);
    EXPECT_TRUE(near(draw(translated), 0xFF0000FF));
    EXPECT_EQ(translated, 2u);
    if (geteuid() != 0) {
        EXPECT_TRUE(entries().empty());
    }
    chmod(folder().c_str(), 0755);
    fs::remove_all(m_home);
    std::ofstream(m_home) << "a file where the folder should be";
    EXPECT_TRUE(near(draw(translated), 0xFF0000FF));
    EXPECT_EQ(translated, 2u);
    EXPECT_TRUE(near(draw(translated), 0xFF0000FF));
    fs::remove(m_home);
    // Said once for the process, not for every stage that is not kept.
    const std::string said = testing::internal::GetCapturedStderr();
    size_t lines = 0;
    for (size_t at = said.find("translated effects are not kept"); at != std::string::npos;
         at = said.find("translated effects are not kept", at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u) << said;
}
