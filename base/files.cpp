// The parts of the file layer that are the same on every platform: reading a whole file,
// and the writes that go through a temp file beside their target.
#include "base/files.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "base/files_native.h"

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

}  // namespace base
