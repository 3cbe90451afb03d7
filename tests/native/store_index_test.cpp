// The originals store's index: the lines as written, round trips, every kind of damage
// refused, the previous version's index taken over; and the store's folder outside the game folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/sha256.h"
#include "manager/originals/index_format.h"
#include "manager/originals/index_format_old.h"
#include "manager/originals/index_reader.h"
#include "manager/originals/store_place.h"
#include "tests/support/index_text.h"

namespace {

using manager::AfterState;
using manager::EntryKind;
using manager::IndexEntry;
using manager::IndexProblem;
using manager::StoreRecords;

constexpr char kGame[] = "C:\\Games\\Zorv";
const std::string kHash(64, 'a');

std::string FoldAscii(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return folded;
}

// Two applies: the oldest holds the files a previous version kept; the newer, still running,
// every kind of entry, attributes and after-state, a tab in its mod's name, a time before 1970
// and names whole in UTF-8. Before them the next number, a mod to apply again and a group of
// originals left by an apply taken out.
StoreRecords Sample() {
    StoreRecords records{kGame, {}};
    records.next = 9;
    records.again = {{"Sky\tTwo", "C:\\Games\\Zorv\\two.bat"}};
    records.left.push_back({5, {}, {}, 0, {{{EntryKind::Kept, "maps\\c.map", 3, kHash}, AfterState{true, 1, 2}}}});
    records.applies.push_back(
        {3, "kept before", "", 0, {{{EntryKind::Kept, "maps\\a.map", 1234, kHash}, std::nullopt}}});
    records.applies.push_back(
        {7, "Night\tSky \xe6\x97\xa5", "C:\\Games\\Zorv\\\xd0\x96.bat", -5,
         {{{EntryKind::Kept, "zorv.exe", 0, std::string(64, '0')}, AfterState{true, 9, 123}, {true, false, true, true}},
          {{EntryKind::Kept, "D:\\Other\\zorv.cfg", UINT64_MAX, std::string(64, 'f')}, AfterState{}, {false, true, false, false}},
          {{EntryKind::Absent, "maps\\new.map", 0, {}}, std::nullopt},
          {{EntryKind::Lost, "\\\\server\\share\\maps\\b.map", 0, {}}, AfterState{true, 0, INT64_MIN}}}});
    records.applies.back().running = true;
    return records;
}

std::optional<std::string> Encoded(const StoreRecords& records) { return manager::EncodeRecords(records, FoldAscii); }

using testing_support::Body;
using testing_support::Replaced;
using testing_support::Sealed;

TEST(StoreIndex, WritesTheLinesInOrderEachEndingInCrLf) {
    const std::string text = Encoded(Sample()).value_or("");
    const std::string lines = "\r\nversion\t5\r\ngame\tC:\\Games\\Zorv\r\nnext\t9\r\n"
                              "again\tSky\tTwo\r\nbatch\tC:\\Games\\Zorv\\two.bat\r\n"
                              "left\t5\r\nkept\t3\t" + kHash + "\t-\tmaps\\c.map\r\nafter\t1\t2\r\n"
                              "apply\t3\t0\r\nmod\tkept before\r\nbatch\t\r\nkept\t1234\t" + kHash + "\t-\tmaps\\a.map\r\n"
                              "apply\t7\t-5\r\nmod\tNight\tSky \xe6\x97\xa5\r\nbatch\tC:\\Games\\Zorv\\\xd0\x96.bat\r\nrunning\r\n"
                              "kept\t0\t" + std::string(64, '0') + "\tRSA\tzorv.exe\r\nafter\t9\t123\r\n"
                              "kept\t18446744073709551615\t" + std::string(64, 'f') + "\tH\tD:\\Other\\zorv.cfg\r\n"
                              "after\tgone\r\nabsent\tmaps\\new.map\r\n"
                              "lost\t\\\\server\\share\\maps\\b.map\r\nafter\t0\t-9223372036854775808\r\n";
    const std::size_t afterComment = text.find("\r\n");
    EXPECT_EQ(text.substr(afterComment), lines + "check\t" + base::ToHex(base::Sha256Of(Body(text))) + "\r\n");
    EXPECT_EQ(text.find('\n'), afterComment + 1) << "the comment is one line";
}

TEST(StoreIndex, ReadsBackWhatItWrote) {
    StoreRecords none = Sample();
    none.applies.clear();
    StoreRecords atRoot = Sample();
    atRoot.gameFolder = "C:\\";
    atRoot.applies[1].batchPath = "C:\\sky.bat";
    StoreRecords onShare = Sample();
    onShare.gameFolder = "\\\\server\\share";
    onShare.applies[1].entries.pop_back();
    for (const StoreRecords& records : {Sample(), none, atRoot, onShare}) {
        SCOPED_TRACE(records.gameFolder + ", " + std::to_string(records.applies.size()) + " applies");
        const auto text = Encoded(records);
        ASSERT_TRUE(text);
        const auto decoded = manager::DecodeRecords(*text, records.gameFolder, FoldAscii);
        ASSERT_EQ(decoded.problem, IndexProblem::None) << "line " << decoded.line;
        EXPECT_EQ(decoded.records->applies.size(), records.applies.size());
        EXPECT_EQ(Encoded(*decoded.records), text);
    }
}

TEST(StoreIndex, RefusesDamageAndNamesThatLeaveTheirPlace) {
    const std::string good = Encoded(Sample()).value_or("");
    const std::string body = Body(good);
    const std::string absentLine = "absent\tmaps\\new.map\r\n";
    // A line added to the newest apply.
    const auto withEntry = [&](const std::string& line) { return Sealed(body + line + "\r\n"); };
    struct Case {
        const char* what;
        std::string text;
        IndexProblem problem;
    };
    const std::vector<Case> cases = {
        {"empty", "", IndexProblem::NoCheck},
        {"a flipped byte", Replaced(good, "a.map", "a.maq"), IndexProblem::WrongCheck},
        {"a removed line", Replaced(good, absentLine, ""), IndexProblem::WrongCheck},
        {"no check line", body, IndexProblem::NoCheck},
        {"check line cut short", good.substr(0, good.size() - 2), IndexProblem::NoCheck},
        {"a line after the check", good + "absent\tx\r\n", IndexProblem::NoCheck},
        {"one byte before the check", "x" + good.substr(body.size()), IndexProblem::NoCheck},
        {"bare LF", Sealed(Replaced(body, absentLine, "absent\tmaps\\new.map\n")), IndexProblem::Malformed},
        {"CR inside a line", withEntry("absent\tmaps\\x\r.map"), IndexProblem::Malformed},
        {"empty line", withEntry(""), IndexProblem::Malformed},
        {"unknown kind", withEntry("gone\tmaps\\x.map"), IndexProblem::Malformed},
        {"extra field", withEntry("absent\tmaps\\x.map\tmore"), IndexProblem::Malformed},
        {"kept without hash", withEntry("kept\tmaps\\x.map"), IndexProblem::Malformed},
        {"leading zero", withEntry("kept\t01\t" + kHash + "\t-\tx.map"), IndexProblem::Malformed},
        {"size past 64 bits", withEntry("kept\t18446744073709551616\t" + kHash + "\t-\tx.map"), IndexProblem::Malformed},
        {"upper-case hash", withEntry("kept\t1\t" + std::string(64, 'A') + "\t-\tx.map"), IndexProblem::Malformed},
        {"kept without attributes", withEntry("kept\t1\t" + kHash + "\tx.map"), IndexProblem::Malformed},
        {"attributes out of order", withEntry("kept\t1\t" + kHash + "\tHR\tx.map"), IndexProblem::Malformed},
        {"an attribute twice", withEntry("kept\t1\t" + kHash + "\tRR\tx.map"), IndexProblem::Malformed},
        {"no attribute letter", withEntry("kept\t1\t" + kHash + "\tx\tx.map"), IndexProblem::Malformed},
        {"empty attributes", withEntry("kept\t1\t" + kHash + "\t\tx.map"), IndexProblem::Malformed},
        {"a tab in a name", withEntry("kept\t1\t" + kHash + "\t-\tx\t.map"), IndexProblem::Malformed},
        {"a second after line", withEntry("after\tgone"), IndexProblem::Malformed},
        {"an after line with no entry", Sealed(Replaced(body, ".bat\r\n", ".bat\r\nafter\tgone\r\n")),
         IndexProblem::Malformed},
        {"an apply without its mod", Sealed(Replaced(body, "mod\tkept before\r\n", "")), IndexProblem::Malformed},
        {"minus zero", Sealed(Replaced(body, "apply\t7\t-5", "apply\t7\t-0")), IndexProblem::Malformed},
        {"before the earliest time", Sealed(Replaced(body, "\t-9223372036854775808", "\t-9223372036854775809")),
         IndexProblem::Malformed},
        {"two applies of one number", Sealed(Replaced(body, "apply\t7", "apply\t3")), IndexProblem::Malformed},
        {"an entry before any group or apply", Sealed(Replaced(body, "left\t5", "lost\tx.map\r\nleft\t5")),
         IndexProblem::Malformed},
        {"no next line", Sealed(Replaced(body, "next\t9\r\n", "")), IndexProblem::Malformed},
        {"next zero", Sealed(Replaced(body, "next\t9", "next\t0")), IndexProblem::Malformed},
        {"next not above an apply", Sealed(Replaced(body, "next\t9", "next\t7")), IndexProblem::Malformed},
        {"next not above a group", Sealed(Replaced(Replaced(body, "next\t9", "next\t8"), "left\t5", "left\t8")),
         IndexProblem::Malformed},
        {"again without its batch", Sealed(Replaced(body, "batch\tC:\\Games\\Zorv\\two.bat\r\n", "")),
         IndexProblem::Malformed},
        {"again after a group", Sealed(Replaced(body, "apply\t3", "again\tx\r\nbatch\t\r\napply\t3")),
         IndexProblem::Malformed},
        {"a group after an apply", withEntry("left\t6"), IndexProblem::Malformed},
        {"a group of an apply's number", Sealed(Replaced(body, "left\t5", "left\t7")), IndexProblem::Malformed},
        {"running in a group", Sealed(Replaced(body, "left\t5\r\n", "left\t5\r\nrunning\r\n")),
         IndexProblem::Malformed},
        {"running twice", Sealed(Replaced(body, "running\r\n", "running\r\nrunning\r\n")), IndexProblem::Malformed},
        {"running after an entry", withEntry("running"), IndexProblem::Malformed},
        {"a name in two groups", Sealed(Replaced(body, "apply\t3", "left\t6\r\nabsent\tMAPS\\C.MAP\r\napply\t3")),
         IndexProblem::DuplicateName},
        {"other version", Sealed(Replaced(body, "version\t5", "version\t2")), IndexProblem::UnknownFormat},
        {"the version before", Sealed(Replaced(body, "version\t5", "version\t4")), IndexProblem::UnknownFormat},
        {"other game folder", Sealed(Replaced(body, "Games\\Zorv", "Games\\Orv")), IndexProblem::OtherGameFolder},
        {"duplicate", withEntry("lost\tMAPS\\NEW.MAP"), IndexProblem::DuplicateName},
        {"up and out", withEntry("absent\t..\\victim1.txt"), IndexProblem::BadName},
        {"up from a full path", withEntry("kept\t3\t" + kHash + "\t-\tC:\\Games\\Zorv\\..\\victim2.txt"),
         IndexProblem::BadName},
        {"full path inside", withEntry("kept\t3\t" + kHash + "\t-\tc:\\games\\zorv\\victim2.txt"), IndexProblem::BadName},
        {"drive relative", withEntry("kept\t3\t" + kHash + "\t-\tC:victim2.txt"), IndexProblem::BadName},
        {"drive in a part", withEntry("kept\t3\t" + kHash + "\t-\tmaps\\C:\\victim2.txt"), IndexProblem::BadName},
        {"rooted, no drive", withEntry("absent\t\\victim2.txt"), IndexProblem::BadName},
        {"slash", withEntry("absent\tmaps/../../victim.txt"), IndexProblem::BadName},
        {"this folder", withEntry("absent\t.\\victim.txt"), IndexProblem::BadName},
        {"empty part", withEntry("absent\tmaps\\\\victim.txt"), IndexProblem::BadName},
        {"trailing dot", withEntry("absent\tvictim.txt."), IndexProblem::BadName},
        {"device", withEntry("absent\tmaps\\nul.txt"), IndexProblem::BadName},
        {"device as a share", withEntry("absent\t\\\\.\\C:\\victim.txt"), IndexProblem::BadName},
        {"empty name", withEntry("absent\t"), IndexProblem::BadName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto decoded = manager::DecodeRecords(c.text, kGame, FoldAscii);
        EXPECT_EQ(decoded.problem, c.problem) << "line " << decoded.line;
        EXPECT_FALSE(decoded.records.has_value());
    }
}

TEST(StoreIndex, WritesNothingItCouldNotReadBack) {
    const auto with = [](IndexEntry entry) {
        StoreRecords records = Sample();
        records.applies[1].entries.push_back({entry, std::nullopt});
        return records;
    };
    StoreRecords relativeGame = Sample();
    relativeGame.gameFolder = "Games\\Zorv";
    StoreRecords brokenName = Sample();
    brokenName.applies[1].mod = "Night\r\nSky";
    StoreRecords sameNumber = Sample();
    sameNumber.applies[1].number = 3;
    StoreRecords groupOfAnApply = Sample();
    groupOfAnApply.left[0].number = 7;
    StoreRecords nameInTwoGroups = Sample();
    nameInTwoGroups.left.push_back({6, {}, {}, 0, {{{EntryKind::Absent, "MAPS\\C.MAP", 0, {}}, std::nullopt}}});
    StoreRecords brokenAgain = Sample();
    brokenAgain.again[0].batchPath = "C:\\two\n.bat";
    StoreRecords noNumberLeft = Sample();
    noNumberLeft.applies[1].number = UINT64_MAX;
    const struct {
        const char* what;
        StoreRecords records;
    } cases[] = {
        {"up and out", with({EntryKind::Absent, "..\\victim.txt", 0, {}})},
        {"a name twice", with({EntryKind::Absent, "MAPS\\NEW.map", 0, {}})},
        {"kept without hash", with({EntryKind::Kept, "maps\\b.map", 1, {}})},
        {"a tab in a name", with({EntryKind::Lost, "maps\\tab\tname.map", 0, {}})},
        {"a relative game folder", relativeGame},
        {"a line break in a mod's name", brokenName},
        {"two applies of one number", sameNumber},
        {"a group of an apply's number", groupOfAnApply},
        {"a name in two groups", nameInTwoGroups},
        {"a line break in a batch path to apply again", brokenAgain},
        {"no number left for the next apply", noNumberLeft},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(Encoded(c.records).has_value());
    }
}

constexpr char kOldHeader[] =
    "Original game files kept by Grenwick before mods changed them; its system menu entry "
    "\"Restore original files...\" puts them back. One file a line: kept (a copy is here) or absent (a mod "
    "created it).";

TEST(StoreIndex, TakesOverTheOldIndexWithTheSameNameChecks) {
    const std::string old =
        std::string(kOldHeader) + "\r\nkept\tmaps\\a.map\r\nabsent\tmaps\\new.map\r\nkept\tD:\\Other\\zorv.cfg\r\n";
    std::string bareLf = old;
    bareLf.erase(std::remove(bareLf.begin(), bareLf.end(), '\r'), bareLf.end());
    for (const std::string& text : {old, bareLf}) {
        SCOPED_TRACE(text.find('\r') == std::string::npos ? "LF" : "CR LF");
        const auto decoded = manager::DecodeOldIndex(text, kGame, FoldAscii);
        ASSERT_EQ(decoded.problem, IndexProblem::None) << "line " << decoded.line;
        std::string summary;
        for (const IndexEntry& e : decoded.index->entries)
            summary += std::to_string(static_cast<int>(e.kind)) + " " + e.name + "\n";
        EXPECT_EQ(summary, "0 maps\\a.map\n1 maps\\new.map\n0 D:\\Other\\zorv.cfg\n");
    }
    const std::vector<std::pair<std::string, IndexProblem>> refused = {
        {"kept\t..\\victim.txt", IndexProblem::BadName},
        {"absent\tC:\\Games\\Zorv\\maps\\a.map", IndexProblem::BadName},
        {"kept\tMAPS\\A.MAP", IndexProblem::DuplicateName},
        {"lost\tmaps\\b.map", IndexProblem::Malformed},
        {"kept\t1\t" + kHash + "\tmaps\\b.map", IndexProblem::Malformed}};
    for (const auto& [line, problem] : refused) {
        SCOPED_TRACE(line);
        EXPECT_EQ(manager::DecodeOldIndex(old + line + "\r\n", kGame, FoldAscii).problem, problem);
    }
    EXPECT_EQ(manager::DecodeOldIndex(Encoded(Sample()).value_or(""), kGame, FoldAscii).problem,
              IndexProblem::UnknownFormat);
}

TEST(StorePlace, OneStorePerFolderOutsideIt) {
    const auto key = [](const std::string& name, const std::string& folded) {
        return name + "-" + base::ToHex(base::Sha256Of(folded)).substr(0, 16);
    };
    const std::string zorv = "Zorv-e3773542e0e800e7";  // the SHA-256 of "c:\games\zorv" begins so
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\Games\\Zorv", zorv},
        {"c:\\games\\zorv\\", "zorv-e3773542e0e800e7"},
        {"D:\\Zorv", key("Zorv", "d:\\zorv")},
        {"C:\\Games\\Zorv Gold (v1.2)", key("Zorv_Gold__v1_2_", "c:\\games\\zorv gold (v1.2)")},
        {"C:\\con.d", key("con_d", "c:\\con.d")},
        {"C:\\", key("game", "c:\\")},
    };
    for (const auto& [gameFolder, expected] : cases) {
        SCOPED_TRACE(gameFolder);
        EXPECT_EQ(manager::StoreKey(gameFolder, FoldAscii), expected);
    }
    for (const char* appData : {"C:\\Users\\Ann\\AppData\\Local", "C:\\Users\\Ann\\AppData\\Local\\"}) {
        SCOPED_TRACE(appData);
        EXPECT_EQ(base::Join(manager::StoreRoot(appData), manager::StoreKey(kGame, FoldAscii)),
                  "C:\\Users\\Ann\\AppData\\Local\\Grenwick\\Originals\\" + zorv);
    }
}

}  // namespace

namespace {

// Each version's text goes to its own reader: the previous version's becomes one apply read
// where its copies lie; a version no reader knows is refused as such.
TEST(StoreIndex, ReadsEveryKnownVersionByItsOwnReader) {
    const std::string old = std::string(kOldHeader) + "\r\nkept\tmaps\\a.map\r\nabsent\tmaps\\new.map\r\n";
    const std::string live = Encoded(Sample()).value_or("");
    // Version 3: no attributes, its texts the ANSI code page's bytes (the same as UTF-8 here).
    const std::string ansi = Sealed("x\r\nversion\t3\r\ngame\tC:\\Games\\Zorv\r\napply\t1\t0\r\nmod\tm\r\nbatch\t\r\n"
                                    "kept\t1\t" + kHash + "\tmaps\\a.map\r\nlost\tb.map\r\n");
    const struct {
        const char* label;
        std::string text;
        IndexProblem problem;
        unsigned version;
        std::string applies;  // "next <number>;" then "<number> <mod> <entries> <read in place>" each
    } cases[] = {
        {"previous version", old, IndexProblem::None, 1, "next 1;0 kept before 2 1;"},
        {"previous version, bad name", old + "kept\t..\\victim.txt\r\n", IndexProblem::BadName, 1, ""},
        {"store's own", live, IndexProblem::None, 5, "next 9;3 kept before 1 0;7 Night\tSky \xe6\x97\xa5 4 0;"},
        {"store's own read again with one byte changed", Replaced(live, "Night", "Nighs"), IndexProblem::WrongCheck, 0,
         ""},
        {"version 3", ansi, IndexProblem::None, 3, "next 2;1 m 2 0;"},
        {"version 4, its next number above its highest", Sealed(Replaced(Replaced(Replaced(Body(ansi), "version\t3", "version\t4"),
                                                                                  "\tmaps", "\t-\tmaps"), "apply\t1", "apply\t41")),
         IndexProblem::None, 4, "next 42;41 m 2 0;"},
        {"version 4 with a next line", Sealed(Replaced(Replaced(Replaced(Body(ansi), "version\t3", "version\t4"), "\tmaps", "\t-\tmaps"),
                                                       "apply\t1", "next\t2\r\napply\t1")),
         IndexProblem::Malformed, 0, ""},
        {"version 3 with attributes", Sealed(Replaced(Body(ansi), "\tmaps", "\t-\tmaps")), IndexProblem::Malformed, 0, ""},
        {"unknown version", Sealed(Replaced(Body(live), "version\t5", "version\t6")), IndexProblem::UnknownFormat, 0,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const manager::DecodedRecords read = manager::ReadIndex(c.text, kGame, FoldAscii);
        EXPECT_EQ(read.problem, c.problem);
        EXPECT_EQ(read.version, c.version);
        std::string applies;
        if (read.records)
            applies = "next " + std::to_string(read.records->next) + ";";
        if (read.records)
            for (const manager::ApplyRecord& apply : read.records->applies)
                applies += std::to_string(apply.number) + " " + apply.mod + " " + std::to_string(apply.entries.size()) +
                           " " + (apply.readInPlace ? "1" : "0") + ";";
        EXPECT_EQ(applies, c.applies);
    }
    EXPECT_EQ(manager::ReadIndex(live, "C:\\Games\\Other", FoldAscii).problem, IndexProblem::OtherGameFolder)
        << "the same bytes read before for another game folder";
}

// The one check of whether a name lies in the game folder: by its parts, never by a prefix
// of its text, with "." and ".." resolved and a drive-relative name taken in the folder.
TEST(GameFolderNames, OneCheckPlacesEveryNameInsideOrOutside) {
    const struct {
        const char* name;
        bool inside;
        const char* placed;
    } cases[] = {
        {".\\maps\\a.map", true, "maps\\a.map"},
        {"C:\\Games\\Zorv\\maps\\a.map", true, "maps\\a.map"},
        {"c:/games/ZORV/a.map", true, "a.map"},
        {"maps\\..\\..\\Zorv\\a.map", true, "a.map"},
        {"C:a.map", true, "a.map"},
        {"C:\\Games\\Zorvish\\a.map", false, "C:\\Games\\Zorvish\\a.map"},
        {"..\\a.map", false, "C:\\Games\\a.map"},
        {"\\a.map", false, "C:\\a.map"},
        {"D:\\Games\\Zorv\\a.map", false, "D:\\Games\\Zorv\\a.map"},
        {"\\\\server\\share\\a.map", false, "\\\\server\\share\\a.map"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const base::FolderPlace place = base::PlaceInFolder(c.name, kGame);
        EXPECT_EQ(place.inside, c.inside);
        EXPECT_EQ(place.name, c.placed);
    }
}

}  // namespace
