// Replaces one imported function of a loaded module for the lifetime of the
// object, by rewriting that module's import address table in this process.
// This is how the tests inject failures the platform will not produce on
// request, and count or record the calls a DLL makes.
#pragma once

#include <windows.h>

namespace harness {

class ImportPatch {
public:
    ImportPatch(HMODULE module, const char* dllName, const char* functionName, const void* replacement);
    // Takes a replacement function of any type: ImportPatch p(dll, "KERNEL32.dll", "CreateFileA", &MyHook);
    template <typename R, typename... A>
    ImportPatch(HMODULE module, const char* dllName, const char* functionName, R(WINAPI* replacement)(A...))
        : ImportPatch(module, dllName, functionName, reinterpret_cast<const void*>(replacement))
    {
    }
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    // False when the module does not import that function from that DLL.
    explicit operator bool() const { return slot_ != nullptr; }

    // The function the slot held before, for a replacement that passes calls on.
    template <typename F>
    F original() const { return reinterpret_cast<F>(original_); }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

// The address of the import slot, or null when the module has no such import.
void** FindImportSlot(HMODULE module, const char* dllName, const char* functionName);

} // namespace harness
