// Fixed-record list files: exact bytes, record boundaries, the end of the list, safe saves.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "manager/list/list_file.h"
#include "manager/list/list_pair.h"
#include "tests/support/list_files.h"
#include "tests/support/temp_dir.h"

namespace {

using manager::LoadList;
using testing_support::WriteListFile;
using testing_support::Exists;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using Texts = std::vector<std::string>;

std::string Zeros(std::size_t count) { return std::string(count, '\0'); }

TEST(ListFile, StoresThreeTextsAsSixtyFiveBytesAndLoadsThemBack) {
    TempDir dir;
    const std::string path = dir.File("names.lst");
    WriteListFile({"alpha", "beta", "gamma"}, path);
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
        WriteListFile(c.saved, path);
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

TEST(ListFile, LoadsAtMostTheRecordLimit) {
    Texts texts;
    for (int i = 0; i < 1200; ++i)
        texts.push_back("mod" + std::to_string(i));
    TempDir dir;
    const std::string path = dir.File("list.lst");
    WriteBytes(path, manager::EncodeList(texts, 30));
    Texts loaded;
    LoadList(loaded, path, 0, 0);
    ASSERT_EQ(loaded.size(), 999u);
    EXPECT_EQ(loaded.back(), "mod998");
}

TEST(ListFile, LoadingAppendsAndAMissingFileLeavesTheListAlone) {
    TempDir dir;
    const std::string path = dir.File("list.lst");
    WriteListFile({"a", "b"}, path);
    Texts texts{"kept"};
    LoadList(texts, path, 999, 30);
    LoadList(texts, path, 999, 30);
    LoadList(texts, dir.File("missing.lst"), 999, 30);
    EXPECT_EQ(texts, (Texts{"kept", "a", "b", "a", "b"}));
    EXPECT_FALSE(Exists(dir.File("missing.lst")));
}

// Every state a save can stop in (failure, kill, power cut) settles to one whole list: the
// old one until the path file is replaced, the new one from then on.
TEST(ListPair, ASaveStoppedAtAnyStepSettlesToOneWholeList) {
    const manager::ListTexts oldList{{"a.bat", "c.bat"}, {"A", "C"}};
    const manager::ListTexts newList{{"a.bat", "b.bat", "c.bat"}, {"A", "B", "C"}};
    const std::string part = "a.b";
    enum Content { None, Old, New, Part, Folder };
    struct Case {
        const char* label;
        Content paths, names, pathsTemp, namesTemp;
        bool isNew;
        bool settles;
    } cases[] = {
        {"path temporary part written", Old, Old, Part, None, false, true},
        {"name temporary part written", Old, Old, New, Part, false, true},
        {"both temporaries written", Old, Old, New, New, false, true},
        {"path file replaced", New, Old, None, New, true, true},
        {"both replaced", New, New, None, None, true, true},
        {"a folder where the name temporary goes", Old, Old, None, Folder, false, true},
        {"name file cannot be replaced", New, Folder, None, New, true, false},
        {"no list yet, path temporary written", None, None, New, None, false, true},
    };
    TempDir dir;
    const manager::ListFiles files{dir.File("paths.lst"), dir.File("names.lst")};
    const auto put = [&](const std::string& path, Content content, const Texts& oldTexts, const Texts& newTexts) {
        std::filesystem::remove_all(path);
        if (content == Folder)
            std::filesystem::create_directories(path + "/x");
        else if (content != None)
            WriteBytes(path, content == Part ? part : manager::EncodeList(content == Old ? oldTexts : newTexts, 30));
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        put(files.paths, c.paths, oldList.paths, newList.paths);
        put(files.names, c.names, oldList.names, newList.names);
        put(files.paths + ".new", c.pathsTemp, oldList.paths, newList.paths);
        put(files.names + ".new", c.namesTemp, oldList.names, newList.names);
        const manager::ListTexts& expected = c.isNew ? newList : c.paths == None ? manager::ListTexts{} : oldList;
        for (int pass = 0; pass < 2; ++pass) {
            SCOPED_TRACE(pass == 0 ? "before settling" : "settled");
            const manager::ListTexts loaded = manager::LoadLists(files);
            EXPECT_EQ(loaded.paths, expected.paths);
            EXPECT_EQ(loaded.names, expected.names);
            if (pass == 0) {
                EXPECT_EQ(static_cast<bool>(manager::SettleLists(files)), c.settles);
            }
        }
        if (c.settles) {
            EXPECT_FALSE(std::filesystem::is_regular_file(files.paths + ".new"));
            EXPECT_FALSE(std::filesystem::is_regular_file(files.names + ".new"));
        }
    }
}

}  // namespace
