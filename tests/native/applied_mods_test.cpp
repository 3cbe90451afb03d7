// Which applies a take-out touches, and which files a new apply changes over an applied mod.
#include <gtest/gtest.h>

#include "base/text.h"
#include "manager/originals/applied_mods.h"
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
    EXPECT_EQ(manager::TakeOutQuestion(records, manager::PlanTakeOut(records, 2, Fold)),
              "Take out \"m2\"? Its 1 file is put back as before it was applied; files it created are deleted.");
    const std::string question = manager::TakeOutQuestion(records, manager::PlanTakeOut(records, 0, Fold));
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
    EXPECT_EQ(manager::OverwriteQuestion(many),
              "This mod changes files that mods still applied have changed:\n\n    a, changed by \"m0\"\n"
              "    b, changed by \"m1\"\n    c, changed by \"m2\"\n    and 2 more files\n\nApply it over them? "
              "Taking it out later puts these files back as those mods left them.");
}

TEST(AppliedMods, EachFileSaysWhatItWasAndWhoChangedItSince) {
    StoreRecords records = Stack({{"a", "b", "c"}, {"b"}});
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
    EXPECT_EQ(files[0].before + "|" + files[0].now, "kept, 1 byte|as the mod left it");
    EXPECT_EQ(files[1].before + "|" + files[1].now, "created by the mod|changed by m1");
    EXPECT_EQ(files[2].before + "|" + files[2].now, "no original kept|changed outside Grenwick");
}

}  // namespace
