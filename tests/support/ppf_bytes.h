// PPF patches built byte by byte for the tests, straight from the format's layout.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

inline std::string LittleEndianBytes(std::uint64_t value, std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i, value >>= 8)
        bytes += static_cast<char>(value & 0xFF);
    return bytes;
}

struct TestRecord {
    std::uint64_t offset;
    std::string newBytes;
    std::string oldBytes;  // written only when the patch carries undo data
};

struct TestPatch {
    TestPatch(int version, std::vector<TestRecord> records, std::string block = {}, std::uint32_t originalSize = 0,
              int imageType = 0, bool undo = false, std::string descriptionFile = {})
        : version(version), records(std::move(records)), block(std::move(block)), originalSize(originalSize),
          imageType(imageType), undo(undo), descriptionFile(std::move(descriptionFile)) {}
    int version;
    std::vector<TestRecord> records;
    std::string block;            // the block check's 1,024 bytes; PPF 3.0 without one: empty
    std::uint32_t originalSize;   // PPF 2.0
    int imageType;                // PPF 3.0: 0 BIN, 1 GI
    bool undo;                    // PPF 3.0
    std::string descriptionFile;  // none when empty
    std::string description = "Night Sky";
};

inline std::string PatchBytes(const TestPatch& patch) {
    std::string bytes = "PPF" + std::to_string(patch.version) + "0";
    bytes += static_cast<char>(patch.version - 1);
    bytes += patch.description + std::string(50 - patch.description.size(), ' ');
    if (patch.version == 2)
        bytes += LittleEndianBytes(patch.originalSize, 4) + patch.block;
    if (patch.version == 3) {
        bytes += {static_cast<char>(patch.imageType), static_cast<char>(!patch.block.empty()),
                  static_cast<char>(patch.undo), '\0'};
        bytes += patch.block;
    }
    for (const TestRecord& record : patch.records) {
        bytes += LittleEndianBytes(record.offset, patch.version == 3 ? 8 : 4);
        bytes += static_cast<char>(record.newBytes.size());
        bytes += record.newBytes + (patch.undo ? record.oldBytes : "");
    }
    if (!patch.descriptionFile.empty())
        bytes += "@BEGIN_FILE_ID.DIZ" + patch.descriptionFile + "@END_FILE_ID.DIZ" +
                 LittleEndianBytes(patch.descriptionFile.size(), patch.version == 2 ? 4 : 2);
    return bytes;
}

}  // namespace testing_support
