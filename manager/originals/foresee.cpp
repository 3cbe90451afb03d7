// The batch reader over the real disk.
#include "manager/originals/foresee.h"

#include "base/files.h"
#include "batchfile/header_reader.h"

namespace manager {
namespace {

class RealDisk final : public batchfile::DiskView {
public:
    batchfile::EntryKind KindOf(const std::string& fullPath) const override {
        switch (base::KindOf(fullPath)) {
        case base::PathKind::Missing:
            return batchfile::EntryKind::Missing;
        case base::PathKind::Folder:
            return batchfile::EntryKind::Folder;
        case base::PathKind::File:
        case base::PathKind::Other:
            break;
        }
        return batchfile::EntryKind::File;
    }
    std::vector<Entry> List(const std::string& fullFolder) const override {
        std::vector<Entry> entries;
        for (const base::FolderEntry& entry : base::ListFolder(fullFolder))
            entries.push_back({entry.name, entry.kind == base::PathKind::Folder});
        return entries;
    }
};

}  // namespace

batchfile::BatchEffects Foresee(const std::vector<std::string>& lines, const ForeseeContext& context) {
    const RealDisk realDisk;
    batchfile::ReaderContext reader{context.batchPath, context.gameFolder, context.environment, &realDisk, nullptr};
    // ReadAllLines reads only a file on disk: a device named by `call` would wait for input.
    reader.readLines = [](const std::string& path) { return batchfile::ReadAllLines(path); };
    return batchfile::EffectsOf(lines, reader);
}

}  // namespace manager
