#include "foundation/helpers/FlagSet.h"
#include "foundation/xml/XMLNode.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

Ulvo::XMLNode* bitList(const wchar_t* name, std::initializer_list<int> bits)
{
    auto* node = new Ulvo::XMLNode(name);
    for (int bit : bits)
        node->addProperty(new Ulvo::XMLProperty(bit));
    return node;
}

TEST(FlagSet, BitsAreTakenModulo32)
{
    Ulvo::FlagSet flags;
    EXPECT_EQ(flags.get(), 0u);
    flags.setBit(3, true);
    flags.setBit(33, true);
    flags.setBit(31, true);
    EXPECT_EQ(flags.get(), 0x8000000Au);
    EXPECT_TRUE(flags.isSet(35));
    EXPECT_TRUE(flags.isSet(63));
    EXPECT_FALSE(flags.isSet(2));
    flags.setBit(67, false);
    EXPECT_EQ(flags.get(), 0x80000002u);
    flags.set(0xFFFFFFFFu);
    EXPECT_TRUE(flags.isSet(0));
    flags.clear();
    EXPECT_EQ(flags.get(), 0u);
}

TEST(FlagSet, ApplySetsTheMaskOrKeepsOnlyTheMask)
{
    Ulvo::FlagSet flags(255);
    flags.apply(15, false);
    EXPECT_EQ(flags.get(), 15u);
    flags.apply(240, true);
    EXPECT_EQ(flags.get(), 255u);
    flags.apply(0x80000000u, true);
    EXPECT_EQ(flags.get(), 0x800000FFu);
    flags.apply(0, false);
    EXPECT_EQ(flags.get(), 0u);
}

TEST(FlagSet, LoadSetsThenUnsetsAndKeepsUnnamedBits)
{
    Ulvo::XMLNode node(L"POINT");
    node.addNode(bitList(L"SET", {0, 33, 5, 7}));
    node.addNode(bitList(L"UNSET", {5, 9}));
    // Only the first list of a name counts.
    node.addNode(bitList(L"SET", {20}));

    Ulvo::FlagSet flags(1u << 9 | 1u << 12);
    flags.load(&node);
    EXPECT_EQ(flags.get(), (1u << 0) | (1u << 1) | (1u << 7) | (1u << 12));
}

TEST(FlagSet, LoadWithoutListsChangesNothing)
{
    Ulvo::XMLNode node(L"POINT");
    node.addNode(new Ulvo::XMLNode(L"SET"));
    Ulvo::FlagSet flags(0x1234u);
    flags.load(&node);
    flags.load(nullptr);
    EXPECT_EQ(flags.get(), 0x1234u);
}

TEST(FlagSet, NegativeBitNumbersWrapInsteadOfShiftingOutOfRange)
{
    Ulvo::XMLNode node(L"POINT");
    node.addNode(bitList(L"SET", {-1}));
    Ulvo::FlagSet flags;
    flags.load(&node);
    EXPECT_EQ(flags.get(), 0x80000000u);
}

} // namespace
