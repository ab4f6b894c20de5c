#include <gtest/gtest.h>

#include <cstdint>

#include "open_mode.h"

using namespace qsetup;

TEST(FindOpenMode, TheSixCodes)
{
    constexpr std::uint32_t kReadWrite = kGenericRead | kGenericWrite;
    struct Row {
        const char* name;
        std::int32_t code;
        FileCall call;
        std::uint32_t access, sharing, creation;
    } const rows[] = {
        {"OF_READ", 0x0000, FileCall::Open, kGenericRead, 1, 3},
        {"OF_WRITE", 0x0001, FileCall::Open, kGenericWrite, 0, 3},
        {"OF_READWRITE", 0x0002, FileCall::Open, kReadWrite, 0, 3},
        {"OF_DELETE", 0x0200, FileCall::Delete, 0, 0, 0},
        {"OF_CREATE", 0x1000, FileCall::Open, kReadWrite, 0, 2},
        {"OF_EXIST", 0x4000, FileCall::OpenAndClose, kGenericRead, 1, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const OpenMode mode = FindOpenMode(row.code);
        EXPECT_EQ(mode.code, row.code);
        EXPECT_EQ(mode.call, row.call);
        if (row.call == FileCall::Delete)
            continue; // DeleteFileA takes no access, sharing or creation
        EXPECT_EQ(mode.access, row.access);
        EXPECT_EQ(mode.sharing, row.sharing);
        EXPECT_EQ(mode.creation, row.creation);
    }
    EXPECT_EQ(kGenericRead, 0x80000000u);
    EXPECT_EQ(kGenericWrite, 0x40000000u);
}

TEST(FindOpenMode, OtherCodesAreNotSplitIntoFlags)
{
    struct Row { const char* name; std::int32_t code; } const rows[] = {
        {"3 (OF_WRITE | OF_READWRITE)", 3},
        {"0x40 (OF_SHARE_DENY_NONE)", 0x40},
        {"0x41 (OF_WRITE with a sharing flag)", 0x41},
        {"0x1001 (OF_CREATE | OF_WRITE)", 0x1001},
        {"0x4200 (OF_EXIST | OF_DELETE)", 0x4200},
        {"-1", -1},
        {"0x80000000", static_cast<std::int32_t>(0x80000000u)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FindOpenMode(row.code).call, FileCall::None);
    }
}

static_assert(FindOpenMode(0x1000).creation == kCreateAlways, "usable in constant expressions");
