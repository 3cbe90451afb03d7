// Applying mods through the real command interpreter, in a temporary game folder that is
// the current directory so that batch file paths stay short and relative.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "batchfile/batch_lines.h"
#include "manager/mod_manager.h"
#include "manager/system_runner.h"
#include "tests/support/recording.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"
#include "wine_support.h"
#include "writers/mapswap/mapswap_batch.h"

namespace {

using testing_support::Exists;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

class InterpreterTest : public testing::Test {
protected:
    // Adds the batch file as the only mod and applies it with the programs' own runner.
    void AddAndApply(const std::string& batchFile) {
        manager::SystemRunner runner;
        manager::ModManager mods(files, runner, view);
        mods.StartupLoad(nullptr);
        mods.AddBatchFile(batchFile);
        ASSERT_EQ(mods.Mods().Entries().size(), 1u);
        mods.ApplyMod(0);
        EXPECT_EQ(ReadBytes(files.lastMod), batchFile);
        EXPECT_EQ(view.messages, Strings{"Done!"});
        EXPECT_EQ(view.closed, 1);
    }

    testing_support::TempDir storeDir;
    testing_support::TempDir dir;
    testing_support::ScopedCurrentDir inDir{dir.Path()};
    manager::ManagerFiles files{dir.File("names.lst"), dir.File("paths.lst"), dir.File("lastmod.txt"),
                                storeDir.File("Originals")};
    testing_support::RecordingView view;
};

TEST_F(InterpreterTest, MapSwapModReplacesTheMapsByTheModdedCopies) {
    std::filesystem::create_directories("maps");
    std::filesystem::create_directories("mods");
    for (const char* map : {"canyon", "lagoon", "ridge", "keep"})
        WriteBytes(std::string("maps\\") + map + ".map", std::string("original ") + map);
    WriteBytes("mods\\canyon.map", "modded canyon");
    WriteBytes("mods\\lagoon.map", "modded lagoon");
    mapswap::MapSwapForm form;
    form.modName = "Night Sky";
    form.pairs[0] = {"maps\\canyon.map", "mods\\canyon.map"};
    form.pairs[1] = {"maps\\lagoon.map", "mods\\lagoon.map"};
    form.pairs[2] = {"maps\\ridge.map", ""};
    ASSERT_TRUE(batchfile::WriteBatchFile("nightsky.bat", mapswap::MapSwapLines(form)));

    AddAndApply("nightsky.bat");
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), "modded canyon");
    EXPECT_EQ(ReadBytes("maps\\lagoon.map"), "modded lagoon");
    EXPECT_FALSE(Exists("maps\\ridge.map"));
    EXPECT_EQ(ReadBytes("maps\\keep.map"), "original keep");
    EXPECT_EQ(ReadBytes("mods\\canyon.map"), "modded canyon");
}

TEST_F(InterpreterTest, BatchFileNamedWithBlanksAmpersandCaretAndParenthesesRunsAsItself) {
    const std::string batchFile = "Night & Day (v2^).bat";
    // Decoys for the ways a line split at "&", a blank or a lost "^" would go.
    for (const char* decoy : {"Night.bat", "Day.bat", "Night & Day (v2).bat"})
        WriteBytes(decoy, "echo wrong>decoy.txt\r\n");
    ASSERT_TRUE(batchfile::WriteBatchFile(batchFile, {batchfile::NameLine("Night & Day"), "echo ran>ran.txt"}));

    AddAndApply(batchFile);
    EXPECT_EQ(ReadBytes("ran.txt").substr(0, 3), "ran");
    EXPECT_FALSE(Exists("decoy.txt"));
}

// Under ctest the standard input is no console, so PAUSE must return by itself; from a
// console it would wait for a key, so the test does not run there. A named PPF mod used to
// run the patcher with its batch file's name instead of the batch file.
TEST_F(InterpreterTest, PpfModRunsItsBatchFileThenPauseReturnsWithoutAConsole) {
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode))
        GTEST_SKIP() << "standard input is a console";
    ASSERT_TRUE(batchfile::WriteBatchFile("sky.bat", {batchfile::NameLine("Sky"), batchfile::PpfLine("sky.bat"),
                                                      batchfile::ApplyLine("maps\\canyon.map", "sky.ppf"),
                                                      "echo ran>ran.txt"}));
    AddAndApply("sky.bat");
    EXPECT_TRUE(Exists("ran.txt"));
}

// The real patcher with a device as the patch or the file: AUX once waited for a serial
// line and NUL took the records, "Applied 0 records". Both end at once with status 1.
TEST_F(InterpreterTest, PatcherRefusesADeviceAtOnce) {
    WriteBytes("t.bin", "target");
    WriteBytes("p.ppf", "PPF10");
    for (const char* args : {"a t.bin AUX", "a NUL p.ppf"}) {
        SCOPED_TRACE(args);
        std::string line = "\"" + wine_support::BinDir() + "ApplyPPF3.exe\" " + args;
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION patcher{};
        ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                   &startup, &patcher));
        const bool ended = WaitForSingleObject(patcher.hProcess, 10000) == WAIT_OBJECT_0;
        if (!ended)
            TerminateProcess(patcher.hProcess, 99);
        DWORD status = 0;
        GetExitCodeProcess(patcher.hProcess, &status);
        CloseHandle(patcher.hThread);
        CloseHandle(patcher.hProcess);
        EXPECT_TRUE(ended);
        EXPECT_EQ(status, 1u);
        EXPECT_EQ(ReadBytes("t.bin"), "target");
    }
}

}  // namespace
