// Saving the two list files as one. A save writes both temporary files whole, each flushed
// to the disk, then moves the path file's temporary over the path file and the name file's
// over the name file. A name file's temporary with no path file's temporary beside it is
// therefore a finished save whose last move is still to do; any other temporary file is
// part of a save that never finished and goes. The list lock keeps every other Grenwick
// process away from the temporary files while one writes them.
#include "manager/list_pair.h"

#include <cerrno>
#include <cstdio>

#include "base/disk_file.h"
#include "manager/list_file.h"

namespace manager {
namespace {

using base::PathKind;
using base::WriteFailure;

// True when nothing is left at `path`, or something other than a file that a save made.
bool RemoveIfFile(const std::string& path, WriteFailure& failure) {
    if (base::KindOfPath(path) != PathKind::DiskFile)
        return true;
    errno = 0;
    if (std::remove(path.c_str()) != 0) {
        failure = errno == EACCES || errno == EPERM ? WriteFailure::AccessDenied : WriteFailure::Other;
        return false;
    }
    base::SyncFolderOf(path);
    return true;
}

bool Move(const std::string& from, const std::string& to, WriteFailure& failure) {
    if (!base::MoveFileOver(from, to, failure))
        return false;
    base::SyncFolderOf(to);
    return true;
}

// The name file's temporary goes first and must be gone before the path file's: alone it
// would read as a finished save.
std::string Discard(const ListFiles& files, WriteFailure& failure) {
    if (!RemoveIfFile(TempFileOf(files.names), failure))
        return files.names;
    return RemoveIfFile(TempFileOf(files.paths), failure) ? std::string() : files.paths;
}

bool IsFinishedSave(const ListFiles& files) {
    return base::KindOfPath(TempFileOf(files.names)) == PathKind::DiskFile &&
           base::KindOfPath(TempFileOf(files.paths)) == PathKind::Missing;
}

// Deleting the path file first leaves, at every moment, a pair that loads as one list:
// without a path file the list is empty, whatever the name file holds.
std::string DeleteLists(const ListFiles& files, WriteFailure& failure) {
    if (!RemoveIfFile(files.paths, failure))
        return files.paths;
    return RemoveIfFile(files.names, failure) ? std::string() : files.names;
}

}  // namespace

std::string SettleLists(const ListFiles& files, WriteFailure& failure) {
    if (IsFinishedSave(files))
        return Move(TempFileOf(files.names), files.names, failure) ? std::string() : files.names;
    return Discard(files, failure);
}

ListTexts LoadLists(const ListFiles& files, std::string* unreadable) {
    ListTexts texts;
    const std::string names = IsFinishedSave(files) ? TempFileOf(files.names) : files.names;
    const bool pathsRead = LoadList(texts.paths, files.paths, kDefaultRecordLimit, kDefaultRecordSize);
    const bool namesRead = LoadList(texts.names, names, kDefaultRecordLimit, kDefaultRecordSize);
    if (unreadable && !(pathsRead && namesRead))
        *unreadable = pathsRead ? files.names : files.paths;
    return texts;
}

// Each step leaves the files in a state SettleLists and LoadLists read as one whole list:
// a temporary's name reaches the disk before the next file is made, and the name file's
// temporary is on the disk, data and name, before the path file is replaced.
std::string SaveLists(const ListFiles& files, const ListTexts& texts, WriteFailure& failure) {
    if (texts.paths.empty())
        return DeleteLists(files, failure);
    const std::string pathsTemp = TempFileOf(files.paths);
    const std::string namesTemp = TempFileOf(files.names);
    WriteFailure ignored = WriteFailure::Other;
    if (!WriteFileDurably(pathsTemp, EncodeList(texts.paths, kDefaultRecordSize), failure)) {
        RemoveIfFile(pathsTemp, ignored);
        return files.paths;
    }
    base::SyncFolderOf(pathsTemp);
    if (!WriteFileDurably(namesTemp, EncodeList(texts.names, kDefaultRecordSize), failure)) {
        Discard(files, ignored);
        return files.names;
    }
    base::SyncFolderOf(namesTemp);
    if (!Move(pathsTemp, files.paths, failure)) {
        Discard(files, ignored);
        return files.paths;
    }
    // The new list stands from here on: until its move succeeds, the name file's temporary
    // is the name file, and the next settling moves it.
    return Move(namesTemp, files.names, failure) ? std::string() : files.names;
}

}  // namespace manager
