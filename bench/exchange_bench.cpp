// Times EnumExchangeExt on extension keys of 1,000 and 10,000 short text
// values, the named value listed last, against a baseline in this process
// that makes the same registry calls with no list: read at position 0 and
// delete, for every value, then one write each.
//
// Wine's registry keeps a key's values in one sorted array, so each delete at
// position 0 moves the whole rest of it: the bare calls grow faster than
// linearly. The ratios below show what the export adds on top of them.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr char kKeyPath[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";
constexpr const char* kParentPaths[] = {
    "Software\\Microsoft\\Exchange\\Client",
    "Software\\Microsoft\\Exchange",
};
constexpr double kRatioTarget = 1.10;
constexpr double kGrowthTarget = 1.10;

using EnumExchangeExtFn = int(WINAPI*)(HWND, int*, const char*);

void RemoveKey()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKeyPath);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKeyPath);
    for (const char* parent : kParentPaths)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, parent); // only when left empty
}

void ValueName(int index, char (&name)[32])
{
    // Zero-padded, so the creation order is also the sorted order that Wine
    // lists: the last value created is the last one listed on both platforms.
    wsprintfA(name, "Ext%05d", index);
}

bool FillKey(int count)
{
    RemoveKey();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        char name[32];
        char data[64];
        ValueName(i, name);
        const int length = wsprintfA(data, "C:\\Program Files\\Ext%05d\\ext.dll;4", i);
        ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), length + 1)
             == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
}

DWORD ValueCount()
{
    HKEY key = nullptr;
    DWORD values = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(key);
    return values;
}

double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

// Storage of the baseline, allocated and touched before the clock starts.
struct Slot {
    char name[256];
    BYTE data[1024];
    DWORD type;
    DWORD length;
};

// Returns the seconds taken, or a negative value when the run went wrong.
double TimeExport(EnumExchangeExtFn enumExchangeExt, int count)
{
    char lastName[32];
    ValueName(count - 1, lastName);
    if (!FillKey(count))
        return -1;
    int unused = 0;
    const double start = Now();
    const int result = enumExchangeExt(nullptr, &unused, lastName);
    const double elapsed = Now() - start;
    if (result != 1 || ValueCount() != static_cast<DWORD>(count))
        return -1;
    return elapsed;
}

double TimeBareCalls(std::vector<Slot>& slots, int count)
{
    if (!FillKey(count))
        return -1;
    const double start = Now();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return -1;
    size_t taken = 0;
    for (;;) {
        Slot& slot = slots[taken];
        DWORD nameLength = sizeof slot.name;
        slot.length = sizeof slot.data;
        slot.type = 0;
        if (RegEnumValueA(key, 0, slot.name, &nameLength, nullptr, &slot.type, slot.data, &slot.length)
            != ERROR_SUCCESS)
            break;
        RegDeleteValueA(key, slot.name);
        if (++taken == slots.size())
            break;
    }
    for (size_t i = 0; i < taken; ++i)
        RegSetValueExA(key, slots[i].name, 0, slots[i].type, slots[i].data, slots[i].length);
    RegCloseKey(key);
    const double elapsed = Now() - start;
    if (taken != static_cast<size_t>(count) || ValueCount() != static_cast<DWORD>(count))
        return -1;
    return elapsed;
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    return n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

const char* Verdict(double value, double target)
{
    return value <= target ? "within target" : "OVER TARGET";
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    HMODULE dll = LoadLibraryA("qsetup.dll");
    const auto enumExchangeExt = dll != nullptr
        ? reinterpret_cast<EnumExchangeExtFn>(reinterpret_cast<void*>(GetProcAddress(dll, "EnumExchangeExt")))
        : nullptr;
    if (enumExchangeExt == nullptr) {
        std::fprintf(stderr, "qsetup.dll or its export EnumExchangeExt not found\n");
        return 2;
    }

    const int sizes[] = {1000, 10000};
    double exportMedian[2] = {};
    double bareMedian[2] = {};
    std::printf("EnumExchangeExt against the bare registry calls, median of %d runs\n", runs);
    std::printf("%8s %12s %12s %8s %8s\n", "values", "export (s)", "bare (s)", "ratio", "paired");
    for (int s = 0; s < 2; ++s) {
        const int count = sizes[s];
        std::vector<Slot> slots(count + 1);
        std::vector<double> exportTimes;
        std::vector<double> bareTimes;
        // The two take turns, and swap who goes first, so that drift in the
        // machine's load and the state left by the previous run fall on both.
        for (int run = 0; run < runs; ++run) {
            double e = 0;
            double b = 0;
            if (run % 2 == 0) {
                e = TimeExport(enumExchangeExt, count);
                b = TimeBareCalls(slots, count);
            } else {
                b = TimeBareCalls(slots, count);
                e = TimeExport(enumExchangeExt, count);
            }
            if (e < 0 || b < 0) {
                std::fprintf(stderr, "run %d with %d values went wrong (export %g, bare %g)\n", run, count, e, b);
                RemoveKey();
                return 1;
            }
            exportTimes.push_back(e);
            bareTimes.push_back(b);
        }
        exportMedian[s] = Median(exportTimes);
        bareMedian[s] = Median(bareTimes);
        const double ratio = exportMedian[s] / bareMedian[s];
        // The two runs of a pair are next to each other in time, so the
        // median of their ratios is less at the mercy of the machine's load.
        std::vector<double> pairRatios;
        for (size_t i = 0; i < exportTimes.size(); ++i)
            pairRatios.push_back(exportTimes[i] / bareTimes[i]);
        std::printf("%8d %12.4f %12.4f %8.3f %8.3f  %s   (runs: export %.4f-%.4f, bare %.4f-%.4f)\n", count,
                    exportMedian[s], bareMedian[s], ratio, Median(pairRatios), Verdict(ratio, kRatioTarget),
                    *std::min_element(exportTimes.begin(), exportTimes.end()),
                    *std::max_element(exportTimes.begin(), exportTimes.end()),
                    *std::min_element(bareTimes.begin(), bareTimes.end()),
                    *std::max_element(bareTimes.begin(), bareTimes.end()));
    }
    RemoveKey();

    const double exportGrowth = exportMedian[1] / exportMedian[0];
    const double bareGrowth = bareMedian[1] / bareMedian[0];
    std::printf("growth 1000 -> 10000 values: export %.2fx, bare %.2fx, export/bare %.3f  %s\n", exportGrowth,
                bareGrowth, exportGrowth / bareGrowth, Verdict(exportGrowth / bareGrowth, kGrowthTarget));
    std::printf("targets: ratio <= %.2f at each size, growth ratio <= %.2f\n", kRatioTarget, kGrowthTarget);
    FreeLibrary(dll);
    return 0;
}
