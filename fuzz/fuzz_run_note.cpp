// Fuzzes the reader of the note a run leaves in the store until it is settled: the input as it
// is, and sealed with a matching check line so the fuzzer reaches the note's lines. Whatever
// is accepted names an apply and an index, and reads back the same once written again.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/sha256.h"
#include "manager/originals/unfinished_run.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool SameNotes(const manager::FolderNotes& a, const manager::FolderNotes& b) {
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first != j->first || i->second.name != j->second.name || i->second.size != j->second.size ||
            i->second.time != j->second.time)
            return false;
    return true;
}

void CheckDecoded(const std::string& text) {
    const std::optional<manager::RunNote> note = manager::DecodeRunNote(text);
    if (!note)
        return;
    Check(note->number != 0 && !note->generation.empty());
    const std::optional<manager::RunNote> again = manager::DecodeRunNote(manager::EncodeRunNote(*note));
    Check(again.has_value() && again->gameFolder == note->gameFolder && again->number == note->number &&
          again->generation == note->generation && SameNotes(again->before, note->before));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    CheckDecoded(body);
    CheckDecoded(body + "check\t" + base::ToHex(base::Sha256Of(body)) + "\r\n");
    return 0;
}
