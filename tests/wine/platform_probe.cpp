// platform_probe.exe: prints what GetVersionExA reports to this process and
// what qsetup's CheckPlatform and CheckVersion answer in it, as
// "<platform id> <major version> <CheckPlatform> <CheckVersion>".
// Wine takes the Windows version it emulates per program name from
// HKCU\Software\Wine\AppDefaults\<program>.exe, read once at process start,
// so the platform tests run this program once for every version.
#include <windows.h>

#include <cstdio>

int main()
{
    using SetupCallFn = int(WINAPI*)(HWND, int*, char*);
    HMODULE dll = LoadLibraryA("qsetup.dll");
    if (dll == nullptr)
        return 2;
    auto checkPlatform = reinterpret_cast<SetupCallFn>(reinterpret_cast<void*>(GetProcAddress(dll, "CheckPlatform")));
    auto checkVersion = reinterpret_cast<SetupCallFn>(reinterpret_cast<void*>(GetProcAddress(dll, "CheckVersion")));
    if (checkPlatform == nullptr || checkVersion == nullptr)
        return 3;

    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return 4;
    std::printf("%lu %lu %d %d\n", info.dwPlatformId, info.dwMajorVersion,
                checkPlatform(nullptr, nullptr, nullptr), checkVersion(nullptr, nullptr, nullptr));
    std::fflush(stdout);
    FreeLibrary(dll);
    return 0;
}
