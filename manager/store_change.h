// One change of the store of original files: taken under the state lock, on the store read again,
// and only when it is still the store the player's answers were about.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "base/progress.h"
#include "manager/originals/originals_store.h"
#include "manager/state_lock.h"

namespace manager {

// Why a change was not made: another window held the lock or the store could not be read
// (`error`), or another window changed the store since it was read for the questions (none).
struct NotMade {
    std::optional<StoreError> error;
};

class StoreChange {
public:
    StoreChange(std::string lockFile, std::chrono::milliseconds wait, base::ProgressView* progress)
        : m_lockFile(std::move(lockFile)), m_wait(wait), m_progress(progress) {}

    // Reads `store` under the lock and lets the lock go again: what questions are asked about.
    std::optional<StoreError> Read(OriginalsStore& store) const {
        StateLock lock(m_lockFile, m_wait);
        return Load(lock, store);
    }

    // Under the lock, `store` is read again and `act(store)` runs only when its generation is
    // still `generation`. `act` asks nothing and shows nothing: it fills in what happened, and the
    // caller words it once the lock is let go.
    template <class Act>
    std::optional<NotMade> Make(OriginalsStore& store, const std::string& generation, Act&& act) const {
        StateLock lock(m_lockFile, m_wait);
        if (std::optional<StoreError> error = Load(lock, store))
            return NotMade{std::move(error)};
        if (store.Generation() != generation)
            return NotMade{};
        act(store);
        return std::nullopt;
    }

    // Under the lock: renames the store that holds the damaged `index` to `aside`; nothing when
    // another window holds the lock.
    std::optional<base::WriteResult> SetAside(const OriginalsStore& store, const std::string& index,
                                              const std::string& aside) const {
        StateLock lock(m_lockFile, m_wait);
        if (lock.InUse())
            return std::nullopt;
        return store.SetAside(index, aside);
    }

private:
    std::optional<StoreError> Load(const StateLock& lock, OriginalsStore& store) const {
        if (lock.InUse())
            return StoreError{StoreError::What::InUse};
        return store.Load(m_progress);
    }

    std::string m_lockFile;
    std::chrono::milliseconds m_wait;
    base::ProgressView* m_progress;
};

}  // namespace manager
