// PPF patches: reading and checking a patch, and applying or undoing it in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace patcher {

// One change: the new bytes go at the offset; undo puts the original bytes back.
struct PatchRecord {
    std::uint64_t offset = 0;
    std::string_view newBytes;
    std::string_view oldBytes;  // empty without undo data
};

// The bytes the original file holds at a fixed offset, which identify the file.
struct BlockCheck {
    std::uint64_t offset = 0;
    std::string_view bytes;
};

// A patch read from its bytes; the views point into those bytes.
struct PpfPatch {
    int version = 0;               // 1, 2 or 3
    std::string_view description;  // the header's 50 bytes without their padding
    std::optional<std::string_view> descriptionFile;
    std::optional<std::uint32_t> originalSize;  // PPF 2.0 only
    std::optional<BlockCheck> blockCheck;
    bool hasUndoData = false;
    std::vector<PatchRecord> records;
};

// The patch, or what is wrong with its bytes.
struct ReadResult {
    std::optional<PpfPatch> patch;
    std::string problem;
};

ReadResult ReadPatch(std::string_view bytes);

enum class Direction { Apply, Undo };

struct PatchOutcome {
    enum class Status { Done, Refused, WriteFailed };
    Status status = Status::Done;
    std::string problem;  // why it was refused, or where writing failed
    std::size_t recordsWritten = 0;
};

// Patches a file base::OpenDiskFile opened for update, each record written at its offset in
// one call. Every check runs before the first write, so a refused patch leaves the file
// exactly as it was.
PatchOutcome PatchFile(const PpfPatch& patch, std::FILE* target, Direction direction);

// An offset as the messages show it: "0x" and upper-case hex digits.
std::string HexOffset(std::uint64_t offset);

}  // namespace patcher
