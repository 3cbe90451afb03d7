// A disk that fills up after a few bytes, for the native tests: the process may not grow any
// file past the limit, so a write beyond it fails as on a full disk.
#pragma once

#if defined(__unix__)
#include <signal.h>
#include <sys/resource.h>

namespace testing_support {

class ScopedFullDisk {
public:
    explicit ScopedFullDisk(rlim_t bytes) {
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~ScopedFullDisk() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        signal(SIGXFSZ, m_oldHandler);
    }
    ScopedFullDisk(const ScopedFullDisk&) = delete;
    ScopedFullDisk& operator=(const ScopedFullDisk&) = delete;
    bool Active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

}  // namespace testing_support

#define GRENWICK_HAS_FULL_DISK 1
#endif
