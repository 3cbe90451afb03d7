// Reading a PPF 1.0, 2.0 or 3.0 patch from its bytes, and patching a file with it in place.
#include "patcher/ppf_patch.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "base/files.h"

namespace patcher {
namespace {

constexpr std::size_t kMagicSize = 5;
constexpr std::size_t kHeaderSize = 56;  // magic, version byte, 50 bytes of description
constexpr std::size_t kDescriptionAt = 6;
constexpr std::size_t kDescriptionSize = 50;
constexpr std::size_t kBlockAt = 60;  // where a block check sits in the patch
constexpr std::size_t kBlockSize = 1024;
constexpr std::uint64_t kBinBlockOffset = 0x9320;
constexpr std::uint64_t kGiBlockOffset = 0x80A0;
constexpr std::string_view kMagics[] = {"PPF10", "PPF20", "PPF30"};
constexpr std::string_view kDizBegin = "@BEGIN_FILE_ID.DIZ";
constexpr std::string_view kDizEnd = "@END_FILE_ID.DIZ";
constexpr std::size_t kMaxDizText = 3072;

std::uint64_t LittleEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it)
        value = value << 8 | static_cast<unsigned char>(*it);
    return value;
}

std::string_view WithoutPadding(std::string_view text) {
    const std::size_t last = text.find_last_not_of(std::string_view("\0 ", 2));
    return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

ReadResult Problem(std::string text) { return {std::nullopt, std::move(text)}; }

// A description file ends the patch: its begin marker, its text, its end marker and the
// text's length. It is found from the end, so that its bytes never read as records.
std::string SplitDescriptionFile(std::string_view& body, std::size_t lengthSize, PpfPatch& patch) {
    const std::size_t trailer = kDizEnd.size() + lengthSize;
    if (body.size() < trailer || body.substr(body.size() - trailer, kDizEnd.size()) != kDizEnd)
        return {};
    const std::uint64_t length = LittleEndian(body.substr(body.size() - lengthSize));
    if (length > kMaxDizText)
        return "its description file claims " + std::to_string(length) + " bytes of text, more than " +
               std::to_string(kMaxDizText);
    const std::size_t whole = kDizBegin.size() + static_cast<std::size_t>(length) + trailer;
    if (body.size() < whole || body.substr(body.size() - whole, kDizBegin.size()) != kDizBegin)
        return "its description file has no " + std::string(kDizBegin) + " where its length says";
    patch.descriptionFile = body.substr(body.size() - whole + kDizBegin.size(), static_cast<std::size_t>(length));
    body.remove_suffix(whole);
    return {};
}

std::string ReadRecords(std::string_view body, std::size_t at, PpfPatch& patch) {
    const std::size_t offsetSize = patch.version == 3 ? 8 : 4;
    const std::size_t copies = patch.hasUndoData ? 2 : 1;
    while (!body.empty()) {
        if (body.size() <= offsetSize)
            return "it ends inside the record at byte " + std::to_string(at) + " of the patch";
        PatchRecord record;
        record.offset = LittleEndian(body.substr(0, offsetSize));
        const std::size_t length = static_cast<unsigned char>(body[offsetSize]);
        const std::size_t size = offsetSize + 1 + copies * length;
        if (body.size() < size)
            return "the record for offset " + HexOffset(record.offset) + " (byte " + std::to_string(at) +
                   " of the patch) is cut short";
        record.newBytes = body.substr(offsetSize + 1, length);
        if (patch.hasUndoData)
            record.oldBytes = body.substr(offsetSize + 1 + length, length);
        patch.records.push_back(record);
        body.remove_prefix(size);
        at += size;
    }
    return {};
}

// PPF 3.0's header fields after the description: image type, block check flag, undo flag.
std::string ReadVersion3Header(std::string_view bytes, PpfPatch& patch, std::size_t& recordsAt) {
    const auto imageType = static_cast<unsigned char>(bytes[56]);
    const auto blockFlag = static_cast<unsigned char>(bytes[57]);
    const auto undoFlag = static_cast<unsigned char>(bytes[58]);
    if (blockFlag > 1 || undoFlag > 1)
        return "its block check flag (" + std::to_string(blockFlag) + ") or undo flag (" + std::to_string(undoFlag) +
               ") is neither 0 nor 1";
    patch.hasUndoData = undoFlag == 1;
    recordsAt = kBlockAt;
    if (blockFlag == 1) {
        if (imageType > 1)
            return "its image type (" + std::to_string(imageType) + ") is unknown";
        if (bytes.size() < kBlockAt + kBlockSize)
            return "its header is cut short";
        const std::uint64_t offset = imageType == 0 ? kBinBlockOffset : kGiBlockOffset;
        patch.blockCheck = BlockCheck{offset, bytes.substr(kBlockAt, kBlockSize)};
        recordsAt = kBlockAt + kBlockSize;
    }
    return {};
}

bool ReadAt(std::FILE* file, std::uint64_t offset, std::size_t size, std::string& into) {
    into.resize(size);
    return base::ReadAt(file, offset, into);
}

// Undo is checked against the file as it will be: the block as the original holds it once
// the records' original bytes are back in it.
std::string CheckBlock(const PpfPatch& patch, std::FILE* target, Direction direction) {
    const BlockCheck& check = *patch.blockCheck;
    std::string block;
    const bool read = ReadAt(target, check.offset, check.bytes.size(), block);
    if (read && direction == Direction::Undo) {
        const std::uint64_t blockEnd = check.offset + block.size();
        for (const PatchRecord& record : patch.records) {
            const std::uint64_t from = std::max(record.offset, check.offset);
            const std::uint64_t to = std::min(record.offset + record.oldBytes.size(), blockEnd);
            if (from < to)
                block.replace(static_cast<std::size_t>(from - check.offset), static_cast<std::size_t>(to - from),
                              record.oldBytes.substr(static_cast<std::size_t>(from - record.offset),
                                                     static_cast<std::size_t>(to - from)));
        }
    }
    if (!read || block != check.bytes)
        return "the file does not hold the patch's block check at offset " + HexOffset(check.offset) +
               ": it is not the file this patch was made for";
    return {};
}

// Each byte must hold one record's new bytes for the check to mean anything, so records
// that overlap cannot be undone.
std::string CheckUndo(const PpfPatch& patch, std::FILE* target) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
    spans.reserve(patch.records.size());
    for (const PatchRecord& record : patch.records)
        if (!record.newBytes.empty())
            spans.emplace_back(record.offset, record.offset + record.newBytes.size());
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second)
            return "the patch's records overlap at offset " + HexOffset(spans[i].first) +
                   ", so undoing it cannot be checked";
    std::string held;
    for (const PatchRecord& record : patch.records)
        if (!ReadAt(target, record.offset, record.newBytes.size(), held) || held != record.newBytes)
            return "the file does not hold the patch's new bytes at offset " + HexOffset(record.offset) +
                   ": it was not patched with this patch";
    return {};
}

std::string Check(const PpfPatch& patch, std::FILE* target, Direction direction) {
    if (direction == Direction::Undo && !patch.hasUndoData)
        return "the patch carries no undo data, so it cannot be undone";
    const std::optional<std::uint64_t> size = base::SizeOf(target);
    if (!size)
        return "the file's size cannot be read";
    if (patch.originalSize && *patch.originalSize != *size)
        return "the patch is for a file of " + std::to_string(*patch.originalSize) + " bytes, and this one has " +
               std::to_string(*size);
    for (const PatchRecord& record : patch.records)
        if (record.offset > *size || record.newBytes.size() > *size - record.offset)
            return "the record at offset " + HexOffset(record.offset) + " (" + std::to_string(record.newBytes.size()) +
                   " bytes) reaches past the end of the file (" + std::to_string(*size) + " bytes)";
    if (patch.blockCheck)
        if (std::string problem = CheckBlock(patch, target, direction); !problem.empty())
            return problem;
    return direction == Direction::Undo ? CheckUndo(patch, target) : std::string();
}

}  // namespace

std::string HexOffset(std::uint64_t offset) {
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789ABCDEF"[offset & 15]);
        offset >>= 4;
    } while (offset);
    return "0x" + digits;
}

ReadResult ReadPatch(std::string_view bytes) {
    if (bytes.size() < kHeaderSize)
        return Problem("it is too short to be a PPF patch (" + std::to_string(bytes.size()) + " bytes)");
    const auto magic = std::find(std::begin(kMagics), std::end(kMagics), bytes.substr(0, kMagicSize));
    if (magic == std::end(kMagics))
        return Problem("it does not begin with PPF10, PPF20 or PPF30");
    PpfPatch patch;
    patch.version = static_cast<int>(magic - std::begin(kMagics)) + 1;
    // The byte after the magic counts versions from 0.
    const auto versionByte = static_cast<unsigned char>(bytes[kMagicSize]);
    if (versionByte != patch.version - 1)
        return Problem("its version byte (" + std::to_string(versionByte) + ") does not match " +
                       std::string(*magic));
    patch.description = WithoutPadding(bytes.substr(kDescriptionAt, kDescriptionSize));
    std::size_t recordsAt = kHeaderSize;
    if (patch.version == 2) {
        if (bytes.size() < kBlockAt + kBlockSize)
            return Problem("its header is cut short");
        patch.originalSize = static_cast<std::uint32_t>(LittleEndian(bytes.substr(kHeaderSize, 4)));
        patch.blockCheck = BlockCheck{kBinBlockOffset, bytes.substr(kBlockAt, kBlockSize)};
        recordsAt = kBlockAt + kBlockSize;
    } else if (patch.version == 3) {
        if (bytes.size() < kBlockAt)
            return Problem("its header is cut short");
        if (std::string problem = ReadVersion3Header(bytes, patch, recordsAt); !problem.empty())
            return Problem(std::move(problem));
    }
    std::string_view body = bytes.substr(recordsAt);
    if (patch.version > 1)
        if (std::string problem = SplitDescriptionFile(body, patch.version == 2 ? 4 : 2, patch); !problem.empty())
            return Problem(std::move(problem));
    if (std::string problem = ReadRecords(body, recordsAt, patch); !problem.empty())
        return Problem(std::move(problem));
    return {std::move(patch), {}};
}

PatchOutcome PatchFile(const PpfPatch& patch, std::FILE* target, Direction direction) {
    PatchOutcome outcome;
    outcome.problem = Check(patch, target, direction);
    if (!outcome.problem.empty()) {
        outcome.status = PatchOutcome::Status::Refused;
        return outcome;
    }
    for (const PatchRecord& record : patch.records) {
        if (!base::WriteAt(target, record.offset, direction == Direction::Apply ? record.newBytes : record.oldBytes)) {
            outcome.status = PatchOutcome::Status::WriteFailed;
            outcome.problem = "writing the record at offset " + HexOffset(record.offset) + " failed";
            return outcome;
        }
        ++outcome.recordsWritten;
    }
    if (std::fflush(target) != 0) {
        outcome.status = PatchOutcome::Status::WriteFailed;
        outcome.problem = "writing the last records failed";
    }
    return outcome;
}

}  // namespace patcher
