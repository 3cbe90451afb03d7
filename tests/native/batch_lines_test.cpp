// Batch file lines and the writer: exact bytes, CR LF on every host.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "batchfile/batch_lines.h"
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

TEST(BatchWriter, ReportsAFileThatCannotBeCreated) {
    TempDir dir;
    EXPECT_FALSE(batchfile::WriteBatchFile("", {"x"}));
    EXPECT_FALSE(batchfile::WriteBatchFile(dir.File("no such folder/mod.bat"), {"x"}));
    EXPECT_FALSE(testing_support::Exists(dir.File("no such folder")));
}

// A name that is a device, not a file on disk, takes the lines and keeps nothing; the writer
// must say it could not create the file rather than report success.
TEST(BatchWriter, RefusesANameThatIsNotADiskFile) {
#ifdef _WIN32
    for (const std::string name : {"nul.bat", "Nul.map.bat", "COM1"}) {
#else
    for (const std::string name : {"/dev/null"}) {
#endif
        SCOPED_TRACE(name);
        EXPECT_FALSE(batchfile::WriteBatchFile(name, {":: &Mod"}));
    }
}

#ifndef _WIN32
// A rewrite that fails part way (here the file size limit stands in for a full disk) must
// leave the previous batch file as it was, and no temp file beside it.
TEST(BatchWriter, AFailedRewriteKeepsThePreviousVersion) {
    TempDir dir;
    const std::string path = dir.File("mod.bat");
    testing_support::WriteBytes(path, ":: &Old\r\ndel x\r\n");
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = batchfile::WriteBatchFile(path, {":: &" + std::string(10000, 'n'), "del y"});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), ":: &Old\r\ndel x\r\n");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"mod.bat"});
}
#endif

}  // namespace
