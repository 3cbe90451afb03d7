// Header reading of mod batch files: line ends, the longest line, missing lines, markers.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "batchfile/header_reader.h"
#include "tests/support/temp_dir.h"

namespace {

using batchfile::ReadModHeader;
using testing_support::TempDir;
using testing_support::WriteBytes;

TEST(HeaderReader, ReadsTheFirstTwoLinesByTheLineRules) {
    const std::string x499(499, 'x');
    const std::string x500(500, 'x');
    struct Case {
        const char* label;
        std::string bytes;
        std::string line1;
        std::string line2;
    } cases[] = {
        {"CR LF", "one\r\ntwo\r\nthree\r\n", "one", "two"},
        {"LF only", "one\ntwo\n", "one", "two"},
        {"no line end at the end", "one\r\ntwo", "one", "two"},
        {"CR not before LF stays", "a\rb\r\r\nc\r", "a\rb\r", "c\r"},
        {"empty lines", "\r\n\r\nthree", "", ""},
        {"file ends before line 2", "only\r\n", "only", ""},
        {"empty file", "", "", ""},
        {"499 characters, CR LF", x499 + "\r\nnext\r\n", x499, "next"},
        {"499 characters, LF", x499 + "\nnext", x499, "next"},
        {"498 characters and a CR before CR LF", std::string(498, 'x') + "\r\r\nnext",
         std::string(498, 'x') + "\r", "next"},
        {"500 characters, CR LF", x500 + "\r\nnext\r\n", x499, "next"},
        {"500 characters, LF", x500 + "\nnext", x499, "next"},
        {"499 characters, CR, more text", x499 + "\ryyy\r\nnext", x499, "next"},
        {"2000 characters, rest skipped", std::string(2000, 'x') + "\r\n:: <p.bat\r\n", x499, ":: <p.bat"},
        {"long second line", "one\n" + std::string(700, 'y') + "\r\n", "one", std::string(499, 'y')},
    };
    TempDir dir;
    const std::string path = dir.File("mod.bat");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        WriteBytes(path, c.bytes);
        const batchfile::ModHeader two = ReadModHeader(path, 2);
        EXPECT_EQ(two.kind, base::PathKind::File);
        EXPECT_EQ(two.line1, c.line1);
        EXPECT_EQ(two.line2, c.line2);
        const batchfile::ModHeader one = ReadModHeader(path, 1);
        EXPECT_EQ(one.line1, c.line1);
        EXPECT_EQ(one.line2, "");
    }
}

TEST(HeaderReader, MissingFileReadsAsTwoEmptyLines) {
    TempDir dir;
    const batchfile::ModHeader header = ReadModHeader(dir.File("gone.bat"), 2);
    EXPECT_EQ(header.kind, base::PathKind::Missing);
    EXPECT_EQ(header.line1, "");
    EXPECT_EQ(header.line2, "");
}

// The whole-file reading the batch reader takes: every line, none cut, by the same line rules.
TEST(HeaderReader, AllLinesKeepsEveryLineWholeByTheSameRules) {
    const std::string x2000(2000, 'x');
    const struct {
        const char* label;
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"CR LF", "one\r\ntwo\r\nthree\r\n", {"one", "two", "three"}},
        {"no line end at the end", "one\ntwo", {"one", "two"}},
        {"CR not before LF stays", "a\rb\r\r\nc\r", {"a\rb\r", "c\r"}},
        {"empty lines", "\r\n\r\nthree", {"", "", "three"}},
        {"empty file", "", {}},
        {"a long line is not cut", x2000 + "\r\nnext", {x2000, "next"}},
    };
    TempDir dir;
    const std::string path = dir.File("mod.bat");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        WriteBytes(path, c.bytes);
        EXPECT_EQ(batchfile::ReadAllLines(path), std::optional<std::vector<std::string>>(c.lines));
    }
    EXPECT_FALSE(batchfile::ReadAllLines(dir.File("gone.bat")));
    EXPECT_FALSE(batchfile::ReadAllLines(dir.Path().string()));  // a folder is no batch file
}

TEST(HeaderMarkers, NameIsTheTextAfterTheFirstAmpersandElseThePath) {
    struct Case {
        std::string line1;
        std::string name;
    } cases[] = {
        {":: &Night Sky", "Night Sky"},
        {":: &Rock & Roll", "Rock & Roll"},
        {":: &", ""},
        {":: &  blanks stay  ", "  blanks stay  "},
        {"del maps\\R&B.map", "B.map"},     // a map-swap file without a name line
        {":: <a&b.bat", "b.bat"},           // a PPF line as line 1 is searched for "&" only
        {":: <nightsky.bat", "path.bat"},
        {"", "path.bat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line1);
        EXPECT_EQ(batchfile::ModNameOf(c.line1, "path.bat"), c.name);
    }
}

TEST(HeaderMarkers, PpfTextIsTheTextAfterTheFirstLessThan) {
    struct Case {
        std::string line2;
        std::optional<std::string> text;
    } cases[] = {
        {":: <nightsky.bat", "nightsky.bat"},
        {":: <", ""},
        {":: < a<b  ", " a<b  "},
        {"x<y", "y"},
        {"ApplyPPF3.exe a maps\\canyon.map nightsky.ppf", std::nullopt},
        {":: &Night & Day", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line2);
        EXPECT_EQ(batchfile::PpfTextOf(c.line2), c.text);
    }
}

}  // namespace
