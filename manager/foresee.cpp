// The batch reader over the real disk.
#include "manager/foresee.h"

#include "base/code_pages.h"
#include "base/files.h"
#include "batchfile/header_reader.h"

namespace manager {
namespace {

thread_local DiskAnswers* t_answers = nullptr;

// One question to the disk either way: where answers are kept, the one that also gives the size.
base::PathKind AskKind(const std::string& fullPath) {
    DiskAnswers* const answers = DiskAnswers::Current();
    if (!answers)
        return base::KindOf(fullPath);
    base::PathKind kind = base::PathKind::Missing;
    const std::optional<base::TreeFile> state = base::FileState(fullPath, &kind);
    answers->Keep(fullPath, state ? std::optional<std::uint64_t>(state->size) : std::nullopt);
    return kind;
}

class RealDisk final : public batchfile::DiskView {
public:
    base::PathKind KindOf(const std::string& fullPath) const override {
        switch (AskKind(fullPath)) {
        case base::PathKind::Missing:
            return base::PathKind::Missing;
        case base::PathKind::Folder:
            return base::PathKind::Folder;
        case base::PathKind::File:
        case base::PathKind::Other:
            break;
        }
        return base::PathKind::File;
    }
    std::vector<Entry> List(const std::string& fullFolder) const override {
        std::vector<Entry> entries;
        for (const base::FolderEntry& entry : base::ListFolder(fullFolder))
            entries.push_back({entry.name, entry.kind == base::PathKind::Folder});
        return entries;
    }
};

}  // namespace

DiskAnswers::DiskAnswers() : m_outer(t_answers) { t_answers = this; }

DiskAnswers::~DiskAnswers() { t_answers = m_outer; }

DiskAnswers* DiskAnswers::Current() { return t_answers; }

bool DiskAnswers::Asked(const std::string& fullPath, std::optional<std::uint64_t>& size) const {
    const auto found = m_sizes.find(fullPath);
    if (found == m_sizes.end())
        return false;
    size = found->second;
    return true;
}

batchfile::ReaderContext ContextOnDisk(std::string batchPath, std::string gameFolder,
                                       std::vector<std::pair<std::string, std::string>> environment) {
    static const RealDisk realDisk;  // holds nothing: every question goes to the disk
    batchfile::ReaderContext reader{std::move(batchPath), std::move(gameFolder), std::move(environment), &realDisk,
                                    nullptr};
    // ReadAllLines reads only a file on disk: a device named by `call` would wait for input.
    reader.readLines = [](const std::string& path) { return batchfile::ReadAllLines(path); };
    reader.codePage = base::OemCodePage();  // a new console's, as the batch file is run
    return reader;
}

namespace {

bool AnyReaches(const std::vector<std::string>& lines, std::size_t count, const batchfile::ReaderContext& context,
                const std::function<bool(const std::string&)>& reaches) {
    const std::vector<std::string> first(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(count));
    for (const std::string& path : batchfile::EffectsOf(first, context).changed)
        if (reaches(path))
            return true;
    return false;
}

}  // namespace

// The lines before a line reach no more than the lines up to it, so the first line is found
// by halving: the reader runs a few times, and only when some line reaches.
std::optional<std::size_t> FirstLineReaching(const std::vector<std::string>& lines, const batchfile::ReaderContext& context,
                                             const std::function<bool(const std::string& fullPath)>& reaches) {
    if (!AnyReaches(lines, lines.size(), context, reaches))
        return std::nullopt;
    std::size_t low = 0, high = lines.size();  // the first `low` lines reach nothing, the first `high` do
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        (AnyReaches(lines, middle, context, reaches) ? high : low) = middle;
    }
    return high;
}

}  // namespace manager
