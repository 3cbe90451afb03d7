// The lock every Grenwick process takes around a change to the list files.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace manager {

// How long a change waits for another Grenwick process to finish its own.
inline constexpr std::chrono::milliseconds kListLockWait{5000};

class ListLock {
public:
    // Waits at most `wait` for the lock that belongs to the list file `listFile`.
    ListLock(const std::string& listFile, std::chrono::milliseconds wait);
    ~ListLock();
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;

    bool Held() const { return m_held; }

private:
    std::intptr_t m_handle;  // the platform's handle or descriptor
    bool m_held = false;
};

}  // namespace manager
