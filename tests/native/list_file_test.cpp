// Fixed-record list files: exact bytes, record boundaries, the end of the list, safe saves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/list_file.h"
#include "tests/support/full_disk.h"
#include "tests/support/temp_dir.h"

namespace {

using manager::LoadList;
using manager::SaveList;
using testing_support::Exists;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using Texts = std::vector<std::string>;

std::string Zeros(std::size_t count) { return std::string(count, '\0'); }

TEST(ListFile, StoresThreeTextsAsSixtyFiveBytesAndLoadsThemBack) {
    TempDir dir;
    const std::string path = dir.File("names.lst");
    ASSERT_TRUE(SaveList({"alpha", "beta", "gamma"}, path, 0, 0));
    EXPECT_EQ(ReadBytes(path), "alpha" + Zeros(25) + "beta" + Zeros(26) + "gamma");
    Texts loaded;
    LoadList(loaded, path, 0, 0);
    EXPECT_EQ(loaded, (Texts{"alpha", "beta", "gamma"}));
}

TEST(ListFile, RecordBoundariesAndTheEndOfTheList) {
    const std::string x30(30, 'x');
    const std::string y31 = std::string(30, 'y') + "Z";
    struct Case {
        const char* label;
        Texts saved;
        std::string bytes;
        Texts loaded;
    } cases[] = {
        {"exactly 30 bytes", {x30, "b"}, x30 + "b", {x30, "b"}},
        {"exactly 30 bytes, last", {"a", x30}, "a" + Zeros(29) + x30, {"a", x30}},
        {"31 bytes are cut", {y31, "b"}, y31.substr(0, 30) + "b", {y31.substr(0, 30), "b"}},
        {"31 bytes are cut, last", {"a", y31}, "a" + Zeros(29) + y31.substr(0, 30), {"a", y31.substr(0, 30)}},
        {"trailing white space goes, leading stays", {"trail \t", "  lead"}, "trail \t" + Zeros(23) + "  lead",
         {"trail", "  lead"}},
        {"a blank record ends the list", {"a", "   ", "c"}, "a" + Zeros(29) + "   " + Zeros(27) + "c", {"a"}},
        {"an empty record ends the list", {"a", "", "c"}, "a" + Zeros(59) + "c", {"a"}},
        {"an empty first record", {"", "b"}, Zeros(30) + "b", {}},
        {"empty list", {}, "", {}},
    };
    TempDir dir;
    const std::string path = dir.File("list.lst");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(SaveList(c.saved, path, 999, 30));
        ASSERT_TRUE(Exists(path));
        EXPECT_EQ(ReadBytes(path), c.bytes);
        Texts loaded;
        LoadList(loaded, path, 999, 30);
        EXPECT_EQ(loaded, c.loaded);
    }
}

TEST(ListFile, ReadsRecordsUpToTheirFirstZeroByteAndStopsAtTheFileEnd) {
    struct Case {
        const char* label;
        std::string bytes;
        Texts loaded;
    } cases[] = {
        {"zero byte inside a record", std::string("ab\0cd", 5) + Zeros(25) + "next", {"ab", "next"}},
        {"file ends inside a record", "alpha" + Zeros(25) + "beta" + Zeros(3), {"alpha", "beta"}},
        {"line ends are white space", "a\r\n\v\f" + Zeros(25) + "b", {"a", "b"}},
        {"white space only up to the file end", "a" + Zeros(29) + " \r\n", {"a"}},
    };
    TempDir dir;
    const std::string path = dir.File("list.lst");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        WriteBytes(path, c.bytes);
        Texts loaded;
        LoadList(loaded, path, 0, 0);
        EXPECT_EQ(loaded, c.loaded);
    }
}

TEST(ListFile, WritesEveryEntryButLoadsAtMostTheRecordLimit) {
    Texts texts;
    for (int i = 0; i < 1200; ++i)
        texts.push_back("mod" + std::to_string(i));
    TempDir dir;
    const std::string path = dir.File("list.lst");
    ASSERT_TRUE(SaveList(texts, path, 999, 30));
    EXPECT_EQ(ReadBytes(path).size(), 30u * 1199 + texts.back().size());
    Texts loaded;
    LoadList(loaded, path, 0, 0);
    ASSERT_EQ(loaded.size(), 999u);
    EXPECT_EQ(loaded.back(), "mod998");

}

TEST(ListFile, LoadingAppendsAndAMissingFileLeavesTheListAlone) {
    TempDir dir;
    const std::string path = dir.File("list.lst");
    ASSERT_TRUE(SaveList({"a", "b"}, path, 999, 30));
    Texts texts{"kept"};
    LoadList(texts, path, 999, 30);
    LoadList(texts, path, 999, 30);
    LoadList(texts, dir.File("missing.lst"), 999, 30);
    EXPECT_EQ(texts, (Texts{"kept", "a", "b", "a", "b"}));
    EXPECT_FALSE(Exists(dir.File("missing.lst")));
}

TEST(ListFile, SaveReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.File("list.lst");
    WriteBytes(path, std::string(200, 'o'));
    WriteBytes(path + ".new", "left over from an earlier save");
    ASSERT_TRUE(SaveList({"a", "b"}, path, 999, 30));
    EXPECT_EQ(ReadBytes(path), "a" + Zeros(29) + "b");
    EXPECT_FALSE(Exists(path + ".new"));
}

#ifdef GRENWICK_HAS_FULL_DISK
TEST(ListFile, SaveOnAFullDiskKeepsTheOldFileAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.File("list.lst");
    WriteBytes(path, "old");
    {
        testing_support::ScopedFullDisk full(20);
        ASSERT_TRUE(full.Active());
        EXPECT_FALSE(SaveList({"a", "b"}, path, 999, 30));
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_FALSE(Exists(path + ".new"));
}
#endif

TEST(ListFile, SaveIntoAMissingFolderFailsAndLeavesNothing) {
    TempDir dir;
    const std::string path = dir.File("no such folder/list.lst");
    EXPECT_FALSE(SaveList({"a"}, path, 999, 30));
    EXPECT_FALSE(Exists(dir.File("no such folder")));
}

}  // namespace
