// cubetool: six face pictures become one DDS cube map that the D3DX reader takes, faces in the
// order given with their whole chain; painted skies meet at the face edges; bad pictures and
// arguments are refused with a message.
#include <d3dx9tex.h>

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sys/wait.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

namespace fs = std::filesystem;
using TestSupport::TempDir;

namespace {

const char* const kFaces[6] = {"posx", "negx", "posy", "negy", "posz", "negz"};

struct ToolRun {
    int code = -1;
    std::string output;
};

ToolRun runCubeTool(const std::string& arguments, const fs::path& scratch)
{
    const fs::path log = scratch / "cubetool-output.txt";
    const std::string command =
        "'" + (TestSupport::binDir() / "cubetool").string() + "' " + arguments + " >'" + log.string() + "' 2>&1";
    ToolRun run;
    const int status = std::system(command.c_str());
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = TestSupport::readText(log);
    return run;
}

void writeSolidPng(const fs::path& file, int width, int height, const uint8_t (&rgba)[4])
{
    std::vector<uint8_t> texels;
    for (int i = 0; i < width * height; ++i)
        texels.insert(texels.end(), rgba, rgba + 4);
    ASSERT_TRUE(stbi_write_png(file.string().c_str(), width, height, 4, texels.data(), width * 4));
}

std::string faceArguments(const fs::path& dir, const std::string& prefix)
{
    std::string arguments;
    for (const char* face : kFaces)
        arguments += " '" + (dir / (prefix + face + ".png")).string() + "'";
    return arguments;
}

// RGBA texels of a painted face.
std::vector<uint8_t> readPicture(const fs::path& file, int& size)
{
    int width = 0, height = 0, components = 0;
    stbi_uc* texels = stbi_load(file.string().c_str(), &width, &height, &components, 4);
    if (!texels)
        return {};
    std::vector<uint8_t> out(texels, texels + size_t(width) * height * 4);
    stbi_image_free(texels);
    size = width;
    return out;
}

} // namespace

TEST(CubeTool, SixPicturesBecomeACubeMapInTheirOrderWithTheWholeChain)
{
    TempDir dir;
    const uint8_t colours[6][4] = {{255, 0, 0, 255},   {0, 255, 0, 255},   {0, 0, 255, 255},
                                   {255, 255, 0, 128}, {0, 255, 255, 255}, {255, 0, 255, 0}};
    for (int face = 0; face < 6; ++face)
        writeSolidPng(dir / (std::string("f_") + kFaces[face] + ".png"), 8, 8, colours[face]);
    const fs::path out = dir / "sub" / "cube.dds";
    const ToolRun run = runCubeTool("assemble '" + out.string() + "'" + faceArguments(dir.path(), "f_"), dir.path());
    ASSERT_EQ(run.code, 0) << run.output;

    const std::vector<uint8_t> file = TestSupport::readBytes(out);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info), D3D_OK);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.Width, 8u);
    EXPECT_EQ(info.MipLevels, 4u);
    // Each face's 8x8, 4x4, 2x2 and 1x1 levels follow one another, face after face, as B, G, R, A.
    const size_t faceBytes = (64 + 16 + 4 + 1) * 4;
    ASSERT_EQ(file.size(), 128 + 6 * faceBytes);
    for (int face = 0; face < 6; ++face)
        for (size_t texel = 0; texel < 85; ++texel) {
            const uint8_t* p = &file[128 + face * faceBytes + texel * 4];
            const uint8_t expected[4] = {colours[face][2], colours[face][1], colours[face][0], colours[face][3]};
            ASSERT_EQ(std::memcmp(p, expected, 4), 0) << "face " << face << " texel " << texel;
        }
}

TEST(CubeTool, PaintedSkiesMeetAtTheFaceEdges)
{
    TempDir dir;
    for (const char* kind : {"sky", "background", "environment", "clouds", "street"}) {
        SCOPED_TRACE(kind);
        const ToolRun run = runCubeTool(std::string("paint ") + kind + " 32 '" + dir.path().string() + "'", dir.path());
        ASSERT_EQ(run.code, 0) << run.output;
        std::vector<std::vector<uint8_t>> faces;
        int size = 0;
        for (const char* face : kFaces)
            faces.push_back(readPicture(dir / (std::string(kind) + "_" + face + ".png"), size));
        ASSERT_EQ(size, 32);
        auto at = [&](int face, int x, int y, int channel) {
            return int(faces[size_t(face)][(size_t(y) * size + x) * 4 + channel]);
        };
        // The top row of +X looks up along the edge it shares with +Y's right column (read
        // bottom to top); the top row of +Z meets +Y's bottom row; -Y's top row meets +Z's
        // bottom row. Neighbouring texels differ little in every channel.
        long difference = 0;
        for (int i = 0; i < size; ++i)
            for (int c = 0; c < 4; ++c) {
                difference += std::abs(at(0, i, 0, c) - at(2, size - 1, size - 1 - i, c));
                difference += std::abs(at(4, i, 0, c) - at(2, i, size - 1, c));
                difference += std::abs(at(3, i, 0, c) - at(4, i, size - 1, c));
            }
        EXPECT_LT(double(difference) / (size * 4 * 3), 4.0); // a face turned the wrong way: 8 and more
    }
}

TEST(CubeTool, BadPicturesAndArgumentsAreRefused)
{
    TempDir dir;
    const uint8_t grey[4] = {128, 128, 128, 255};
    for (const char* face : kFaces) {
        writeSolidPng(dir / (std::string("a_") + face + ".png"), 8, 8, grey);
        writeSolidPng(dir / (std::string("b_") + face + ".png"), std::string(face) == "negz" ? 4 : 8, 8, grey);
        writeSolidPng(dir / (std::string("c_") + face + ".png"), std::string(face) == "posy" ? 16 : 8,
                      std::string(face) == "posy" ? 16 : 8, grey);
        writeSolidPng(dir / (std::string("d_") + face + ".png"), 6, 6, grey);
    }
    TestSupport::writeText(dir / "a_posz.png", "not a picture");
    const fs::path out = dir / "out.dds";
    const struct {
        const char* prefix;
        const char* message;
    } cases[] = {{"a_", "not a readable PNG"},
                 {"b_", "faces must be square"},
                 {"c_", "differ in size"},
                 {"d_", "not a power of two"}};
    for (const auto& c : cases) {
        const ToolRun run =
            runCubeTool("assemble '" + out.string() + "'" + faceArguments(dir.path(), c.prefix), dir.path());
        EXPECT_EQ(run.code, 1) << c.prefix;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(out));
    }
    EXPECT_EQ(runCubeTool("paint rainbow 32 '" + dir.path().string() + "'", dir.path()).code, 1);
    EXPECT_EQ(runCubeTool("paint sky 30 '" + dir.path().string() + "'", dir.path()).code, 1);
    EXPECT_EQ(runCubeTool("assemble only-one.dds", dir.path()).code, 2);
}
