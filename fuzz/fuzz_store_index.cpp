// Fuzzes the originals index reader: the input as it is, and sealed with a matching check
// line so the fuzzer reaches the entry lines; whatever is accepted must write back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/sha256.h"
#include "manager/originals/store_index.h"

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

void CheckDecoded(const std::string& text) {
    const manager::DecodedIndex decoded = manager::DecodeIndex(text, kGame, FoldAscii);
    Check(decoded.index.has_value() == (decoded.problem == manager::IndexProblem::None));
    if (!decoded.index)
        return;
    for (const manager::IndexEntry& entry : decoded.index->entries)
        Check(manager::PlaceOfName(entry.name, kGame, FoldAscii) != manager::NamePlace::Invalid);
    if (decoded.index->old)
        return;  // kept lines of the old index carry no hash, so they cannot be written as they are
    const auto again = manager::EncodeIndex(*decoded.index, FoldAscii);
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
    return 0;
}
