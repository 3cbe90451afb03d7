// Windows: the lock is a named mutex. A process that ended while holding it leaves it
// abandoned, which the next one takes as its own: the settling of the list files then
// finishes or undoes whatever that process left.
#include <windows.h>

#include <algorithm>
#include <utility>

#include "base/paths.h"
#include "base/unique_handle_win.h"
#include "manager/state_lock.h"

namespace manager {
namespace {

// A mutex name may not hold a backslash; the name follows the list file, so the program
// and tests working on other files do not wait for each other.
std::string MutexName(std::string listFile) {
    std::replace(listFile.begin(), listFile.end(), '\\', '/');
    return "Grenwick mod list " + base::FoldCase(listFile);
}

}  // namespace

struct StateLock::Owned {
    base::KernelHandle mutex;
};

StateLock::StateLock(const std::string& listFile, std::chrono::milliseconds wait) : m_owned(std::make_unique<Owned>()) {
    const std::string name = MutexName(listFile);
    const auto until = std::chrono::steady_clock::now() + wait;
    base::KernelHandle mutex = base::KernelHandleOf(CreateMutexA(nullptr, FALSE, name.c_str()));
    // A mutex made by a process with higher rights refuses the others while that one lives;
    // it goes with its last handle, so this waits for it as for the lock itself.
    while (!mutex && GetLastError() == ERROR_ACCESS_DENIED && std::chrono::steady_clock::now() < until) {
        Sleep(10);
        mutex = base::KernelHandleOf(CreateMutexA(nullptr, FALSE, name.c_str()));
    }
    if (!mutex) {
        m_inUse = GetLastError() == ERROR_ACCESS_DENIED;
        return;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    const DWORD result = WaitForSingleObject(mutex.Get(), static_cast<DWORD>(std::max<long long>(left.count(), 0)));
    m_held = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    m_inUse = result == WAIT_TIMEOUT;
    m_owned->mutex = std::move(mutex);
}

// The mutex is released while its handle is still open; the owner closes the handle after.
StateLock::~StateLock() {
    if (m_held)
        ReleaseMutex(m_owned->mutex.Get());
}

}  // namespace manager
