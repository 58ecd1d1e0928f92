// The factories' registry: a later registration of a type replaces the earlier one, a null
// creator is ignored, types compare exactly and keep their registration order.
#include "foundation/objects/KindRegistry.h"

#include <gtest/gtest.h>

using namespace Ulvo;

namespace {

int one()
{
    return 1;
}
int two()
{
    return 2;
}

} // namespace

TEST(KindRegistryTest, LaterRegistrationReplacesNullIsIgnoredTypesCompareExactly)
{
    KindRegistry<int (*)()> kinds;
    kinds.add(L"MESH", &one);
    kinds.add(L"WATER", &one);
    kinds.add(L"MESH", &two);
    kinds.add(L"SUN", nullptr);
    ASSERT_TRUE(kinds.has(L"MESH"));
    EXPECT_EQ(kinds.find(L"MESH")(), 2);
    EXPECT_FALSE(kinds.has(L"mesh"));
    EXPECT_FALSE(kinds.has(L"SUN"));
    EXPECT_EQ(kinds.find(L""), nullptr);
    EXPECT_EQ(kinds.types(), (std::vector<std::wstring>{L"MESH", L"WATER"}));
}
