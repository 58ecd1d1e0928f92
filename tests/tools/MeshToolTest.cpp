// The meshes meshtool writes into the runtime folder: each one the mesh list names, each one a
// seed of the .x reader's fuzz target (so the fuzzer starts from what the game really reads).
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

namespace fs = std::filesystem;

TEST(MeshTool, ListedMeshesAreWrittenAndAreTheFuzzSeeds)
{
    const fs::path written = TestSupport::runtimeDir() / "data" / "Meshes";
    const fs::path seeds = TestSupport::sourceDir() / "tests" / "fuzz" / "corpus" / "xfile";
    const std::string list = TestSupport::readText(TestSupport::sourceDir() / "data" / "Meshes" / "meshes.msh");
    std::set<std::string> listed;
    const std::regex file(R"re(FILENAME="data\\Meshes\\([^"]+)")re");
    for (auto it = std::sregex_iterator(list.begin(), list.end(), file); it != std::sregex_iterator(); ++it)
        listed.insert((*it)[1].str());
    EXPECT_EQ(listed.size(), 15u);

    std::set<std::string> made;
    for (const fs::directory_entry& entry : fs::directory_iterator(written)) {
        if (entry.path().extension() != ".x")
            continue;
        const std::string name = entry.path().filename().string();
        made.insert(name);
        EXPECT_TRUE(TestSupport::readBytes(entry.path()) == TestSupport::readBytes(seeds / name))
            << name << " differs from its fuzz seed: copy it to " << seeds;
    }
    EXPECT_EQ(made, listed);
    for (const char* texture :
         {"haus_wand.tga", "haus_dach.tga", "stumpf_rinde.tga", "stumpf_holz.tga", "wiese_gras.tga"})
        EXPECT_TRUE(fs::exists(written / texture)) << texture;
}
