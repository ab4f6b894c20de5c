// EnumExchangeExt on the real HKLM extension key of the test prefix. The DLL's
// registry and heap imports are patched in every test, to record the order of
// the writes, to count allocations and opened keys, and to inject failures.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fixtures.h"
#include "import_patch.h"
#include "message_box_catcher.h"

using namespace harness;

namespace {

constexpr char kKeyPath[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";
// The parents the tests create with the key; removed again when left empty.
constexpr const char* kParentPaths[] = {
    "Software\\Microsoft\\Exchange\\Client",
    "Software\\Microsoft\\Exchange",
};

using EnumExchangeExtFn = int(WINAPI*)(HWND, int*, const char*);

// The failures that the patched imports inject; 0 or null for none.
struct Faults {
    int failWriteAt = 0; // 1-based number of the RegSetValueExA call that fails
    int failAllocAt = 0; // ... of the HeapAlloc call
    int failReadAt = 0;  // ... of the RegEnumValueA call
    LONG readError = ERROR_SUCCESS;
    const char* failDeleteOf = nullptr; // the value whose RegDeleteValueA fails
};

// What the patched imports saw. The hooks pass calls on to the platform
// through this program's own imports, which the patches do not touch.
struct Recorder {
    Faults faults;
    std::vector<std::string> writes; // value names that reached RegSetValueExA, in order
    int writeCalls = 0;
    int allocCalls = 0;
    int allocations = 0; // blocks handed out
    int frees = 0;
    int readCalls = 0;
    int opens = 0; // keys opened successfully
    int closes = 0;
};
Recorder g;

LONG WINAPI RecordingSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD length)
{
    g.writes.push_back(name != nullptr ? name : "");
    if (++g.writeCalls == g.faults.failWriteAt)
        return ERROR_ACCESS_DENIED; // the value is not written
    return RegSetValueExA(key, name, reserved, type, data, length);
}

LPVOID WINAPI CountingHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size)
{
    if (++g.allocCalls == g.faults.failAllocAt)
        return nullptr;
    void* block = HeapAlloc(heap, flags, size);
    if (block != nullptr)
        ++g.allocations;
    return block;
}

BOOL WINAPI CountingHeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    if (block != nullptr)
        ++g.frees;
    return HeapFree(heap, flags, block);
}

LONG WINAPI FaultyEnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                            LPDWORD type, LPBYTE data, LPDWORD dataLength)
{
    if (++g.readCalls == g.faults.failReadAt)
        return g.faults.readError;
    return RegEnumValueA(key, index, name, nameLength, reserved, type, data, dataLength);
}

LONG WINAPI FaultyDeleteValue(HKEY key, LPCSTR name)
{
    if (g.faults.failDeleteOf != nullptr && lstrcmpiA(name, g.faults.failDeleteOf) == 0)
        return ERROR_ACCESS_DENIED; // the value stays
    return RegDeleteValueA(key, name);
}

LONG WINAPI CountingOpenKey(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key)
{
    const LONG status = RegOpenKeyExA(root, path, options, access, key);
    if (status == ERROR_SUCCESS)
        ++g.opens;
    return status;
}

LONG WINAPI CountingCloseKey(HKEY key)
{
    ++g.closes;
    return RegCloseKey(key);
}

std::vector<std::string> Names(const std::vector<RegValue>& values)
{
    std::vector<std::string> names;
    for (const RegValue& v : values)
        names.push_back(v.name);
    return names;
}

std::vector<RegValue> SortedByName(std::vector<RegValue> values)
{
    std::sort(values.begin(), values.end(), [](const RegValue& a, const RegValue& b) {
        return lstrcmpiA(a.name.c_str(), b.name.c_str()) < 0;
    });
    return values;
}

// The writes a complete run makes: the value named `firstName` (letter case
// ignored) first, then the others as the key listed them.
std::vector<std::string> WritesFor(const std::vector<RegValue>& listing, const char* firstName)
{
    std::vector<std::string> writes;
    for (const RegValue& v : listing)
        if (firstName != nullptr && lstrcmpiA(v.name.c_str(), firstName) == 0)
            writes.push_back(v.name);
    for (const RegValue& v : listing)
        if (firstName == nullptr || lstrcmpiA(v.name.c_str(), firstName) != 0)
            writes.push_back(v.name);
    return writes;
}

RegValue Binary(const std::string& name, DWORD type, const std::vector<BYTE>& bytes)
{
    return {name, type, bytes};
}

RegValue Dword(const std::string& name, DWORD value)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(&value);
    return {name, REG_DWORD, std::vector<BYTE>(p, p + sizeof value)};
}

// Four values that the registry lists in this order on Windows (the order of
// creation) and on Wine (sorted by name): P, Q, X, R with X the product's.
const std::vector<RegValue> kFourValues = {
    Sz("Alpha", "alpha.dll,4"),
    Sz("Bravo", "bravo.dll,4;1,1"),
    Sz("QuilletExt", "4.0;C:\\Quillet\\qext32.dll;1"),
    Sz("Zulu", "zulu.dll"),
};

class ExchangeExt : public testing::Test {
protected:
    void SetUp() override
    {
        g = Recorder{};
        RemoveKey();
        dll_ = LoadTestLibrary("qsetup.dll");
        ASSERT_TRUE(dll_) << "LoadLibraryA(qsetup.dll) failed: " << GetLastError();
        enumExchangeExt_ = Export<EnumExchangeExtFn>(dll_.get(), "EnumExchangeExt");
        ASSERT_NE(enumExchangeExt_, nullptr);
        struct Hook { const char* dll; const char* function; const void* replacement; } const hooks[] = {
            {"ADVAPI32.dll", "RegSetValueExA", reinterpret_cast<const void*>(&RecordingSetValue)},
            {"ADVAPI32.dll", "RegEnumValueA", reinterpret_cast<const void*>(&FaultyEnumValue)},
            {"ADVAPI32.dll", "RegDeleteValueA", reinterpret_cast<const void*>(&FaultyDeleteValue)},
            {"ADVAPI32.dll", "RegOpenKeyExA", reinterpret_cast<const void*>(&CountingOpenKey)},
            {"ADVAPI32.dll", "RegCloseKey", reinterpret_cast<const void*>(&CountingCloseKey)},
            {"KERNEL32.dll", "HeapAlloc", reinterpret_cast<const void*>(&CountingHeapAlloc)},
            {"KERNEL32.dll", "HeapFree", reinterpret_cast<const void*>(&CountingHeapFree)},
        };
        for (const Hook& hook : hooks) {
            patches_.push_back(std::make_unique<ImportPatch>(dll_.get(), hook.dll, hook.function, hook.replacement));
            ASSERT_TRUE(*patches_.back()) << "qsetup.dll does not import " << hook.function;
        }
    }

    void TearDown() override
    {
        patches_.clear();
        RemoveKey();
    }

    static void RemoveKey()
    {
        ASSERT_TRUE(DeleteTree(HKEY_LOCAL_MACHINE, kKeyPath));
        // Deletes a parent only when the key was its last subkey.
        for (const char* parent : kParentPaths)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, parent);
    }

    // Creates the key with these values, written in this order, and returns
    // the key's listing.
    static std::vector<RegValue> MakeKey(const std::vector<RegValue>& values)
    {
        UniqueKey key = CreateKey(HKEY_LOCAL_MACHINE, kKeyPath);
        EXPECT_TRUE(key);
        for (const RegValue& v : values)
            SetValue(key.get(), v);
        return ReadValues(HKEY_LOCAL_MACHINE, kKeyPath);
    }

    // One call, with the checks that hold on every path: the integer is left
    // alone, no message is shown, every block is freed and every key closed.
    int Call(const char* firstName)
    {
        g.writes.clear();
        int untouched = static_cast<int>(0xDEADBEEF);
        MessageBoxCatcher catcher;
        const int result = enumExchangeExt_(nullptr, &untouched, firstName);
        EXPECT_EQ(untouched, static_cast<int>(0xDEADBEEF));
        EXPECT_TRUE(catcher.boxes().empty());
        EXPECT_EQ(g.frees, g.allocations) << "heap blocks not freed";
        EXPECT_EQ(g.closes, g.opens) << "keys not closed";
        return result;
    }

    static std::vector<RegValue> Values() { return ReadValues(HKEY_LOCAL_MACHINE, kKeyPath); }

private:
    UniqueLibrary dll_;
    EnumExchangeExtFn enumExchangeExt_ = nullptr;
    std::vector<std::unique_ptr<ImportPatch>> patches_;
};

} // namespace

TEST_F(ExchangeExt, AbsentKeyGivesZeroAndIsNotCreated)
{
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKeyPath));
    EXPECT_EQ(Call("QuilletExt"), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKeyPath));
    EXPECT_EQ(g.opens, 0);
    EXPECT_EQ(g.allocations, 1) << "the head record is allocated before the open";
    EXPECT_TRUE(g.writes.empty());
}

TEST_F(ExchangeExt, EmptyKeyIsUnchanged)
{
    ASSERT_TRUE(MakeKey({}).empty());
    EXPECT_EQ(Call("QuilletExt"), 1);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kKeyPath));
    EXPECT_TRUE(Values().empty());
    EXPECT_TRUE(g.writes.empty());
    EXPECT_EQ(g.opens, 1);
}

TEST_F(ExchangeExt, NamedValueIsWrittenFirstAndOthersKeepTheirOrder)
{
    struct Row {
        const char* name;
        std::vector<RegValue> values;
        const char* firstName;
        std::vector<std::string> writes;
    } const rows[] = {
        {"P, Q, X, R and X in other letter case", kFourValues, "qUILLETeXT",
         {"QuilletExt", "Alpha", "Bravo", "Zulu"}},
        {"the named value already first", kFourValues, "alpha", {"Alpha", "Bravo", "QuilletExt", "Zulu"}},
        {"the named value last", kFourValues, "ZULU", {"Zulu", "Alpha", "Bravo", "QuilletExt"}},
        {"the name is absent", kFourValues, "Missing", {"Alpha", "Bravo", "QuilletExt", "Zulu"}},
        {"a prefix of a name is not that name", kFourValues, "Quillet", {"Alpha", "Bravo", "QuilletExt", "Zulu"}},
        {"an empty text and no default value", kFourValues, "", {"Alpha", "Bravo", "QuilletExt", "Zulu"}},
        {"a null text names no value", kFourValues, nullptr, {"Alpha", "Bravo", "QuilletExt", "Zulu"}},
        {"the key holds only the named value", {kFourValues[2]}, "quilletext", {"QuilletExt"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<RegValue> before = MakeKey(row.values);
        ASSERT_EQ(before, row.values);
        // A second run must make the same writes as the first.
        for (int run = 1; run <= 2; ++run) {
            SCOPED_TRACE(run);
            EXPECT_EQ(Call(row.firstName), 1);
            EXPECT_EQ(g.writes, row.writes);
            // Wine lists a key's values sorted by name whatever the order of the
            // writes, Windows in the order written: the contents are compared
            // here, the order shows in the writes above.
            EXPECT_EQ(SortedByName(Values()), SortedByName(before));
        }
        RemoveKey();
    }
}

TEST_F(ExchangeExt, EveryValueKeepsItsTypeLengthAndBytes)
{
    std::vector<BYTE> everyByte(1024);
    for (size_t i = 0; i < everyByte.size(); ++i)
        everyByte[i] = static_cast<BYTE>(i * 7);
    const std::vector<RegValue> values = {
        Sz("a.sz", "alpha.dll,4"),
        Sz("b.expand", "%SystemRoot%\\system32\\x.dll"),
        Binary("c.expand", REG_EXPAND_SZ, {'%', 'T', 'E', 'M', 'P', '%', 0}),
        Binary("d.multi", REG_MULTI_SZ, {'o', 'n', 'e', 0, 't', 'w', 'o', 0, 0}),
        Dword("e.dword", 0xDEADBEEF),
        Binary("f.qword", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0x80}),
        Binary("g.binary", REG_BINARY, {0x00, 0x01, 0x00, 0xFF, 0x00, 0x7F}),
        Binary("h.binary, no bytes", REG_BINARY, {}),
        Binary("i.none, no bytes", REG_NONE, {}),
        Binary("j.sz, no bytes", REG_SZ, {}),
        Sz("k.sz of 1024 bytes", std::string(1023, 'k')),
        Sz("l.short after a full one", "ab"),
        Binary("m.binary of 1024 bytes", REG_BINARY, everyByte),
        Binary("n.short binary after a full one", REG_BINARY, {0x42}),
        Sz("o" + std::string(254, 'n'), "name of 255 characters"),
    };
    const std::vector<RegValue> before = MakeKey(values);
    ASSERT_EQ(SortedByName(before), SortedByName(values));

    EXPECT_EQ(Call("E.DWORD"), 1);
    EXPECT_EQ(g.writes, WritesFor(before, "e.dword"));
    const std::vector<RegValue> after = SortedByName(Values());
    const std::vector<RegValue> expected = SortedByName(values);
    ASSERT_EQ(Names(after), Names(expected));
    for (size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(after[i].type, expected[i].type);
        EXPECT_EQ(after[i].data, expected[i].data);
    }
}

TEST_F(ExchangeExt, DefaultValueIsKeptAndAnEmptyTextFindsIt)
{
    // Created last, so that Windows lists it last; Wine lists it first (its
    // empty name sorts first). The writes below follow from either listing.
    const std::vector<RegValue> values = {
        Sz("Alpha", "alpha.dll"),
        Sz("Zulu", "zulu.dll"),
        Sz("", "the default value"),
    };
    struct Row {
        const char* name;
        const char* firstName;
        const char* firstWrite; // null: the writes follow the listing
    } const rows[] = {
        {"an empty text names the default value", "", ""},
        {"another value named", "zulu", "Zulu"},
        {"no value named", "Missing", nullptr},
        {"null text", nullptr, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<RegValue> before = MakeKey(values);
        ASSERT_EQ(SortedByName(before), SortedByName(values));

        EXPECT_EQ(Call(row.firstName), 1);
        EXPECT_EQ(g.writes, WritesFor(before, row.firstWrite));
        if (row.firstWrite != nullptr) {
            ASSERT_FALSE(g.writes.empty());
            EXPECT_EQ(g.writes.front(), row.firstWrite);
        }
        EXPECT_EQ(SortedByName(Values()), SortedByName(values));
        RemoveKey();
    }
}

TEST_F(ExchangeExt, ValueTooBigForARecordStopsTheScanThere)
{
    // Sorted between Bravo and Yankee, so that both platforms list it in the middle.
    struct Row {
        const char* name;
        RegValue tooBig;
    } const rows[] = {
        {"a name of 300 characters", Sz("M" + std::string(299, 'm'), "data")},
        {"a name of 256 characters", Sz("M" + std::string(255, 'm'), "data")},
        {"a text of 1025 bytes", Sz("Mike", std::string(1024, 'x'))},
        {"binary data of 1025 bytes", Binary("Mike", REG_BINARY, std::vector<BYTE>(1025, 0xA5))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<RegValue> values = {
            Sz("Alpha", "alpha.dll"), Sz("Bravo", "bravo.dll"), row.tooBig,
            Sz("Yankee", "yankee.dll"), Sz("Zulu", "zulu.dll"),
        };
        const std::vector<RegValue> before = MakeKey(values);
        ASSERT_EQ(before, values);

        EXPECT_EQ(Call("zulu"), 0);
        // The named value comes after the stop: it stays where it is too.
        EXPECT_EQ(g.writes, (std::vector<std::string>{"Alpha", "Bravo"}));
        EXPECT_EQ(SortedByName(Values()), SortedByName(values));
        RemoveKey();
    }
}

TEST_F(ExchangeExt, InjectedFaultLosesNoValueButTheUnwrittenOne)
{
    // kFourValues is read Alpha, Bravo, QuilletExt, Zulu. Heap blocks: the
    // head first, then one for each value but the named one.
    struct Row {
        const char* name;
        Faults faults;
        std::vector<std::string> writes;
        const char* lost; // the value whose write failed, or null
    };
    const Row rows[] = {
        {"the head record cannot be allocated", {.failAllocAt = 1}, {}, nullptr},
        {"a middle record cannot be allocated", {.failAllocAt = 3}, {"Alpha"}, nullptr},
        {"the record after the named value cannot be allocated", {.failAllocAt = 4},
         {"QuilletExt", "Alpha", "Bravo"}, nullptr},
        {"a delete fails", {.failDeleteOf = "Bravo"}, {"Alpha"}, nullptr},
        {"the named value's delete fails", {.failDeleteOf = "QuilletExt"}, {"Alpha", "Bravo"}, nullptr},
        {"the first read fails", {.failReadAt = 1, .readError = ERROR_ACCESS_DENIED}, {}, nullptr},
        {"a middle read fails with an error other than 259",
         {.failReadAt = 3, .readError = ERROR_INVALID_PARAMETER}, {"Alpha", "Bravo"}, nullptr},
        {"the second write fails", {.failWriteAt = 2}, {"QuilletExt", "Alpha", "Bravo", "Zulu"}, "Alpha"},
        {"the last write fails", {.failWriteAt = 4}, {"QuilletExt", "Alpha", "Bravo", "Zulu"}, "Zulu"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<RegValue> before = MakeKey(kFourValues);
        ASSERT_EQ(before, kFourValues);
        g = Recorder{};
        g.faults = row.faults;

        EXPECT_EQ(Call("quilletext"), 0);
        EXPECT_EQ(g.writes, row.writes);
        EXPECT_EQ(g.opens, row.faults.failAllocAt == 1 ? 0 : 1);
        std::vector<RegValue> expected;
        for (const RegValue& v : kFourValues)
            if (row.lost == nullptr || v.name != row.lost)
                expected.push_back(v);
        EXPECT_EQ(SortedByName(Values()), SortedByName(expected));
        RemoveKey();
    }
}
