// The PPF patcher's core and command line on real files: each version applied and undone,
// and every refusal leaving the file byte for byte as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "base/unique_file.h"
#include "patcher/patch_command.h"
#include "patcher/ppf_patch.h"
#include "tests/support/bounded.h"
#include "tests/support/ppf_bytes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"

namespace {

using namespace testing_support;
using patcher::CommandReport;
using patcher::RunPatchCommand;

constexpr std::size_t kFileSize = 0xA000;  // beyond both block checks
constexpr std::uint64_t kBinBlock = 0x9320;
constexpr std::uint64_t kGiBlock = 0x80A0;

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
    const std::string bin = original.substr(kBinBlock, 1024), gi = original.substr(kGiBlock, 1024);
    const TestPatch patches[] = {
        {1, records},
        {2, records, bin, kFileSize, 0, false, "Night Sky\r\nfor the canyon"},
        {3, records, bin, 0, 0, true, "Night Sky, undoable"},
        {3, records, gi, 0, 1},
        {3, records, "", 0, 0, true},
    };
    for (const TestPatch& p : patches) {
        SCOPED_TRACE(PatchBytes(p).substr(0, 5) + (p.undo ? " with undo data" : ""));
        WriteBytes(file, original);
        CommandReport report = Run("a", PatchBytes(p));
        EXPECT_EQ(report.status, patcher::kExitDone) << report.text;
        EXPECT_EQ(ReadBytes(file), patched);
        std::string shown = p.descriptionFile.empty() ? "" : p.descriptionFile + "\n";
        if (const std::size_t cr = shown.find('\r'); cr != std::string::npos)
            shown.erase(cr, 1);  // the console stream adds its own line ends
        EXPECT_EQ(report.text, "PPF " + std::to_string(p.version) + ".0 patch: Night Sky\n" + shown +
                                   "Applied 3 records to \"" + file + "\".\n");
        if (p.undo) {
            report = Run("u", PatchBytes(p));
            EXPECT_EQ(report.status, patcher::kExitDone) << report.text;
            EXPECT_EQ(ReadBytes(file), original);
        }
    }
}

TEST_F(PatcherTest, RefusesABadPatchOrAWrongFileAndLeavesTheFileAsItWas) {
    const std::string bin = original.substr(kBinBlock, 1024), gi = original.substr(kGiBlock, 1024);
    const std::vector<TestRecord> records = {Change(0x10, "ABCDE")};
    const std::string one = PatchBytes({1, records}), three = PatchBytes({3, records, "", 0, 0, true});
    const auto setByte = [](std::string bytes, std::size_t at, char value) {
        bytes[at] = value;
        return bytes;
    };
    const struct {
        const char* command;
        std::string bytes;
        std::string says;
    } cases[] = {
        {"a", "PPF40" + one.substr(5), "does not begin with PPF10, PPF20 or PPF30"},
        {"a", setByte(one, 5, 2), "version byte (2) does not match PPF10"},
        {"a", one.substr(0, 55), "too short to be a PPF patch (55 bytes)"},
        {"a", PatchBytes({2, records, bin, kFileSize}).substr(0, 100), "header is cut short"},
        {"a", one.substr(0, one.size() - 1), "record for offset 0x10 (byte 56 of the patch) is cut short"},
        {"a", one + "abc", "ends inside the record at byte 66"},
        {"a", PatchBytes({3, {{kFileSize - 2, "ABC", "abc"}}}),
         "offset 0x9FFE (3 bytes) reaches past the end of the file (40960 bytes)"},
        {"a", PatchBytes({3, {{~0ull, "A", "a"}}}), "offset 0xFFFFFFFFFFFFFFFF (1 bytes)"},
        {"a", PatchBytes({2, records, bin, kFileSize + 1}), "for a file of 40961 bytes, and this one has 40960"},
        {"a", PatchBytes({2, records, gi, kFileSize}), "block check at offset 0x9320"},
        {"a", PatchBytes({3, records, bin, 0, 1}), "block check at offset 0x80A0"},
        {"a", PatchBytes({3, records, "", 0, 0, false, std::string(3073, 'd')}), "3073 bytes of text, more than 3072"},
        {"a", setByte(PatchBytes({2, records, bin, kFileSize, 0, false, "sky"}), 1094, '#'),
         "has no @BEGIN_FILE_ID.DIZ"},
        {"a", setByte(three, 58, 2), "neither 0 nor 1"},
        {"u", one, "no undo data"},
        {"u", three, "does not hold the patch's new bytes at offset 0x10"},
        {"u", PatchBytes({3, {Change(0x10, "ABCDE"), Change(0x14, "XY")}, "", 0, 0, true}), "overlap at offset 0x14"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const CommandReport report = Run(c.command, c.bytes);
        EXPECT_EQ(report.status, patcher::kExitFailed);
        EXPECT_TRUE(Contains(report.text, c.says)) << report.text;
        EXPECT_TRUE(Contains(report.text, ".\nThe file \"" + file + "\" was not changed.\n")) << report.text;
        EXPECT_EQ(ReadBytes(file), original);
    }
    EXPECT_TRUE(Contains(RunPatchCommand({"a", file, dir.File("none.ppf")}).text, "cannot be read"));
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"a", file}, {"x", file, patch}})
        EXPECT_EQ(RunPatchCommand(args).status, patcher::kExitUsage);
}

// A file that cannot take the writes: the checks pass, then the failure is reported.
TEST_F(PatcherTest, AWriteErrorAfterTheChecksIsReported) {
    const std::string bytes = PatchBytes({3, {Change(0x10, "ABCDE")}});
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
    const std::string bytes = PatchBytes({3, {{kFar, "FAR", std::string(3, '\0')}, Change(2, "xyz")}, "", 0, 0, true});
    ASSERT_EQ(Run("a", bytes).status, patcher::kExitDone);
    const auto bytesAt = [&](std::uint64_t offset) {
        std::ifstream in(file, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(offset));
        std::string bytes(3, '\0');
        in.read(bytes.data(), 3);
        return bytes;
    };
    EXPECT_EQ(bytesAt(kFar), "FAR");
    EXPECT_EQ(bytesAt(2), "xyz");
    ASSERT_EQ(Run("u", bytes).status, patcher::kExitDone);
    EXPECT_EQ(bytesAt(kFar), std::string(3, '\0'));
    EXPECT_EQ(bytesAt(2), original.substr(2, 3));
}

// A device or a pipe as the patch or the file is refused at once: AUX would wait for a
// serial line, and NUL would take the records and keep nothing.
TEST_F(PatcherTest, RefusesADeviceOrAPipeAtOnce) {
    WriteBytes(patch, PatchBytes({1, {Change(0, "NEW")}}));
#ifdef _WIN32
    const std::string devices[] = {"AUX", "NUL"};
    const std::string pipe = dir.File("no pipe");
#else
    const std::string pipe = dir.File("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string devices[] = {"/dev/null", pipe};
#endif
    for (const std::string& device : devices) {
        for (const bool asPatch : {true, false}) {
            SCOPED_TRACE(device + (asPatch ? " as the patch" : " as the file"));
            CommandReport report;
            const std::vector<std::string> args{"a", asPatch ? file : device, asPatch ? device : patch};
            EXPECT_TRUE(FinishesInTime([&] { report = RunPatchCommand(args); }, pipe));
            EXPECT_EQ(report.status, patcher::kExitFailed);
            EXPECT_TRUE(Contains(report.text, "\"" + device + "\" is not a file on disk")) << report.text;
            EXPECT_EQ(ReadBytes(file), original);
        }
    }
}

}  // namespace
