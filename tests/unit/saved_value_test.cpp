#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "saved_value.h"

using namespace qsetup;

namespace {

// A heap block of exactly the record's size, filled with junk: AddressSanitizer
// catches any byte written past its room.
struct Block {
    explicit Block(std::size_t room) : bytes(new unsigned char[RecordSize(room)])
    {
        std::memset(bytes.get(), 0xBD, RecordSize(room));
    }
    SavedValue& record() { return *reinterpret_cast<SavedValue*>(bytes.get()); }
    std::unique_ptr<unsigned char[]> bytes;
};

} // namespace

TEST(SavedValue, ClearRecordMakesAnEmptyUnlinkedRecord)
{
    struct Row {
        std::size_t room;
        std::uint32_t kept;
    } const rows[] = {{0, 0}, {5, 5}, {kValueDataSize, kValueDataSize}, {kValueDataSize + 1, kValueDataSize}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.room);
        Block block(row.room);
        ClearRecord(block.record(), row.room);
        EXPECT_EQ(block.record().name[0], '\0');
        EXPECT_EQ(block.record().type, 0u);
        EXPECT_EQ(block.record().length, 0u);
        EXPECT_EQ(block.record().room, row.kept);
        EXPECT_EQ(block.record().next, nullptr);
    }
}

TEST(SavedValue, SaveValueKeepsExactBytesOrRefusesWhatDoesNotFit)
{
    struct Row {
        const char* name;
        std::string valueName;
        std::uint32_t type;
        std::vector<unsigned char> data;
        std::size_t room;
        bool saved;
    } const rows[] = {
        {"a text with its NUL", "Alpha", 1, {'a', 'b', 0}, 3, true},
        {"binary with zero bytes and no terminator", "Bin", 3, {0, 1, 0, 0xFF}, 4, true},
        {"no data bytes", "Empty", 0, {}, 0, true},
        {"more room than data", "Roomy", 1, {'x', 0}, 8, true},
        {"the unnamed default value", "", 1, {'d', 0}, 2, true},
        {"a name of 255 characters", std::string(255, 'n'), 1, {'x', 0}, 2, true},
        {"a name of 256 characters", std::string(256, 'n'), 1, {'x', 0}, 2, false},
        {"1024 data bytes", "Full", 3, std::vector<unsigned char>(1024, 0x5A), kValueDataSize, true},
        {"1025 data bytes", "Over", 3, std::vector<unsigned char>(1025, 0x5A), kValueDataSize, false},
        {"data one byte over the room", "Short", 3, {1, 2, 3}, 2, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Block block(row.room);
        SavedValue& record = block.record();
        ClearRecord(record, row.room);
        const bool saved = SaveValue(record, {row.valueName.c_str(), row.valueName.size(), row.type,
                                              row.data.data(), row.data.size()});
        EXPECT_EQ(saved, row.saved);
        if (!row.saved) {
            // A refused value leaves the record as it was.
            EXPECT_EQ(record.name[0], '\0');
            EXPECT_EQ(record.length, 0u);
            if (row.room > 0) {
                EXPECT_EQ(record.data()[0], 0xBD);
            }
            continue;
        }
        EXPECT_EQ(std::string(record.name), row.valueName);
        EXPECT_EQ(record.type, row.type);
        ASSERT_EQ(record.length, row.data.size());
        EXPECT_EQ(std::vector<unsigned char>(record.data(), record.data() + record.length), row.data);
        if (record.length < row.room) {
            EXPECT_EQ(record.data()[record.length], 0xBD) << "a byte past the data was written";
        }
        if (row.valueName.size() + 1 < kValueNameSize) {
            EXPECT_EQ(static_cast<unsigned char>(record.name[row.valueName.size() + 1]), 0xBD);
        }
    }
}

TEST(SavedList, HeadFirstThenTheOthersInReadingOrder)
{
    Block head(kValueDataSize);
    Block a(4);
    Block b(4);
    ClearRecord(head.record(), kValueDataSize);
    SavedList list(&head.record());
    EXPECT_FALSE(list.HoldsValue(&head.record())) << "the head holds nothing until the named value is found";

    list.Append(&a.record());
    list.Append(&b.record());
    EXPECT_EQ(head.record().next, &a.record());
    EXPECT_EQ(a.record().next, &b.record());
    EXPECT_EQ(b.record().next, nullptr);
    EXPECT_EQ(list.tail, &b.record());
    EXPECT_TRUE(list.HoldsValue(&a.record()));
    EXPECT_TRUE(list.HoldsValue(&b.record()));

    // The unnamed default value as the named one: an empty name, and still written.
    ASSERT_TRUE(SaveValue(head.record(), {"", 0, 1, reinterpret_cast<const unsigned char*>("d"), 2}));
    list.headHoldsValue = true;
    EXPECT_TRUE(list.HoldsValue(&head.record()));
}
