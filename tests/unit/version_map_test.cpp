#include <gtest/gtest.h>

#include <cstdint>

#include "version_map.h"

using namespace qsetup;

TEST(PlatformCode, Table)
{
    struct Row { std::uint32_t platformId; int code; } const rows[] = {
        {0, 2},           // Win32s
        {1, 1},           // Windows 95 family
        {2, 0},           // NT family
        {3, 1},           // Windows CE: not one of the three
        {0xFFFFFFFF, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.platformId);
        EXPECT_EQ(PlatformCode(row.platformId), row.code);
    }
}

TEST(VersionCode, Table)
{
    struct Row { std::uint32_t major; int code; } const rows[] = {
        {0, 0}, {3, 0}, {4, 4}, {5, 4}, {6, 4}, {10, 4},
        {0xFFFFFFFF, 4}, // compared unsigned
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.major);
        EXPECT_EQ(VersionCode(row.major), row.code);
    }
}

static_assert(PlatformCode(kPlatformWin32s) == 2 && VersionCode(4) == 4, "usable in constant expressions");
