// Fuzzes the originals store's index readers: the input as it is, and sealed with a matching
// check line so the fuzzer reaches the apply and entry lines; whatever is accepted must write
// back the same. The input is also read as the two versions before, as the previous version's
// index, and through the reader that picks the version.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/sha256.h"
#include "manager/originals/index_format.h"
#include "manager/originals/index_format_old.h"
#include "manager/originals/index_reader.h"

namespace {

constexpr char kGame[] = "C:\\Games\\Zorv";

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

std::string FoldAscii(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return folded;
}

bool NamesInPlace(const std::vector<manager::IndexEntry>& entries) {
    for (const manager::IndexEntry& entry : entries)
        if (manager::PlaceOfName(entry.name, kGame, FoldAscii) == manager::NamePlace::Invalid)
            return false;
    return true;
}

void CheckDecoded(const std::string& text) {
    const manager::DecodedRecords decoded = manager::DecodeRecords(text, kGame, FoldAscii);
    Check(decoded.records.has_value() == (decoded.problem == manager::IndexProblem::None));
    if (!decoded.records)
        return;
    for (const manager::ApplyRecord& apply : decoded.records->applies)
        for (const manager::ApplyEntry& entry : apply.entries)
            Check(NamesInPlace({entry.before}));
    const auto again = manager::EncodeRecords(*decoded.records, FoldAscii);
    // The comment line is free (and so the check over it); every line between is written as it was read.
    const auto between = [](const std::string& t) {
        const std::size_t from = t.find('\n');
        return t.substr(from, t.rfind("check\t") - from);
    };
    Check(again.has_value() && between(*again) == between(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    CheckDecoded(body);
    CheckDecoded(body + "check\t" + base::ToHex(base::Sha256Of(body)) + "\r\n");
    const manager::DecodedIndex old = manager::DecodeOldIndex(body, kGame, FoldAscii);
    Check(old.index.has_value() == (old.problem == manager::IndexProblem::None));
    Check(!old.index || NamesInPlace(old.index->entries));
    // The versions before, read by the same reader: accepted exactly when nothing is wrong, the
    // next number above every number.
    for (const auto decode : {&manager::DecodePlainRecords, &manager::DecodeAnsiRecords}) {
        const manager::DecodedRecords before = decode(body, kGame, FoldAscii);
        Check(before.records.has_value() == (before.problem == manager::IndexProblem::None));
        Check(!before.records || manager::NextNumber(*before.records) == before.records->next);
    }
    // The version dispatch gives what the reader of the version it names gives.
    const manager::DecodedRecords read = manager::ReadIndex(body, kGame, FoldAscii);
    Check(read.records.has_value() == (read.version == manager::kOldIndexVersion ? old.index.has_value()
                                                                                 : read.problem == manager::IndexProblem::None));
    return 0;
}
