// Real Grenwick processes changing one store at once: a question left open while another
// window changes the store, a take-out half done, a take-out killed before a later mod runs
// again, and another window's change while a take-out asks about a mod it applies again.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "batchfile/batch_lines.h"
#include "game_folder_processes.h"
#include "manager/state_lock.h"
#include "resources/grenwick/resource.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"
#include "wine_support.h"

namespace {

using namespace wine_support;
using testing_support::ReadBytes;


const Snapshot kGame = {
    {"maps\\a.map", std::string("a original\0\r\n\x1a", 14)},
    {"maps\\b.map", "b original"},
    {"maps\\c.map", "c original"},
    {"mods\\amber.map", "amber"},
    {"mods\\birch.map", "birch"},
    {"mods\\cedar.map", "cedar"},
    {"mods\\extra.map", "extra"},
};

// Amber is always the oldest apply, the one taken out.
const std::string kTakeOutAmber = "Take out \"Amber\"?";

class StoreChanges : public GameFolderProcesses {
protected:
    // Amber applied over a.map, then Birch, of the pairs given, listed and applied if asked.
    void AmberAndBirch(const std::vector<std::pair<std::string, std::string>>& birch, bool applyBirch) const {
        MakeGameFolder(kGame);
        WriteWithTavlin("amber.bat", "Amber", {{"maps\\a.map", "mods\\amber.map"}});
        WriteWithTavlin("birch.bat", "Birch", birch);
        AddMods({"amber.bat", "birch.bat"});
        ASSERT_EQ(Apply("Amber"), Strings{"Done!"});
        if (applyBirch) {
            ASSERT_EQ(Apply("Birch").back(), "Done!");
        }
    }
    // Birch is the newest apply, and Restore gives back a.map's true original.
    void ExpectBirchNewestAndTheOriginalRestored() const {
        const Strings undo = Undo(InTurn({IDNO}));
        EXPECT_TRUE(!undo.empty() && StartsWith(undo[0], "Undo \"Birch\"?")) << testing::PrintToString(undo);
        Restore();
        EXPECT_EQ(ReadBytes("maps\\a.map"), kGame.at("maps\\a.map")) << "the true original";
    }
};

bool AnySays(const Strings& boxes, const std::string& part) {
    for (const std::string& box : boxes)
        if (Contains(box, part))
            return true;
    return false;
}

// Yes to every question, the first only after `meanwhile` (another window's work) has run;
// No to one saying the store changed while it was open, which must never go on anyway.
Answer YesAfter(std::function<void()> meanwhile) {
    return [meanwhile, asked = false](const std::string& question) mutable {
        if (!asked) {
            asked = true;
            meanwhile();
        }
        return Contains(question, "while this question was open") ? IDNO : IDYES;
    };
}

// Seen: window 1's Take out, answered after window 2 applied Birch over the same map, put the
// original back over Birch's map while Birch stayed listed, and Restore later wrote Amber's
// map back as if it were the original.
TEST_F(StoreChanges, ATakeOutAnsweredAfterAnotherWindowAppliedOverItChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(AmberAndBirch({{"maps\\a.map", "mods\\birch.map"}}, false));
    Strings second;
    const Strings boxes =
        TakeOutOldest(GrenwickProcess(m_game.Path()), YesAfter([&] { second = Apply("Birch"); }));
    ASSERT_TRUE(AnySays(boxes, kTakeOutAmber)) << testing::PrintToString(boxes);
    ASSERT_FALSE(second.empty());
    ASSERT_EQ(second.back(), "Done!");
    EXPECT_TRUE(AnySays(boxes, "while this question was open")) << testing::PrintToString(boxes);
    EXPECT_EQ(ReadBytes("maps\\a.map"), kGame.at("mods\\birch.map"));
    ExpectBirchNewestAndTheOriginalRestored();
}

// Seen: Birch undone in window 2 and Cedar applied got Birch's number, and window 1's Yes to
// "Undo Birch?" then undid Cedar.
TEST_F(StoreChanges, AStaleUndoAnswerNeverUndoesALaterApply) {
    MakeGameFolder(kGame);
    WriteWithTavlin("amber.bat", "Amber", {{"maps\\a.map", "mods\\amber.map"}});
    WriteWithTavlin("birch.bat", "Birch", {{"maps\\b.map", "mods\\birch.map"}});
    WriteWithTavlin("cedar.bat", "Cedar", {{"maps\\c.map", "mods\\cedar.map"}});
    AddMods({"amber.bat", "birch.bat", "cedar.bat"});
    ASSERT_EQ(Apply("Amber"), Strings{"Done!"});
    ASSERT_EQ(Apply("Birch"), Strings{"Done!"});

    std::string bWhenCedarApplied;
    Strings cedar;
    const Strings boxes = Undo(YesAfter([&] {
        Undo();
        bWhenCedarApplied = ReadBytes("maps\\b.map");
        cedar = Apply("Cedar");
    }));
    ASSERT_FALSE(boxes.empty());
    EXPECT_TRUE(StartsWith(boxes[0], "Undo \"Birch\"?")) << boxes[0];
    ASSERT_EQ(bWhenCedarApplied, kGame.at("maps\\b.map")) << "window 2 undid Birch";
    ASSERT_EQ(cedar, Strings{"Done!"});
    EXPECT_TRUE(AnySays(boxes, "while this question was open")) << testing::PrintToString(boxes);
    EXPECT_FALSE(AnySays(boxes, "Undid \"Birch\"")) << testing::PrintToString(boxes);
    EXPECT_EQ(ReadBytes("maps\\c.map"), kGame.at("mods\\cedar.map"));
    EXPECT_EQ(ReadBytes("maps\\a.map"), kGame.at("mods\\amber.map"));
}

// Seen: with a.map held open, b.map was put back and the message said "Nothing was taken out".
TEST_F(StoreChanges, AHalfDoneTakeOutSaysWhatWasPutBackAndWhatIsInUse) {
    ASSERT_NO_FATAL_FAILURE(
        AmberAndBirch({{"maps\\a.map", "mods\\birch.map"}, {"maps\\b.map", "mods\\birch.map"}}, true));
    const HANDLE held = CreateFileW(L"maps\\a.map", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const Strings boxes = TakeOutOldest(GrenwickProcess(m_game.Path()), Yes);
    CloseHandle(held);
    ASSERT_TRUE(AnySays(boxes, kTakeOutAmber)) << testing::PrintToString(boxes);
    const std::string& last = boxes.back();
    EXPECT_TRUE(Contains(last, "b.map")) << last;
    EXPECT_TRUE(Contains(last, "a.map: it is in use")) << last;
    EXPECT_FALSE(Contains(last, "Nothing was taken out")) << last;
    EXPECT_EQ(ReadBytes("maps\\b.map"), kGame.at("maps\\b.map"));
    EXPECT_EQ(ReadBytes("maps\\a.map"), kGame.at("mods\\birch.map"));
}

// Seen: killed after its put-backs and before Birch ran again, Take out left Birch out of the
// applied mods for good, and nothing said so.
TEST_F(StoreChanges, ATakeOutKilledBeforeALaterModRunsAgainIsFinishedAtTheNextStart) {
    ASSERT_NO_FATAL_FAILURE(AmberAndBirch({{"maps\\a.map", "mods\\birch.map"}}, true));
    {
        const ScopedTestPoint stop("applying-again");
        const GrenwickProcess first(m_game.Path());
        Strings boxes;
        std::thread player([&first, &boxes] { boxes = TakeOutOldest(first, Yes); });
        const bool reached = stop.Reached();
        first.Kill();
        player.join();
        ASSERT_TRUE(AnySays(boxes, kTakeOutAmber)) << testing::PrintToString(boxes);
        ASSERT_TRUE(reached) << "the take out stops before Birch runs again";
    }
    EXPECT_EQ(ReadBytes("maps\\a.map"), kGame.at("maps\\a.map")) << "killed after the put-backs";

    const Strings atStart = GrenwickProcess(m_game.Path(), Yes).StartBoxes();
    EXPECT_TRUE(AnySays(atStart, "had not yet applied these mods again") && AnySays(atStart, "Birch"))
        << testing::PrintToString(atStart);
    EXPECT_EQ(ReadBytes("maps\\a.map"), kGame.at("mods\\birch.map"));
    ExpectBirchNewestAndTheOriginalRestored();
}

// Seen: Take out asked about Birch's line no reader follows with the lock held and without
// naming Birch, so another window's add waited and said the list was in use.
TEST_F(StoreChanges, ATakeOutAsksAboutALaterModFirstAndNamesItWhileOtherWindowsGoOn) {
    MakeGameFolder(kGame);
    WriteWithTavlin("amber.bat", "Amber", {{"maps\\a.map", "mods\\amber.map"}});
    ASSERT_TRUE(batchfile::WriteBatchFile("birch.bat", {":: &Birch", "copy /y mods\\birch.map maps\\a.map",
                                                       "cmd /c copy mods\\extra.map maps\\extra.map"}));
    ASSERT_TRUE(batchfile::WriteBatchFile("cedar.bat", {":: &Cedar"}));
    AddMods({"amber.bat", "birch.bat"});
    ASSERT_EQ(Apply("Amber"), Strings{"Done!"});
    // No to the question about the line no reader follows: what can be foreseen is kept.
    ASSERT_EQ(Apply("Birch", [](const std::string& text) { return Contains(text, "cannot tell") ? IDNO : IDYES; })
                  .back(),
              "Done!");

    std::string question, mapWhenAsked, listedPaths;
    Strings added;
    std::chrono::steady_clock::duration addTime{};
    const Strings boxes = TakeOutOldest(GrenwickProcess(m_game.Path()), [&](const std::string& text) {
        if (!Contains(text, "cannot tell which files") || !question.empty())
            return IDYES;
        question = text;
        mapWhenAsked = ReadBytes("maps\\a.map");
        const GrenwickProcess second(m_game.Path());
        const auto started = std::chrono::steady_clock::now();
        added = Type(second, "cedar.bat");
        addTime = std::chrono::steady_clock::now() - started;
        listedPaths = ReadBytes("C:\\zorvmodpaths.txt");
        return IDNO;
    });
    ASSERT_TRUE(AnySays(boxes, kTakeOutAmber)) << testing::PrintToString(boxes);
    ASSERT_FALSE(question.empty()) << testing::PrintToString(boxes);
    EXPECT_TRUE(Contains(question, "Birch")) << question;
    EXPECT_EQ(mapWhenAsked, kGame.at("mods\\birch.map")) << "asked before anything changed";
    EXPECT_EQ(added, Strings{});
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(addTime).count(), manager::kStateLockWait.count())
        << "ms for the add";
    EXPECT_TRUE(Contains(listedPaths, "cedar.bat")) << listedPaths;
    EXPECT_EQ(ReadBytes("maps\\a.map"), kGame.at("mods\\birch.map")) << "Birch applied again";
}

}  // namespace
