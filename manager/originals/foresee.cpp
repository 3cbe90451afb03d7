// The batch reader over the real disk.
#include "manager/originals/foresee.h"

#include "batchfile/file_changes.h"
#include "manager/game_files_native.h"
#include "manager/originals/store_disk.h"

namespace manager {
namespace {

namespace disk = store_disk;


class RealDisk final : public batchfile::DiskView {
public:
    batchfile::EntryKind KindOf(const std::string& fullPath) const override {
        switch (disk::KindOf(fullPath)) {
        case disk::Kind::Missing:
            return batchfile::EntryKind::Missing;
        case disk::Kind::Folder:
            return batchfile::EntryKind::Folder;
        case disk::Kind::File:
        case disk::Kind::Other:
            break;
        }
        return batchfile::EntryKind::File;
    }
    std::vector<Entry> List(const std::string& fullFolder) const override {
        std::vector<Entry> entries;
        for (const disk::Entry& entry : disk::List(fullFolder))
            entries.push_back({entry.name, entry.folder});
        return entries;
    }
};

}  // namespace

Foreseen Foresee(const std::vector<std::string>& lines, const ForeseeContext& context) {
    const RealDisk realDisk;
    batchfile::ReaderContext reader{context.batchPath, context.gameFolder, context.environment, &realDisk, nullptr};
    // Only a file on disk is read: a device named by `call` would wait for input.
    reader.readLines = [](const std::string& path) -> std::optional<std::vector<std::string>> {
        if (disk::KindOf(path) != disk::Kind::File)
            return std::nullopt;
        return batchfile::ReadAllLines(NativeName(path));
    };
    batchfile::BatchEffects effects = batchfile::EffectsOf(lines, reader);
    return {std::move(effects.changed), std::move(effects.unfollowed)};
}

}  // namespace manager
