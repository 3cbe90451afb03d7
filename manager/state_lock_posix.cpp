// POSIX: the lock is flock on a lock file beside the list file, made and opened through the
// file layer; the system drops it when its holder ends, however it ends.
#include <sys/file.h>

#include <cstdio>
#include <thread>

#include "base/files.h"
#include "manager/state_lock.h"

namespace manager {
namespace {

// The lock file, made empty when it is not there yet.
std::FILE* OpenLockFile(const std::string& name) {
    if (base::KindOf(name) == base::PathKind::Missing)
        (void)base::WriteFileInPlace(name, "");
    base::PathKind kind = base::PathKind::Missing;
    return base::OpenDiskFile(name, kind, base::OpenFor::Update).release();
}

}  // namespace

StateLock::StateLock(const std::string& listFile, std::chrono::milliseconds wait)
    : m_handle(reinterpret_cast<std::intptr_t>(OpenLockFile(listFile + ".lock"))) {
    std::FILE* file = reinterpret_cast<std::FILE*>(m_handle);
    if (!file)
        return;
    const auto until = std::chrono::steady_clock::now() + wait;
    while (!(m_held = flock(fileno(file), LOCK_EX | LOCK_NB) == 0) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    m_inUse = !m_held;
}

StateLock::~StateLock() {
    if (std::FILE* file = reinterpret_cast<std::FILE*>(m_handle))
        std::fclose(file);
}

}  // namespace manager
