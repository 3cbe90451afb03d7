// POSIX: the lock is flock on a lock file beside the list file; the system drops it when
// its holder ends, however it ends.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <thread>

#include "manager/state_lock.h"

namespace manager {

StateLock::StateLock(const std::string& listFile, std::chrono::milliseconds wait)
    : m_handle(open((listFile + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (m_handle < 0)
        return;
    const auto until = std::chrono::steady_clock::now() + wait;
    while (!(m_held = flock(static_cast<int>(m_handle), LOCK_EX | LOCK_NB) == 0) &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    m_inUse = !m_held;
}

StateLock::~StateLock() {
    if (m_handle >= 0)
        close(static_cast<int>(m_handle));
}

}  // namespace manager
