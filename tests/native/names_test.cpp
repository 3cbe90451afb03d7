// Pure name helpers: the Unicode forms a name crosses between, folding, and a program's own name.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/code_pages.h"
#include "base/paths.h"
#include "base/text.h"

namespace {

// UTF-8 bytes to UTF-16 and back: every plane, and the byte strings that are no UTF-8.
TEST(Names, Utf8AndUtf16RoundTripAndRefuseWhatIsNoUtf8) {
    struct Case {
        const char* what;
        std::string utf8;
        std::optional<std::u16string> utf16;
    };
    const Case cases[] = {
        {"ASCII", "maps\\a.map", u"maps\\a.map"},
        {"two bytes: Greek", "\xCE\xB1\xCE\xA9", u"\u03B1\u03A9"},
        {"three bytes: Japanese", "\xE6\x97\xA5\xE6\x9C\xAC.map", u"\u65E5\u672C.map"},
        {"four bytes: an emoji, a surrogate pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
        {"the last code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"empty", "", u""},
        {"a code page's byte alone (e with acute in Latin-1)", "caf\xE9", std::nullopt},
        {"a lead byte cut short at the end", "a\xE6\x97", std::nullopt},
        {"a continuation byte without its lead", "\x80", std::nullopt},
        {"an overlong slash", "\xC0\xAF", std::nullopt},
        {"an overlong three-byte form", "\xE0\x80\xAF", std::nullopt},
        {"a surrogate's code", "\xED\xA0\x80", std::nullopt},
        {"past U+10FFFF", "\xF4\x90\x80\x80", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(base::Utf16Of(c.utf8), c.utf16);
        if (c.utf16) {
            EXPECT_EQ(base::Utf8Of(*c.utf16), c.utf8);
        }
    }
    EXPECT_EQ(base::Utf8Of(u"a\xD800" "b"), "a\xEF\xBF\xBD" "b") << "an unpaired surrogate";
}

// A code page's bytes read into UTF-8, as a batch file's lines are: OEM pages of one and two
// bytes, UTF-8 itself, and what no page can read.
TEST(Names, CodePageTextIsReadIntoUtf8OrRefused) {
    struct Case {
        const char* what;
        unsigned codePage;
        std::string bytes;
        std::optional<std::string> utf8;
    };
    const Case cases[] = {
        {"Cyrillic in 866", 866, "\x8A\xA0\xE0\xE2\xA0.map", "\xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD0\xB0.map"},
        {"Japanese in 932, a trail byte that is a backslash", 932, "\x95\x5C\\a", "\xE8\xA1\xA8\\a"},
        {"a lead byte of 932 without its trail", 932, "a\x93", std::nullopt},
        {"box drawing in 437", 437, "\xC9", "\xE2\x95\x94"},
        {"UTF-8 taken as it is", 65001, "\xCE\xB1", "\xCE\xB1"},
        {"no UTF-8", 65001, "caf\xE9", std::nullopt},
        {"no such code page", 4242, "a", std::nullopt},
        {"empty", 866, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(base::Utf8OfCodePage(c.bytes, c.codePage), c.utf8);
    }
}

// What every host folds alike; letters beyond ASCII fold on Windows only (the Wine tests).
TEST(Names, FoldingTakesLetterCaseOnly) {
    struct Case {
        const char* a;
        const char* b;
        bool alike;
    };
    const Case cases[] = {
        {"MAPS\\Canyon.MAP", "maps\\canyon.map", true}, {"a.map", "b.map", false},
        {"maps\\a.map", "maps/a.map", false},             {"a.map", "a.map.", false},
        {"\xE6\x97\xA5.map", "\xE6\x97\xA5.MAP", true},  {"", "", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(base::FoldCase(c.a) == base::FoldCase(c.b), c.alike) << c.a << " / " << c.b;
}

// "?" stands for one character however many bytes it takes; a wildcard target fills in
// whole characters.
TEST(Names, WildcardsCountCharactersNotBytes) {
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC.map";  // two characters, six bytes
    struct Case {
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {{"??.map", true}, {"?.map", false}, {"??????.map", false}, {"*\xE6\x9C\xAC.MAP", true},
                          {"?*.map", true}, {"\xE6\x97\xA5?.*", true}};
    for (const Case& c : cases)
        EXPECT_EQ(base::MatchesWildcard(c.pattern, japanese), c.matches) << c.pattern;
    EXPECT_EQ(base::NameByPattern("?x.*", japanese), "\xE6\x97\xA5x.map");
    EXPECT_EQ(base::NameByPattern("a?*.bak", japanese), "a\xE6\x9C\xAC.bak");
}

TEST(Names, ProgramNameIsTheLastPartWithoutItsProgramExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Games\\Grenwick.exe", "Grenwick"}, {"C:\\x\\XCOPY.EXE", "XCOPY"}, {"robocopy", "robocopy"},
        {"sys/more.com", "more"},                {"C:find.Exe", "find"},        {"run.bat", "run.bat"},
        {".exe", ".exe"},                        {"a.exe.txt", "a.exe.txt"},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(base::ProgramName(path), name) << path;
}

}  // namespace
