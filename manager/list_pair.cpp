// Saving the two list files as one. A save writes both temporary files whole, each flushed
// to the disk, then moves the path file's temporary over the path file and the name file's
// over the name file. A name file's temporary with no path file's temporary beside it is
// therefore a finished save whose last move is still to do; any other temporary file is
// part of a save that never finished and goes. The list lock keeps every other Grenwick
// process away from the temporary files while one writes them.
#include "manager/list_pair.h"

#include <cstdio>

#include "manager/list_file.h"
#include "manager/move_file.h"

namespace manager {
namespace {

// True when nothing is left at `path`, or something other than a file that a save made.
bool RemoveIfFile(const std::string& path) {
    if (KindOf(path) != FileKind::Plain)
        return true;
    if (std::remove(path.c_str()) != 0)
        return false;
    SyncFolderOf(path);
    return true;
}

// The name file's temporary goes first and must be gone before the path file's: alone it
// would read as a finished save.
std::string Discard(const ListFiles& files) {
    if (!RemoveIfFile(TempFileOf(files.names)))
        return files.names;
    return RemoveIfFile(TempFileOf(files.paths)) ? std::string() : files.paths;
}

bool IsFinishedSave(const ListFiles& files) {
    return KindOf(TempFileOf(files.names)) == FileKind::Plain && KindOf(TempFileOf(files.paths)) == FileKind::None;
}

// Deleting the path file first leaves, at every moment, a pair that loads as one list:
// without a path file the list is empty, whatever the name file holds.
std::string DeleteLists(const ListFiles& files) {
    if (!RemoveIfFile(files.paths))
        return files.paths;
    return RemoveIfFile(files.names) ? std::string() : files.names;
}

}  // namespace

std::string SettleLists(const ListFiles& files) {
    if (IsFinishedSave(files))
        return MoveFileOver(TempFileOf(files.names), files.names) ? std::string() : files.names;
    return Discard(files);
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
std::string SaveLists(const ListFiles& files, const ListTexts& texts) {
    if (texts.paths.empty())
        return DeleteLists(files);
    const std::string pathsTemp = TempFileOf(files.paths);
    const std::string namesTemp = TempFileOf(files.names);
    if (!WriteFileDurably(pathsTemp, EncodeList(texts.paths, kDefaultRecordSize))) {
        RemoveIfFile(pathsTemp);
        return files.paths;
    }
    SyncFolderOf(pathsTemp);
    if (!WriteFileDurably(namesTemp, EncodeList(texts.names, kDefaultRecordSize))) {
        Discard(files);
        return files.names;
    }
    SyncFolderOf(namesTemp);
    if (!MoveFileOver(pathsTemp, files.paths)) {
        Discard(files);
        return files.paths;
    }
    // The new list stands from here on: until its move succeeds, the name file's temporary
    // is the name file, and the next settling moves it.
    return MoveFileOver(namesTemp, files.names) ? std::string() : files.names;
}

}  // namespace manager
