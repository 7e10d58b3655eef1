// The records keep the published layout: the program, the source manager
// and any identity kept as a raw record depend on it byte for byte.
#include "twain.h"

#include <gtest/gtest.h>

#include <cstddef>

TEST(TwainHeader, RecordsHaveThePublishedSizes)
{
    EXPECT_EQ(sizeof(TW_IDENTITY), 156u);
    EXPECT_EQ(sizeof(TW_VERSION), 42u);
    EXPECT_EQ(sizeof(TW_FIX32), 4u);
    EXPECT_EQ(sizeof(TW_FRAME), 16u);
    EXPECT_EQ(sizeof(TW_ONEVALUE), 6u);
    EXPECT_EQ(sizeof(TW_RANGE), 22u);
    EXPECT_EQ(sizeof(TW_STATUS), 4u);
    EXPECT_EQ(sizeof(TW_IMAGELAYOUT), 28u);
    EXPECT_EQ(sizeof(TW_PENDINGXFERS), 6u);
}

TEST(TwainHeader, IdentityFieldsSitAtTheirOffsets)
{
    EXPECT_EQ(offsetof(TW_IDENTITY, Version), 4u);
    EXPECT_EQ(offsetof(TW_IDENTITY, ProtocolMajor), 46u);
    EXPECT_EQ(offsetof(TW_IDENTITY, ProtocolMinor), 48u);
    EXPECT_EQ(offsetof(TW_IDENTITY, SupportedGroups), 50u);
    EXPECT_EQ(offsetof(TW_IDENTITY, Manufacturer), 54u);
    EXPECT_EQ(offsetof(TW_IDENTITY, ProductFamily), 88u);
    EXPECT_EQ(offsetof(TW_IDENTITY, ProductName), 122u);
    EXPECT_EQ(offsetof(TW_RANGE, MinValue), 2u);
    EXPECT_EQ(offsetof(TW_ENUMERATION, ItemList), 14u);
    EXPECT_EQ(offsetof(TW_ARRAY, ItemList), 6u);
}
