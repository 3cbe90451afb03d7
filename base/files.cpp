// The parts of the file layer that are the same on every platform: reading a whole file,
// and the writes that go through a temp file beside their target.
#include "base/files.h"

#include <algorithm>
#include <atomic>
#include <future>
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

// Copies `in` to `out` unbuffered, piece by piece; each piece is hashed on a second thread
// while it is written and the next one read, so the hash adds next to nothing to the copy's
// time. Two buffers take turns.
bool CopyHashing(std::FILE* in, std::FILE* out, CopyProgress* progress, CopyBeside& made, Reason& reason,
                 bool& readFailed) {
    std::setvbuf(in, nullptr, _IONBF, 0);
    std::setvbuf(out, nullptr, _IONBF, 0);
    Sha256 hasher;
    std::string buffers[2] = {std::string(kHashedPiece, '\0'), std::string(kHashedPiece, '\0')};
    std::future<void> hashing;
    bool ok = true;
    for (int turn = 0; ok; turn ^= 1) {
        std::string& buffer = buffers[turn];
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
        if (hashing.valid())
            hashing.get();  // the other buffer's bytes are in the hash, in their order
        if (got == 0)
            break;
        if (got < buffer.size() && made.size == 0)
            hasher.Update(buffer.data(), got);  // a small file: no thread for one piece
        else
            hashing = std::async(std::launch::async, [&hasher, &buffer, got] { hasher.Update(buffer.data(), got); });
        ok = WriteAll(out, buffer.data(), got, reason);
        made.size += got;
        if (ok && progress && !progress->Advance(got)) {
            reason = Reason::Cancelled;
            ok = false;
        }
    }
    if (hashing.valid())
        hashing.get();
    readFailed = ok && std::ferror(in) != 0;
    made.sha256 = ToHex(hasher.Finish());
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
    const bool copied = CopyHashing(in.get(), out.get(), progress, made, reason, readFailed);
    const bool flushed = native::CloseFlushed(std::move(out), reason);
    if (!copied || !flushed) {
        (void)RemoveFile(made.temp);
        made = CopyBeside();
        return Failed(readFailed ? from : to, reason);
    }
    if (const std::optional<TreeFile> source = FileState(from))
        native::SetLastWrite(made.temp, source->lastWrite);
    return {};
}

}  // namespace base
