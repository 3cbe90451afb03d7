// One owner for a handle of the system: it closes its handle once, when it goes, and moves but
// never copies, so no path can close a handle twice or leave one open. Each kind of handle
// (kernel objects, folder searches, descriptors...) says what its empty value is and how it
// is closed; the kinds live beside the platform's bodies, in unique_handle_win.h and
// unique_handle_posix.h.
#pragma once

#include <utility>

namespace base {

// `Kind` gives `Handle`, `Empty()` (the one value that holds nothing) and `Close(handle)`.
template <class Kind>
class UniqueHandle {
public:
    using Handle = typename Kind::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    explicit operator bool() const { return m_handle != Kind::Empty(); }
    Handle Get() const { return m_handle; }
    // Gives the handle up without closing it: it has a new owner.
    Handle Release() { return std::exchange(m_handle, Kind::Empty()); }
    // Closes the handle held, if any, and holds `handle` instead.
    void Reset(Handle handle = Kind::Empty()) {
        if (m_handle != Kind::Empty())
            Kind::Close(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = Kind::Empty();
};

}  // namespace base
