// The glare and star libraries: what the streak passes read of them (line counts, directions,
// attenuations, the gates on bloom and star) and that copies stay copies.
#include "lighting/hdr/GlareDefinition.h"

#include <gtest/gtest.h>

using namespace Ulvo;

TEST(GlareDefinitionTest, StarLinesAreEvenlySpacedWithTheirAttenuations)
{
    EXPECT_EQ(StarDefinition::library(0).getLineCount(), 0);
    const StarDefinition& vertical = StarDefinition::library(4);
    ASSERT_EQ(vertical.getLineCount(), 2);
    EXPECT_FLOAT_EQ(vertical.getLine(1).inclination, 3.141593f);
    const StarDefinition& snow = StarDefinition::library(3);
    ASSERT_EQ(snow.getLineCount(), 6);
    EXPECT_FLOAT_EQ(snow.getInclination(), 0.34906584f);
    EXPECT_NEAR(snow.getLine(5).inclination, 5.235988f, 1e-5f);
    const StarDefinition& sunny = StarDefinition::library(5);
    ASSERT_EQ(sunny.getLineCount(), 8);
    EXPECT_FALSE(sunny.getRotate());
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(sunny.getLine(i).passes, 3);
        EXPECT_FLOAT_EQ(sunny.getLine(i).attenuation, i % 2 == 0 ? 0.95f : 0.88f) << i;
        EXPECT_NEAR(sunny.getLine(i).inclination, static_cast<float>(i) * 0.7853982f, 1e-5f) << i;
    }
    EXPECT_FLOAT_EQ(StarDefinition::chromaticAberrationColors()[3].b, 0.6f);
}

TEST(GlareDefinitionTest, GlaresCarryTheirStarAndGates)
{
    const GlareDefinition& cross = GlareDefinition::library(4);
    EXPECT_EQ(cross.name, L"Cross Screen Filter");
    EXPECT_EQ(cross.starDefinition.getName(), L"CrossFilter");
    EXPECT_EQ(cross.starDefinition.getLineCount(), 4);
    EXPECT_FLOAT_EQ(cross.starInclination, 0.436332315f);
    EXPECT_FLOAT_EQ(cross.starDefinition.getLine(0).attenuation, 0.95f);
    // No star for "Disable" and "Natural Bloom"; "Disable" has no bloom either.
    EXPECT_EQ(GlareDefinition::library(0).glareLuminance, 0.0f);
    EXPECT_EQ(GlareDefinition::library(2).starLuminance, 0.0f);
    EXPECT_GT(GlareDefinition::library(2).bloomLuminance, 0.0f);
    EXPECT_EQ(GlareDefinition::library(9).starDefinition.getLineCount(), 8);
    EXPECT_EQ(GlareDefinition::library(11).name, L"Cine Camera Horizontal Slits");
    EXPECT_EQ(GlareDefinition::library(11).starDefinition.getName(), L"Vertical");
}

TEST(GlareDefinitionTest, CopiesAreDeepAndSelfAssignmentKeepsEverything)
{
    GlareDefinition glare;
    glare.assign(GlareDefinition::library(8));
    EXPECT_EQ(glare.assign(glare), S_OK);
    EXPECT_EQ(glare.name, L"Sunny Cross Filter");
    ASSERT_EQ(glare.starDefinition.getLineCount(), 8);
    glare.starDefinition.initialize(L"Changed", 2, 1, 1.0f, 0.5f, 0.0f, false);
    EXPECT_EQ(GlareDefinition::library(8).starDefinition.getLineCount(), 8);
    // A long name is cut to what the definition holds.
    StarDefinition star;
    star.initialize(std::wstring(400, L'x'), 1, 1, 1.0f, 1.0f, 0.0f, false);
    EXPECT_EQ(star.getName().size(), StarDefinition::kMaxName);
}
