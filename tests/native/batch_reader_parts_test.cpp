// The batch reader's parts on their own: path arithmetic, variable edits, set /a, and the
// bounds that keep a hostile batch file from hanging the reader.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/paths.h"
#include "batchfile/reader/batch_arithmetic.h"
#include "batchfile/reader/batch_effects.h"
#include "batchfile/reader/batch_syntax.h"
#include "tests/support/fake_disk.h"
#include "tests/support/text_checks.h"

namespace {

TEST(BatchPaths, NormalisesNamesAsWindowsDoes) {
    const struct {
        std::string in, out, parent, leaf;
    } cases[] = {
        {"C:\\Game\\maps\\a.map", "C:\\Game\\maps\\a.map", "C:\\Game\\maps", "a.map"},
        {"C:\\Game\\maps\\a.map. ", "C:\\Game\\maps\\a.map", "C:\\Game\\maps", "a.map"},
        {"C:/Game//maps/./sub/../b.map", "C:\\Game\\maps\\b.map", "C:\\Game\\maps", "b.map"},
        {"C:\\Game\\..\\..\\x", "C:\\x", "C:\\", "x"},
        {"C:\\", "C:\\", "C:\\", ""},
        {"c:\\Game\\", "c:\\Game", "c:\\", "Game"},
        {"\\\\server\\share\\mods\\..\\a.txt", "\\\\server\\share\\a.txt", "\\\\server\\share\\", "a.txt"},
        {"C:\\Game\\odd name .\\x", "C:\\Game\\odd name\\x", "C:\\Game\\odd name", "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        const std::string full = base::NormaliseFull(c.in);
        EXPECT_EQ(full, c.out);
        EXPECT_EQ(base::ParentFolder(full), c.parent);
        EXPECT_EQ(base::FullLeaf(full), c.leaf);
    }
}

// Only a name a run could change goes into `changed`.
TEST(BatchPaths, PlainFullNamesOnly) {
    const struct {
        std::string name;
        bool plain;
    } cases[] = {
        {"C:\\Game\\maps\\a.map", true},   {"\\\\srv\\share\\a.txt", true}, {"C:\\", false},
        {"C:\\Game\\maps\\", false},      {"C:\\tools\\tmp\\*.*", false},   {"C:\\a?\\b", false},
        {"C:\\C:Program Files\\x", false}, {"\\\\\\folder\\file", false},    {"\\\\srv\\share", false},
        {"C:\\Game\\\\a.map", false},      {"Game\\a.map", false},               {"C:\\Game\\a|b", false},
        {std::string("C:\\Game\\") + batchfile::syntax::kUnknown, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<base::SplitName> split = base::SplitFullPath(c.name);
        EXPECT_EQ(split && !split->parts.empty(), c.plain);
    }
}

TEST(BatchSyntax, EditsVariableValues) {
    const struct {
        std::string value, edit, out;
    } cases[] = {
        {"abcdef", "~2", "cdef"},      {"abcdef", "~2,3", "cde"},   {"abcdef", "~-2", "ef"},
        {"abcdef", "~0,-1", "abcde"}, {"abcdef", "~1,100", "bcdef"}, {"abcdef", "~-100,2", "ab"},
        {"abcdef", "~4,-3", ""},       {"abcdef", "~x", "abcdef"},   {"Maps\\A.map", "a.map=b.map", "Maps\\b.map"},
        {"a-a-a", "-=", "aaa"},        {"C:\\Game\\maps", "*game=D:\\Other", "D:\\Other\\maps"},
        {std::string(1, batchfile::syntax::kUnknown) + "x", "~1", std::string(1, batchfile::syntax::kUnknown)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value + " : " + c.edit);
        EXPECT_EQ(batchfile::syntax::EditValue(c.value, c.edit), c.out);
    }
}

TEST(BatchSyntax, SplitsForFLinesIntoTokens) {
    using Values = std::optional<Strings>;
    const struct {
        std::string options, line;
        Values values;
    } cases[] = {
        {"", "a b c", Strings{"a"}},
        {"tokens=2", "a b c", Strings{"b"}},
        {"tokens=1-2*", "a  b c d", Strings{"a", "b", "c d"}},
        {"tokens=*", "  x y", Strings{"x y"}},
        {"delims=", "a b", Strings{"a b"}},
        {"delims=, tokens=2", "a,b,c", Strings{"b"}},
        {"tokens=1,2 delims=, ", "a, b", Strings{"a", "b"}},
        {"eol=#", "#x", Strings{}},
        {"skip=1", "x", Strings{}},
        {"tokens=3", "a b", Strings{}},
        {"tokens=0", "x", std::nullopt},
        {"bogus", "x", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options + " : " + c.line);
        EXPECT_EQ(batchfile::syntax::ForTokens(c.options, c.line), c.values);
    }
}

// A file's lines under for /f options: "skip=" counts lines of the file, empty lines and
// those starting with the eol character give no run.
TEST(BatchSyntax, SplitsAFilesLinesForAForFLoop) {
    using Runs = std::vector<std::vector<std::string>>;
    const struct {
        std::string options;
        Strings lines;
        std::optional<Runs> runs;
    } cases[] = {
        {"", {"a.map b.map", "", "; note", "c.map"}, Runs{{"a.map"}, {"c.map"}}},
        {"skip=2 delims=", {"header", "a.map", "b map.map", "#x"}, Runs{{"b map.map"}, {"#x"}}},
        {"eol=# tokens=1,2 delims=;", {"#x;y", "a;b", "c"}, Runs{{"a", "b"}, {"c", ""}}},
        {"skip=5", {"a", "b"}, Runs{}},
        {"tokens=0", {"a"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        EXPECT_EQ(batchfile::syntax::ForFileTokens(c.options, c.lines), c.runs);
    }
}

TEST(BatchArithmetic, WorksOutSetA) {
    using Result = std::vector<std::pair<std::string, std::optional<std::int32_t>>>;
    const auto lookup = [](const std::string& name) -> std::string {
        if (name == "ten" || name == "TEN")
            return "10";
        return name == "typed" ? std::string(1, batchfile::syntax::kUnknown) : std::string();
    };
    const struct {
        std::string text;
        Result result;
    } cases[] = {
        {"n=2*(3+4)-1", {{"n", 13}}},
        {"\"n=7 / 2\"", {{"n", 3}}},
        {"ten+=5", {{"ten", 15}}},
        {"a=1, b=a+2, a*=b", {{"a", 1}, {"b", 3}, {"a", 3}}},
        {"n=0x10+010+-3", {{"n", 21}}},
        {"n=2147483647+1", {{"n", -2147483647 - 1}}},
        {"n=7/0", {{"n", std::nullopt}}},
        {"n=typed+1", {{"n", std::nullopt}}},
        {"n=(1", {{"n", std::nullopt}}},
        {"n=missing*3", {{"n", 0}}},
        {"5+5", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(batchfile::Arithmetic(c.text, lookup), c.result);
    }
}

// Hostile shapes end quickly and name the line where a bound was hit.
TEST(BatchEffects, BoundsMakeHostileLinesUnfollowed) {
    Strings doubling = {"set A=xxxxxxxxxx"};
    for (int i = 0; i < 14; ++i)
        doubling.push_back("set A=%A%%A%");
    doubling.push_back("del %A%");
    const struct {
        std::string name;
        Strings lines;
        std::vector<int> unfollowed;
    } cases[] = {
        {"huge for /l", {"for /l %%i in (1,1,100000000) do echo x > a%%i.txt"}, {1}},
        {"nested loops", {"for /l %%i in (1,1,5000) do for /l %%j in (1,1,5000) do echo x"}, {1}},
        {"for /l past 32 bits", {"for /l %%i in (-99999999999999999999,1,99999999999999999999) do echo x"}, {1}},
        {"endless for /l", {"for /l %%i in (1,0,2) do del maps\\a.map"}, {1}},
        {"deep parentheses", {std::string(500, '(') + "del maps\\a.map" + std::string(500, ')')}, {1}},
        {"unclosed block", {"(", "del maps\\a.map"}, {1}},
        {"doubling value", doubling, {14, 15}},
        {"goto loop", {":again", "echo x", "goto again"}, {}},
        {"calling itself", {"call :again", ":again", "call :again", "exit /b"}, {3}},
    };
    const testing_support::FakeDisk disk = {"C:\\Game\\maps\\a.map"};
    batchfile::ReaderContext context;
    context.batchPath = "C:\\Mods\\m\\install.bat";
    context.startFolder = "C:\\Game";
    context.disk = &disk;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const batchfile::BatchEffects effects = batchfile::EffectsOf(c.lines, context);
        std::vector<int> numbers;
        for (const batchfile::UnfollowedLine& line : effects.unfollowed)
            numbers.push_back(line.number);
        EXPECT_EQ(numbers, c.unfollowed);
        EXPECT_TRUE(effects.changed.size() <= 1);
    }
}

}  // namespace
