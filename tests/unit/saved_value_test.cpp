#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "saved_value.h"

using namespace qsetup;

namespace {

SavedValue JunkRecord()
{
    SavedValue record;
    std::memset(&record, 0xBD, sizeof record);
    return record;
}

} // namespace

TEST(SavedValue, ClearRecordMakesAnEmptyUnlinkedRecord)
{
    SavedValue record = JunkRecord();
    ClearRecord(record);
    EXPECT_EQ(record.name[0], '\0');
    EXPECT_EQ(record.type, 0u);
    EXPECT_EQ(record.length, 0u);
    EXPECT_EQ(record.next, nullptr);
}

TEST(SavedValue, SaveValueKeepsExactBytesOrRefusesWhatDoesNotFit)
{
    struct Row {
        const char* name;
        std::string valueName;
        std::uint32_t type;
        std::vector<unsigned char> data;
        bool saved;
    } const rows[] = {
        {"a text with its NUL", "Alpha", 1, {'a', 'b', 0}, true},
        {"binary with zero bytes and no terminator", "Bin", 3, {0, 1, 0, 0xFF}, true},
        {"no data bytes", "Empty", 0, {}, true},
        {"the unnamed default value", "", 1, {'d', 0}, true},
        {"a name of 255 characters", std::string(255, 'n'), 1, {'x', 0}, true},
        {"a name of 256 characters", std::string(256, 'n'), 1, {'x', 0}, false},
        {"1024 data bytes", "Full", 3, std::vector<unsigned char>(1024, 0x5A), true},
        {"1025 data bytes", "Over", 3, std::vector<unsigned char>(1025, 0x5A), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SavedValue record = JunkRecord();
        ClearRecord(record);
        const bool saved = SaveValue(record, {row.valueName.c_str(), row.valueName.size(), row.type,
                                              row.data.data(), row.data.size()});
        EXPECT_EQ(saved, row.saved);
        if (!row.saved) {
            // A refused value leaves the record as it was.
            EXPECT_EQ(record.name[0], '\0');
            EXPECT_EQ(record.length, 0u);
            EXPECT_EQ(static_cast<unsigned char>(record.data[0]), 0xBD);
            continue;
        }
        EXPECT_EQ(std::string(record.name), row.valueName);
        EXPECT_EQ(record.type, row.type);
        ASSERT_EQ(record.length, row.data.size());
        EXPECT_EQ(std::vector<unsigned char>(record.data, record.data + record.length), row.data);
        if (record.length < kValueDataSize) {
            EXPECT_EQ(record.data[record.length], 0xBD) << "a byte past the data was written";
        }
        if (row.valueName.size() + 1 < kValueNameSize) {
            EXPECT_EQ(static_cast<unsigned char>(record.name[row.valueName.size() + 1]), 0xBD);
        }
    }
}

TEST(SavedList, HeadFirstThenTheOthersInReadingOrder)
{
    SavedValue head = JunkRecord();
    SavedValue a = JunkRecord();
    SavedValue b = JunkRecord();
    ClearRecord(head);
    SavedList list(&head);
    EXPECT_FALSE(list.HoldsValue(&head)) << "the head holds nothing until the named value is found";

    list.Append(&a);
    list.Append(&b);
    EXPECT_EQ(head.next, &a);
    EXPECT_EQ(a.next, &b);
    EXPECT_EQ(b.next, nullptr);
    EXPECT_EQ(list.tail, &b);
    EXPECT_TRUE(list.HoldsValue(&a));
    EXPECT_TRUE(list.HoldsValue(&b));

    // The unnamed default value as the named one: an empty name, and still written.
    ASSERT_TRUE(SaveValue(head, {"", 0, 1, reinterpret_cast<const unsigned char*>("d"), 2}));
    list.headHoldsValue = true;
    EXPECT_TRUE(list.HoldsValue(&head));
}
