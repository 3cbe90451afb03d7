// Fuzzes the PPF patch reader over arbitrary bytes: a patch that reads must account for every
// byte it came from, and patching a file must either change it or leave it byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/unique_file.h"
#include "patcher/ppf_patch.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool Inside(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

// The header, the records and the description file together are the whole patch.
void CheckAccounts(const patcher::PpfPatch& patch, std::string_view bytes) {
    std::size_t size = patch.version == 1 ? 56 : patch.version == 2 ? 1084 : patch.blockCheck ? 1084 : 60;
    if (patch.descriptionFile)
        size += 18 + patch.descriptionFile->size() + 16 + (patch.version == 2 ? 4 : 2);
    for (const patcher::PatchRecord& record : patch.records) {
        Check(Inside(record.newBytes, bytes) && Inside(record.oldBytes, bytes));
        Check(record.oldBytes.size() == (patch.hasUndoData ? record.newBytes.size() : 0));
        size += (patch.version == 3 ? 9 : 5) + record.newBytes.size() + record.oldBytes.size();
    }
    Check(size == bytes.size());
    Check(patch.description.size() <= 50 && Inside(patch.description, bytes));
    Check(!patch.descriptionFile || patch.descriptionFile->size() <= 3072);
}

// A target of 40 KB, past both block check offsets, filled with its own pattern.
constexpr std::size_t kTargetSize = 40 * 1024;

void CheckPatching(const patcher::PpfPatch& patch) {
    std::string target(kTargetSize, '\0');
    for (std::size_t i = 0; i < target.size(); ++i)
        target[i] = static_cast<char>(i * 7);
    const std::string before = target;
    for (const patcher::Direction direction : {patcher::Direction::Apply, patcher::Direction::Undo}) {
        base::UniqueFile file{fmemopen(target.data(), target.size(), "r+b")};
        Check(file != nullptr);
        const patcher::PatchOutcome outcome = patcher::PatchFile(patch, file.get(), direction);
        file.reset();
        if (outcome.status == patcher::PatchOutcome::Status::Refused)
            Check(target == before);
        else
            Check(outcome.status == patcher::PatchOutcome::Status::Done &&
                  outcome.recordsWritten == patch.records.size());
        target = before;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const patcher::ReadResult read = patcher::ReadPatch(bytes);
    Check(read.patch.has_value() == read.problem.empty());
    if (!read.patch)
        return 0;
    Check(read.patch->version >= 1 && read.patch->version <= 3);
    CheckAccounts(*read.patch, bytes);
    CheckPatching(*read.patch);
    return 0;
}
