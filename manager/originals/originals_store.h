// The game's original files, kept before mods change them, and putting them back.
#pragma once

#include <string>
#include <vector>

#include "base/files.h"
#include "batchfile/file_changes.h"

namespace manager {

// The folder inside the game's folder that holds the copies and their index.
inline constexpr char kKeptFolder[] = "Original files kept by Grenwick";

struct KeptFile {
    std::string name;  // relative to the game folder as first met, or a full path outside it
    bool existed;      // false: a mod created the file, and putting back deletes it
};

// Where a name lies seen from the game folder: inside it by its parts below it
// ("maps\\a.map" for ".\\maps\\a.map" or "C:\\Game\\maps\\a.map"), else by its full path.
struct GamePlace {
    std::string name;
    bool inside;
};
GamePlace PlaceInGameFolder(const std::string& name, const std::string& gameFolder);

// The files the changes touch in the game folder as it is now: wildcards matched, a
// folder as target resolved to the name the file takes in it. Devices are left out.
std::vector<std::string> TouchedNames(const std::vector<batchfile::FileChange>& changes,
                                      const std::string& gameFolder);

class OriginalsStore {
public:
    explicit OriginalsStore(std::string gameFolder);

    // Reads the index; false when it is there but cannot be read as one.
    bool Load();
    // Keeps the original of each name that has none kept yet: a copy of a file that is
    // there, a note for one that is not. When one cannot be kept, what this call kept is
    // undone and the error names what failed: the file as the caller named it, or the index.
    base::WriteResult Keep(const std::vector<std::string>& names, base::CopyProgress* progress = nullptr);

    struct PutBackReport {
        std::size_t putBack = 0;
        std::vector<std::string> failed;  // still kept, for a later try
        base::WriteResult index;          // the index's rewrite
    };
    // Copies each original back over the file, deletes the files the mods created, and
    // forgets what it put back.
    PutBackReport PutBack(base::CopyProgress* progress = nullptr);

    const std::vector<KeptFile>& Files() const { return m_files; }
    std::string IndexPath() const;

private:
    std::string FullPath(const GamePlace& place) const;
    std::string CopyPath(const GamePlace& place) const;
    base::WriteResult WriteIndex(const std::vector<KeptFile>& files) const;
    void RemoveCopies(const std::vector<std::string>& copies) const;

    std::string m_gameFolder;
    std::vector<KeptFile> m_files;
};

}  // namespace manager
