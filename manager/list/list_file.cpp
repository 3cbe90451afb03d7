// Fixed-record list files: encoding, decoding and the safe save of one file.
#include "manager/list/list_file.h"

#include <optional>

#include "base/text.h"

namespace manager {
namespace {

std::size_t OrDefault(std::size_t value, std::size_t fallback) { return value == 0 ? fallback : value; }

}  // namespace

std::string EncodeList(const std::vector<std::string>& texts, std::size_t recordSize) {
    recordSize = OrDefault(recordSize, kDefaultRecordSize);
    std::string bytes;
    if (texts.empty())
        return bytes;
    bytes.reserve(recordSize * texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        bytes.resize(i * recordSize, '\0');
        bytes.append(texts[i], 0, recordSize);
    }
    return bytes;
}

void DecodeList(std::vector<std::string>& texts, std::string_view bytes, std::size_t recordLimit,
                std::size_t recordSize) {
    recordLimit = OrDefault(recordLimit, kDefaultRecordLimit);
    recordSize = OrDefault(recordSize, kDefaultRecordSize);
    const std::size_t records = (bytes.size() + recordSize - 1) / recordSize;
    texts.reserve(texts.size() + (records < recordLimit ? records : recordLimit));
    for (std::size_t i = 0; i < recordLimit && i * recordSize < bytes.size(); ++i) {
        std::string_view record = bytes.substr(i * recordSize, recordSize);
        record = record.substr(0, record.find('\0'));
        while (!record.empty() && base::IsWhiteSpace(record.back()))
            record.remove_suffix(1);
        if (record.empty())
            return;
        texts.emplace_back(record);
    }
}

std::string TempFileOf(const std::string& path) { return path + ".new"; }

// Nothing past the record limit is ever looked at, so that is all that is read.
bool LoadList(std::vector<std::string>& texts, const std::string& path, std::size_t recordLimit,
              std::size_t recordSize) {
    recordLimit = OrDefault(recordLimit, kDefaultRecordLimit);
    recordSize = OrDefault(recordSize, kDefaultRecordSize);
    base::PathKind kind = base::PathKind::Missing;
    const std::optional<std::string> bytes = base::ReadWholeFile(path, recordLimit * recordSize, &kind);
    if (!bytes)
        return kind != base::PathKind::File;
    DecodeList(texts, *bytes, recordLimit, recordSize);
    return true;
}

}  // namespace manager
