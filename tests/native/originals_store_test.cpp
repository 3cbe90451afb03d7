// The store of original files on its own: one file under several names, putting back byte
// for byte, and failures that leave things as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/paths.h"
#include "manager/messages.h"
#include "manager/originals/originals_store.h"
#include "manager/originals/unfinished_run.h"
#include "tests/support/full_disk.h"
#include "tests/support/game_store.h"
#include "tests/support/index_text.h"
#include "tests/support/text_checks.h"

namespace {

namespace fs = std::filesystem;
using manager::EntryKind;
using manager::OriginalsStore;
using testing_support::Exists;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

const manager::NameFold kFold = &base::FoldCase;

class OriginalsStoreTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(game.Path() / "maps");
        WriteBytes(File("maps/a.map"), "old a");
        WriteBytes(File("maps/b.map"), "old b");
    }
    std::string Game() const { return testing_support::ManagerName(game.Path()); }
    // The store's folder as this host's file functions name it.
    std::string HostFolder() const { return root.File("Originals") + "/" + manager::StoreKey(Game(), kFold); }
    std::string File(const std::string& name) const { return game.File(name); }
    OriginalsStore Open() const {
        OriginalsStore store(root.File("Originals"), Game());
        EXPECT_FALSE(store.Load());
        return store;
    }
    // A fresh store's first originals: "+name" kept, "-name" absent, "!name" lost.
    Strings FirstOriginals() const {
        Strings names;
        const OriginalsStore store = Open();
        for (const OriginalsStore::Original& original : store.FirstOriginals()) {
            const EntryKind kind = original.entry->before.kind;
            names.push_back((kind == EntryKind::Kept ? "+" : kind == EntryKind::Absent ? "-" : "!") +
                            original.entry->before.name);
        }
        return names;
    }

    // Keeps `names` for a new apply, runs `play` as its mod and settles the run.
    std::uint64_t Applied(OriginalsStore& store, const std::string& mod, const Strings& names,
                          const std::function<void()>& play) const {
        const auto number = store.Keep(mod, "", 1, names, nullptr).number;
        EXPECT_TRUE(number);
        const manager::FolderNotes before = manager::NoteFolder(Game());
        play();
        EXPECT_FALSE(store.Settle(number.value_or(0), before, manager::NoteFolder(Game())).index);
        return number.value_or(0);
    }

    testing_support::TempDir game;
    testing_support::TempDir root;
};

TEST_F(OriginalsStoreTest, KeepsEachFileOnceAnApplyUnderAnyOfItsNamesAndRestoresTheFirstOriginals) {
    OriginalsStore first = Open();
    ASSERT_TRUE(first.Keep("One", "", 1, {".\\maps\\a.map", "maps\\new.map", "maps/x/../a.map"}, nullptr).number);
    WriteBytes(File("maps/a.map"), "mod 1");
    WriteBytes(File("maps/new.map"), "created by mod 1");

    OriginalsStore second = Open();
    ASSERT_TRUE(second.Keep("Two", "", 2, {"maps\\a.map", Game() + "\\maps\\b.map", "maps\\new.map"}, nullptr).number);
    EXPECT_EQ(FirstOriginals(), (Strings{"+maps\\a.map", "-maps\\new.map", "+maps\\b.map"}));
    ASSERT_EQ(second.Records().applies.size(), 2u);
    EXPECT_EQ(second.Records().applies[1].entries.size(), 3u) << "each apply keeps the state just before it";
    WriteBytes(File("maps/a.map"), "mod 2");
    WriteBytes(File("maps/b.map"), "mod 2");

    OriginalsStore store = Open();
    const OriginalsStore::PutBackReport report = store.Restore(nullptr);
    EXPECT_EQ(report.putBack, 3u);
    EXPECT_TRUE(report.failed.empty());
    EXPECT_EQ(ReadBytes(File("maps/a.map")), "old a");
    EXPECT_EQ(ReadBytes(File("maps/b.map")), "old b");
    EXPECT_FALSE(Exists(File("maps/new.map")));
    EXPECT_TRUE(testing_support::KeepsNoCopy(HostFolder())) << "an empty store keeps no copy";
}

// Each named with why: a folder where a kept file goes back, or where a file a mod made was.
TEST_F(OriginalsStoreTest, AFileThatCannotBePutBackStaysKeptForALaterTry) {
    OriginalsStore store = Open();
    ASSERT_TRUE(store.Keep("Mod", "", 1, {"maps\\a.map", "maps\\b.map", "maps\\new.map"}, nullptr).number);
    WriteBytes(File("maps/a.map"), "mod");
    fs::remove(File("maps/b.map"));
    fs::create_directories(File("maps/b.map"));  // a folder where the file goes back
    fs::create_directories(File("maps/new.map"));
    WriteBytes(File("maps/new.map/mine.txt"), "the player's");

    const OriginalsStore::PutBackReport report = store.Restore(nullptr);
    using Failed = OriginalsStore::FailedFile;
    const auto inPlace = OriginalsStore::Refusal::FolderInPlace;
    EXPECT_EQ(report.putBack, 1u);
    EXPECT_EQ(report.failed, (std::vector<Failed>{{"maps\\new.map", inPlace}, {"maps\\b.map", inPlace}}));
    EXPECT_EQ(ReadBytes(File("maps/a.map")), "old a");
    EXPECT_EQ(FirstOriginals(), (Strings{"+maps\\b.map", "-maps\\new.map"}));
    fs::remove(File("maps/b.map"));
    fs::remove_all(File("maps/new.map"));
    EXPECT_EQ(Open().Restore(nullptr).putBack, 2u);
    EXPECT_EQ(ReadBytes(File("maps/b.map")), "old b");
}

// The step that notes what a run changed tells an apply that is gone from the store, so the
// player is never told "Done!" alone when its originals are not kept.
TEST_F(OriginalsStoreTest, SettlingAnApplyThatIsGoneSaysSo) {
    OriginalsStore store = Open();
    const auto number = store.Keep("Mod", "", 1, {"maps\\a.map"}, nullptr).number;
    ASSERT_TRUE(number);
    EXPECT_FALSE(store.Settle(*number + 1, {}, {}).recorded);
    EXPECT_TRUE(store.Settle(*number, {}, {}).recorded);
}

// Keeping is undone whole when a copy cannot be made or the player cancels: no copy and no
// apply stay behind, and the progress is told every byte it passed.
TEST_F(OriginalsStoreTest, AKeepThatStopsLeavesNothingBehind) {
    WriteBytes(File("maps/big.map"), std::string(3 << 20, 'x'));
    const struct {
        const char* name;
        std::uint64_t stopAt;
        bool blocked;  // a file stands where the apply's folder of copies goes
        bool cancelled;
        std::string failed;
    } cases[] = {
        {"cancelled", 1 << 20, false, true, "maps\\big.map"},
        {"no room for the copy", UINT64_MAX, true, false, "maps\\a.map"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OriginalsStore store = Open();
        const std::string folder = HostFolder();
        const std::string blocker = folder + "/1";
        if (c.blocked) {
            fs::create_directories(folder);
            WriteBytes(blocker, "in the way");
        }
        testing_support::RecordingProgress progress;
        progress.cancelAfter = c.stopAt;
        const OriginalsStore::KeepResult result =
            store.Keep("Mod", "", 1, {"maps\\a.map", "maps\\big.map"}, &progress);
        EXPECT_FALSE(result.number);
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->what == manager::StoreError::What::Cancelled, c.cancelled);
        EXPECT_EQ(result.error->file, c.failed);
        EXPECT_EQ(progress.starts, Strings{"Keeping a copy of the files the mod changes..."});
        EXPECT_EQ(progress.total, 5u + (3u << 20));
        EXPECT_EQ(progress.finished, 1);
        std::size_t left = 0;
        if (Exists(folder))
            for (const auto& entry : fs::recursive_directory_iterator(folder))
                left += entry.is_regular_file() && entry.path() != fs::path(blocker);
        EXPECT_EQ(left, 0u);
        EXPECT_TRUE(Open().Records().applies.empty());
        fs::remove_all(folder);
    }
}

// An Undo of the oldest apply that puts back nothing, the player keeping every changed file,
// forgets the apply: the next Undo finds nothing to undo instead of offering it forever. One
// that put back something keeps what the player kept for Restore.
TEST_F(OriginalsStoreTest, AnUndoThatPutsBackNothingForgetsTheApply) {
    const struct {
        const char* name;
        Strings names;
        std::size_t putBack, appliesLeft;
    } cases[] = {
        {"every file kept as changed", {"maps\\a.map"}, 0, 0},
        {"one of two put back", {"maps\\a.map", "maps\\b.map"}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OriginalsStore store = Open();
        ASSERT_TRUE(store.Keep("Mod", "", 1, c.names, nullptr).number);
        for (std::string name : c.names)
            WriteBytes(File(name.replace(4, 1, "/")), "mod");
        const OriginalsStore::PutBackReport report = store.UndoNewest({kFold("maps\\a.map")}, nullptr);
        EXPECT_EQ(report.putBack, c.putBack);
        EXPECT_EQ(Open().Records().applies.size(), c.appliesLeft);
        EXPECT_EQ(ReadBytes(File("maps/a.map")), "mod");
        Open().Restore(nullptr);
        WriteBytes(File("maps/a.map"), "old a");
        WriteBytes(File("maps/b.map"), "old b");
    }
}

// A read-only original comes back read-only, from the index as written, by Restore and by
// Undo alike; a writable one stays writable.
TEST_F(OriginalsStoreTest, AReadOnlyOriginalComesBackReadOnly) {
    for (const bool undo : {false, true}) {
        SCOPED_TRACE(undo ? "Undo" : "Restore");
        ASSERT_TRUE(base::SetAttributes(Game() + "\\maps\\a.map", {true, false, false, false}));
        ASSERT_TRUE(Open().Keep("Mod", "", 1, {"maps\\a.map", "maps\\b.map"}, nullptr).number);
        ASSERT_TRUE(base::SetAttributes(Game() + "\\maps\\a.map", {}));
        WriteBytes(File("maps/a.map"), "mod");
        ASSERT_TRUE(base::SetAttributes(Game() + "\\maps\\b.map", {true, false, false, false}));
        OriginalsStore store = Open();
        const OriginalsStore::PutBackReport report = undo ? store.UndoNewest({}, nullptr) : store.Restore(nullptr);
        EXPECT_EQ(report.putBack, 2u);
        EXPECT_EQ(ReadBytes(File("maps/a.map")), "old a");
        EXPECT_TRUE(base::AttributesOf(Game() + "\\maps\\a.map").value().readOnly);
        EXPECT_FALSE(base::AttributesOf(Game() + "\\maps\\b.map").value().readOnly);
        EXPECT_TRUE(testing_support::KeepsNoCopy(HostFolder()));
        ASSERT_TRUE(base::SetAttributes(Game() + "\\maps\\a.map", {}));
    }
}

// A store whose index an earlier Grenwick wrote in version 3 is read, and written again in
// today's version at its next change.
TEST_F(OriginalsStoreTest, AStoreOfTheVersionBeforeIsReadAndWrittenAnew) {
    fs::create_directories(HostFolder() + "/1/maps");
    WriteBytes(HostFolder() + "/1/maps/a.map", "old a");
    WriteBytes(HostFolder() + "/index.txt",
               testing_support::Sealed("x\r\nversion\t3\r\ngame\t" + Game() + "\r\napply\t1\t0\r\nmod\tm\r\nbatch\t\r\n"
                                       "kept\t5\t" + base::ToHex(base::Sha256Of("old a")) + "\tmaps\\a.map\r\n"));
    WriteBytes(File("maps/a.map"), "mod");
    OriginalsStore store = Open();
    ASSERT_EQ(store.Records().applies.size(), 1u);
    ASSERT_TRUE(store.Keep("Two", "", 2, {"maps\\b.map"}, nullptr).number);
    EXPECT_NE(ReadBytes(HostFolder() + "/index.txt").find("\r\nversion\t5\r\n"), std::string::npos);
    EXPECT_EQ(Open().Restore(nullptr).putBack, 2u);
    EXPECT_EQ(ReadBytes(File("maps/a.map")), "old a");
}

// Another window compares the generation it read before a question with the one under the
// lock: every write of the index changes it, and a reading of the same index gives the same.
// Seen: a window's stale answer acted on another apply given the same number; whatever goes,
// the next apply's number is above every number given before.
TEST_F(OriginalsStoreTest, EveryWriteGivesANewGenerationAndNoNumberIsGivenTwice) {
    using Again = std::vector<manager::AgainEntry>;
    std::uint64_t number = 0;
    const auto keep = [&](std::uint64_t expected) {
        return [&, expected](OriginalsStore& s) {
            number = s.Keep("One", "", 1, {"maps\\a.map"}, nullptr).number.value_or(0);
            EXPECT_EQ(number, expected);
        };
    };
    const struct {
        const char* label;
        std::function<void(OriginalsStore&)> step;
        Again again;  // as read back after the step
    } steps[] = {
        {"kept", keep(1), {}},
        {"settled", [&](OriginalsStore& s) { s.Settle(number, {}, manager::NoteFolder(Game())); }, {}},
        {"mods to apply again", [](OriginalsStore& s) { EXPECT_FALSE(s.SetAgain({{"Two", "C:\\two.bat"}, {"Three", ""}})); },
         {{"Two", "C:\\two.bat"}, {"Three", ""}}},
        {"one applied again", [](OriginalsStore& s) { EXPECT_FALSE(s.SetAgain({{"Three", ""}})); }, {{"Three", ""}}},
        {"none left", [](OriginalsStore& s) { EXPECT_FALSE(s.SetAgain({})); }, {}},
        {"undone", [](OriginalsStore& s) { s.UndoNewest({}, nullptr); }, {}},
        {"kept after an undo", keep(2), {}},
        {"restored", [](OriginalsStore& s) { s.Restore(nullptr); }, {}},
        {"kept after a restore", keep(3), {}},
    };
    OriginalsStore store = Open();
    std::string previous = store.Generation();
    for (const auto& step : steps) {
        SCOPED_TRACE(step.label);
        step.step(store);
        const OriginalsStore read = Open();
        EXPECT_EQ(read.Generation(), store.Generation()) << "a reading of the index as written";
        EXPECT_NE(store.Generation(), previous);
        EXPECT_EQ(read.Records().again, step.again);
        previous = store.Generation();
    }
}

// Seen: when the newest apply changed no file, a planted run note naming it (no file lines,
// a valid check line) was settled at the next start, and Restore deleted the player's files.
// A note is settled only beside the index it was written for, while its apply still runs.
TEST_F(OriginalsStoreTest, ARunNoteCountsOnlyBesideTheIndexItWasWrittenFor) {
    WriteBytes(File("save.dat"), "saved");
    const std::string note = HostFolder() + "/run.txt";
    const struct {
        const char* label;
        bool settledFirst;  // the run ended and was settled before the note was written again
        std::function<void(manager::RunNote&)> tamper;
        bool settles;
    } cases[] = {
        {"as the kill left it", false, [](manager::RunNote&) {}, true},
        {"for an apply already settled", true, [](manager::RunNote&) {}, false},
        {"of another index", false, [](manager::RunNote& n) { n.generation = std::string(64, '0'); }, false},
        {"of another apply", false, [](manager::RunNote& n) { ++n.number; }, false},
        {"of another game folder", false, [](manager::RunNote& n) { n.gameFolder += "2"; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        OriginalsStore store = Open();
        const std::uint64_t number = store.Keep("Mod", "", 1, {}, nullptr).number.value_or(0);
        if (c.settledFirst)
            store.Settle(number, manager::NoteFolder(Game()), manager::NoteFolder(Game()));
        // Planted on a settled apply: nothing noted before the run, so every file would count
        // as the mod's.
        manager::RunNote planted{Game(), number, store.Generation(), {}};
        if (!c.settledFirst)
            planted.before = manager::NoteFolder(Game());
        c.tamper(planted);
        WriteBytes(note, manager::EncodeRunNote(planted));
        OriginalsStore look(root.File("Originals"), Game());
        EXPECT_FALSE(look.Read());
        EXPECT_TRUE(Exists(note) && !look.Unended() && look.Generation() == store.Generation()) << "a look writes nothing";
        EXPECT_EQ(Open().Unended().has_value(), c.settles);
        EXPECT_FALSE(Exists(note));
        Open().Restore(nullptr);
        EXPECT_EQ(ReadBytes(File("save.dat")), "saved") << "the player's file stays";
        if (c.settles)
            WriteBytes(File("save.dat"), "saved");
    }
}

// Seen: with every file of the game folder kept first, Restore put back a save no mod had
// touched. A foreseen file the run left as it was is forgotten at the settle and named:
// same size and time are not enough, its bytes and attributes must be the copy's too.
TEST_F(OriginalsStoreTest, RestorePutsBackOnlyWhatTheRunChanged) {
    const std::string b = File("maps/b.map");
    const struct {
        const char* label;
        std::function<void()> changeB;  // none: untouched
    } cases[] = {
        {"untouched", nullptr},
        {"other bytes, same size and time",
         [&] {
             const auto time = fs::last_write_time(b);
             WriteBytes(b, "OLD B");
             fs::last_write_time(b, time);
         }},
        {"made read-only", [&] { ASSERT_TRUE(base::SetAttributes(Game() + "\\maps\\b.map", {true, false, false, false})); }},
        {"deleted", [&] { fs::remove(b); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        WriteBytes(File("save.dat"), "saved");
        OriginalsStore store = Open();
        const auto number = store.Keep("Mod", "", 1, {"maps\\a.map", "maps\\b.map", "save.dat", "maps\\new.map"}, nullptr);
        const manager::FolderNotes before = manager::NoteFolder(Game());
        WriteBytes(File("maps/a.map"), "mod");
        Strings unchanged{"save.dat", "maps\\new.map"}, putBack{"maps\\a.map"};
        if (c.changeB) {
            c.changeB();
            putBack.push_back("maps\\b.map");
        } else {
            unchanged.insert(unchanged.begin(), "maps\\b.map");
        }
        EXPECT_EQ(store.Settle(number.number.value_or(0), before, manager::NoteFolder(Game())).unchanged, unchanged);
        WriteBytes(File("save.dat"), "played");
        (void)base::SetAttributes(Game() + "\\maps\\b.map", {});
        const OriginalsStore::PutBackReport report = Open().Restore(nullptr);
        EXPECT_EQ(report.putBackNames, putBack);
        EXPECT_EQ(report.putBack, putBack.size());
        EXPECT_EQ(ReadBytes(File("save.dat")), "played") << "no mod changed it";
        EXPECT_EQ(ReadBytes(b), "old b");
        EXPECT_TRUE(testing_support::KeepsNoCopy(HostFolder()));
    }
}

// Seen: two mods changed a.map, the player edited it and took both out leaving it as it was;
// the oldest apply's original was dropped and Restore gave back the player's edit. A first
// original the player leaves stays for Restore, and no later Undo puts it back.
TEST_F(OriginalsStoreTest, AFileLeftAsItIsKeepsItsFirstOriginalForRestore) {
    const struct {
        const char* label;
        std::string olderFile;         // the older apply's file; the newer changes maps\a.map
        const char* olderPath;         // the same, as the host names it
        std::set<std::string> second;  // left when the older is taken out
    } cases[] = {
        {"both changed it, left both times", "maps\\a.map", "maps/a.map", {kFold("maps\\a.map")}},
        {"only the newer changed it", "maps\\b.map", "maps/b.map", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        OriginalsStore store = Open();
        Applied(store, "Amber", {c.olderFile}, [&] { WriteBytes(File(c.olderPath), "amber"); });
        Applied(store, "Birch", {"maps\\a.map"}, [&] { WriteBytes(File("maps/a.map"), "birch"); });
        WriteBytes(File("maps/a.map"), "edit");
        EXPECT_EQ(store.TakeOut(1, {kFold("maps\\a.map")}, nullptr).putBack, 0u);
        store.TakeOut(0, c.second, nullptr);
        EXPECT_EQ(ReadBytes(File("maps/a.map")), "edit");
        EXPECT_TRUE(Open().Records().applies.empty());
        EXPECT_EQ(Open().Restore(nullptr).putBackNames, Strings{"maps\\a.map"});
        EXPECT_EQ(ReadBytes(File("maps/a.map")), "old a") << "the true original";
        WriteBytes(File("maps/b.map"), "old b");
    }
}

#ifdef GRENWICK_HAS_FULL_DISK
// A copy that does not fit on the disk says so, to be worded "The disk is full.".
TEST_F(OriginalsStoreTest, AKeepOnAFullDiskSaysTheDiskIsFull) {
    WriteBytes(File("maps/big.map"), std::string(3 << 20, 'x'));
    OriginalsStore store = Open();
    manager::OriginalsStore::KeepResult result;
    {
        testing_support::ScopedFullDisk full(1 << 20);
        ASSERT_TRUE(full.Active());
        result = store.Keep("Mod", "", 1, {"maps\\big.map"}, nullptr);
    }
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->file, "maps\\big.map");
    EXPECT_NE(manager::text::StoreMessage(*result.error, ".").find("The disk is full."), std::string::npos);
}
#endif

}  // namespace
