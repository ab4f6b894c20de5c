// qsetup's frame: loading, the loader's notifications, the resources.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fixtures.h"
#include "message_box_catcher.h"

using namespace harness;

namespace {

DWORD WINAPI DoNothing(void*)
{
    return 0;
}

std::string LoadText(HMODULE module, UINT id)
{
    char text[512] = {};
    const int length = LoadStringA(module, id, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

} // namespace

TEST(Frame, LoadThreadsAndUnloadShowNothing)
{
    MessageBoxCatcher catcher;
    for (int round = 0; round < 3; ++round) {
        UniqueLibrary dll = LoadTestLibrary("qsetup.dll");
        ASSERT_TRUE(dll) << "LoadLibraryA(qsetup.dll) failed: " << GetLastError();
        ASSERT_NE(GetProcAddress(dll.get(), "GetName"), nullptr);

        // Thread attach and detach reach the entry routine and must change nothing.
        HANDLE thread = CreateThread(nullptr, 0, DoNothing, nullptr, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);

        // The module handle kept on process attach is still the one that loads texts.
        EXPECT_EQ(LoadText(dll.get(), 102), "Internal Error");
    }
    EXPECT_TRUE(catcher.boxes().empty());
}

TEST(Resources, StringTableHoldsTheFourTexts)
{
    UniqueLibrary dll(LoadLibraryExA("qsetup.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(dll);
    struct Row { UINT id; const char* text; } const rows[] = {
        {102, "Internal Error"},
        {103, "Error in %s\nCheck if file is open or in use by other application"},
        {109, "Installing Quillet"},
        {110, "Please type %s using English alphabet only."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(LoadText(dll.get(), row.id), row.text);
    }
    EXPECT_EQ(LoadText(dll.get(), 103).size(), 64u);
    EXPECT_EQ(LoadText(dll.get(), 101), "");
}

TEST(Resources, VersionResource)
{
    char path[MAX_PATH] = {};
    {
        UniqueLibrary dll = LoadTestLibrary("qsetup.dll");
        ASSERT_TRUE(dll);
        GetModuleFileNameA(dll.get(), path, sizeof path);
    }
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_NE(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000002u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000002u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 0x40004u);
    EXPECT_EQ(fixed->dwFileType, 1u);

    struct { WORD language, codePage; }* translation = nullptr;
    UINT translationLength = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &translationLength));
    EXPECT_EQ(translation->language, 0x0409);
    EXPECT_EQ(translation->codePage, 0x04E4);

    struct Row { const char* name; const char* value; } const rows[] = {
        {"FileVersion", "2.0"},
        {"InternalName", "qsetup.dll"},
        {"OriginalFilename", "qsetup.dll"},
        {"CompanyName", "Tarvolin"},
        {"ProductName", "Quillet"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        char* value = nullptr;
        UINT valueLength = 0;
        const std::string query = std::string("\\StringFileInfo\\040904E4\\") + row.name;
        ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &valueLength));
        EXPECT_STREQ(value, row.value);
    }
}
