// The parts of the file layer that are the same on every platform: reading a whole file,
// and the writes that go through a temp file beside their target.
#include "base/files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "base/files_native.h"
#include "base/paths.h"
#include "base/sha256.h"

namespace base {
namespace {

using native::Reason;

WriteError Failed(const std::string& file, Reason reason) { return WriteError{file, reason}; }

// A name made of the process id and a counter, created only where no file has it, so two
// processes (or two writes in one) never share a temp file.
UniqueFile CreateFileBeside(const std::string& path, std::string& created, Reason& reason) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            path + "." + std::to_string(native::ProcessId()) + "-" + std::to_string(counter++) + ".tmp";
        bool exists = false;
        UniqueFile file = native::CreateNewFile(name, exists, reason);
        if (file) {
            created = name;
            return file;
        }
        if (!exists)
            return nullptr;
    }
    reason = Reason::Other;
    return nullptr;
}

bool WriteAll(std::FILE* file, const char* bytes, std::size_t size, Reason& reason) {
    if (std::fwrite(bytes, 1, size, file) == size)
        return true;
    reason = native::ReasonOfLastFailure();
    return false;
}

// Fills a new temp file beside `target` through `fill`, then moves it over `target`; on any
// failure the temp file goes and `target` stays as it was. The error names `target`: that
// is the file the user knows.
template <class Fill>
WriteResult ReplaceThroughTemp(const std::string& target, Fill fill) {
    Reason reason = Reason::Other;
    std::string temporary;
    UniqueFile file = CreateFileBeside(target, temporary, reason);
    if (!file)
        return Failed(target, reason);
    const bool filled = fill(file.get(), reason);
    const bool flushed = native::CloseFlushed(std::move(file), reason);
    if (filled && flushed) {
        const WriteResult moved = MoveOver(temporary, target);
        if (moved) {
            SyncFolderOf(target);
            return {};
        }
        reason = moved.Error().reason;
    }
    (void)RemoveFile(temporary);
    return Failed(target, reason);
}

// Large enough that the work per piece (a hash call, the progress hook) costs nothing
// beside the reading and writing.
constexpr std::size_t kHashedPiece = std::size_t{1} << 20;

// Hashes a file that is still being written, on a thread of its own: it reads the file back
// through a handle of its own, never past what the writer says is written. Hashing is slower
// than copying from memory, so the writer never waits for it: the copy and its flush to the
// disk go on while the hash trails behind, and what is hashed is what was written.
class TrailingHash {
public:
    explicit TrailingHash(const std::string& path) : m_thread([this, path] { Run(path); }) {}
    ~TrailingHash() { Stop(); }
    TrailingHash(const TrailingHash&) = delete;
    TrailingHash& operator=(const TrailingHash&) = delete;

    // The writer's count of the bytes written so far.
    void Written(std::uint64_t total) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_written = total;
        }
        m_wake.notify_one();
    }
    // Waits until everything written is hashed, telling `progress` every 50 ms meanwhile so
    // that its window stays alive; false when the player cancelled.
    bool WaitFor(CopyProgress* progress) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done = true;
        m_wake.notify_one();
        while (!m_over.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_hashed; })) {
            lock.unlock();
            const bool goOn = !progress || progress->Advance(0);
            lock.lock();
            if (!goOn) {
                m_abandoned = true;
                m_wake.notify_one();
                return false;
            }
        }
        return true;
    }
    // The hash of everything written; nothing when the file could not be read back or the
    // hash was abandoned.
    std::optional<std::string> Finish() {
        Stop();
        if (m_failed || m_abandoned)
            return std::nullopt;
        return ToHex(m_hasher.Finish());
    }

private:
    void Stop() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }

    void Run(const std::string& path) {
        PathKind kind = PathKind::Missing;
        const UniqueFile file = OpenDiskFile(path, kind);
        m_failed = !file;
        if (file)
            std::setvbuf(file.get(), nullptr, _IONBF, 0);
        std::string buffer(kHashedPiece, '\0');
        for (std::uint64_t hashed = 0; !m_failed;) {
            std::uint64_t ready = 0;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [&] { return m_written > hashed || m_done || m_abandoned; });
                ready = m_abandoned ? 0 : m_written - hashed;
            }
            if (ready == 0)
                break;  // done, and everything written is hashed, or abandoned
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(ready, kHashedPiece));
            m_failed = std::fread(buffer.data(), 1, want, file.get()) != want;
            m_hasher.Update(buffer.data(), want);
            hashed += want;
        }
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_hashed = true;
        m_over.notify_one();
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;  // the writer to the hashing thread
    std::condition_variable m_over;  // the hashing thread to the writer: all is hashed
    std::uint64_t m_written = 0;
    bool m_done = false;
    bool m_abandoned = false;
    bool m_hashed = false;
    bool m_failed = false;
    Sha256 m_hasher;
    std::thread m_thread;  // last: it starts once everything it uses is made
};

// Copies `in` unbuffered into `out`, the temp file `made.temp`, piece by piece. A file of one
// piece is hashed from the buffer; a larger one by a TrailingHash, which `hash` holds so that
// it can finish after the copy is flushed.
bool CopyPieces(std::FILE* in, std::FILE* out, CopyProgress* progress, CopyBeside& made,
                std::unique_ptr<TrailingHash>& hash, Reason& reason, bool& readFailed) {
    std::setvbuf(in, nullptr, _IONBF, 0);
    std::setvbuf(out, nullptr, _IONBF, 0);
    std::string buffer(kHashedPiece, '\0');
    bool ok = true;
    while (ok) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
        if (got == 0)
            break;
        if (got < buffer.size() && made.size == 0) {
            Sha256 whole;
            whole.Update(buffer.data(), got);
            made.sha256 = ToHex(whole.Finish());
        } else if (!hash) {
            hash = std::make_unique<TrailingHash>(made.temp);
        }
        ok = WriteAll(out, buffer.data(), got, reason);
        made.size += got;
        if (ok && hash)
            hash->Written(made.size);
        if (ok && progress && !progress->Advance(got)) {
            reason = Reason::Cancelled;
            ok = false;
        }
    }
    if (made.size == 0)
        made.sha256 = ToHex(Sha256().Finish());
    readFailed = ok && std::ferror(in) != 0;
    return ok && !readFailed;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit, PathKind* kind) {
    PathKind found = PathKind::Missing;
    const UniqueFile file = OpenDiskFile(path, found);
    if (kind)
        *kind = found;
    if (!file)
        return std::nullopt;
    std::string bytes;
    std::size_t step = std::min<std::size_t>(limit, std::size_t{1} << 16);
    while (step > 0) {
        const std::size_t had = bytes.size();
        bytes.resize(had + step);
        const std::size_t got = std::fread(bytes.data() + had, 1, step, file.get());
        bytes.resize(had + got);
        if (got < step)
            break;
        step = std::min({step * 2, std::size_t{1} << 26, limit - bytes.size()});
    }
    if (std::ferror(file.get()))
        return std::nullopt;
    return bytes;
}

WriteResult WriteFileInPlace(const std::string& path, const std::string& bytes) {
    Reason reason = Reason::Other;
    UniqueFile file = native::CreateOrEmpty(path, reason);
    if (!file)
        return Failed(path, reason);
    const bool written = WriteAll(file.get(), bytes.data(), bytes.size(), reason);
    if (native::CloseFlushed(std::move(file), reason) && written)
        return {};
    return Failed(path, reason);
}

WriteResult WriteFileDurably(const std::string& path, const std::string& bytes) {
    return ReplaceThroughTemp(path, [&](std::FILE* file, Reason& reason) { return WriteAll(file, bytes.data(), bytes.size(), reason); });
}

WriteResult CopyFileDurably(const std::string& from, const std::string& to, CopyProgress* progress) {
    PathKind kind = PathKind::Missing;
    const UniqueFile in = OpenDiskFile(from, kind);
    if (!in)
        return Failed(from, Reason::Other);
    bool readFailed = false;
    WriteResult result = ReplaceThroughTemp(to, [&](std::FILE* out, Reason& reason) {
        std::string buffer(64 * 1024, '\0');
        for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;) {
            if (!WriteAll(out, buffer.data(), got, reason))
                return false;
            if (progress && !progress->Advance(got)) {
                reason = Reason::Cancelled;
                return false;
            }
        }
        readFailed = std::ferror(in.get()) != 0;
        return !readFailed;
    });
    if (!result && readFailed)
        result.Error().file = from;
    return result;
}

WriteResult CopyBesideHashed(const std::string& from, const std::string& to, CopyBeside& made,
                             CopyProgress* progress) {
    made = CopyBeside();
    PathKind kind = PathKind::Missing;
    const UniqueFile in = OpenDiskFile(from, kind);
    if (!in)
        return Failed(from, Reason::Other);
    if (const std::string folder = FolderPart(to); !folder.empty())
        if (const WriteResult folders = MakeFolders(folder); !folders)
            return Failed(to, folders.Error().reason);
    Reason reason = Reason::Other;
    UniqueFile out = CreateFileBeside(to, made.temp, reason);
    if (!out)
        return Failed(to, reason);
    bool readFailed = false;
    std::unique_ptr<TrailingHash> hash;
    const bool copied = CopyPieces(in.get(), out.get(), progress, made, hash, reason, readFailed);
    const bool flushed = native::CloseFlushed(std::move(out), reason);
    if (hash) {
        if (copied && flushed && !hash->WaitFor(progress))
            reason = Reason::Cancelled;
        const std::optional<std::string> sha256 = hash->Finish();
        if (copied && flushed && !sha256 && reason != Reason::Cancelled)
            reason = Reason::Other;
        made.sha256 = sha256.value_or(std::string());
        hash.reset();
    }
    if (!copied || !flushed || made.sha256.empty()) {
        (void)RemoveFile(made.temp);
        made = CopyBeside();
        return Failed(readFailed ? from : to, reason);
    }
    if (const std::optional<TreeFile> source = FileState(from))
        native::SetLastWrite(made.temp, source->lastWrite);
    return {};
}

}  // namespace base
