// Fixed-record list files: encoding, decoding and the safe save.
#include "manager/list_file.h"

#include <cstdio>
#include <memory>

#include "base/disk_file.h"
#include "base/text.h"

namespace manager {
namespace {

using base::UniqueFile;

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

bool SaveList(const std::vector<std::string>& texts, const std::string& path, std::size_t /*recordLimit*/,
              std::size_t recordSize, base::WriteFailure* failure) {
    const std::string temporary = path + ".new";
    base::WriteFailure why = base::WriteFailure::Other;
    if (!base::WriteWholeFile(temporary, EncodeList(texts, recordSize), &why) ||
        !base::MoveFileOver(temporary, path, why)) {
        std::remove(temporary.c_str());
        if (failure)
            *failure = why;
        return false;
    }
    return true;
}

void LoadList(std::vector<std::string>& texts, const std::string& path, std::size_t recordLimit,
              std::size_t recordSize) {
    recordLimit = OrDefault(recordLimit, kDefaultRecordLimit);
    recordSize = OrDefault(recordSize, kDefaultRecordSize);
    UniqueFile file{std::fopen(path.c_str(), "rb")};
    if (!file)
        return;
    // Nothing past the record limit is ever looked at, so that is all that is read.
    const std::size_t wanted = recordLimit * recordSize;
    std::unique_ptr<char[]> bytes(new char[wanted]);
    const std::size_t read = std::fread(bytes.get(), 1, wanted, file.get());
    DecodeList(texts, std::string_view(bytes.get(), read), recordLimit, recordSize);
}

}  // namespace manager
