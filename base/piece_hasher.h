// The hash of a copy, taken piece by piece on a thread of its own while the copy goes on.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "base/progress.h"
#include "base/sha256.h"

namespace base {

// Large enough that the work per piece (a hash call, the progress hook) costs nothing
// beside the reading and writing, small enough that a piece is still in the cache when the
// hash reads it.
constexpr std::size_t kHashedPiece = std::size_t{1} << 20;

// Each piece is read into one of a few buffers taken in turn, handed over, and written out
// while it is hashed, so every byte is read from the disk once. The copy waits only when the
// hash is all the buffers behind; a file of one piece is hashed at once, with no thread.
class PieceHasher {
public:
    PieceHasher() = default;
    ~PieceHasher() { Stop(true); }
    PieceHasher(const PieceHasher&) = delete;
    PieceHasher& operator=(const PieceHasher&) = delete;

    // The buffer to read the next piece into, free once the hash is done with it.
    std::string& NextBuffer();
    // The piece of `size` bytes just read into the buffer NextBuffer gave.
    void Hand(std::size_t size);
    // The hash of every piece handed over, waiting for the last ones while telling `progress`
    // every 50 ms so that its window stays alive; nothing when the player cancelled meanwhile.
    std::optional<std::string> Finish(CopyProgress* progress);

private:
    static constexpr std::uint64_t kBuffers = 4;

    // Ends the thread, at once when `abandon`, else once everything handed over is hashed.
    void Stop(bool abandon);
    void Run();

    std::string m_buffers[kBuffers];
    std::size_t m_sizes[kBuffers] = {};
    std::mutex m_mutex;
    std::condition_variable m_wake;  // the copy to the hashing thread: a piece, or stop
    std::condition_variable m_free;  // the hashing thread to the copy: a piece is hashed
    std::uint64_t m_handed = 0;      // pieces handed over; only the copy changes it
    std::uint64_t m_hashed = 0;      // pieces hashed; only the hashing thread changes it
    bool m_stopping = false;
    bool m_abandoned = false;
    Sha256 m_hasher;
    std::thread m_thread;
};

}  // namespace base
