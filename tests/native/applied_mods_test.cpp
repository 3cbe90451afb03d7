// Which applies a take-out touches, and which files a new apply changes over an applied mod.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>

#include "base/paths.h"
#include "base/text.h"
#include "manager/messages.h"
#include "manager/originals/applied_mods.h"
#include "tests/support/game_store.h"
#include "tests/support/text_checks.h"

namespace {

using manager::StoreRecords;

std::string Fold(const std::string& name) { return base::AsciiLower(name); }

// Applies named m0, m1, ... with batch files m0.bat, ..., each changing the files listed.
StoreRecords Stack(const std::vector<Strings>& files) {
    StoreRecords records{"C:\\game", {}};
    for (std::size_t i = 0; i < files.size(); ++i) {
        manager::ApplyRecord apply{i + 1, "m" + std::to_string(i), "m" + std::to_string(i) + ".bat", 0, {}};
        for (const std::string& name : files[i])
            apply.entries.push_back({{manager::EntryKind::Kept, name, 1, std::string(64, 'a')}, std::nullopt});
        records.applies.push_back(apply);
    }
    return records;
}

TEST(AppliedMods, ATakeOutTakesEveryLaterApplyThatOverlapsWhatGoes) {
    const struct {
        const char* what;
        std::vector<Strings> stack;
        std::size_t chosen;
        std::vector<std::size_t> takeOut, again;
    } cases[] = {
        {"newest alone", {{"a"}, {"b"}}, 1, {1}, {}},
        {"no overlap stays", {{"a"}, {"b"}, {"c"}}, 0, {0}, {}},
        {"direct overlap, case folded", {{"a"}, {"b"}, {"A", "c"}}, 0, {2, 0}, {2}},
        {"through a later one", {{"a"}, {"a", "b"}, {"c"}, {"b"}}, 0, {3, 1, 0}, {1, 3}},
        {"earlier ones untouched", {{"a"}, {"a"}, {"a"}}, 1, {2, 1}, {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const manager::TakeOutPlan plan = manager::PlanTakeOut(Stack(c.stack), c.chosen, Fold);
        EXPECT_EQ(plan.takeOut, c.takeOut);
        EXPECT_EQ(plan.again, c.again);
    }
}

TEST(AppliedMods, TheTakeOutQuestionNamesTheLaterModsAppliedAgain) {
    const StoreRecords records = Stack({{"a"}, {"a", "b"}, {"b"}});
    EXPECT_EQ(manager::text::TakeOutQuestion(records, manager::PlanTakeOut(records, 2, Fold)),
              "Take out \"m2\"? Its 1 file is put back as before it was applied; files it created are deleted.");
    const std::string question = manager::text::TakeOutQuestion(records, manager::PlanTakeOut(records, 0, Fold));
    EXPECT_TRUE(Contains(question, "\"m1\" and \"m2\" change some of the same files after it: they are taken out first"))
        << question;
}

TEST(AppliedMods, OverwrittenFilesNameTheNewestModButNotAnEarlierApplyOfTheSameBatchFile) {
    const StoreRecords records = Stack({{"a", "b"}, {"b"}, {"c"}, {"d"}, {"e"}});
    const auto files = manager::OverwrittenFiles(records, {"A", "b", "c", "x", "a"}, "M2.BAT", Fold);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].name + "=" + files[0].mod, "A=m0");
    EXPECT_EQ(files[1].name + "=" + files[1].mod, "b=m1");
    EXPECT_TRUE(manager::OverwrittenFiles(records, {"x"}, "", Fold).empty());

    const auto many = manager::OverwrittenFiles(records, {"a", "b", "c", "d", "e"}, "", Fold);
    EXPECT_EQ(manager::text::OverwriteQuestion(many),
              "This mod changes files that mods still applied have changed:\n\n    a, changed by \"m0\"\n"
              "    b, changed by \"m1\"\n    c, changed by \"m2\"\n    and 2 more files\n\nApply it over them? "
              "Taking it out later puts these files back as those mods left them.\n\n"
              "\"What this mod changes...\" shows all of them.");
}

TEST(AppliedMods, EachFileSaysWhatItWasAndWhoChangedItSince) {
    StoreRecords records = Stack({{"a", "b", "c"}, {"b"}, {"B"}});  // the newest later apply is named
    auto& entries = records.applies[0].entries;
    entries[0].after = manager::AfterState{true, 5, 10};
    entries[1].before.kind = manager::EntryKind::Absent;
    entries[2].before.kind = manager::EntryKind::Lost;
    entries[2].after = manager::AfterState{true, 5, 10};
    const auto probe = [](const std::string& name) -> std::optional<manager::AfterState> {
        return manager::AfterState{true, 5, name == "a" ? 10 : 11};
    };
    const auto files = manager::DescribeFiles(records, 0, Fold, probe);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].before + "|" + files[0].now, "kept, 1 bytes|as the mod left it");
    EXPECT_EQ(files[1].before + "|" + files[1].now, "created by the mod|changed by m2");
    EXPECT_EQ(files[2].before + "|" + files[2].now, "no original kept|changed outside Grenwick");
}

}  // namespace

// Random stacks of map-swap mods over a few maps, some overlapping: taking out any one apply
// leaves the maps as applying the others in their order would, and Restore still gives back
// the first ones.
namespace stacks {

using testing_support::GameStore;
using testing_support::Snapshot;

constexpr int kMaps = 4;

// One line of a mod: delete a map, or copy the mod's own version over it (creating it when
// it is not there).
struct Step {
    bool copy;
    int map;
};
using Mod = std::vector<Step>;

std::string MapName(int map) { return "maps/m" + std::to_string(map) + ".map"; }

Snapshot Play(Snapshot maps, const std::vector<std::pair<int, Mod>>& mods) {
    for (const auto& [number, mod] : mods)
        for (const Step& step : mod) {
            if (step.copy)
                maps[MapName(step.map)] = "mod " + std::to_string(number) + " map " + std::to_string(step.map);
            else
                maps.erase(MapName(step.map));
        }
    return maps;
}

Snapshot MapsOf(const Snapshot& files) {
    Snapshot maps;
    for (const auto& [name, bytes] : files)
        if (name.rfind("maps/", 0) == 0)
            maps[name] = bytes;
    return maps;
}

std::string Slashed(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// Stands in for the command interpreter running a map-swap batch file named on the command
// line: its del and copy lines, in the game folder.
void PlayMapSwap(const GameStore& g, std::string command) {
    command.erase(std::remove(command.begin(), command.end(), '"'), command.end());
    command = base::BaseName(command);  // a mod applied again runs by its full path
    std::istringstream lines(g.Read(command));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::string verb, from, to;
        words >> verb >> from >> to;
        if (verb == "del")
            std::filesystem::remove(g.game.Path() / Slashed(from));
        else if (verb == "copy")
            testing_support::WriteBytes((g.game.Path() / Slashed(to)).string(),
                                        testing_support::ReadBytes((g.game.Path() / Slashed(from)).string()));
    }
}

std::size_t IndexOf(const GameStore& g, const std::string& path) {
    const auto& entries = g.manager->Mods().Entries();
    std::size_t at = 0;
    while (at < entries.size() && entries[at].path != path)
        ++at;
    return at;
}

}  // namespace stacks

TEST(AppliedMods, TakingOutAnyApplyOfARandomStackLeavesWhatTheOthersMake) {
    using namespace stacks;
    for (const unsigned seed : {0u, 1u, 2u, 3u, 4u, 5u, 6u}) {
        std::mt19937 random(seed);
        const int count = 3 + static_cast<int>(random() % 2);
        // Seed 0 is fixed: a mod creates a file a later one deletes, and one deletes a file a
        // later one copies over.
        std::vector<std::pair<int, Mod>> mods;
        if (seed == 0)
            mods = {{0, {{true, 3}}}, {1, {{false, 3}, {false, 0}}}, {2, {{true, 0}}}};
        for (int number = 0; seed != 0 && number < count; ++number) {
            Mod mod;
            for (int map = 0; map < kMaps; ++map)
                if (random() % 2)
                    mod.push_back({random() % 3 != 0, map});
            if (mod.empty())
                mod.push_back({true, static_cast<int>(random() % kMaps)});
            mods.emplace_back(number, mod);
        }
        const std::size_t chosen = seed == 0 ? 0 : random() % mods.size();
        SCOPED_TRACE("seed " + std::to_string(seed) + ", taking out apply " + std::to_string(chosen));

        GameStore g;
        for (int map = 0; map < kMaps - 1; ++map)
            g.Write(MapName(map), "original " + std::to_string(map));
        const Snapshot original = MapsOf(g.Files());
        for (const auto& [number, mod] : mods) {
            std::vector<std::string> lines{":: &m" + std::to_string(number)};
            for (const Step& step : mod) {
                const std::string map = "maps\\m" + std::to_string(step.map) + ".map";
                const std::string source = "mod" + std::to_string(number) + "\\m" + std::to_string(step.map) + ".map";
                if (step.copy)
                    g.Write(Slashed(source),
                            "mod " + std::to_string(number) + " map " + std::to_string(step.map));
                lines.push_back(step.copy ? batchfile::CopyLine(source, map) : batchfile::DeleteLine(map));
            }
            g.WriteBatch("m" + std::to_string(number) + ".bat", lines);
        }
        g.runner->play = [&g](const std::string& command) { PlayMapSwap(g, command); };
        for (const auto& [number, mod] : mods) {
            g.manager->AddBatchFile("m" + std::to_string(number) + ".bat");
            g.manager->ApplyMod(IndexOf(g, "m" + std::to_string(number) + ".bat"));
        }
        ASSERT_EQ(MapsOf(g.Files()), Play(original, mods));

        const std::optional<manager::StoreRecords> records = g.manager->AppliedMods();
        ASSERT_TRUE(records && records->applies.size() == mods.size());
        g.manager->TakeOut(records->applies[chosen].number);
        std::vector<std::pair<int, Mod>> others = mods;
        others.erase(others.begin() + static_cast<std::ptrdiff_t>(chosen));
        EXPECT_EQ(MapsOf(g.Files()), Play(original, others));

        g.manager->RestoreOriginals();
        EXPECT_EQ(MapsOf(g.Files()), original);
    }
}
