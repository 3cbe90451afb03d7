// Which files a batch file changes: the writers' lines and the interpreter's splitting rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batchfile/batch_lines.h"
#include "batchfile/file_changes.h"

namespace {

using batchfile::FileChange;
using Changes = std::vector<FileChange>;
using Strings = std::vector<std::string>;

TEST(FileChanges, SplitsLinesAsTheInterpreterDoes) {
    const struct {
        std::string line;
        Changes changes;
    } cases[] = {
        {batchfile::DeleteLine("maps\\a.map"), {{"maps\\a.map", ""}}},
        {batchfile::CopyLine("\"my mods\\a.map\"", "maps\\a.map"), {{"maps\\a.map", "my mods\\a.map"}}},
        {batchfile::ApplyLine("maps\\c.map", "sky.ppf"), {{"maps\\c.map", ""}}},
        {batchfile::NameLine("del a.map"), {}},
        {"  @ERASE/f \"big canyon.map\",b.map", {{"big canyon.map", ""}, {"b.map", ""}}},
        {"Rem del a.map & del b.map", {}},
        {"remark.exe a.map", {}},
        {"copy /Y a.map+b.map c.map", {{"c.map", "a.map"}, {"c.map", "b.map"}}},
        {"copy mods\\a.map", {{".", "mods\\a.map"}}},
        {"move a.map maps", {{"maps", "a.map"}, {"a.map", ""}}},
        {"ren maps\\a.map a.old", {{"maps\\a.old", "maps\\a.map"}, {"maps\\a.map", ""}}},
        {"del a.map & echo x> \"c d.map\" 2>&1", {{"a.map", ""}, {"c d.map", ""}}},
        {"del a^&b.map", {{"a&b.map", ""}}},
        {"call \"tools\\applyppf3\" a \"x,y.map\" p.ppf", {{"x,y.map", ""}}},
        {"ApplyPPF3.exe u sky.bat", {}},
        {"(del a.map)", {{"a.map", ""}}},
        {"del \"unbalanced.map", {{"unbalanced.map", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(batchfile::ChangesOf({c.line}), c.changes);
    }
}

}  // namespace
