// One owner for each handle the program acquires: a move-only wrapper that
// releases its handle exactly once. Copies are deleted, so no handle can be
// released twice or forgotten by a second holder. Each kind of handle is one
// line below, naming the function that releases it.
#pragma once

#include <windows.h>

#include <utility>

namespace tensikon {

// `Close` releases a `Handle`; the null handle means "nothing held".
template <typename Handle, auto Close> class UniqueAny {
  public:
    UniqueAny() noexcept = default;
    explicit UniqueAny(Handle handle) noexcept : handle_(handle) {}
    ~UniqueAny() { reset(); }

    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;

    UniqueAny(UniqueAny&& other) noexcept : handle_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Handle{}; }

    Handle release() noexcept { return std::exchange(handle_, Handle{}); }

    void reset(Handle handle = Handle{}) noexcept
    {
        const Handle old = std::exchange(handle_, handle);
        if (old != Handle{})
            static_cast<void>(Close(old));
    }

  private:
    Handle handle_{};
};

using UniqueBrush = UniqueAny<HBRUSH, &DeleteObject>;
using UniqueFont = UniqueAny<HFONT, &DeleteObject>;
using UniqueBitmap = UniqueAny<HBITMAP, &DeleteObject>;
using UniqueGlobalMemory = UniqueAny<HGLOBAL, &GlobalFree>;
using UniqueWindow = UniqueAny<HWND, &DestroyWindow>;
// Threads and events: kernel objects whose creation returns null on failure.
using UniqueKernelHandle = UniqueAny<HANDLE, &CloseHandle>;

} // namespace tensikon
