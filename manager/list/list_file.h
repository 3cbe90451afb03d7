// Fixed-record list files: texts in 30-byte records, no header, no separators.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"

namespace manager {

inline constexpr std::size_t kDefaultRecordLimit = 999;
inline constexpr std::size_t kDefaultRecordSize = 30;

// The file's bytes for a list: record i at i * recordSize, each text cut to recordSize,
// zero bytes between a text and the next record, nothing after the last text.
std::string EncodeList(const std::vector<std::string>& texts, std::size_t recordSize);

// Appends the texts of the records in `bytes`, stopping at recordLimit records, at the
// end of the bytes, or at the first record that is empty once trailing white space goes.
void DecodeList(std::vector<std::string>& texts, std::string_view bytes, std::size_t recordLimit,
                std::size_t recordSize);

// The temporary file beside `path` that a save writes before moving it over `path`.
std::string TempFileOf(const std::string& path);

// Appends the file's texts to the list; a missing or unreadable file leaves it as it was.
// False when a file on disk is there but could not be read. 0 means the default for the
// limit and size.
bool LoadList(std::vector<std::string>& texts, const std::string& path, std::size_t recordLimit,
              std::size_t recordSize);

}  // namespace manager
