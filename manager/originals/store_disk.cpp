// The store's disk needs that every host covers alike, over the disk file helpers and the
// game folder's file functions.
#include "manager/originals/store_disk.h"

#include <cstdio>
#include <future>
#include <utility>

#include "base/disk_file.h"
#include "base/sha256.h"
#include "batchfile/file_changes.h"
#include "manager/game_files.h"
#include "manager/game_files_native.h"

namespace manager::store_disk {
namespace {

// Large enough that the per-chunk work (hash call, progress hook) costs nothing beside the I/O.
constexpr std::size_t kChunk = 1 << 20;

std::string FolderOf(const std::string& path) {
    std::string folder = batchfile::FolderPart(path);
    if (folder.size() > 1 && folder.back() == '\\' && folder[folder.size() - 2] != ':')
        folder.pop_back();
    return folder;
}

}  // namespace

Kind KindOf(const std::string& path) {
    switch (manager::KindOf(path)) {
    case FileKind::Missing:
        return Kind::Missing;
    case FileKind::Folder:
        return Kind::Folder;
    case FileKind::File:
        break;
    }
    return base::KindOfPath(NativeName(path)) == base::PathKind::DiskFile ? Kind::File : Kind::Other;
}

std::optional<std::string> ReadWhole(const std::string& path) {
    base::PathKind kind;
    const base::UniqueFile in = base::OpenDiskFile(NativeName(path), kind);
    if (!in)
        return std::nullopt;
    std::string bytes;
    std::string buffer(64 * 1024, '\0');
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;)
        bytes.append(buffer.data(), got);
    if (std::ferror(in.get()))
        return std::nullopt;
    return bytes;
}

bool WriteDurably(const std::string& path, const std::string& bytes) {
    const std::string folder = FolderOf(path);
    if (!folder.empty() && !MakeFolders(folder))
        return false;
    std::string fresh;
    base::WriteFailure why;
    base::UniqueFile out = base::CreateFileBeside(NativeName(path), fresh, why);
    if (!out)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
    if (base::CloseFlushed(std::move(out)) && written && base::MoveFileOver(fresh, NativeName(path), why)) {
        base::SyncFolderOf(NativeName(path));
        return true;
    }
    manager::RemoveFile(fresh);
    return false;
}

HashedCopy CopyBeside(const std::string& from, const std::string& to, const CopyProgress& progress) {
    HashedCopy copy;
    base::PathKind kind;
    const base::UniqueFile in = base::OpenDiskFile(NativeName(from), kind);
    const std::string folder = FolderOf(to);
    if (!in || (!folder.empty() && !MakeFolders(folder)))
        return copy;
    base::WriteFailure why;
    base::UniqueFile out = base::CreateFileBeside(NativeName(to), copy.temp, why);
    if (!out) {
        copy.temp.clear();
        return copy;
    }
    std::setvbuf(in.get(), nullptr, _IONBF, 0);
    std::setvbuf(out.get(), nullptr, _IONBF, 0);
    // Each chunk is hashed on a second thread while it is written and the next one read, so
    // the hash adds next to nothing to the copy's time; two buffers take turns.
    base::Sha256 hasher;
    std::string buffers[2] = {std::string(kChunk, '\0'), std::string(kChunk, '\0')};
    std::future<void> hashing;
    bool ok = true;
    for (int turn = 0; ok; turn ^= 1) {
        std::string& buffer = buffers[turn];
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
        if (hashing.valid())
            hashing.get();  // the other buffer's bytes are in the hash, in their order
        if (got == 0)
            break;
        if (got < buffer.size() && copy.size == 0)
            hasher.Update(buffer.data(), got);  // a small file: no thread for one chunk
        else
            hashing = std::async(std::launch::async, [&hasher, &buffer, got] { hasher.Update(buffer.data(), got); });
        ok = std::fwrite(buffer.data(), 1, got, out.get()) == got;
        copy.size += got;
        if (ok && progress && !progress(got)) {
            copy.stopped = true;
            ok = false;
        }
    }
    if (hashing.valid())
        hashing.get();
    ok = ok && !std::ferror(in.get());
    ok = base::CloseFlushed(std::move(out)) && ok;
    if (!ok) {
        manager::RemoveFile(copy.temp);
        copy.temp.clear();
        return copy;
    }
    const std::optional<TreeFile> source = StatFile(from);
    if (source)
        SetWriteTime(copy.temp, source->time);
    copy.sha256 = base::ToHex(hasher.Finish());
    copy.done = true;
    return copy;
}

bool MoveOver(const std::string& from, const std::string& to) {
    base::WriteFailure why;
    if (!base::MoveFileOver(NativeName(from), NativeName(to), why))
        return false;
    base::SyncFolderOf(NativeName(to));
    return true;
}

bool Delete(const std::string& path) { return manager::RemoveFile(path); }
bool MakeFolders(const std::string& path) { return manager::MakeFolders(path); }
bool RemoveEmptyFolder(const std::string& path) { return manager::RemoveEmptyFolder(path); }
std::string FoldCase(const std::string& name) { return manager::FoldCase(name); }

}  // namespace manager::store_disk
