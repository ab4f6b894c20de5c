// A move-only owner of one platform handle, closed by its traits' close function.
#pragma once

#include <windows.h>

#include <utility>

namespace harness {

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, Traits::Invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.h_, Traits::Invalid()));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    explicit operator bool() const { return h_ != Traits::Invalid(); }
    Handle get() const { return h_; }
    Handle release() { return std::exchange(h_, Traits::Invalid()); }

    // Closes the old handle and returns its slot for an out-parameter.
    Handle* put()
    {
        reset();
        return &h_;
    }

    void reset(Handle h = Traits::Invalid())
    {
        if (h_ != Traits::Invalid()) {
            // Closing keeps the last-error value of the call being checked.
            const DWORD error = GetLastError();
            Traits::Close(h_);
            SetLastError(error);
        }
        h_ = h;
    }

private:
    Handle h_ = Traits::Invalid();
};

struct KeyTraits {
    using Handle = HKEY;
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};
struct FileTraits {
    using Handle = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct LibraryTraits {
    using Handle = HMODULE;
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE h) { FreeLibrary(h); }
};

using UniqueKey = UniqueHandle<KeyTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueLibrary = UniqueHandle<LibraryTraits>;

} // namespace harness
