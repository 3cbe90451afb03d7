// Batch file lines and the writer: exact bytes, CR LF on every host.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "batchfile/batch_lines.h"
#include "tests/support/full_disk.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;

TEST(BatchLines, BuildEachLineKindExactly) {
    EXPECT_EQ(batchfile::NameLine("Night Sky"), ":: &Night Sky");
    EXPECT_EQ(batchfile::NameLine(""), ":: &");
    EXPECT_EQ(batchfile::PpfLine("nightsky.bat"), ":: <nightsky.bat");
    EXPECT_EQ(batchfile::DeleteLine("maps\\canyon.map"), "del maps\\canyon.map");
    EXPECT_EQ(batchfile::CopyLine("C:\\My Mods\\a.map", "maps\\a.map"), "copy C:\\My Mods\\a.map maps\\a.map");
    EXPECT_EQ(batchfile::ApplyLine("maps\\canyon.map", "nightsky.ppf"), "ApplyPPF3.exe a maps\\canyon.map nightsky.ppf");
    EXPECT_EQ(batchfile::ApplyLine("", ""), "ApplyPPF3.exe a  ");
}

TEST(BatchWriter, WritesEveryLineWithCrLfAndReplacesOldContent) {
    TempDir dir;
    const std::string path = dir.File("mod.bat");
    testing_support::WriteBytes(path, "old content that is longer than the new one\r\n");
    ASSERT_TRUE(batchfile::WriteBatchFile(path, {":: &A", "del x"}));
    EXPECT_EQ(ReadBytes(path), ":: &A\r\ndel x\r\n");

    ASSERT_TRUE(batchfile::WriteBatchFile(path, {}));
    EXPECT_EQ(ReadBytes(path), "");
}

#ifdef GRENWICK_HAS_FULL_DISK
// Half a batch file would install half a mod; a failed rewrite keeps the previous version.
TEST(BatchWriter, AFailedWriteLeavesThePreviousFileOrNone) {
    for (const std::string previous : {"", ":: &Old\r\ndel x\r\n"}) {
        SCOPED_TRACE(previous);
        TempDir dir;
        const std::string path = dir.File("mod.bat");
        if (!previous.empty())
            testing_support::WriteBytes(path, previous);
        {
            testing_support::ScopedFullDisk full(8);
            ASSERT_TRUE(full.Active());
            EXPECT_FALSE(batchfile::WriteBatchFile(path, {":: &Night Sky", "del maps\\canyon.map"}));
        }
        EXPECT_EQ(ReadBytes(path), previous);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), previous.empty() ? 0 : 1);
    }
}
#endif

// A device name takes the lines and keeps nothing, so it too counts as not created.
TEST(BatchWriter, ReportsAFileThatCannotBeCreated) {
    TempDir dir;
    EXPECT_FALSE(batchfile::WriteBatchFile("", {"x"}));
    EXPECT_FALSE(batchfile::WriteBatchFile(dir.File("no such folder/mod.bat"), {"x"}));
    EXPECT_FALSE(testing_support::Exists(dir.File("no such folder")));
#ifdef _WIN32
    for (const std::string device : {"nul.bat", "Nul.map.bat", "COM1"}) {
#else
    for (const std::string device : {"/dev/null"}) {
#endif
        SCOPED_TRACE(device);
        EXPECT_FALSE(batchfile::WriteBatchFile(device, {":: &Mod"}));
    }
}

}  // namespace
