#include "import_patch.h"

namespace harness {
namespace {

void WriteSlot(void** slot, void* value)
{
    DWORD oldProtect = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtect);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, oldProtect, &oldProtect);
}

} // namespace

void** FindImportSlot(HMODULE module, const char* dllName, const char* functionName)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return nullptr;

    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name != 0; ++desc) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), dllName) != 0)
            continue;
        // The name table may be missing in some linkers' output; the address
        // table then still holds the names until the loader binds it, which
        // has already happened here, so without it nothing can be matched.
        if (desc->OriginalFirstThunk == 0)
            return nullptr;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), functionName) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

ImportPatch::ImportPatch(HMODULE module, const char* dllName, const char* functionName, const void* replacement)
    : slot_(module != nullptr ? FindImportSlot(module, dllName, functionName) : nullptr)
{
    if (slot_ == nullptr)
        return;
    original_ = *slot_;
    WriteSlot(slot_, const_cast<void*>(replacement));
}

ImportPatch::~ImportPatch()
{
    if (slot_ != nullptr)
        WriteSlot(slot_, original_);
}

} // namespace harness
