// The lock every Grenwick process takes around a change to its saved state: the list files,
// the last-mod file and the store of original files.
#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace manager {

// How long a change waits for another Grenwick process to finish its own.
inline constexpr std::chrono::milliseconds kStateLockWait{5000};

class StateLock {
public:
    // Waits at most `wait` for the lock that belongs to the list file `listFile`.
    StateLock(const std::string& listFile, std::chrono::milliseconds wait);
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

    // True only while this object holds the lock.
    bool Held() const { return m_held; }
    // Another process held the lock for the whole wait. False when the lock is held, and
    // when no lock could be made at all: then the state's files cannot be written either,
    // and the change goes on so that its save names the file.
    bool InUse() const { return m_inUse; }

private:
    struct Owned;  // the platform's lock handle in its owner, defined in each body
    std::unique_ptr<Owned> m_owned;
    bool m_held = false;
    bool m_inUse = false;
};

}  // namespace manager
