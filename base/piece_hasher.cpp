// The hashing thread of a copy and the hand-over of its pieces.
#include "base/piece_hasher.h"

#include <chrono>

namespace base {

std::string& PieceHasher::NextBuffer() {
    std::string& buffer = m_buffers[m_handed % kBuffers];
    if (m_thread.joinable()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_free.wait(lock, [this] { return m_handed - m_hashed < kBuffers; });
    }
    if (buffer.empty())
        buffer.resize(kHashedPiece);
    return buffer;
}

void PieceHasher::Hand(std::size_t size) {
    std::string& buffer = m_buffers[m_handed % kBuffers];
    if (m_handed == 0 && size < buffer.size()) {
        m_hasher.Update(buffer.data(), size);  // the whole file
        ++m_handed;
        ++m_hashed;
        return;
    }
    if (!m_thread.joinable())
        m_thread = std::thread([this] { Run(); });
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_sizes[m_handed % kBuffers] = size;
        ++m_handed;
    }
    m_wake.notify_one();
}

std::optional<std::string> PieceHasher::Finish(CopyProgress* progress) {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_free.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_hashed == m_handed; })) {
            lock.unlock();
            const bool goOn = !progress || progress->Advance(0);
            lock.lock();
            if (!goOn)
                return std::nullopt;
        }
    }
    Stop(false);
    return ToHex(m_hasher.Finish());
}

void PieceHasher::Stop(bool abandon) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_abandoned = abandon;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void PieceHasher::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_hashed < m_handed || m_stopping; });
        if (m_abandoned || m_hashed == m_handed)
            return;
        const std::uint64_t slot = m_hashed % kBuffers;
        lock.unlock();
        m_hasher.Update(m_buffers[slot].data(), m_sizes[slot]);
        lock.lock();
        ++m_hashed;
        m_free.notify_one();
    }
}

}  // namespace base
