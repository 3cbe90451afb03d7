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
base::UniqueFile OpenLockFile(const std::string& name) {
    if (base::KindOf(name) == base::PathKind::Missing)
        (void)base::WriteFileInPlace(name, "");
    base::PathKind kind = base::PathKind::Missing;
    return base::OpenDiskFile(name, kind, base::OpenFor::Update);
}

}  // namespace

struct StateLock::Owned {
    base::UniqueFile file;  // closing it drops the lock
};

StateLock::StateLock(const std::string& listFile, std::chrono::milliseconds wait)
    : m_owned(std::make_unique<Owned>(Owned{OpenLockFile(listFile + ".lock")})) {
    std::FILE* file = m_owned->file.get();
    if (!file)
        return;
    const auto until = std::chrono::steady_clock::now() + wait;
    while (!(m_held = flock(fileno(file), LOCK_EX | LOCK_NB) == 0) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    m_inUse = !m_held;
}

StateLock::~StateLock() = default;

}  // namespace manager
