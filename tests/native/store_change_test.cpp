// Changes of the store between a question and its answer, and the take-out's applies again:
// nothing happens on an outdated answer, what the player leaves stays, a mod that does not run
// again is named, and the game folder's own name never stops a mod.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/game_store.h"
#include "tests/support/text_checks.h"

namespace {

using testing_support::GameStore;
using testing_support::RecordingRunner;
using testing_support::RecordingView;

// Each mod copies its own map over one game file; `mods` plays every batch file by its command.
struct Mod {
    const char* batch;
    const char* name;
    const char* target;
};
constexpr Mod kAmber{"amber.bat", "Amber", "a.map"}, kBirch{"birch.bat", "Birch", "b.map"},
    kCedar{"cedar.bat", "Cedar", "c.map"}, kBirchOverA{"birch.bat", "Birch", "a.map"};

std::string MapOf(const Mod& mod) { return std::string(mod.name) + " map"; }

// `in`: the folder below the game folder the mod lives and plays in, "/" ending it.
void WriteMod(const GameStore& g, const Mod& mod, const std::string& in = "") {
    g.Write(in + "mods/" + mod.name + ".map", MapOf(mod));
    g.WriteBatch(in + mod.batch, {std::string(":: &") + mod.name,
                                  std::string("copy /y mods\\") + mod.name + ".map " + mod.target});
}

// Plays the mod whose batch file the command names, unless `skip` says it fails this time.
void PlayMods(const GameStore& g, RecordingRunner& runner, std::vector<Mod> mods,
              std::function<bool(const Mod&)> skip = nullptr, const std::string& in = "") {
    runner.play = [&g, mods, skip, in](const std::string& command) {
        for (const Mod& mod : mods)
            if (command.find(mod.batch) != std::string::npos && !(skip && skip(mod)))
                g.Write(in + mod.target, MapOf(mod));
    };
}

void ApplyIn(manager::ModManager& window, const Mod& mod) {
    window.AddBatchFile(mod.batch);
    const auto& entries = window.Mods().Entries();
    for (std::size_t at = 0; at < entries.size(); ++at)
        if (entries[at].path == mod.batch)
            window.ApplyMod(at);
}

std::vector<std::string> AppliedNames(manager::ModManager& window) {
    std::vector<std::string> names;
    if (const std::optional<manager::StoreRecords> records = window.AppliedMods())
        for (const manager::ApplyRecord& apply : records->applies)
            names.push_back(apply.mod);
    return names;
}

std::uint64_t NumberOf(manager::ModManager& window, const std::string& mod) {
    const std::optional<manager::StoreRecords> records = window.AppliedMods();
    for (const manager::ApplyRecord& apply : records->applies)
        if (apply.mod == mod)
            return apply.number;
    return 0;
}

// Amber and then Birch, over the same a.map, applied in the current folder (`in` below the
// game folder); `skip` as PlayMods takes it.
void AmberThenBirchOverA(const GameStore& g, std::function<bool(const Mod&)> skip = nullptr,
                         const std::string& in = "") {
    g.Write(in + "a.map", "original");
    for (const Mod& mod : {kAmber, kBirchOverA})
        WriteMod(g, mod, in);
    PlayMods(g, *g.runner, {kAmber, kBirchOverA}, skip, in);
    ApplyIn(*g.manager, kAmber);
    ApplyIn(*g.manager, kBirchOverA);
}

// Seen: a Take out or Undo answered after another window had changed the store undid the other
// window's mod, or lost an original; an apply went on over a mod it had not asked about.
TEST(StoreChange, AnAnswerThatAnotherWindowOutdatedChangesNothing) {
    const struct {
        const char* label;
        std::function<void(GameStore&)> act;
        const char* consequence;
    } cases[] = {
        {"undo", [](GameStore& g) { g.manager->UndoLastMod(); }, "so nothing was put back"},
        {"take out", [](GameStore& g) { g.manager->TakeOut(NumberOf(*g.manager, "Amber")); },
         "so nothing was taken out"},
        {"restore", [](GameStore& g) { g.manager->RestoreOriginals(); }, "so nothing was put back"},
        {"apply over a mod", [](GameStore& g) { ApplyIn(*g.manager, kBirchOverA); }, "so the mod was not applied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        GameStore g;
        for (const char* map : {"a.map", "b.map", "c.map"})
            g.Write(map, map);
        for (const Mod& mod : {kAmber, kBirch, kCedar})
            WriteMod(g, mod);
        PlayMods(g, *g.runner, {kAmber, kBirch});
        ApplyIn(*g.manager, kAmber);
        if (std::string(c.label) != "apply over a mod")
            ApplyIn(*g.manager, kBirch);
        else
            WriteMod(g, kBirchOverA);
        // While the question is open another window undoes the newest mod and applies Cedar,
        // which may take the number the undone apply had.
        RecordingRunner otherRunner;
        RecordingView otherView;
        manager::ModManager other(g.files, otherRunner, otherView);
        other.StartupLoad(nullptr);
        PlayMods(g, otherRunner, {kCedar});
        g.view->meanwhile = [&] {
            other.UndoLastMod();
            ApplyIn(other, kCedar);
        };
        c.act(g);
        const std::vector<std::string> applied = AppliedNames(other);
        ASSERT_FALSE(g.view->messages.empty());
        EXPECT_TRUE(Contains(g.view->messages.back(), "while this question was open")) << g.view->messages.back();
        EXPECT_TRUE(Contains(g.view->messages.back(), c.consequence)) << g.view->messages.back();
        EXPECT_EQ(g.Read("c.map"), MapOf(kCedar)) << "the other window's mod stays applied";
        ASSERT_FALSE(applied.empty());
        EXPECT_EQ(applied.back(), "Cedar");
    }
}

// Seen: "No" to putting back a file changed outside Grenwick was overwritten when the later mod
// was applied again, and the original was dropped, so Restore gave back the player's edit.
TEST(StoreChange, AFileThePlayerLeavesStaysAndItsOriginalIsKept) {
    GameStore g;
    AmberThenBirchOverA(g);
    g.Write("a.map", "the player's edit");
    // Yes to the take-out, No to putting back the edit, then the default No to applying Birch over it.
    g.view->answers = {true, false};
    g.manager->TakeOut(NumberOf(*g.manager, "Amber"));
    EXPECT_EQ(g.Read("a.map"), "the player's edit");
    EXPECT_TRUE(Contains(g.view->questions.back(), "\"Birch\" changes files you chose to leave")) << g.view->questions.back();
    EXPECT_TRUE(Contains(g.view->messages.back(), "\"Birch\": it changes files you chose to leave")) << g.view->messages.back();
    g.view->answers = {true};
    g.manager->RestoreOriginals();
    EXPECT_EQ(g.Read("a.map"), "original") << g.view->messages.back();
}

// Seen: a later mod whose patch fitted only the map taken out changed nothing when applied
// again, and the message said "Applied again".
TEST(StoreChange, ALaterModThatDoesNotRunAgainIsNamedAndLeftOut) {
    GameStore g;
    int birchRuns = 0;
    AmberThenBirchOverA(g, [&](const Mod& mod) { return mod.name == std::string("Birch") && ++birchRuns > 1; });
    g.view->answers = {true};
    g.manager->TakeOut(NumberOf(*g.manager, "Amber"));
    const std::string& said = g.view->messages.back();
    EXPECT_FALSE(Contains(said, "Applied again")) << said;
    EXPECT_TRUE(Contains(said, "\"Birch\": it left a.map as it was")) << said;
    EXPECT_EQ(g.Read("a.map"), "original");
    EXPECT_TRUE(AppliedNames(*g.manager).empty());
}

// Seen: in a game folder named "100%game" a take-out never applied the later mods again, their
// recorded batch paths refused as typed ones.
TEST(StoreChange, TheGameFoldersOwnNameNeverStopsAModAppliedAgain) {
    GameStore g;
    const std::string in = "100%game (a&b)/";
    std::filesystem::create_directories(g.game.Path() / in);
    {
        testing_support::ScopedCurrentDir inside(g.game.Path() / in);
        AmberThenBirchOverA(g, nullptr, in);
        g.view->answers = {true};
        g.manager->TakeOut(NumberOf(*g.manager, "Amber"));
        EXPECT_EQ(g.view->messages.back(), "Took out \"Birch\" and \"Amber\".\n\nApplied again: \"Birch\".");
        EXPECT_EQ(g.runner->commands.back(), "\"\"birch.bat\"\"") << "run by its name from the game folder";
    }
}

// Seen: in a folder too long for the command interpreter the mod ran nothing and Grenwick said
// "Done!".
TEST(StoreChange, AGameFolderTooLongForTheInterpreterIsRefusedBeforeAnythingIsKept) {
    GameStore g;
    std::filesystem::path deep = g.game.Path();
    while (deep.string().size() <= 260)
        deep /= std::string(40, 'd');
    std::error_code error;
    std::filesystem::create_directories(deep, error);
    std::filesystem::current_path(deep, error);
    if (error)
        GTEST_SKIP() << "this host cannot enter a folder of " << deep.string().size() << " characters";
    ASSERT_TRUE(batchfile::WriteBatchFile((deep / "amber.bat").string(), {":: &Amber", "copy /y x.map a.map"}));
    ApplyIn(*g.manager, kAmber);
    EXPECT_TRUE(g.runner->commands.empty());
    EXPECT_TRUE(Contains(g.view->messages.back(), "cannot run a batch file in the game folder")) << g.view->messages.back();
    EXPECT_TRUE(AppliedNames(*g.manager).empty());
    std::filesystem::current_path(g.game.Path());
}

}  // namespace
