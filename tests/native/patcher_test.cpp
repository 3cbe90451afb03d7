// The PPF patcher's core and command line on real files: each version applied and undone,
// and every refusal leaving the file byte for byte as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/unique_file.h"
#include "patcher/patch_command.h"
#include "patcher/ppf_patch.h"
#include "tests/support/ppf_bytes.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
using patcher::CommandReport;
using patcher::RunPatchCommand;

constexpr std::size_t kFileSize = 0xA000;  // beyond both block checks
constexpr std::uint64_t kBinBlock = 0x9320;
constexpr std::uint64_t kGiBlock = 0x80A0;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class PatcherTest : public testing::Test {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < kFileSize; ++i)
            original += static_cast<char>(i * 131 + (i >> 8));
        WriteBytes(file, original);
    }
    TestRecord Change(std::uint64_t offset, const std::string& bytes) const {
        return {offset, bytes, original.substr(offset, bytes.size())};
    }
    CommandReport Run(const char* command, const std::string& patchBytes) {
        WriteBytes(patch, patchBytes);
        return RunPatchCommand({command, file, patch});
    }

    std::string original;
    TempDir dir;
    std::string file = dir.File("canyon.map");
    std::string patch = dir.File("sky.ppf");
};

TEST_F(PatcherTest, AppliesEachVersionAndUndoGivesTheOriginalBack) {
    // The first record lands inside the BIN block check, which undo must see restored.
    const std::vector<TestRecord> records = {Change(kBinBlock + 0x10, std::string(20, 'b')), Change(0, "NEW"),
                                             Change(kFileSize - 4, "TAIL")};
    std::string patched = original;
    for (const TestRecord& record : records)
        patched.replace(record.offset, record.newBytes.size(), record.newBytes);
    std::vector<TestPatch> patches(5);
    for (TestPatch& p : patches)
        p.records = records;
    patches[0].version = 1;
    patches[1].version = 2;
    patches[1].originalSize = kFileSize;
    patches[1].block = original.substr(kBinBlock, 1024);
    patches[1].descriptionFile = "Night Sky\r\nfor the canyon";
    patches[2].block = original.substr(kBinBlock, 1024);
    patches[2].undo = true;
    patches[2].descriptionFile = "Night Sky, undoable";
    patches[3].block = original.substr(kGiBlock, 1024);
    patches[3].imageType = 1;
    patches[4].undo = true;
    for (const TestPatch& p : patches) {
        SCOPED_TRACE(PatchBytes(p).substr(0, 5) + (p.undo ? " with undo data" : ""));
        WriteBytes(file, original);
        CommandReport report = Run("a", PatchBytes(p));
        EXPECT_EQ(report.status, patcher::kExitDone) << report.text;
        EXPECT_EQ(ReadBytes(file), patched);
        EXPECT_TRUE(Contains(report.text, "PPF " + std::to_string(p.version) + ".0 patch: Night Sky\n" +
                                              p.descriptionFile)) << report.text;
        EXPECT_TRUE(Contains(report.text, "Applied 3 records")) << report.text;
        if (p.undo) {
            report = Run("u", PatchBytes(p));
            EXPECT_EQ(report.status, patcher::kExitDone) << report.text;
            EXPECT_EQ(ReadBytes(file), original);
        }
    }
}

TEST_F(PatcherTest, RefusesABadPatchOrAWrongFileAndLeavesTheFileAsItWas) {
    TestPatch one;
    one.version = 1;
    one.records = {Change(0x10, "ABCDE")};
    TestPatch two = one;
    two.version = 2;
    two.originalSize = kFileSize;
    two.block = original.substr(kBinBlock, 1024);
    TestPatch three = one;
    three.version = 3;
    three.undo = true;
    const auto with = [](TestPatch p, auto change) {
        change(p);
        return PatchBytes(p);
    };
    const auto setByte = [](std::string bytes, std::size_t at, char value) {
        bytes[at] = value;
        return bytes;
    };
    const std::string longText(3073, 'd');
    struct Case {
        const char* command;
        std::string bytes;
        std::string says;
    } cases[] = {
        {"a", "PPF40" + PatchBytes(one).substr(5), "does not begin with PPF10, PPF20 or PPF30"},
        {"a", setByte(PatchBytes(one), 5, 2), "version byte (2) does not match PPF10"},
        {"a", PatchBytes(one).substr(0, 55), "too short to be a PPF patch (55 bytes)"},
        {"a", PatchBytes(two).substr(0, 100), "header is cut short"},
        {"a", PatchBytes(one).substr(0, PatchBytes(one).size() - 1), "record for offset 0x10 (byte 56 of the patch) is cut short"},
        {"a", PatchBytes(one) + "abc", "ends inside the record at byte 66"},
        {"a", with(three, [](TestPatch& p) { p.records.push_back({kFileSize - 2, "ABC", "abc"}); }),
         "record at offset 0x9FFE (3 bytes) reaches past the end of the file (40960 bytes)"},
        {"a", with(three, [](TestPatch& p) { p.records.push_back({~0ull, "A", "a"}); }), "offset 0xFFFFFFFFFFFFFFFF (1 bytes)"},
        {"a", with(two, [](TestPatch& p) { p.originalSize = kFileSize + 1; }), "for a file of 40961 bytes, and this one has 40960"},
        {"a", with(two, [&](TestPatch& p) { p.block = original.substr(kGiBlock, 1024); }), "block check at offset 0x9320"},
        {"a", with(three, [&](TestPatch& p) { p.block = original.substr(kBinBlock, 1024); p.imageType = 1; }),
         "block check at offset 0x80A0"},
        {"a", with(three, [&](TestPatch& p) { p.descriptionFile = longText; }), "3073 bytes of text, more than 3072"},
        {"a", setByte(with(two, [](TestPatch& p) { p.descriptionFile = "sky"; }), 1094, '#'), "has no @BEGIN_FILE_ID.DIZ"},
        {"a", setByte(PatchBytes(three), 58, 2), "neither 0 nor 1"},
        {"u", PatchBytes(one), "no undo data"},
        {"u", with(three, [](TestPatch& p) { p.undo = false; }), "no undo data"},
        {"u", PatchBytes(three), "does not hold the patch's new bytes at offset 0x10"},
        {"u", with(three, [&](TestPatch& p) { p.records.push_back(Change(0x14, "XY")); }), "overlap at offset 0x14"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const CommandReport report = Run(c.command, c.bytes);
        EXPECT_EQ(report.status, patcher::kExitFailed);
        EXPECT_TRUE(Contains(report.text, c.says)) << report.text;
        EXPECT_TRUE(Contains(report.text, "was not changed")) << report.text;
        EXPECT_EQ(ReadBytes(file), original);
    }
    EXPECT_TRUE(Contains(RunPatchCommand({"a", file, dir.File("none.ppf")}).text, "cannot be read"));
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"a", file}, {"x", file, patch}})
        EXPECT_EQ(RunPatchCommand(args).status, patcher::kExitUsage);
}

// A file that cannot take the writes: the checks pass, then the failure is reported.
TEST_F(PatcherTest, AWriteErrorAfterTheChecksIsReported) {
    TestPatch p;
    p.records = {Change(0x10, "ABCDE")};
    const std::string bytes = PatchBytes(p);
    const patcher::ReadResult read = patcher::ReadPatch(bytes);
    ASSERT_TRUE(read.patch) << read.problem;
    base::UniqueFile readOnly{std::fopen(file.c_str(), "rb")};
    const patcher::PatchOutcome outcome = patcher::PatchFile(*read.patch, readOnly.get(), patcher::Direction::Apply);
    EXPECT_EQ(outcome.status, patcher::PatchOutcome::Status::WriteFailed);
    EXPECT_EQ(outcome.recordsWritten, 0u);
}

// Offsets past 4 GiB, where a 32-bit seek would land somewhere near the start. The file is
// sparse, so it costs no disk space.
TEST_F(PatcherTest, ReachesOffsetsPastFourGigabytes) {
    constexpr std::uint64_t kFar = 0x100000002ull;
    std::filesystem::resize_file(file, kFar + 6);
    TestPatch p;
    p.undo = true;
    p.records = {{kFar, "FAR", std::string(3, '\0')}, {2, "xyz", original.substr(2, 3)}};
    ASSERT_EQ(Run("a", PatchBytes(p)).status, patcher::kExitDone);
    const auto bytesAt = [&](std::uint64_t offset) {
        std::ifstream in(file, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(offset));
        std::string bytes(3, '\0');
        in.read(bytes.data(), 3);
        return bytes;
    };
    EXPECT_EQ(bytesAt(kFar), "FAR");
    EXPECT_EQ(bytesAt(2), "xyz");
    ASSERT_EQ(Run("u", PatchBytes(p)).status, patcher::kExitDone);
    EXPECT_EQ(bytesAt(kFar), std::string(3, '\0'));
    EXPECT_EQ(bytesAt(2), original.substr(2, 3));
}

}  // namespace
