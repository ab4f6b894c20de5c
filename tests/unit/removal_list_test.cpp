#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "removal_list.h"

using namespace qremove;

namespace {

struct ExpectedStep {
    Hive hive;
    Kind kind;
    std::string path;
    std::string name;
};

const ExpectedStep kExpected[] = {
    {Hive::ClassesRoot, Kind::Key, ".qx", ""},
    {Hive::ClassesRoot, Kind::Key, "QUILLET.ATT\\shell\\open\\command", ""},
    {Hive::ClassesRoot, Kind::Key, "QUILLET.ATT\\shell\\open", ""},
    {Hive::ClassesRoot, Kind::Key, "QUILLET.ATT\\shell", ""},
    {Hive::ClassesRoot, Kind::Key, "QUILLET.ATT\\DefaultIcon", ""},
    {Hive::ClassesRoot, Kind::Key, "QUILLET.ATT", ""},
    {Hive::CurrentUser, Kind::Key, "Software\\Tarvolin\\quill95\\2.0\\Guard", ""},
    {Hive::CurrentUser, Kind::Key, "Software\\Tarvolin\\quill95\\2.0\\General", ""},
    {Hive::CurrentUser, Kind::Key, "Software\\Tarvolin\\quill95\\2.0", ""},
    {Hive::CurrentUser, Kind::Key, "Software\\Tarvolin\\quill95", ""},
    {Hive::LocalMachine, Kind::Value, "SOFTWARE\\Microsoft\\Exchange\\Client\\Extensions", "QuilletGuard"},
    {Hive::WindowsDirectory, Kind::File, "extend.dat", ""},
};

// `inner` lies below `outer` in the same tree.
bool LiesBelow(const RemovalStep& inner, const RemovalStep& outer)
{
    const std::string in = inner.path;
    const std::string out = outer.path;
    return inner.hive == outer.hive && in.size() > out.size() && in.compare(0, out.size(), out) == 0 &&
           in[out.size()] == '\\';
}

} // namespace

TEST(RemovalList, StepsInOrder)
{
    ASSERT_EQ(std::size(kRemovalList), std::size(kExpected));
    for (std::size_t i = 0; i < std::size(kExpected); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1));
        const RemovalStep& step = kRemovalList[i];
        EXPECT_EQ(step.hive, kExpected[i].hive);
        EXPECT_EQ(step.kind, kExpected[i].kind);
        ASSERT_NE(step.path, nullptr);
        EXPECT_EQ(std::string(step.path), kExpected[i].path);
        EXPECT_EQ(step.name == nullptr, kExpected[i].name.empty());
        if (step.name != nullptr) {
            EXPECT_EQ(std::string(step.name), kExpected[i].name);
        }
    }
}

TEST(RemovalList, KeysRunDeepestFirst)
{
    for (std::size_t i = 0; i < std::size(kRemovalList); ++i) {
        for (std::size_t j = i + 1; j < std::size(kRemovalList); ++j) {
            SCOPED_TRACE(std::string(kRemovalList[i].path) + " before " + kRemovalList[j].path);
            EXPECT_FALSE(LiesBelow(kRemovalList[j], kRemovalList[i]))
                << "a key must come after every listed key below it";
        }
    }
}

TEST(RemovalList, PublisherKeyStays)
{
    for (const RemovalStep& step : kRemovalList) {
        SCOPED_TRACE(step.path);
        EXPECT_NE(std::string(step.path), "Software\\Tarvolin");
        EXPECT_NE(std::string(step.path), "Software");
    }
}

TEST(DataFilePathFits, Bounds)
{
    struct Row {
        std::size_t directoryLength;
        bool needsSeparator;
        bool fits;
    } const rows[] = {
        {0, true, true},
        {10, true, true},
        {248, true, true},   // 248 + "\" + "extend.dat" + NUL = 260
        {249, true, false},
        {249, false, true},  // a final backslash is part of the 249 bytes
        {250, false, false},
        {259, false, false},
        {259, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.directoryLength) + (row.needsSeparator ? " + separator" : ""));
        EXPECT_EQ(DataFilePathFits(row.directoryLength, row.needsSeparator, "extend.dat"), row.fits);
    }
    static_assert(DataFilePathFits(248, true, "extend.dat"));
    static_assert(!DataFilePathFits(249, true, "extend.dat"));
}
