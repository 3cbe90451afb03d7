// The parts of the file layer that are the same on every platform: reading a whole file,
// and the writes that go through a temp file beside their target.
#include "base/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <utility>

#include "base/files_native.h"
#include "base/piece_hasher.h"
#include "base/paths.h"
#include "base/sha256.h"

namespace base {
namespace {

using native::Reason;

WriteError Failed(const std::string& file, Reason reason) { return WriteError{file, reason}; }

// A name beside `path` made of the process id and a counter, so that two processes (or two
// writes in one) never share a temp file; `make` makes it only where no file has it.
template <class Make>
bool MakeBeside(const std::string& path, std::string& made, Make make) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            path + "." + std::to_string(native::ProcessId()) + "-" + std::to_string(counter++) + ".tmp";
        const native::Link outcome = make(name);
        if (outcome == native::Link::Made) {
            made = name;
            return true;
        }
        if (outcome == native::Link::Refused)
            return false;
    }
    return false;
}

UniqueFile CreateFileBeside(const std::string& path, std::string& created, Reason& reason) {
    UniqueFile file;
    reason = Reason::Other;
    MakeBeside(path, created, [&](const std::string& name) {
        native::MadeFile made = native::CreateNewFile(name);
        file = std::move(made.file);
        reason = made.reason;
        return file ? native::Link::Made : made.taken ? native::Link::NameTaken : native::Link::Refused;
    });
    return file;
}

// A write the system takes only in part (a disk with less room left than the piece) is
// continued, so that the call that fails is the one that says why: the disk is full.
bool WriteAll(std::FILE* file, const char* bytes, std::size_t size, Reason& reason) {
    while (size > 0) {
        errno = 0;
        const std::size_t wrote = std::fwrite(bytes, 1, size, file);
        if (wrote == 0) {
            reason = native::ReasonOfLastFailure();
            return false;
        }
        bytes += wrote;
        size -= wrote;
        std::clearerr(file);
    }
    return true;
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
    const WriteResult flushed = native::CloseFlushed(std::move(file), target);
    if (filled && !flushed)
        reason = flushed.Error().reason;
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

// Copies `in` unbuffered into `out`, the temp file `made.temp`, piece by piece, each piece
// handed to `hash` as it passes; its hash is taken once the copy is flushed. Without `out`
// the pieces are only hashed.
bool CopyPieces(std::FILE* in, std::FILE* out, CopyProgress* progress, CopyBeside& made, PieceHasher& hash,
                Reason& reason, bool& readFailed) {
    std::setvbuf(in, nullptr, _IONBF, 0);
    if (out)
        std::setvbuf(out, nullptr, _IONBF, 0);
    bool ok = true;
    while (ok) {
        std::string& buffer = hash.NextBuffer();
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
        if (got == 0)
            break;
        hash.Hand(got);
        if (out) {
            ok = WriteAll(out, buffer.data(), got, reason);
            if (ok)
                native::StartWriting(out, made.size, got);
        }
        made.size += got;
        if (ok && progress && !progress->Advance(got))
            ok = false;  // cancelled: the progress that said so knows it
    }
    readFailed = ok && std::ferror(in) != 0;
    return ok && !readFailed;
}

// Gives `made` the hash of every piece; leaves it without one when the player cancelled.
void TakeHash(PieceHasher& hash, CopyProgress* progress, CopyBeside& made) {
    if (std::optional<std::string> sha256 = hash.Finish(progress))
        made.sha256 = std::move(*sha256);
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
    native::MadeFile made = native::CreateOrEmpty(path);
    if (!made.file)
        return Failed(path, made.reason);
    Reason reason = Reason::Other;
    const bool written = WriteAll(made.file.get(), bytes.data(), bytes.size(), reason);
    const WriteResult flushed = native::CloseFlushed(std::move(made.file), path);
    if (!written)
        return Failed(path, reason);
    return flushed;
}

WriteResult WriteFileDurably(const std::string& path, const std::string& bytes) {
    return ReplaceThroughTemp(path, [&](std::FILE* file, Reason& reason) { return WriteAll(file, bytes.data(), bytes.size(), reason); });
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
    PieceHasher hash;
    const bool copied = CopyPieces(in.get(), out.get(), progress, made, hash, reason, readFailed);
    const WriteResult flushed = native::CloseFlushed(std::move(out), to);
    if (copied && !flushed)
        reason = flushed.Error().reason;
    if (copied && flushed)
        TakeHash(hash, progress, made);
    if (!copied || !flushed || made.sha256.empty()) {
        (void)RemoveFile(made.temp);
        made = CopyBeside();
        return Failed(readFailed ? from : to, reason);
    }
    if (const std::optional<TreeFile> source = FileState(from))
        native::SetLastWrite(made.temp, source->lastWrite);
    return {};
}

WriteResult TakeBesideHashed(const std::string& from, const std::string& to, CopyBeside& made,
                             CopyProgress* progress) {
    made = CopyBeside();
    if (const std::string folder = FolderPart(to); !folder.empty())
        if (const WriteResult folders = MakeFolders(folder); !folders)
            return Failed(to, folders.Error().reason);
    std::string linked;
    const auto link = [&](const std::string& name) { return native::LinkNew(from, name); };
    if (!MakeBeside(to, linked, link))
        return CopyBesideHashed(from, to, made, progress);
    made.temp = linked;
    PathKind kind = PathKind::Missing;
    const UniqueFile in = OpenDiskFile(linked, kind);
    Reason reason = Reason::Other;
    bool readFailed = true;
    PieceHasher hash;
    if (in && CopyPieces(in.get(), nullptr, progress, made, hash, reason, readFailed))
        TakeHash(hash, progress, made);
    if (made.sha256.empty()) {
        (void)RemoveFile(linked);
        made = CopyBeside();
        return Failed(readFailed ? from : to, reason);
    }
    return {};
}

std::optional<std::string> HashOfFile(const std::string& path) {
    PathKind kind = PathKind::Missing;
    const UniqueFile in = OpenDiskFile(path, kind);
    if (!in)
        return std::nullopt;
    Sha256 hash;
    std::string piece(kHashedPiece, '\0');
    for (;;) {
        const std::size_t read = std::fread(&piece[0], 1, piece.size(), in.get());
        hash.Update(piece.data(), read);
        if (read < piece.size())
            break;
    }
    if (std::ferror(in.get()))
        return std::nullopt;
    return ToHex(hash.Finish());
}

}  // namespace base
