// Saving the two list files as one. A save writes both temporary files whole, each flushed
// to the disk, then moves the path file's temporary over the path file and the name file's
// over the name file. A name file's temporary with no path file's temporary beside it is
// therefore a finished save whose last move is still to do; any other temporary file is
// part of a save that never finished and goes. The state lock keeps every other Grenwick
// process away from the temporary files while one writes them.
#include "manager/list/list_pair.h"

#include "manager/list/list_file.h"

namespace manager {
namespace {

using base::PathKind;
using base::WriteResult;

// Done when nothing is left at `path`, or something other than a file that a save made.
WriteResult RemoveIfFile(const std::string& path) {
    if (base::KindOf(path) != PathKind::File)
        return {};
    WriteResult removed = base::RemoveFile(path);
    if (removed)
        base::SyncFolderOf(path);
    return removed;
}

WriteResult Move(const std::string& from, const std::string& to) {
    WriteResult moved = base::MoveOver(from, to);
    if (moved)
        base::SyncFolderOf(to);
    return moved;
}

// Writes a temporary in place: its name is part of how a stopped save is read back.
WriteResult WriteTemporary(const std::string& path, const std::vector<std::string>& texts, const std::string& file) {
    WriteResult written = base::WriteFileInPlace(path, EncodeList(texts, kDefaultRecordSize));
    if (!written) {
        written.Error().file = file;
        return written;
    }
    base::SyncFolderOf(path);
    return {};
}

// The name file's temporary goes first and must be gone before the path file's: alone it
// would read as a finished save. A failure names the list file the temporary belongs to.
WriteResult Discard(const ListFiles& files) {
    for (const std::string* file : {&files.names, &files.paths})
        if (WriteResult removed = RemoveIfFile(TempFileOf(*file)); !removed) {
            removed.Error().file = *file;
            return removed;
        }
    return {};
}

bool IsFinishedSave(const ListFiles& files) {
    return base::KindOf(TempFileOf(files.names)) == PathKind::File &&
           base::KindOf(TempFileOf(files.paths)) == PathKind::Missing;
}

// Deleting the path file first leaves, at every moment, a pair that loads as one list:
// without a path file the list is empty, whatever the name file holds.
WriteResult DeleteLists(const ListFiles& files) {
    WriteResult removed = RemoveIfFile(files.paths);
    return removed ? RemoveIfFile(files.names) : removed;
}

}  // namespace

WriteResult SettleLists(const ListFiles& files) {
    if (!IsFinishedSave(files))
        return Discard(files);
    WriteResult moved = Move(TempFileOf(files.names), files.names);
    if (!moved)
        moved.Error().file = files.names;
    return moved;
}

ListTexts LoadLists(const ListFiles& files, std::optional<std::string>* unreadable) {
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
WriteResult SaveLists(const ListFiles& files, const ListTexts& texts) {
    if (texts.paths.empty())
        return DeleteLists(files);
    const std::string pathsTemp = TempFileOf(files.paths);
    const std::string namesTemp = TempFileOf(files.names);
    if (WriteResult written = WriteTemporary(pathsTemp, texts.paths, files.paths); !written) {
        (void)RemoveIfFile(pathsTemp);
        return written;
    }
    if (WriteResult written = WriteTemporary(namesTemp, texts.names, files.names); !written) {
        (void)Discard(files);
        return written;
    }
    if (WriteResult moved = Move(pathsTemp, files.paths); !moved) {
        (void)Discard(files);
        moved.Error().file = files.paths;
        return moved;
    }
    // The new list stands from here on: until its move succeeds, the name file's temporary
    // is the name file, and the next settling moves it.
    WriteResult moved = Move(namesTemp, files.names);
    if (!moved)
        moved.Error().file = files.names;
    return moved;
}

}  // namespace manager
