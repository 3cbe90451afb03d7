// Fuzzes list decoding with the default layout and with small layouts taken from the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "manager/list/list_file.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Decodes with one layout; 0 stands for the default, as the list functions take it.
void CheckLayout(std::string_view bytes, std::size_t limit, std::size_t recordSize) {
    const std::size_t realLimit = limit == 0 ? manager::kDefaultRecordLimit : limit;
    const std::size_t realSize = recordSize == 0 ? manager::kDefaultRecordSize : recordSize;

    // Decoding appends: what the list already holds must stay in front.
    std::vector<std::string> texts{"kept"};
    manager::DecodeList(texts, bytes, limit, recordSize);
    Check(!texts.empty() && texts.front() == "kept");
    texts.erase(texts.begin());

    Check(texts.size() <= realLimit);
    for (const std::string& text : texts) {
        Check(!text.empty() && text.size() <= realSize);
        Check(!base::IsWhiteSpace(text.back()));
        Check(text.find('\0') == std::string::npos);
    }

    // What was decoded must come back unchanged through a save and a load.
    const std::string encoded = manager::EncodeList(texts, recordSize);
    Check(encoded.size() <= texts.size() * realSize);
    std::vector<std::string> again;
    manager::DecodeList(again, encoded, limit, recordSize);
    Check(again == texts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckLayout(bytes, 0, 0);
    if (size >= 2)
        CheckLayout(bytes.substr(2), data[0] % 12, data[1] % 40);
    return 0;
}
