// The file layer on Windows, through the wide functions: a name in UTF-8 (or, where its bytes
// are no UTF-8, in the ANSI code page) becomes its long form once per call, so that every
// character and full paths past 260 characters reach the disk. Handles become C runtime
// streams once checked.
#include <windows.h>

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "base/files.h"
#include "base/files_native.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/unique_handle_win.h"
#include "base/wide_win.h"

namespace base {
namespace {

using native::Reason;

Reason ReasonOf(DWORD error) {
    if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT)
        return Reason::AccessDenied;
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE)
        return Reason::InUse;
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? Reason::DiskFull : Reason::Other;
}

// Hands the handle to a C runtime stream, which owns it from then on; on failure it is closed.
UniqueFile StreamOf(KernelHandle handle, int flags, const char* mode) {
    RuntimeDescriptor fd(_open_osfhandle(reinterpret_cast<std::intptr_t>(handle.Get()), flags));
    if (!fd)
        return nullptr;
    handle.Release();  // the descriptor's now
    UniqueFile file{_fdopen(fd.Get(), mode)};
    if (file)
        fd.Release();  // the stream's now
    return file;
}

PathKind KindOfAttributes(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return PathKind::Folder;
    return attributes & FILE_ATTRIBUTE_DEVICE ? PathKind::Other : PathKind::File;
}

std::uint64_t Join64(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

// Each entry of a folder but "." and "..", with its name in UTF-8. FindExInfoBasic leaves out
// the short names and FIND_FIRST_EX_LARGE_FETCH asks for bigger batches; size and time come
// with each entry, so no file is opened or asked again.
template <class Each>
void ForEachEntry(const std::wstring& folder, Each each) {
    WIN32_FIND_DATAW found;
    const std::wstring pattern = folder + (folder.empty() || folder.back() == L'\\' ? L"*" : L"\\*");
    const FolderSearch search(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                               nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!search)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            each(name, found);
    } while (FindNextFileW(search.Get(), &found));
}

// The folder's long name is made once; below it each part is joined as the system gave it.
void Walk(const std::wstring& folder, const std::string& prefix, std::vector<TreeFile>& files) {
    std::vector<std::wstring> folders;
    ForEachEntry(folder, [&](const std::wstring& name, const WIN32_FIND_DATAW& found) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or link to a folder may lead back up the tree; it is not followed.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                folders.push_back(name);
        } else {
            files.push_back({prefix + Utf8OfWide(name), Join64(found.nFileSizeHigh, found.nFileSizeLow),
                             Join64(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime)});
        }
    });
    for (const std::wstring& name : folders)
        Walk(folder + L"\\" + name, prefix + Utf8OfWide(name) + "\\", files);
}

// Whether a file made in `folder` gets at least one access-allowing entry from it: one that
// would get none could be opened by nobody.
bool HandsDownAccess(const std::string& folder) {
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(LongName(folder).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool allows = false;
    for (DWORD i = 0; acl && i < acl->AceCount && !allows; ++i) {
        void* entry = nullptr;
        if (GetAce(acl, i, &entry)) {
            const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
            allows = header->AceType == ACCESS_ALLOWED_ACE_TYPE && (header->AceFlags & OBJECT_INHERIT_ACE);
        }
    }
    LocalFree(descriptor);
    return allows;
}

HANDLE HandleOf(std::FILE* file) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))); }

// An OVERLAPPED structure with an offset makes a read or write on a handle opened for
// synchronous use go to that offset in the same call. The limit on one call's size is
// DWORD's, so a larger piece takes more than one.
template <class Transfer>
bool AtOffset(std::uint64_t offset, std::size_t size, Transfer transfer) {
    for (std::size_t done = 0; done < size;) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size - done, 0x40000000u));
        DWORD moved = 0;
        if (!transfer(done, piece, moved, at) || moved == 0)
            return false;
        done += moved;
    }
    return true;
}

}  // namespace

namespace native {

// A second name shares the file's security descriptor, which it got from the folder it was
// made in. An empty list of its own, not protected from inheritance, leaves it only what
// its new folder hands down, as a file made there would have.
Link LinkNew(const std::string& existing, const std::string& name) {
    std::string folder = FolderPart(name);
    if (folder.empty())
        folder = ".";
    if (!HandsDownAccess(folder))
        return Link::Refused;
    std::wstring named = LongName(name);
    if (!CreateHardLinkW(named.c_str(), LongName(existing).c_str(), nullptr)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Link::NameTaken : Link::Refused;
    }
    ACL none;
    if (InitializeAcl(&none, sizeof none, ACL_REVISION) &&
        SetNamedSecurityInfoW(named.data(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &none, nullptr) == ERROR_SUCCESS)
        return Link::Made;
    DeleteFileW(named.c_str());
    return Link::Refused;
}

// CREATE_NEW fails on an existing name. Others may read the new file while it is written
// (the hashed copy reads it back), never write it.
MadeFile CreateNewFile(const std::string& name) {
    MadeFile made;
    const std::wstring wide = LongName(name);
    KernelHandle handle(
        CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        const DWORD error = GetLastError();
        made.taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        made.reason = ReasonOf(error);
        return made;
    }
    made.file = StreamOf(std::move(handle), _O_WRONLY | _O_BINARY, "wb");
    if (!made.file)
        DeleteFileW(wide.c_str());
    return made;
}

// Shared for reading and writing as the C runtime's own fopen shares, so that a reader
// another program holds open does not stop the rewrite.
MadeFile CreateOrEmpty(const std::string& name) {
    MadeFile made;
    KernelHandle handle(CreateFileW(LongName(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        made.reason = ReasonOf(GetLastError());
    else
        made.file = StreamOf(std::move(handle), _O_WRONLY | _O_BINARY, "wb");
    return made;
}

WriteResult CloseFlushed(UniqueFile file, const std::string& name) {
    SetLastError(ERROR_SUCCESS);
    errno = 0;
    std::optional<Reason> failed;
    if (std::fflush(file.get()) != 0)
        failed = ReasonOfLastFailure();
    else if (!FlushFileBuffers(HandleOf(file.get())))
        failed = ReasonOf(GetLastError());
    if (std::fclose(file.release()) != 0 && !failed)
        failed = ReasonOfLastFailure();
    if (!failed)
        return {};
    return WriteError{name, *failed};
}

// The system's cache writes a file's pieces behind on its own while it is being written.
void StartWriting(std::FILE*, std::uint64_t, std::uint64_t) {}

// The C runtime reports a full disk as ENOSPC; the system's own code says it too.
Reason ReasonOfLastFailure() {
    if (errno == ENOSPC)
        return Reason::DiskFull;
    if (errno == EACCES)
        return Reason::AccessDenied;
    return ReasonOf(GetLastError());
}

bool SetLastWrite(const std::string& name, std::uint64_t lastWrite) {
    const KernelHandle file(CreateFileW(LongName(name).c_str(), FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const FILETIME written{static_cast<DWORD>(lastWrite & 0xFFFFFFFFu), static_cast<DWORD>(lastWrite >> 32)};
    return SetFileTime(file.Get(), nullptr, nullptr, &written) != 0;
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

}  // namespace native

// Opening a device does not wait; reading one may wait for ever (a serial port behind AUX
// or COM1), so the type is checked first. A named pipe is opened anonymously, so that the
// program on its other end cannot act with this process's rights.
UniqueFile OpenDiskFile(const std::string& path, PathKind& kind, OpenFor mode) {
    kind = PathKind::Missing;
    const DWORD access = mode == OpenFor::Update ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    KernelHandle handle(
        CreateFileW(LongName(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_ANONYMOUS, nullptr));
    if (!handle) {
        kind = KindOf(path);
        return nullptr;
    }
    if (GetFileType(handle.Get()) != FILE_TYPE_DISK) {
        kind = PathKind::Other;
        return nullptr;
    }
    UniqueFile file = mode == OpenFor::Update ? StreamOf(std::move(handle), _O_RDWR | _O_BINARY, "r+b")
                                              : StreamOf(std::move(handle), _O_RDONLY | _O_BINARY, "rb");
    if (file)
        kind = PathKind::File;
    return file;
}

namespace {

PathKind KindOfLastFailure() {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing : PathKind::Other;
}

}  // namespace

// A device name (NUL, AUX, COM1.txt) names the device in every folder, whatever the
// attributes say of it.
PathKind KindOf(const std::string& path) {
    if (IsDeviceName(path))
        return PathKind::Other;
    const DWORD attributes = GetFileAttributesW(LongName(path).c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? KindOfLastFailure() : KindOfAttributes(attributes);
}

bool ReadAt(std::FILE* file, std::uint64_t offset, std::string& into) {
    const HANDLE handle = HandleOf(file);
    return AtOffset(offset, into.size(), [&](std::size_t done, DWORD piece, DWORD& moved, OVERLAPPED& at) {
        return ReadFile(handle, into.data() + done, piece, &moved, &at) != 0;
    });
}

bool WriteAt(std::FILE* file, std::uint64_t offset, std::string_view bytes) {
    const HANDLE handle = HandleOf(file);
    return AtOffset(offset, bytes.size(), [&](std::size_t done, DWORD piece, DWORD& moved, OVERLAPPED& at) {
        return WriteFile(handle, bytes.data() + done, piece, &moved, &at) != 0;
    });
}

std::optional<std::uint64_t> SizeOf(std::FILE* file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(HandleOf(file), &size))
        return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

// The C runtime's rename refuses an existing target on Windows; MoveFileEx replaces it.
// Replacing or deleting a file another program holds open is refused as access denied; the
// file is in use when it cannot even be opened to be deleted because of that program's sharing.
Reason ReasonOfRefusedChange(DWORD error, const std::wstring& target) {
    if (error != ERROR_ACCESS_DENIED)
        return ReasonOf(error);
    const KernelHandle probe(CreateFileW(target.c_str(), DELETE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (probe)
        return Reason::AccessDenied;
    return GetLastError() == ERROR_SHARING_VIOLATION ? Reason::InUse : Reason::AccessDenied;
}

WriteResult MoveOver(const std::string& from, const std::string& to) {
    const std::wstring target = LongName(to);
    if (MoveFileExW(LongName(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return WriteError{to, ReasonOfRefusedChange(GetLastError(), target)};
}

WriteResult RemoveFile(const std::string& path) {
    const std::wstring name = LongName(path);
    if (DeleteFileW(name.c_str()))
        return {};
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return {};
    return WriteError{path, ReasonOfRefusedChange(error, name)};
}

WriteResult MakeFolders(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && IsSeparator(path.back()) && path[path.size() - 2] != ':')
        path.pop_back();
    if (path.empty() || KindOf(path) == PathKind::Folder)
        return {};
    const std::size_t parent = path.find_last_of("\\/");
    if (parent != std::string::npos && parent > 0 && path[parent - 1] != ':')
        if (const WriteResult made = MakeFolders(path.substr(0, parent)); !made)
            return WriteError{folder, made.Error().reason};
    if (CreateDirectoryW(LongName(path).c_str(), nullptr) || KindOf(path) == PathKind::Folder)
        return {};
    return WriteError{folder, ReasonOf(GetLastError())};
}

bool RemoveEmptyFolder(const std::string& path) { return RemoveDirectoryW(LongName(path).c_str()) != 0; }

std::vector<FolderEntry> ListFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    ForEachEntry(LongName(folder), [&](const std::wstring& name, const WIN32_FIND_DATAW& found) {
        entries.push_back({Utf8OfWide(name), KindOfAttributes(found.dwFileAttributes)});
    });
    return entries;
}

std::vector<TreeFile> WalkFolder(const std::string& folder) {
    std::vector<TreeFile> files;
    Walk(LongName(folder), "", files);
    return files;
}

std::optional<TreeFile> FileState(const std::string& path, PathKind* kind) {
    PathKind found = PathKind::Other;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!IsDeviceName(path))
        found = GetFileAttributesExW(LongName(path).c_str(), GetFileExInfoStandard, &data)
                    ? KindOfAttributes(data.dwFileAttributes)
                    : KindOfLastFailure();
    if (kind)
        *kind = found;
    if (found != PathKind::File)
        return std::nullopt;
    return TreeFile{{}, Join64(data.nFileSizeHigh, data.nFileSizeLow),
                    Join64(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

std::optional<std::uint64_t> FreeSpace(const std::string& folder) {
    ULARGE_INTEGER available{};
    std::wstring wide = LongName(folder);
    if (!wide.empty() && wide.back() != L'\\')
        wide += L'\\';  // a share's root is asked for with its last separator
    if (!GetDiskFreeSpaceExW(wide.c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

std::string CurrentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return Utf8OfWide(folder);
}

// See the declaration: NTFS keeps the order of a folder's changes, other file systems do not.
void SyncFolderOf(const std::string& /*path*/) {}

// The read-only attribute refuses DeleteFile and a move over the file.
bool MakeWritable(const std::string& path) {
    const std::wstring name = LongName(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    return (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
           SetFileAttributesW(name.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != 0;
}

namespace {

constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

}  // namespace

std::optional<FileAttributes> AttributesOf(const std::string& path) {
    const DWORD found = GetFileAttributesW(LongName(path).c_str());
    if (found == INVALID_FILE_ATTRIBUTES || KindOfAttributes(found) != PathKind::File)
        return std::nullopt;
    FileAttributes attributes;
    attributes.readOnly = (found & FILE_ATTRIBUTE_READONLY) != 0;
    attributes.hidden = (found & FILE_ATTRIBUTE_HIDDEN) != 0;
    attributes.system = (found & FILE_ATTRIBUTE_SYSTEM) != 0;
    attributes.archive = (found & FILE_ATTRIBUTE_ARCHIVE) != 0;
    return attributes;
}

bool SetAttributes(const std::string& path, const FileAttributes& attributes) {
    const std::wstring name = LongName(path);
    const DWORD found = GetFileAttributesW(name.c_str());
    if (found == INVALID_FILE_ATTRIBUTES || KindOfAttributes(found) != PathKind::File)
        return false;
    DWORD wanted = (found & ~kKeptAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL)) |
                   (attributes.readOnly ? FILE_ATTRIBUTE_READONLY : 0) | (attributes.hidden ? FILE_ATTRIBUTE_HIDDEN : 0) |
                   (attributes.system ? FILE_ATTRIBUTE_SYSTEM : 0) | (attributes.archive ? FILE_ATTRIBUTE_ARCHIVE : 0);
    if (wanted == 0)
        wanted = FILE_ATTRIBUTE_NORMAL;  // given alone, it clears them all
    return wanted == found || SetFileAttributesW(name.c_str(), wanted) != 0;
}

}  // namespace base
