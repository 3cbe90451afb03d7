// Which files a batch file changes: the writers' own lines, the interpreter's splitting
// rules, and wildcards matched against a real folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "batchfile/file_changes.h"
#include "manager/originals_store.h"
#include "tests/support/temp_dir.h"
#include "writers/mapswap/mapswap_batch.h"
#include "writers/ppf/ppf_batch.h"

namespace {

using batchfile::ChangesOf;
using batchfile::FileChange;
using Changes = std::vector<FileChange>;
using Strings = std::vector<std::string>;

// Deletions first, then the copies, as the map-swap writer orders them.
TEST(FileChanges, TheWritersLinesChangeTheMapsTheyName) {
    const mapswap::MapSwapForm form{
        {{{"maps\\a.map", "\"my mods\\a.map\""}, {"maps\\b.map", ""}, {"", "x.map"}}}, "sky.bat", "Sky"};
    const Strings mapSwap = mapswap::MapSwapLines(form);
    EXPECT_EQ(ChangesOf(mapSwap), (Changes{{"maps\\a.map", ""}, {"maps\\b.map", ""}, {"maps\\a.map", "my mods\\a.map"}}));
    const Strings ppf = ppf::PpfLines({"sky.ppf", "Sky", "sky.bat", "maps\\c.map"});
    EXPECT_EQ(ChangesOf(ppf), (Changes{{"maps\\c.map", ""}}));
}

TEST(FileChanges, SplitsLinesAsTheInterpreterDoes) {
    struct Case {
        const char* line;
        Changes changes;
    };
    const Case cases[] = {
        {"DEL /Q \"maps\\big canyon.map\",maps\\b.map", {{"maps\\big canyon.map", ""}, {"maps\\b.map", ""}}},
        {"  @erase/f a.map", {{"a.map", ""}}},
        {":: del a.map", {}},
        {":label", {}},
        {"Rem del a.map & del b.map", {}},
        {"remark.exe a.map", {}},
        {"echo del a.map", {}},
        {"copy /Y a.map+b.map c.map", {{"c.map", "a.map"}, {"c.map", "b.map"}}},
        {"copy a.map + b.map", {{"a.map", "a.map"}, {"a.map", "b.map"}}},
        {"copy mods\\a.map", {{".", "mods\\a.map"}}},
        {"move a.map b.map maps", {{"maps", "a.map"}, {"a.map", ""}, {"maps", "b.map"}, {"b.map", ""}}},
        {"ren maps\\a.map a.old", {{"maps\\a.old", "maps\\a.map"}, {"maps\\a.map", ""}}},
        {"del a.map & copy b.map a.map>nul 2>&1", {{"a.map", ""}, {"a.map", "b.map"}, {"nul", ""}}},
        {"echo x > \"maps\\c d.map\"", {{"maps\\c d.map", ""}}},
        {"del a^&b.map", {{"a&b.map", ""}}},
        {"\"tools\\applyppf3.EXE\" a \"maps\\x,y.map\" p.ppf", {{"maps\\x,y.map", ""}}},
        {"call ApplyPPF3 u maps\\x.map p.ppf", {{"maps\\x.map", ""}}},
        {"ApplyPPF3.exe u sky.bat", {}},
        {"(del a.map)", {{"a.map", ""}}},
        {"del \"unbalanced quote.map", {{"unbalanced quote.map", ""}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ChangesOf({c.line}), c.changes);
    }
}

TEST(FileChanges, WildcardsMatchAndNameAsTheInterpreterDoes) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } matches[] = {
        {"*.map", "A.MAP", true}, {"*.map", "a.mapx", false}, {"c?nyon.*", "canyon.map", true},
        {"*.*", "README", true},  {"*.", "README", true},     {"*.", "a.map", false},
        {"a*b*c", "axxbyyc", true}, {"a*b*c", "axxbyy", false},
    };
    for (const auto& m : matches) {
        SCOPED_TRACE(std::string(m.pattern) + " " + m.name);
        EXPECT_EQ(batchfile::MatchesWildcard(m.pattern, m.name), m.matches);
    }
    EXPECT_EQ(batchfile::NameByPattern("*.bak", "a.map"), "a.bak");
    EXPECT_EQ(batchfile::NameByPattern("*", "a.map"), "a.map");
    EXPECT_EQ(batchfile::NameByPattern("b?.*", "ax.map"), "bx.map");
    EXPECT_EQ(batchfile::NameByPattern("*.*", "README"), "README");
}

// Expanded against the folder as it is when the mod is about to run.
TEST(FileChanges, TouchedNamesResolveWildcardsFoldersAndDevices) {
    testing_support::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "maps");
    std::filesystem::create_directories(dir.Path() / "mods");
    for (const char* file : {"maps/a.map", "maps/b.map", "maps/notes.txt", "mods/a.map", "mods/c.map"})
        testing_support::WriteBytes(dir.File(file), "x");
    struct Case {
        const char* line;
        Strings names;
    };
    const Case cases[] = {
        {"del maps\\*.map", {"maps\\a.map", "maps\\b.map"}},
        {"del maps", {"maps\\a.map", "maps\\b.map", "maps\\notes.txt"}},
        {"copy mods\\*.map maps", {"maps\\a.map", "maps\\c.map"}},
        {"copy mods\\c.map maps\\", {"maps\\c.map"}},
        {"copy mods\\c.map new.map", {"new.map"}},
        {"ren maps\\*.map *.bak", {"maps\\a.bak", "maps\\b.bak", "maps\\a.map", "maps\\b.map"}},
        {"copy mods\\a.map nul >CON", {}},
        {"del maps\\*.none", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Strings names = manager::TouchedNames(ChangesOf({c.line}), dir.Path().string());
        std::sort(names.begin(), names.end());
        Strings expected = c.names;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
    }
}

}  // namespace
