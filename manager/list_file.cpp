// Fixed-record list files: encoding, decoding and the safe save of one file.
#include "manager/list_file.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <utility>

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

std::string TempFileOf(const std::string& path) { return path + ".new"; }

bool WriteFileDurably(const std::string& path, const std::string& bytes, base::WriteFailure& failure) {
    errno = 0;
    UniqueFile file{std::fopen(path.c_str(), "wb")};
    if (!file) {
        failure = errno == EACCES ? base::WriteFailure::AccessDenied : base::WriteFailure::Other;
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    if (base::CloseFlushed(std::move(file)) && written)
        return true;
    failure = base::WriteFailure::Other;
    return false;
}

bool ReplaceFile(const std::string& path, const std::string& bytes, base::WriteFailure* failure) {
    const std::string temporary = TempFileOf(path);
    base::WriteFailure why = base::WriteFailure::Other;
    if (WriteFileDurably(temporary, bytes, why) && base::MoveFileOver(temporary, path, why)) {
        base::SyncFolderOf(path);
        return true;
    }
    if (base::KindOfPath(temporary) == base::PathKind::DiskFile)
        std::remove(temporary.c_str());
    if (failure)
        *failure = why;
    return false;
}

bool SaveList(const std::vector<std::string>& texts, const std::string& path, std::size_t /*recordLimit*/,
              std::size_t recordSize, base::WriteFailure* failure) {
    return ReplaceFile(path, EncodeList(texts, recordSize), failure);
}

bool LoadList(std::vector<std::string>& texts, const std::string& path, std::size_t recordLimit,
              std::size_t recordSize) {
    recordLimit = OrDefault(recordLimit, kDefaultRecordLimit);
    recordSize = OrDefault(recordSize, kDefaultRecordSize);
    UniqueFile file{std::fopen(path.c_str(), "rb")};
    if (!file)
        return base::KindOfPath(path) != base::PathKind::DiskFile;
    // Nothing past the record limit is ever looked at, so that is all that is read.
    const std::size_t wanted = recordLimit * recordSize;
    std::unique_ptr<char[]> bytes(new char[wanted]);
    const std::size_t read = std::fread(bytes.get(), 1, wanted, file.get());
    if (std::ferror(file.get()))
        return false;
    DecodeList(texts, std::string_view(bytes.get(), read), recordLimit, recordSize);
    return true;
}

}  // namespace manager
