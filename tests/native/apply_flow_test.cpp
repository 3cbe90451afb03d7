// Applying, restoring and undoing mods through the manager, with the mod played by a callback
// that changes the game folder as its batch file would, and the store outside the game folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/paths.h"
#include "base/sha256.h"
#include "manager/originals/index_format.h"
#include "manager/originals/store_place.h"
#include "manager/originals/unfinished_run.h"
#include "tests/support/game_store.h"
#include "tests/support/index_text.h"
#include "tests/support/text_checks.h"
#include "writers/mapswap/mapswap_batch.h"
#include "writers/ppf/ppf_batch.h"

namespace {

namespace fs = std::filesystem;
using manager::ManagerView;
using testing_support::GameStore;
using testing_support::Body;
using testing_support::Replaced;
using testing_support::Sealed;
using testing_support::Snapshot;
using Answer = ManagerView::Answer;

// Deletes, below `folder`, every file whose name ends in `suffix` ("" for all), as `del /s /q` does.
void DeleteBelow(const fs::path& folder, const std::string& suffix) {
    std::vector<fs::path> doomed;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            doomed.push_back(entry.path());
    }
    for (const fs::path& path : doomed)
        fs::remove(path);
}

class ApplyFlow : public testing::Test {
protected:
    void SetUp() override {
        g.Write("maps/canyon.map", std::string("canyon\0\r\n\x1a\xff", 11));
        g.Write("maps/sub/deep.map", "deep");
        g.Write("game.cfg", "cfg");
        g.Write("mods/new.map", "new");
    }
    std::string StoreFolder() const {
        return g.files.storeRoot + "/" + manager::StoreKey(g.Folder(), &base::FoldCase);
    }
    void Restore(bool yes = true) {
        g.view->answers.push_back(yes);
        g.manager->RestoreOriginals();
    }
    const std::string& LastMessage() const { return g.view->messages.back(); }

    GameStore g;
};

// A mod that deletes every map, or every file, below the game folder cannot reach the store:
// Restore then puts every original back, byte for byte.
TEST_F(ApplyFlow, WildcardDeletesBelowTheGameFolderCannotReachTheStore) {
    const struct {
        const char* line;
        const char* suffix;
    } cases[] = {{"del /s /q *.map", ".map"}, {"del /s /q *.*", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        g.WriteBatch("wipe.bat", {":: &Wipe", c.line});
        const Snapshot before = g.Files();
        g.Apply("wipe.bat", {":: &Wipe", c.line}, [&] { DeleteBelow(g.game.Path(), c.suffix); });
        ASSERT_EQ(g.view->messages.back(), "Done!");
        EXPECT_FALSE(g.Has("maps/sub/deep.map"));
        Restore();
        EXPECT_TRUE(g.Files() == before) << LastMessage();
        EXPECT_TRUE(testing_support::KeepsNoCopy(StoreFolder())) << "an empty store keeps no copy";
        g.manager->ResetModList();
    }
}

// Seen: while one window's mod ran, another window's Restore or Undo put its files back and
// forgot its apply; the first said "Done!" and the original was lost. Now the other window
// waits for the whole run as for a list change, says the store is in use, and changes nothing.
TEST_F(ApplyFlow, AnotherWindowWaitsForTheWholeRunAndTheOriginalStaysKept) {
    const std::string original = g.Read("maps/canyon.map");
    const struct {
        const char* label;
        std::function<void(manager::ModManager&)> act;
    } cases[] = {
        {"restore", [](manager::ModManager& other) { other.RestoreOriginals(); }},
        {"undo", [](manager::ModManager& other) { other.UndoLastMod(); }},
        {"another apply", [](manager::ModManager& other) { other.ApplyMod(0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        g.Apply("first.bat", {":: &First", "copy mods\\new.map game.cfg"}, [&] { g.Write("game.cfg", "one"); });
        testing_support::RecordingView otherView;
        g.Apply("mod.bat", {":: &Mod", "copy mods\\new.map maps\\canyon.map"}, [&] {
            // The other window is another thread: a lock is its holding thread's own on Windows.
            std::thread other([&] {
                testing_support::RecordingRunner otherRunner;
                manager::ManagerFiles files = g.files;
                files.lockWait = std::chrono::milliseconds(50);
                manager::ModManager window(files, otherRunner, otherView);
                window.StartupLoad(nullptr);
                otherView.answers = {true, true};
                c.act(window);
            });
            other.join();
            g.Write("maps/canyon.map", "modded");
        });
        ASSERT_FALSE(otherView.messages.empty());
        EXPECT_TRUE(Contains(otherView.messages.back(), "in use by another Grenwick window")) << otherView.messages.back();
        EXPECT_EQ(g.view->messages.back(), "Done!");
        g.view->messages.clear();
        Restore();
        EXPECT_EQ(LastMessage(), "Put back 2 files.");
        EXPECT_EQ(g.Read("maps/canyon.map"), original);
        g.manager->ResetModList();
    }
}

// Seen: a mod line deleting Grenwick's store ran, "Done!", and Restore then had nothing. A mod
// whose foreseen changes reach the store or the list and last-mod files is refused, naming the line.
TEST_F(ApplyFlow, AModThatWouldChangeGrenwicksOwnFilesIsRefusedNamingTheLine) {
    g.Apply("first.bat", {":: &First", "copy mods\\new.map maps\\canyon.map"}, [&] { g.Write("maps/canyon.map", "1"); });
    const std::string state = testing_support::ManagerName(g.state.Path());
    const struct {
        const char* label;
        Strings lines;  // after the name line
        int number;
    } cases[] = {
        {"the store", {"rd /s /q \"" + state + "\\Originals\""}, 2},
        {"a list file", {"echo x", "del \"" + state + "\\names.lst\""}, 3},
        {"the last-mod file", {"copy mods\\new.map \"" + state + "\\lastmod.txt\""}, 2},
        {"a list file's temporary, by a variable", {"set D=" + state, "copy mods\\new.map \"%D%\\paths.lst.new\""}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Strings lines{":: &Bad"};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        const Snapshot store = testing_support::TakeSnapshot(StoreFolder());
        const std::size_t ran = g.runner->commands.size();
        g.Apply("bad.bat", lines);
        EXPECT_EQ(LastMessage(), "The mod was not applied: this line of it changes the files Grenwick keeps for itself "
                                 "(the kept original files, the mod list, the last mod):\n    line " +
                                     std::to_string(c.number) + ": " + lines[c.number - 1] + "\n\nNothing has changed.");
        EXPECT_EQ(g.runner->commands.size(), ran);
        EXPECT_TRUE(testing_support::TakeSnapshot(StoreFolder()) == store);
    }
}

// Seen: a mod overwrote the kept copy and wrote an index with a valid check line, and Restore
// put the mod's bytes back as the original and deleted a file outside the game folder. On
// Windows the store's files are held for the run, so the writes fail; elsewhere the store is
// checked after the run, what changed is named, and the planted index never counts.
TEST_F(ApplyFlow, AStoreChangedWhileTheModRanIsNamedAndNothingPlantedIsPutBack) {
    const std::string original = g.Read("maps/canyon.map");
    const fs::path victim = g.state.Path() / "victim.txt";
    testing_support::WriteBytes(victim.string(), "victim");
    const std::string store = StoreFolder();
    bool planted = false;
    g.Apply("mod.bat", {":: &Mod", "copy mods\\new.map maps\\canyon.map"}, [&] {
        g.Write("maps/canyon.map", "modded");
        manager::StoreRecords forged{g.Folder(), {}};
        forged.applies.push_back({1, "Mod", "", 0, {}});
        forged.applies.back().entries.push_back(
            {{manager::EntryKind::Absent, testing_support::ManagerName(victim), 0, {}}, std::nullopt});
        const std::string forgedIndex = manager::EncodeRecords(forged, &base::FoldCase).value();
        testing_support::WriteBytes(store + "/1/maps/canyon.map", "planted");
        testing_support::WriteBytes(store + "/index.txt", forgedIndex);
        planted = testing_support::ReadBytes(store + "/index.txt") == forgedIndex;
    });
    SCOPED_TRACE(planted ? "planted" : "held");
    ASSERT_EQ(g.view->messages.size(), planted ? 2u : 1u);
    if (planted) {
        const std::string& said = g.view->messages[0];
        EXPECT_TRUE(Contains(said, "While the mod ran, another program or the mod changed these files")) << said;
        EXPECT_TRUE(Contains(said, "1\\maps\\canyon.map")) << said;
        EXPECT_TRUE(Contains(said, "index.txt")) << said;
    }
    Restore();
    EXPECT_EQ(Contains(LastMessage(), "maps\\canyon.map: its kept copy is damaged"), planted) << LastMessage();
    EXPECT_EQ(g.Read("maps/canyon.map"), planted ? "modded" : original);
    EXPECT_TRUE(fs::exists(victim));
}

// Seen: after the store had moved out of the game folder, a mod planted an old-format store
// there and the next start took it over as the oldest apply, so Restore put the planted bytes
// back. Once the game folder has a store of its own, such a folder is the game's files.
TEST_F(ApplyFlow, AnOldStorePlantedOnceTheGameHasItsOwnIsTheGamesFiles) {
    const std::string original = g.Read("maps/canyon.map");
    const std::string header =
        "Original game files kept by Grenwick before mods changed them; its system menu entry \"Restore original "
        "files...\" puts them back. One file a line: kept (a copy is here) or absent (a mod created it).\r\n";
    for (const bool applied : {true, false}) {
        SCOPED_TRACE(applied ? "while a mod is applied" : "after a restore");
        g.Apply("mod.bat", {":: &Mod", "copy mods\\new.map maps\\canyon.map"},
                [&] { g.Write("maps/canyon.map", "modded"); });
        if (!applied)
            Restore();
        g.Write("Original files kept by Grenwick/index.txt", header + "kept\tmaps\\canyon.map\r\n");
        g.Write("Original files kept by Grenwick/maps/canyon.map", "planted");
        g.Restart();
        Restore();
        EXPECT_EQ(g.Read("maps/canyon.map"), original);
        if (applied) {
            EXPECT_EQ(LastMessage(), "Put back 1 file.");
        }
        EXPECT_TRUE(g.Has("Original files kept by Grenwick/maps/canyon.map")) << "the game's files like any other";
        fs::remove_all(g.game.Path() / "Original files kept by Grenwick");
        g.manager->ResetModList();
    }
}

// Files the reader did not foresee: one created is deleted by Restore; one changed is named
// after the run, as the player must know at once, and again in Restore's question.
TEST_F(ApplyFlow, ChangesTheReaderDidNotForeseeAreNoted) {
    g.Apply("mod.bat", {":: &Mod", "copy mods\\new.map maps\\canyon.map"}, [&] {
        g.Write("maps/canyon.map", "modded");
        g.Write("maps/surprise.map", "created");
        g.Write("game.cfg", "changed");
    });
    ASSERT_EQ(g.view->messages.size(), 2u);
    EXPECT_EQ(g.view->messages[0], "The mod changed these files with no original kept, so \"Restore original "
                                   "files...\" cannot put them back:\n    game.cfg");
    EXPECT_EQ(g.view->messages[1], "Done!");

    Restore();
    ASSERT_EQ(g.view->questions.size(), 1u);
    EXPECT_TRUE(Contains(g.view->questions[0],
                         "These files were changed with no original kept and cannot be put back:\n    game.cfg"))
        << g.view->questions[0];
    EXPECT_FALSE(g.Has("maps/surprise.map"));
    EXPECT_EQ(g.Read("maps/canyon.map"), std::string("canyon\0\r\n\x1a\xff", 11));
    EXPECT_EQ(g.Read("game.cfg"), "changed");
    EXPECT_TRUE(Contains(LastMessage(), "game.cfg: no original was kept")) << LastMessage();
}

// A copy gone from the store, or altered, is named for what it is and not promised for a
// later try; the other files still go back.
TEST_F(ApplyFlow, AMissingOrDamagedCopyIsNamedAsSuch) {
    const struct {
        const char* name;
        std::function<void(const fs::path&)> harm;
        const char* said;
    } cases[] = {
        {"missing", [](const fs::path& copy) { fs::remove(copy); }, "maps\\canyon.map: its kept copy is missing"},
        {"damaged", [](const fs::path& copy) { testing_support::WriteBytes(copy.string(), "CANYON\0\r\n\x1a\xff"); },
         "maps\\canyon.map: its kept copy is damaged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g.Apply("mod.bat", {":: &Mod", "copy mods\\new.map maps\\canyon.map", "copy mods\\new.map game.cfg"}, [&] {
            g.Write("maps/canyon.map", "new");
            g.Write("game.cfg", "new");
        });
        fs::path copy;
        for (const auto& entry : fs::recursive_directory_iterator(StoreFolder()))
            if (entry.path().filename() == "canyon.map")
                copy = entry.path();
        ASSERT_FALSE(copy.empty());
        c.harm(copy);
        Restore();
        EXPECT_EQ(LastMessage(), std::string("Put back 1 of 2 files.\n\nThese could not be put back:\n    ") + c.said);
        EXPECT_EQ(g.Read("game.cfg"), "cfg");
        EXPECT_EQ(g.Read("maps/canyon.map"), "new") << "nothing half-written in its place";
        EXPECT_TRUE(testing_support::KeepsNoCopy(StoreFolder()));
        g.Write("maps/canyon.map", std::string("canyon\0\r\n\x1a\xff", 11));
        g.manager->ResetModList();
    }
}

// An index that was tampered with, or names a file outside its place, is refused whole:
// nothing is deleted or written, and the player is told which file cannot be read.
TEST_F(ApplyFlow, ADamagedIndexIsRefusedAndNothingChanges) {
    const std::string victim = (g.game.Path().parent_path() / "victim1.txt").string();
    testing_support::WriteBytes(victim, "victim");
    const std::string folder = g.Folder();
    const auto body = [&](const std::string& entries) {
        return "Original game files\r\nversion\t3\r\ngame\t" + folder + "\r\napply\t1\t0\r\nmod\tEvil\r\nbatch\t\r\n" +
               entries;
    };
    const auto checked = [](const std::string& text) {
        return text + "check\t" + base::ToHex(base::Sha256Of(text)) + "\r\n";
    };
    const std::string kept3 = "kept\t6\t" + base::ToHex(base::Sha256Of("victim")) + "\tC:\\victim3.txt\r\n";
    const struct {
        const char* name;
        std::string index;
    } cases[] = {
        {"relative name above the game folder", checked(body("absent\t..\\victim1.txt\r\n"))},
        {"rooted name without its drive", checked(body("absent\t\\victim1.txt\r\n"))},
        {"a device", checked(body("absent\tmaps\\nul.map\r\n"))},
        {"lines added after the check", checked(body("")) + "absent\tC:\\victim2.txt\r\n" + kept3},
        {"lines changed under the check",
         checked(body("absent\tgame.cfg\r\n")).replace(body("").size(), 15, "absent\tC:\\victim2.txt")},
        {"no check line", body("absent\t..\\victim1.txt\r\n" + kept3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string index = StoreFolder() + "/index.txt";
        fs::create_directories(StoreFolder() + "/1");
        testing_support::WriteBytes(index, c.index);
        testing_support::WriteBytes(StoreFolder() + "/1/elsewhere/C/victim3.txt", "planted");
        const Snapshot before = g.Files();
        g.manager->RestoreOriginals();
        g.manager->UndoLastMod();
        ASSERT_EQ(g.view->messages.size(), 2u);
        for (const std::string& message : g.view->messages)
            EXPECT_TRUE(Contains(message, "index.txt\" cannot be read, so nothing was put back.")) << message;
        // Each time the player is offered to set the damaged store aside; No is the default.
        ASSERT_EQ(g.view->questions.size(), 2u);
        for (const std::string& question : g.view->questions)
            EXPECT_TRUE(Contains(question, "index.txt\" is damaged: ")) << question;
        EXPECT_TRUE(g.Files() == before);
        EXPECT_EQ(testing_support::ReadBytes(victim), "victim");
        EXPECT_EQ(testing_support::ReadBytes(index), c.index);
        g.view->messages.clear();
        g.view->questions.clear();
    }
    fs::remove(victim);
}

// Seen: a one-byte change to the store's index refused Apply, Restore and Undo for good. The
// player is told what is damaged and may set the store aside (kept, renamed with the date);
// a new store then starts and the damaged one is left as it was.
TEST_F(ApplyFlow, ADamagedIndexCanBeSetAsideAndANewStoreStarts) {
    g.Apply("one.bat", {":: &One", "copy mods\\new.map game.cfg"}, [&] { g.Write("game.cfg", "one"); });
    const std::string index = StoreFolder() + "/index.txt";
    const std::string good = testing_support::ReadBytes(index);
    const struct {
        const char* label;
        std::string index;
        const char* damage;
    } cases[] = {
        {"one byte changed", Replaced(good, "game.cfg", "game.cfh"), "its check line does not match the lines above it"},
        {"no check line", good.substr(0, good.rfind("check\t")), "its last line is not the check line"},
        {"a bad name", Sealed(Replaced(Body(good), "game.cfg", "..\\x.cfg")), "line 8 names a file outside its place"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::create_directories(StoreFolder());
        testing_support::WriteBytes(index, c.index);
        g.view->messages.clear();
        g.view->questions.clear();
        g.view->answers = {true};
        g.Apply("two.bat", {":: &Two", "copy mods\\new.map maps\\canyon.map"}, [&] { g.Write("maps/canyon.map", "two"); });
        ASSERT_FALSE(g.view->questions.empty());
        EXPECT_TRUE(Contains(g.view->questions[0], std::string("is damaged: ") + c.damage)) << g.view->questions[0];
        EXPECT_EQ(g.view->messages.back(), "Done!");
        std::vector<fs::path> aside;
        for (const auto& entry : fs::directory_iterator(g.files.storeRoot))
            if (Contains(entry.path().filename().string(), " damaged "))
                aside.push_back(entry.path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(testing_support::ReadBytes((aside[0] / "index.txt").string()), c.index) << "kept as it was";
        g.manager->UndoLastMod();
        EXPECT_TRUE(Contains(LastMessage(), "Undid \"Two\": put back 1 file.")) << LastMessage();
        EXPECT_EQ(g.Read("maps/canyon.map"), std::string("canyon\0\r\n\x1a\xff", 11));
        fs::remove_all(aside[0]);
        g.manager->ResetModList();
    }
}

// Seen: "Its 1 file are put back", and "Undid m1: put back 0 files" on every Undo once the
// player kept each changed file as it is.
TEST_F(ApplyFlow, OneFileIsSpokenOfAsOneAndAnUndoOfNothingSaysSo) {
    g.Apply("one.bat", {":: &One", "copy mods\\new.map game.cfg"}, [&] { g.Write("game.cfg", "one"); });
    g.Write("game.cfg", "changed by hand");
    g.view->answers = {true, false};
    g.manager->UndoLastMod();
    EXPECT_EQ(g.view->messages.back(), "Nothing was undone: every file of \"One\" was changed after it was applied and "
                                       "stays as it is. \"Restore original files...\" can still put back the originals.");
    EXPECT_EQ(g.Read("game.cfg"), "changed by hand");
    g.view->questions.clear();
    g.view->answers = {true, true};
    g.manager->UndoLastMod();
    g.manager->RestoreOriginals();
    EXPECT_EQ(g.view->questions[0].substr(0, g.view->questions[0].find("\n")),
              "Undo \"One\"? Its 1 file is put back as it was just before it was applied; files it created are deleted.");
    EXPECT_EQ(g.Read("game.cfg"), "cfg");
    EXPECT_EQ(g.view->messages.back(),
              "Grenwick keeps no original files for this game folder, so there is nothing to put back.");
}

// Seen: a kill while keeping or putting back a big map left its temp file for good. At the
// next start the temp files of Grenwick's own naming go, in the store and beside the game files
// its index names; other files stay.
TEST_F(ApplyFlow, TempFilesAKillLeftAreRemovedAtTheNextStart) {
    g.Apply("mod.bat", {":: &Mod", "copy mods\\new.map maps\\canyon.map"}, [&] { g.Write("maps/canyon.map", "x"); });
    const std::string store = StoreFolder();
    const struct {
        std::string path;
        bool removed;
    } cases[] = {
        {(g.game.Path() / "maps/canyon.map.4242-0.tmp").string(), true},
        {(g.game.Path() / "maps/CANYON.MAP.7-12.tmp").string(), true},
        {store + "/1/maps/canyon.map.4242-1.tmp", true},
        {store + "/index.txt.99-0.tmp", true},
        {(g.game.Path() / "maps/canyon.map.backup.tmp").string(), false},
        {(g.game.Path() / "maps/canyon.map.12.tmp").string(), false},
        {(g.game.Path() / "maps/sub/deep.map.1-0.tmp").string(), false},
    };
    for (const auto& c : cases)
        testing_support::WriteBytes(c.path, "half");
    g.Restart();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(fs::exists(c.path), !c.removed);
    }
    Restore();
    EXPECT_EQ(LastMessage(), "Put back 1 file.");
}

// Seen: killed while the mod ran, the files it made were never known and Restore left them.
// The run stops here at the mod's end (nothing after it runs, as after a kill); the next start
// settles it from the note kept in the store, and refuses a note that is damaged or names
// another game folder. The player hears of it only when an original is lost.
TEST_F(ApplyFlow, ARunAKillStoppedIsSettledAtTheNextStart) {
    struct Killed {};
    const std::string note = StoreFolder() + "/run.txt";
    const struct {
        const char* label;
        bool changesCfg;
        std::function<void()> tamper;
        bool settled;
    } cases[] = {
        {"as the kill left it", false, [] {}, true},
        {"with an original lost", true, [] {}, true},
        {"a byte of the note changed", false,
         [&] { testing_support::WriteBytes(note, Replaced(testing_support::ReadBytes(note), "apply\t", "apply\t1")); },
         false},
        {"a sealed note of another game folder", false,
         [&] {
             std::optional<manager::RunNote> read = manager::DecodeRunNote(testing_support::ReadBytes(note));
             ASSERT_TRUE(read);
             read->gameFolder += "2";
             testing_support::WriteBytes(note, manager::EncodeRunNote(*read));
         },
         false},
    };
    const Snapshot before = g.Files();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_THROW(g.Apply("mod.bat", {":: &Mod", "copy mods\\new.map maps\\canyon.map"},
                             [&] {
                                 g.Write("maps/canyon.map", "new");
                                 g.Write("maps/made.map", "made");
                                 if (c.changesCfg)
                                     g.Write("game.cfg", "changed");
                                 throw Killed{};
                             }),
                     Killed);
        // Changed once the run let the store go: while it runs, Windows refuses any write to it.
        ASSERT_TRUE(fs::exists(note));
        c.tamper();
        g.Restart();
        EXPECT_FALSE(fs::exists(note));
        if (c.changesCfg) {
            ASSERT_EQ(g.view->messages.size(), 1u);
            EXPECT_EQ(g.view->messages[0], "When Grenwick last stopped, \"Mod\" had not finished. It changed these "
                                           "files with no original kept, so \"Restore original files...\" cannot put "
                                           "them back:\n    game.cfg");
        } else {
            EXPECT_TRUE(g.view->messages.empty()) << g.view->messages.front();
        }
        Restore();
        EXPECT_EQ(g.Has("maps/made.map"), !c.settled);
        EXPECT_EQ(g.Read("maps/canyon.map"), before.at("maps/canyon.map"));
        g.Write("game.cfg", "cfg");
        fs::remove(g.game.Path() / "maps/made.map");
        g.manager->ResetModList();
    }
}

// Seen: a mod that put a folder where the file a.map was left it "for a later try" forever,
// and one that put a file where the folder maps was took two Restores. One Restore now
// gives back the shape and the bytes.
TEST_F(ApplyFlow, OneRestoreGivesBackAFileAFolderTookAndAFolderAFileTook) {
    const Snapshot before = g.Files();
    const struct {
        const char* label;
        Strings lines;
        std::function<void()> play;
    } cases[] = {
        {"a folder where a file was", {"del game.cfg", "md game.cfg", "copy mods\\new.map game.cfg\\inner.map"}, [&] {
             fs::remove(g.game.Path() / "game.cfg");
             g.Write("game.cfg/inner.map", "new");
         }},
        {"a file where a folder was", {"rd /s /q maps\\sub", "copy mods\\new.map maps\\sub"}, [&] {
             fs::remove_all(g.game.Path() / "maps/sub");
             g.Write("maps/sub", "new");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Strings lines{":: &Shape"};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        g.Apply("shape.bat", lines, c.play);
        ASSERT_EQ(g.view->messages.back(), "Done!");
        Restore();
        EXPECT_TRUE(Contains(LastMessage(), "Put back ")) << LastMessage();
        EXPECT_FALSE(Contains(LastMessage(), "later try")) << LastMessage();
        Snapshot now = g.Files();
        now.erase("shape.bat");
        EXPECT_TRUE(now == before);
        g.manager->ResetModList();
    }
}

// Seen: after the player moved the game folder, Restore said no mod had changed a file. A store
// whose game folder is gone and had this folder's name is offered for use here (No by default).
TEST_F(ApplyFlow, AStoreOfAGameFolderMovedHereIsOfferedForUseHere) {
    const std::string original = g.Read("maps/canyon.map");
    g.Apply("mod.bat", {":: &Mod", "copy mods\\new.map maps\\canyon.map"}, [&] { g.Write("maps/canyon.map", "x"); });
    const fs::path from = g.game.Path();
    testing_support::TempDir games;
    const fs::path to = games.Path() / from.filename();
    // Windows renames no folder that is a process's current folder.
    const auto move = [&](const fs::path& a, const fs::path& b) {
        testing_support::ScopedCurrentDir away(games.Path());
        fs::rename(a, b);
    };
    move(from, to);
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        testing_support::ScopedCurrentDir moved(to);
        g.Restart();
        g.view->answers = {yes, true};
        g.manager->RestoreOriginals();
        ASSERT_FALSE(g.view->questions.empty());
        EXPECT_TRUE(Contains(g.view->questions[0], "\"" + testing_support::ManagerName(from) +
                                                       "\", which is gone and had this folder's name"))
            << g.view->questions[0];
        EXPECT_EQ(LastMessage(), yes ? "Put back 1 file."
                                     : "Grenwick keeps no original files for this game folder, so there is nothing to "
                                       "put back.");
        EXPECT_EQ(testing_support::ReadBytes((to / "maps/canyon.map").string()), yes ? original : "x");
    }
    move(to, from);
}

// Lines no reader can follow: the question names them by number, Cancel (the default) runs
// nothing, Yes keeps every file of the game folder first, No only the foreseen ones.
TEST_F(ApplyFlow, UnfollowedLinesAskYesNoOrCancel) {
    const Strings lines = {":: &Installer", "copy mods\\new.map maps\\canyon.map", "start setup.exe",
                           "powershell -File unpack.ps1", "set /p WHERE=Folder? ", "del %WHERE%\\*.map",
                           "curl -o maps\\extra.map https://example.invalid/extra.map"};
    const struct {
        const char* name;
        std::deque<Answer> answers;
        bool runs;
        const char* cfgAfterRestore;  // game.cfg, which only the unfollowed lines change
    } cases[] = {
        {"Cancel, the default", {}, false, "cfg"},
        {"Cancel", {Answer::Cancel}, false, "cfg"},
        {"Yes", {Answer::Yes}, true, "cfg"},
        {"No", {Answer::No}, true, "setup"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g.view->answers3 = c.answers;
        g.view->questions3.clear();
        g.runner->commands.clear();
        g.WriteBatch("installer.bat", lines);
        const Snapshot before = g.Files();
        g.Apply("installer.bat", lines, [&] {
            g.Write("maps/canyon.map", "new");
            g.Write("game.cfg", "setup");
        });
        ASSERT_EQ(g.view->questions3.size(), 1u);
        const std::string& question = g.view->questions3[0];
        EXPECT_EQ(question.substr(0, question.find("\n\nYes:")),
                  "Grenwick cannot tell which files these lines of the mod change:\n"
                  "    line 3 (another program): start setup.exe\n"
                  "    line 4 (another program): powershell -File unpack.ps1\n"
                  "    line 6 (a name the player types): del %WHERE%\\*.map\n    and 1 more\n\n"
                  "\"What this mod changes...\" shows all of them.\n\n"
                  "\"Restore original files...\" cannot put back what they change.");
        EXPECT_TRUE(Contains(question, "Yes: keep a copy of every file in the game folder first (5 files, 1 MB)"))
            << question;
        EXPECT_EQ(g.runner->commands.size(), c.runs ? 1u : 0u);
        if (!c.runs) {
            EXPECT_TRUE(g.view->messages.empty());
            EXPECT_TRUE(g.Files() == before);
            g.manager->ResetModList();
            continue;
        }
        Restore();
        EXPECT_EQ(g.Read("maps/canyon.map"), std::string("canyon\0\r\n\x1a\xff", 11));
        EXPECT_EQ(g.Read("game.cfg"), c.cfgAfterRestore);
        g.Write("game.cfg", "cfg");
        g.view->messages.clear();
        g.manager->ResetModList();
    }
}

// The kit's own writers write only lines the reader follows: their mods never ask.
TEST_F(ApplyFlow, TavlinAndOrriskModsNeverAsk) {
    mapswap::MapSwapForm swap;
    swap.modName = "Swap";
    swap.pairs[0] = {"maps\\canyon.map", "mods\\new.map"};
    swap.pairs[1] = {"maps\\sub\\deep.map", "mods\\new.map"};
    swap.pairs[2] = {"maps\\fresh.map", "mods\\new.map"};
    g.Apply("swap.bat", mapswap::MapSwapLines(swap));
    g.Write("sky.ppf", "PPF30");
    g.Apply("sky.bat", ppf::PpfLines({"sky.ppf", "Sky", "sky.bat", "maps\\canyon.map"}));
    EXPECT_TRUE(g.view->questions3.empty());
    EXPECT_EQ(g.view->messages, (Strings{"Done!", "Done!"}));
    EXPECT_EQ(g.runner->commands, (Strings{"\"\"swap.bat\"\"", "\"\"sky.bat\"\"", "PAUSE"}));
}

#ifndef _WIN32
// A batch file that opens but cannot be read to its end is not run: half of it would be
// followed as if it were all of it.
TEST_F(ApplyFlow, ABatchFileThatCannotBeReadIsNotRun) {
    const std::string path = "/proc/self/mem";  // opens as a file; reading at its start fails
    g.manager->AddBatchFile(path);
    ASSERT_EQ(g.manager->Mods().Entries().size(), 1u);
    g.manager->ApplyMod(0);
    EXPECT_EQ(g.view->messages,
              Strings{"The batch file \"" + path + "\" could not be read, so the mod was not applied. Nothing has changed."});
    EXPECT_TRUE(g.runner->commands.empty());
    EXPECT_FALSE(fs::exists(g.files.lastMod));
}
#endif

// Undo takes back the newest apply, then the one before, also after a restart; with nothing
// left it says so, and Restore finds nothing more to do.
TEST_F(ApplyFlow, UndoTakesBackTheNewestApplyThenTheOneBefore) {
    const std::string original = g.Read("maps/canyon.map");
    for (const bool restart : {false, true}) {
        Strings said;
        const auto restartIf = [&] {
            if (!restart)
                return;
            said.insert(said.end(), g.view->messages.begin(), g.view->messages.end());
            g.Restart();
        };
        SCOPED_TRACE(restart ? "restarted between" : "one run");
        g.Write("mods/one.map", "one");
        g.Write("mods/two.map", "second");
        g.Apply("one.bat", {":: &One", "copy mods\\one.map maps\\canyon.map"},
                [&] { g.Write("maps/canyon.map", "one"); });
        g.Apply("two.bat", {":: &Two", "copy /y mods\\two.map maps\\canyon.map", "copy mods\\two.map maps\\added.map"},
                [&] {
                    g.Write("maps/canyon.map", "second");
                    g.Write("maps/added.map", "second");
                });
        // Two is told that it changes a file One, still applied, changed; One was asked nothing.
        EXPECT_EQ(g.view->questions, Strings{"This mod changes files that mods still applied have changed:\n\n    "
                                             "maps\\canyon.map, changed by \"One\"\n\nApply it over them? Taking "
                                             "it out later puts these files back as those mods left them."});
        restartIf();
        said.clear();
        g.view->messages.clear();
        g.view->questions.clear();
        g.manager->UndoLastMod();
        ASSERT_EQ(g.view->questions.size(), 1u);
        EXPECT_EQ(g.view->questions[0], "Undo \"Two\"? Its 2 files are put back as they were just before it was "
                                        "applied; files it created are deleted.\n    maps\\canyon.map\n    maps\\added.map");
        EXPECT_EQ(g.Read("maps/canyon.map"), "one");
        EXPECT_FALSE(g.Has("maps/added.map"));
        restartIf();
        g.manager->UndoLastMod();
        EXPECT_EQ(g.Read("maps/canyon.map"), original);
        g.manager->UndoLastMod();
        g.manager->RestoreOriginals();
        said.insert(said.end(), g.view->messages.begin(), g.view->messages.end());
        EXPECT_EQ(said, (Strings{"Undid \"Two\": put back 2 files.", "Undid \"One\": put back 1 file.",
                                             "No applied mod is remembered, so there is nothing to undo.",
                                             "Grenwick keeps no original files for this game folder, so there is "
                                             "nothing to put back."}));
        g.view->questions.clear();
        g.view->messages.clear();
        g.manager->ResetModList();
    }
}

// A file changed by hand after the apply is named, and left as it is unless the player agrees
// in a second question; left alone, its original is still there for Restore.
TEST_F(ApplyFlow, UndoAsksBeforePuttingBackAFileChangedSince) {
    const struct {
        const char* name;
        bool agree;
        const char* cfgAfterUndo;
    } cases[] = {{"left as it is, the default", false, "by hand, longer"}, {"put back too", true, "cfg"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g.Apply("mod.bat", {":: &Mod", "copy mods\\new.map maps\\canyon.map", "copy mods\\new.map game.cfg"}, [&] {
            g.Write("maps/canyon.map", "new");
            g.Write("game.cfg", "new");
        });
        g.Write("game.cfg", "by hand, longer");
        g.view->questions.clear();
        g.view->answers = {true};
        if (c.agree)
            g.view->answers.push_back(true);
        g.manager->UndoLastMod();
        ASSERT_EQ(g.view->questions.size(), 2u);
        EXPECT_TRUE(Contains(g.view->questions[0], "\n\nThese files were changed after it was applied:\n    game.cfg"));
        EXPECT_EQ(g.view->questions[1], "Put back the files changed after \"Mod\" was applied too? No leaves them as "
                                        "they are.\n    game.cfg");
        EXPECT_EQ(g.Read("maps/canyon.map"), std::string("canyon\0\r\n\x1a\xff", 11));
        EXPECT_EQ(g.Read("game.cfg"), c.cfgAfterUndo);
        Restore();
        EXPECT_EQ(g.Read("game.cfg"), "cfg");
        g.Write("game.cfg", "cfg");
        g.manager->ResetModList();
    }
}

// A file that cannot be put back is named, and its apply stays remembered for a later try;
// the files that could be put back are not put back twice.
TEST_F(ApplyFlow, UndoOfAFileThatCannotBePutBackKeepsTheApplyForALaterTry) {
    g.Apply("one.bat", {":: &One", "copy mods\\new.map maps\\canyon.map"}, [&] { g.Write("maps/canyon.map", "one"); });
    g.Apply("two.bat", {":: &Two", "copy mods\\new.map maps\\canyon.map", "del game.cfg"}, [&] {
        g.Write("maps/canyon.map", "two");
        fs::remove(g.game.Path() / "game.cfg");
    });
    fs::create_directories(g.game.Path() / "game.cfg");  // a folder where the file goes back
    g.view->messages.clear();
    g.view->answers = {true, true};  // the folder is a change since: put it back all the same
    g.manager->UndoLastMod();
    EXPECT_EQ(g.Read("maps/canyon.map"), "one");
    fs::remove(g.game.Path() / "game.cfg");
    g.Write("maps/canyon.map", "one, then by hand");
    g.manager->UndoLastMod();
    g.view->answers = {true, true};  // One's map too was changed since: put back all the same
    EXPECT_EQ(g.Read("game.cfg"), "cfg");
    EXPECT_EQ(g.Read("maps/canyon.map"), "one, then by hand") << "put back once only";
    g.manager->UndoLastMod();
    EXPECT_EQ(g.Read("maps/canyon.map"), std::string("canyon\0\r\n\x1a\xff", 11));
    EXPECT_EQ(g.view->messages,
              (Strings{"Undid \"Two\": put back 1 file.\n\nThese could not be put back and stay remembered for a "
                       "later try:\n    game.cfg: a folder is in its place; move that folder away",
                       "Undid \"Two\": put back 1 file.", "Undid \"One\": put back 1 file."}));
}

// The previous version's store inside the game folder is taken over whole at its first use:
// moved out of the mods' reach (a copy that is gone becomes lost), its folder removed, and
// Restore puts its files back. Files outside the game folder are all named in the question.
TEST_F(ApplyFlow, AnOldStoreInsideTheGameFolderIsTakenOver) {
    const fs::path old = g.game.Path() / "Original files kept by Grenwick";
    const std::string header =
        "Original game files kept by Grenwick before mods changed them; its system menu entry \"Restore original "
        "files...\" puts them back. One file a line: kept (a copy is here) or absent (a mod created it).\r\n";
    std::string index = header + "kept\tmaps\\canyon.map\r\nabsent\tmaps\\created.map\r\nkept\tgame.cfg\r\n";
    Strings outside;
    for (int i = 1; i <= 4; ++i) {
        const fs::path file = g.state.Path() / ("out" + std::to_string(i) + ".cfg");
        testing_support::WriteBytes(file.string(), "modded");
        outside.push_back(testing_support::ManagerName(file));
        index += "kept\t" + outside.back() + "\r\n";
        std::string kept = outside.back();
        kept.erase(kept.find(':'), 1);
        g.WriteNamed("Original files kept by Grenwick\\elsewhere\\" + kept, "out " + std::to_string(i));
    }
    g.Write("Original files kept by Grenwick/maps/canyon.map", "old canyon");
    g.Write("Original files kept by Grenwick/index.txt", index);
    g.Write("maps/created.map", "created");

    // A file where the store's root should be: the copies cannot be moved out of the game
    // folder, so they are read where they are.
    const fs::path blocker = g.state.Path() / "Originals";
    const auto outOfReach = [&] { testing_support::WriteBytes(blocker.string(), "not a folder"); };
    const struct {
        const char* name;
        std::function<void()> firstUse;
    } cases[] = {
        {"at the start", [&] {
             g.Restart();
             EXPECT_FALSE(fs::exists(old));
         }},
        {"read where it is", [&] {
             outOfReach();
             g.Restart();
             EXPECT_TRUE(fs::exists(old / "index.txt"));
         }},
        {"at a restore", [] {}},
        {"at an apply", [&] {
             const std::string canyon = g.Read("maps/canyon.map");
             g.Apply("mod.bat", {":: &Mod", "copy mods\\new.map maps\\canyon.map"},
                     [&] { g.Write("maps/canyon.map", "new"); });
             EXPECT_FALSE(fs::exists(old));
             g.manager->UndoLastMod();
             EXPECT_EQ(g.Read("maps/canyon.map"), canyon);
         }},
    };
    const Snapshot store = testing_support::TakeSnapshot(old);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [name, bytes] : store)
            g.Write("Original files kept by Grenwick/" + name, bytes);
        g.Write("maps/created.map", "created");
        g.view->questions.clear();
        c.firstUse();
        Restore();
        ASSERT_FALSE(g.view->questions.empty());
        std::string expected = "Put back 6 files as they were before the first mod? Files that mods created are "
                               "deleted.\n\nThese files were changed with no original kept and cannot be put back:"
                               "\n    game.cfg\n\nThese files are written or deleted, those outside the game folder "
                               "by their full path:\n    maps\\canyon.map\n    maps\\created.map";
        for (const std::string& name : outside)
            expected += "\n    " + name;
        EXPECT_EQ(g.view->questions.back(), expected);
        EXPECT_FALSE(fs::exists(old));
        EXPECT_EQ(g.Read("maps/canyon.map"), "old canyon");
        EXPECT_FALSE(g.Has("maps/created.map"));
        for (int i = 1; i <= 4; ++i)
            EXPECT_EQ(base::ReadWholeFile(outside[i - 1]).value_or(""), "out " + std::to_string(i));
        g.manager->ResetModList();
        fs::remove_all(blocker);  // no store of its own again, so the next case takes the old one over
    }

    // Undone where it is, the old store goes as a whole.
    for (const auto& [name, bytes] : store)
        g.Write("Original files kept by Grenwick/" + name, bytes);
    outOfReach();
    g.Restart();
    g.manager->UndoLastMod();
    EXPECT_TRUE(Contains(LastMessage(), "Undid \"kept before\": put back 6 files.")) << LastMessage();
    EXPECT_FALSE(fs::exists(old));
    EXPECT_EQ(g.Read("maps/canyon.map"), "old canyon");
}

// An old index that names a file above the game folder is not taken over: nothing moves.
TEST_F(ApplyFlow, AnOldStoreWithABadNameIsRefused) {
    const std::string index =
        "Original game files kept by Grenwick before mods changed them; its system menu entry \"Restore original "
        "files...\" puts them back. One file a line: kept (a copy is here) or absent (a mod created it).\r\n"
        "absent\t..\\victim1.txt\r\n";
    g.Write("Original files kept by Grenwick/index.txt", index);
    const Snapshot before = g.Files();
    g.manager->RestoreOriginals();
    EXPECT_EQ(g.view->messages, Strings{"The list of kept original files \"" + g.Folder() +
                                        "\\Original files kept by Grenwick\\index.txt\" cannot be read, so nothing "
                                        "was put back."});
    EXPECT_TRUE(g.Files() == before);
}

// Cancel in the progress of an undo stops it with nothing half-written: the map is as the mod
// left it, the apply stays remembered, and the next undo puts it back.
TEST_F(ApplyFlow, AnUndoCancelledHalfWayStaysRemembered) {
    const std::string big(3 << 20, 'b');
    g.Write("maps/big.map", big);
    g.Apply("big.bat", {":: &Big", "copy mods\\new.map maps\\big.map"}, [&] { g.Write("maps/big.map", "new"); });
    testing_support::RecordingProgress progress;
    progress.cancelAfter = 1 << 20;
    g.manager->SetProgress(&progress);
    g.view->messages.clear();
    g.manager->UndoLastMod();
    EXPECT_EQ(progress.starts, Strings{"Putting back the files as they were before \"Big\"..."});
    EXPECT_EQ(progress.total, big.size());
    EXPECT_EQ(g.Read("maps/big.map"), "new");
    progress.cancelAfter = UINT64_MAX;
    g.manager->UndoLastMod();
    EXPECT_EQ(g.Read("maps/big.map"), big);
    EXPECT_EQ(g.view->messages, (Strings{"The undo of \"Big\" was cancelled: put back 0 files.\n\nCancelled: the files not yet put back "
                                         "stay remembered for a later try.",
                                         "Undid \"Big\": put back 1 file."}));
}

}  // namespace
