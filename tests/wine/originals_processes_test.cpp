// Real Grenwick processes keeping the game's originals in the local application data folder,
// running mods through the real command interpreter, then restoring and undoing them. Each
// step is a new process, so the store must outlive every one.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/sha256.h"
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
using testing_support::WriteBytes;

// Each test runs in a game folder of its own, with the list files at their fixed paths
// emptied, and leaves no store behind.
using RealGrenwick = GameFolderProcesses;

const Snapshot kMaps = {
    {"maps\\canyon.map", std::string("canyon\0\r\n\x1a\xff end", 15)},
    {"maps\\lagoon.map", "lagoon"},
    {"mods\\canyon1.map", std::string("canyon 1\0\x80", 10)},
    {"mods\\canyon2.map", "canyon 2"},
    {"mods\\extra.map", "extra"},
};

// Seen: a mod's "del /s /q *.*" wiped the store inside the game folder with everything else,
// and Restore had nothing left to put back.
TEST_F(RealGrenwick, AWipingModNeverReachesTheStoreAndRestoreBringsEveryFileBack) {
    MakeGameFolder(kMaps);
    CreateDirectoryA("maps\\deep", nullptr);
    CreateDirectoryA("maps\\deep\\sub", nullptr);
    CreateDirectoryA("data", nullptr);
    WriteBytes("maps\\deep\\sub\\deep.map", "deep");
    WriteBytes("data\\game.cfg", "cfg");
    WriteBytes("readme.txt", "readme");
    WriteWithTavlin("one.bat", "One", {{"maps\\canyon.map", "mods\\canyon1.map"}});
    // Outside the game folder, so that the wipe does not delete the running batch file.
    CreateDirectoryA("C:\\kitwipe", nullptr);
    ASSERT_TRUE(batchfile::WriteBatchFile("C:\\kitwipe\\wipe.bat", {":: &Wipe", "del /s /q *.map", "del /s /q *.*"}));
    const Snapshot before = TakeSnapshot(m_game.Path());
    AddMods({"one.bat", "C:\\kitwipe\\wipe.bat"});

    ASSERT_EQ(Apply("One"), Strings{"Done!"});
    ASSERT_NE(StoreFolder(), "");
    const Snapshot keptForOne = TakeSnapshot(StoreFolder());
    ASSERT_FALSE(keptForOne.empty());
    ASSERT_EQ(Apply("Wipe").back(), "Done!");
    RemoveTree("C:\\kitwipe");
    EXPECT_TRUE(TakeSnapshot(m_game.Path()).empty()) << "the wipe ran";
    const Snapshot kept = TakeSnapshot(StoreFolder());
    for (const auto& [name, bytes] : keptForOne) {
        if (name != "index.txt") {
            EXPECT_TRUE(kept.count(name) && kept.at(name) == bytes) << name << " in the store";
        }
    }

    const Strings boxes = Restore();
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_TRUE(StartsWith(boxes[0], "Put back " + std::to_string(before.size()) + " files as they were before"))
        << boxes[0];
    EXPECT_EQ(boxes[1], "Put back " + std::to_string(before.size()) + " files.");
    EXPECT_TRUE(TakeSnapshot(m_game.Path()) == before) << "every original, deep files too";
    const Snapshot left = TakeSnapshot(StoreFolder());
    EXPECT_TRUE(left.size() == 1 && left.count("index.txt"))
        << "the store is emptied but for its index, which remembers the next apply's number";
}

// The previous version kept its copies in the game folder, where a mod run by hand could
// wipe them before Grenwick is used: a start alone moves them out.
TEST_F(RealGrenwick, ThePreviousVersionsStoreLeavesTheGameFolderAtTheStart) {
    MakeGameFolder(kMaps);
    const std::string old = "Original files kept by Grenwick";
    CreateDirectoryA(old.c_str(), nullptr);
    CreateDirectoryA((old + "\\maps").c_str(), nullptr);
    WriteBytes(old + "\\maps\\canyon.map", "old canyon");
    WriteBytes(old + "\\index.txt",
               "Original game files kept by Grenwick before mods changed them; its system menu entry \"Restore "
               "original files...\" puts them back. One file a line: kept (a copy is here) or absent (a mod created "
               "it).\r\nkept\tmaps\\canyon.map\r\n");
    AddMods({});
    EXPECT_FALSE(Exists(old));
    ASSERT_NE(StoreFolder(), "");
    const Strings boxes = Restore();
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_EQ(boxes[1], "Put back 1 file.");
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), "old canyon");
}

// The reader follows the current folder and the names Windows reads alike; decoys of the same
// names in the game folder itself must stay as they are.
TEST_F(RealGrenwick, ModsThatChangeFolderOrSpellNamesOddlyKeepAndRestoreTheRightFiles) {
    struct Case {
        const char* mod;
        Strings lines;
        Snapshot changed;  // the files as the mod leaves them; "" for deleted
    };
    const std::vector<Case> cases = {
        {"Cd", {"cd maps", "copy ..\\mods\\canyon1.map canyon.map", "del lagoon.map"},
         {{"maps\\canyon.map", kMaps.at("mods\\canyon1.map")}, {"maps\\lagoon.map", ""}}},
        {"Pushd", {"pushd maps", "copy ..\\mods\\canyon1.map canyon.map", "del lagoon.map", "popd"},
         {{"maps\\canyon.map", kMaps.at("mods\\canyon1.map")}, {"maps\\lagoon.map", ""}}},
        {"Cd from the batch file", {"cd /d %~dp0..\\maps", "copy ..\\mods\\canyon2.map canyon.map", "del lagoon.map"},
         {{"maps\\canyon.map", "canyon 2"}, {"maps\\lagoon.map", ""}}},
        {"Variable", {"copy mods\\canyon2.map %KITMAPS%\\canyon.map"}, {{"maps\\canyon.map", "canyon 2"}}},
        {"Trailing dot",
         {"copy mods\\canyon1.map maps\\canyon.map", "copy mods\\canyon2.map \"maps\\canyon.map.\""},
         {{"maps\\canyon.map", "canyon 2"}}},
    };
    MakeGameFolder(kMaps);
    // Grenwick starts with the test's variables, and so do the mods it runs.
    ASSERT_TRUE(SetEnvironmentVariableA("KITMAPS", (m_game.Path() + "\\maps").c_str()));
    WriteBytes("canyon.map", "decoy canyon");
    WriteBytes("lagoon.map", "decoy lagoon");
    Strings files;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        files.push_back("mods\\m" + std::to_string(i) + ".bat");
        Strings lines = cases[i].lines;
        lines.insert(lines.begin(), std::string(":: &") + cases[i].mod);
        ASSERT_TRUE(batchfile::WriteBatchFile(files.back(), lines));
    }
    AddMods(files);
    const Snapshot before = TakeSnapshot(m_game.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mod);
        ASSERT_EQ(Apply(c.mod), Strings{"Done!"});
        Snapshot expected = before;
        for (const auto& [name, bytes] : c.changed)
            bytes.empty() ? void(expected.erase(name)) : void(expected[name] = bytes);
        EXPECT_TRUE(TakeSnapshot(m_game.Path()) == expected) << "the mod ran as the test expects";
        const Strings boxes = Restore();
        ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
        EXPECT_EQ(boxes[1], "Put back " + std::to_string(c.changed.size()) +
                                (c.changed.size() == 1 ? " file." : " files."));
        EXPECT_TRUE(TakeSnapshot(m_game.Path()) == before) << "the true originals";
    }
    SetEnvironmentVariableA("KITMAPS", nullptr);
}

// The index with a line added before its check line, the check made again when `reseal`.
std::string Planted(const std::string& index, const std::string& lines, bool reseal) {
    const std::size_t check = index.rfind("check\t");
    std::string text = index.substr(0, check) + lines;
    return text + (reseal ? "check\t" + base::ToHex(base::Sha256Of(text)) + "\r\n" : index.substr(check));
}

// Seen: index lines naming files outside the game folder made Restore delete or overwrite
// them. A planted line breaks the index's check; one sealed again must still never touch a
// file without the player seeing its full path.
TEST_F(RealGrenwick, LinesPlantedInTheIndexNeverTouchAFileUnasked) {
    MakeGameFolder(kMaps);
    WriteWithTavlin("one.bat", "One", {{"maps\\canyon.map", "mods\\canyon1.map"}});
    AddMods({"one.bat"});
    ASSERT_EQ(Apply("One"), Strings{"Done!"});
    const std::string parent = m_game.Path().substr(0, m_game.Path().find_last_of('\\'));
    const Strings victims = {parent + "\\victim1.txt", "C:\\victim2.txt", "C:\\victim3.txt"};
    for (const std::string& victim : victims)
        WriteBytes(victim, "victim");
    const std::string indexPath = StoreFolder() + "\\index.txt";
    const std::string index = ReadBytes(indexPath);
    ASSERT_TRUE(Contains(index, "\r\ncheck\t"));
    const std::string planted = "planted";
    const std::string keptLine =
        "kept\t" + std::to_string(planted.size()) + "\t" + base::ToHex(base::Sha256Of(planted)) + "\t-\tC:\\victim3.txt";
    struct Case {
        std::string lines;
        bool reseal;
        const char* fullPathAsked;  // the sealed full path the question must name; else refused
    };
    const std::vector<Case> cases = {
        {"absent\t..\\victim1.txt\r\nafter\tgone\r\n", false, nullptr},
        {"absent\tC:\\victim2.txt\r\nafter\tgone\r\n", false, nullptr},
        {keptLine + "\r\nafter\tgone\r\n", false, nullptr},
        {"absent\t..\\victim1.txt\r\nafter\tgone\r\n", true, nullptr},
        {"absent\tC:\\victim2.txt\r\nafter\tgone\r\n", true, "C:\\victim2.txt"},
        {keptLine + "\r\nafter\tgone\r\n", true, "C:\\victim3.txt"},
    };
    // A copy planted where an entry outside the game folder would keep it.
    for (const char* folder : {"\\1", "\\1\\elsewhere", "\\1\\elsewhere\\C"})
        CreateDirectoryA((StoreFolder() + folder).c_str(), nullptr);
    WriteBytes(StoreFolder() + "\\1\\elsewhere\\C\\victim3.txt", planted);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines + (c.reseal ? " sealed" : ""));
        WriteBytes(indexPath, Planted(index, c.lines, c.reseal));
        // A refused index first brings the offer to set the store aside, answered No.
        const Strings boxes = Restore(InTurn({IDNO, IDNO}));
        ASSERT_EQ(boxes.size(), c.fullPathAsked ? 1u : 2u) << testing::PrintToString(boxes);
        if (c.fullPathAsked) {
            EXPECT_TRUE(Contains(boxes[0], "those outside the game folder by their full path:")) << boxes[0];
            EXPECT_TRUE(Contains(boxes[0], "\n    " + std::string(c.fullPathAsked))) << boxes[0];
        } else {
            EXPECT_TRUE(Contains(boxes[0], "index.txt\" is damaged: ")) << boxes[0];
            EXPECT_TRUE(StartsWith(boxes[1], "The list of kept original files") &&
                        Contains(boxes[1], "so nothing was put back."))
                << boxes[1];
        }
        for (const std::string& victim : victims)
            EXPECT_EQ(ReadBytes(victim), "victim") << victim;
        EXPECT_EQ(ReadBytes("maps\\canyon.map"), kMaps.at("mods\\canyon1.map"));
    }
    for (const std::string& victim : victims)
        DeleteFileA(victim.c_str());
}

// Seen: a kept copy deleted by hand was promised "for a later try", which could never come.
TEST_F(RealGrenwick, AKeptCopyDeletedByHandIsNamedAsMissing) {
    MakeGameFolder(kMaps);
    WriteWithTavlin("one.bat", "One", {{"maps\\canyon.map", "mods\\canyon1.map"}, {"maps\\lagoon.map", "mods\\extra.map"}});
    AddMods({"one.bat"});
    ASSERT_EQ(Apply("One"), Strings{"Done!"});
    std::string copy;
    for (const auto& [name, bytes] : TakeSnapshot(StoreFolder()))
        if (name.size() > 16 && name.compare(name.size() - 16, 16, "\\maps\\canyon.map") == 0)
            copy = StoreFolder() + "\\" + name;
    ASSERT_TRUE(DeleteFileA(copy.c_str())) << copy;
    const Strings boxes = Restore();
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_EQ(boxes[1], "Put back 1 of 2 files.\n\nThese could not be put back:\n    maps\\canyon.map: its kept copy "
                        "is missing");
    EXPECT_EQ(ReadBytes("maps\\lagoon.map"), "lagoon");
}

TEST_F(RealGrenwick, APathBeginningLikeADevicePathIsRefusedAtAdd) {
    for (const std::string path : {"\\\\?\\C:\\mods\\qq.bat", "\\\\.\\C:\\mods\\qq.bat"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Type(path), Strings{"The path \"" + path + "\" cannot be used: it begins with \"\\\\?\\\" or "
                                      "\"\\\\.\\\", which the command interpreter cannot run a batch file from."});
    }
    EXPECT_FALSE(Exists("C:\\zorvmodpaths.txt") && !ReadBytes("C:\\zorvmodpaths.txt").empty());
}

// A line running another program cannot be followed: the player chooses. Cancel runs nothing;
// No runs the mod keeping what can be foreseen; Yes keeps the whole game folder first, so
// Restore undoes even the other program's change. Either way a file nobody foresaw being
// created is deleted by Restore.
TEST_F(RealGrenwick, AModRunningAnotherProgramAsksFirstAndYesLetsRestoreUndoEverything) {
    MakeGameFolder(kMaps);
    ASSERT_TRUE(batchfile::WriteBatchFile("other.bat", {":: &Other", "cmd /c copy mods\\extra.map maps\\lagoon.map",
                                                       "cmd /c copy mods\\extra.map maps\\surprise.map",
                                                       "copy mods\\canyon2.map maps\\canyon.map"}));
    AddMods({"other.bat"});
    const Snapshot before = TakeSnapshot(m_game.Path());
    struct Case {
        int answer;
        Strings afterQuestion;  // the boxes after the question
        std::string lagoonRestored;
    };
    const std::vector<Case> cases = {
        {IDCANCEL, {}, "lagoon"},
        {IDNO,
         {"The mod changed these files with no original kept, so \"Restore original files...\" cannot put them "
          "back:\n    maps\\lagoon.map",
          "Done!"},
         "extra"},
        {IDYES, {"Done!"}, "lagoon"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        const Strings boxes = Apply("Other", InTurn({c.answer}));
        ASSERT_FALSE(boxes.empty());
        EXPECT_TRUE(StartsWith(boxes[0], "Grenwick cannot tell which files these lines of the mod change:") &&
                    Contains(boxes[0], "line 2 (another program): cmd /c copy mods\\extra.map maps\\lagoon.map") &&
                    Contains(boxes[0], "line 3 (another program): cmd /c copy mods\\extra.map maps\\surprise.map"))
            << boxes[0];
        EXPECT_EQ(Strings(boxes.begin() + 1, boxes.end()), c.afterQuestion);
        if (c.answer == IDCANCEL) {
            EXPECT_TRUE(TakeSnapshot(m_game.Path()) == before) << "nothing ran";
            continue;
        }
        EXPECT_EQ(ReadBytes("maps\\surprise.map"), "extra");
        Restore();
        EXPECT_FALSE(Exists("maps\\surprise.map")) << "a file created unforeseen is deleted";
        EXPECT_EQ(ReadBytes("maps\\canyon.map"), kMaps.at("maps\\canyon.map"));
        EXPECT_EQ(ReadBytes("maps\\lagoon.map"), c.lagoonRestored);
        WriteBytes("maps\\lagoon.map", "lagoon");
    }
}

// Two Tavlin mods over one map, each step in a new process: Undo takes the newest apply back
// to the state just before it, then the one before, then says there is nothing left.
TEST_F(RealGrenwick, UndoTakesBackTheNewestModThenTheOneBeforeAcrossRestarts) {
    MakeGameFolder(kMaps);
    WriteWithTavlin("one.bat", "One", {{"maps\\canyon.map", "mods\\canyon1.map"}});
    WriteWithTavlin("two.bat", "Two", {{"maps\\canyon.map", "mods\\canyon2.map"}, {"maps\\extra.map", "mods\\extra.map"}});
    AddMods({"one.bat", "two.bat"});
    const Snapshot before = TakeSnapshot(m_game.Path());
    ASSERT_EQ(Apply("One"), Strings{"Done!"});
    const Snapshot afterOne = TakeSnapshot(m_game.Path());
    ASSERT_EQ(Apply("Two").back(), "Done!");
    ASSERT_EQ(ReadBytes("maps\\canyon.map"), "canyon 2");

    Strings boxes = Undo();
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_TRUE(StartsWith(boxes[0], "Undo \"Two\"? Its 2 files are put back")) << boxes[0];
    EXPECT_EQ(boxes[1], "Undid \"Two\": put back 2 files.");
    EXPECT_TRUE(TakeSnapshot(m_game.Path()) == afterOne) << "One's map byte for byte, Two's new map gone";

    boxes = Undo();
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_EQ(boxes[1], "Undid \"One\": put back 1 file.");
    EXPECT_TRUE(TakeSnapshot(m_game.Path()) == before);

    EXPECT_EQ(Undo(), Strings{"No applied mod is remembered, so there is nothing to undo."});
}

// What Undo cannot or should not put back: a file the player changed since (named; declined,
// it stays) and a file held open without sharing (named; the apply stays for a later try).
TEST_F(RealGrenwick, UndoLeavesAFileChangedSinceAndKeepsTheApplyForAFileItCannotWrite) {
    MakeGameFolder(kMaps);
    WriteWithTavlin("one.bat", "One", {{"maps\\canyon.map", "mods\\canyon1.map"}});
    AddMods({"one.bat"});

    ASSERT_EQ(Apply("One"), Strings{"Done!"});
    WriteBytes("maps\\canyon.map", "changed by hand since");
    Strings boxes = Undo(InTurn({IDYES, IDNO}));
    ASSERT_EQ(boxes.size(), 3u) << testing::PrintToString(boxes);
    EXPECT_TRUE(Contains(boxes[0], "These files were changed after it was applied:\n    maps\\canyon.map")) << boxes[0];
    EXPECT_TRUE(StartsWith(boxes[1], "Put back the files changed after \"One\" was applied too?")) << boxes[1];
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), "changed by hand since");

    WriteBytes("maps\\canyon.map", kMaps.at("maps\\canyon.map"));
    ASSERT_EQ(Apply("One"), Strings{"Done!"});
    HANDLE held = CreateFileA("maps\\canyon.map", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    boxes = Undo();
    CloseHandle(held);
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_TRUE(Contains(boxes[1], "These could not be put back and stay remembered for a later try:\n    "
                                   "maps\\canyon.map"))
        << boxes[1];
    boxes = Undo();
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_EQ(boxes[1], "Undid \"One\": put back 1 file.");
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), kMaps.at("maps\\canyon.map"));
}

}  // namespace

// Four map-swap mods, each over a file of the one before it or not: applying over a mod still
// applied asks first (a first apply never does); taking out the middle one takes out the later
// ones that changed its files and applies them again, through the real command interpreter,
// and one whose batch file is gone is named and left out.
TEST_F(RealGrenwick, TakingOutAMiddleModAppliesTheLaterOverlappingOnesAgain) {
    MakeGameFolder(kMaps);
    WriteWithTavlin("one.bat", "One", {{"maps\\canyon.map", "mods\\canyon1.map"}});
    WriteWithTavlin("two.bat", "Two", {{"maps\\lagoon.map", "mods\\extra.map"}});
    WriteWithTavlin("three.bat", "Three", {{"maps\\lagoon.map", "mods\\canyon2.map"}});
    WriteWithTavlin("four.bat", "Four", {{"maps\\lagoon.map", "mods\\canyon1.map"}});
    AddMods({"one.bat", "two.bat", "three.bat", "four.bat"});
    ASSERT_EQ(Apply("One"), Strings{"Done!"});
    ASSERT_EQ(Apply("Two"), Strings{"Done!"});
    Strings boxes = Apply("Three");
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_TRUE(Contains(boxes[0], "maps\\lagoon.map, changed by \"Two\"")) << boxes[0];
    ASSERT_EQ(Apply("Four").back(), "Done!");
    DeleteFileA("four.bat");

    GrenwickProcess grenwick(m_game.Path());
    std::thread player([&grenwick] {
        const HWND window = WaitForWindowWith(grenwick.Id(), IDC_APPLIED_LIST, std::chrono::seconds(10));
        const HWND list = GetDlgItem(window, IDC_APPLIED_LIST);
        const auto rows = [list] {
            DWORD_PTR count = 0;
            SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &count);
            return count;
        };
        if (!window || rows() != 4)
            return;
        // Newest first: Four, Three, Two, One; the keys move the selection, as a player's do.
        for (int i = 0; i < 2; ++i)
            PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
        if (!WaitFor([list] { return SelectedRow(list) == 2; }, std::chrono::seconds(10)))
            return;
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_TAKE_OUT, BN_CLICKED), 0);
        WaitFor([&] { return rows() == 2; }, std::chrono::seconds(60));
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
    boxes = grenwick.Drive(WM_SYSCOMMAND, IDM_APPLIED_MODS, 0, Yes);
    player.join();
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_TRUE(StartsWith(boxes[0], "Take out \"Two\"? Its 1 file is put back")) << boxes[0];
    EXPECT_TRUE(Contains(boxes[0], "\"Three\" and \"Four\" change some of the same files after it")) << boxes[0];
    EXPECT_TRUE(StartsWith(boxes.back(), "Took out \"Four\", \"Three\" and \"Two\".\n\nApplied again: \"Three\".\n\n"
                                         "Not applied again:\n    \"Four\": its batch file \""))
        << boxes.back();
    EXPECT_TRUE(Contains(boxes.back(), "four.bat\" is gone.\n\nApply it from the list once you have seen why."))
        << boxes.back();
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), ReadBytes("mods\\canyon1.map")) << "One stays applied";
    EXPECT_EQ(ReadBytes("maps\\lagoon.map"), "canyon 2") << "Three applied again over the original";

    EXPECT_EQ(Restore().back(), "Put back 2 files.");
    EXPECT_EQ(ReadBytes("maps\\lagoon.map"), "lagoon");
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), kMaps.at("maps\\canyon.map"));
}

namespace {

// Seen: a mod could delete or overwrite the kept copies while it ran. A line the reader
// cannot follow (it reads a command's output) deletes everything in the store root: the
// store's files are held without delete sharing for the run, so the copy stays and Restore
// puts the original back.
TEST_F(RealGrenwick, AModLineNoReaderFollowsCannotDeleteTheStoreWhileItRuns) {
    MakeGameFolder(kMaps);
    ASSERT_TRUE(batchfile::WriteBatchFile(
        "sneaky.bat", {":: &Sneaky", "copy /y mods\\canyon1.map maps\\canyon.map",
                       "for /f \"delims=\" %%d in ('echo %LOCALAPPDATA%') do del /s /q \"%%d\\Grenwick\\Originals\\*\""}));
    AddMods({"sneaky.bat"});
    const Strings boxes = Apply("Sneaky", InTurn({IDNO}));
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_TRUE(Contains(boxes[0], "cannot tell which files this line")) << boxes[0];
    EXPECT_EQ(boxes[1], "Done!");
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), kMaps.at("mods\\canyon1.map")) << "the mod ran";
    const Strings restored = Restore();
    ASSERT_EQ(restored.size(), 2u) << testing::PrintToString(restored);
    EXPECT_EQ(restored[1], "Put back 1 file.");
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), kMaps.at("maps\\canyon.map"));
}

// Seen: a file the mod created and made read-only "stayed kept for a later try" on every
// Restore. It is deleted all the same.
TEST_F(RealGrenwick, AReadOnlyFileTheModCreatedIsDeletedByOneRestore) {
    MakeGameFolder(kMaps);
    ASSERT_TRUE(batchfile::WriteBatchFile("locked.bat", {":: &Locked", "copy /y mods\\canyon1.map maps\\canyon.map",
                                                         "copy mods\\extra.map maps\\made.map",
                                                         "attrib +r maps\\made.map"}));
    AddMods({"locked.bat"});
    ASSERT_EQ(Apply("Locked"), Strings{"Done!"});
    const DWORD attributes = GetFileAttributesA("maps\\made.map");
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(attributes & FILE_ATTRIBUTE_READONLY) << "the mod ran";
    const Strings boxes = Restore();
    ASSERT_EQ(boxes.size(), 2u) << testing::PrintToString(boxes);
    EXPECT_EQ(boxes[1], "Put back 2 files.");
    EXPECT_FALSE(Exists("maps\\made.map"));
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), kMaps.at("maps\\canyon.map"));
}

}  // namespace

namespace {

Strings TempFiles(const std::string& folder) {
    Strings temps;
    for (const auto& [name, bytes] : TakeSnapshot(folder))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0)
            temps.push_back(name);
    return temps;
}

// Seen: killed while keeping a big map, its temp file stayed in the store for good; killed
// while putting it back, "big.map.<pid>-0.tmp" stayed beside it; killed while the mod ran, the
// file it made was never known and Restore left it. Each kill lands at a test point, by the
// process handle; the next start removes the temp files and settles the run, and Restore (a
// second one after a kill in the first) then gives back the game folder as it was.
TEST_F(RealGrenwick, AKillWhileKeepingPuttingBackOrRunningIsFinishedAtTheNextStart) {
    MakeGameFolder(kMaps);
    WriteBytes("maps\\big.map", std::string(3 << 20, 'b'));  // several pieces of a copy
    ASSERT_TRUE(batchfile::WriteBatchFile("big.bat", {":: &Big", "copy /y mods\\extra.map maps\\big.map",
                                                      "cmd /c copy mods\\extra.map maps\\made.map"}));
    AddMods({"big.bat"});
    const Snapshot before = TakeSnapshot(m_game.Path());
    const auto keepForeseen = [] { return InTurn({IDNO}); };  // for the line no reader follows
    const struct {
        const char* point;
        bool restore;  // the kill comes in a Restore after a whole apply
        bool tempInStore;
        std::size_t temps;  // left by the kill
    } cases[] = {{"keeping", false, true, 1}, {"putting back", true, false, 1}, {"running", false, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.point);
        if (c.restore) {
            ASSERT_EQ(Apply("Big", keepForeseen()).back(), "Done!");
        }
        {
            const ScopedTestPoint stop(c.point);
            const GrenwickProcess grenwick(m_game.Path());
            std::thread driver([&] {
                if (c.restore)
                    grenwick.Drive(WM_SYSCOMMAND, IDM_RESTORE_ORIGINALS, 0, Yes);
                else if (grenwick.Select("Big"))
                    grenwick.Command(IDOK, keepForeseen());
            });
            const bool reached = stop.Reached();
            grenwick.Kill();
            driver.join();
            ASSERT_TRUE(reached);
        }
        EXPECT_EQ(TempFiles(c.tempInStore ? StoreFolder() : m_game.Path()).size(), c.temps);
        EXPECT_GE(GrenwickProcess(m_game.Path()).ListCount(), 0);  // a start, done once it answers
        EXPECT_EQ(TempFiles(StoreFolder()), Strings{});
        EXPECT_EQ(TempFiles(m_game.Path()), Strings{});
        Restore();
        EXPECT_TRUE(TakeSnapshot(m_game.Path()) == before);
    }
}

// Seen: while window A's mod ran, window B's Restore finished, A's apply record went, A said
// "Done!" and the original map was lost. B now waits for the lock as a list change does and
// says the store is in use; A's apply is recorded, and a later Restore puts the map back.
TEST_F(RealGrenwick, AnotherWindowsRestoreOrUndoWaitsForARunningModAndChangesNothing) {
    MakeGameFolder(kMaps);
    WriteWithTavlin("one.bat", "One", {{"maps\\canyon.map", "mods\\canyon1.map"}});
    AddMods({"one.bat"});
    Strings applied, other;
    const auto started = std::chrono::steady_clock::now();
    {
        const ScopedTestPoint held("running");
        std::thread a([&] { applied = Apply("One"); });
        if (held.Reached())
            for (const Strings& boxes : {Restore(), Undo()})
                other.insert(other.end(), boxes.begin(), boxes.end());
        held.GoOn();
        a.join();
    }
    const auto waited = std::chrono::steady_clock::now() - started;
    const std::string inUse = "The kept original files are in use by another Grenwick window, so nothing was put back.";
    EXPECT_EQ(other, Strings({inUse, inUse}));
    // Each of B's two windows waits for the lock at its start and again for its command.
    EXPECT_GE(waited, 4 * manager::kStateLockWait);
    std::printf("Restore and Undo in another window: in use after %lld ms in all\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));
    EXPECT_EQ(applied, Strings{"Done!"});
    EXPECT_EQ(Restore().back(), "Put back 1 file.");
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), kMaps.at("maps\\canyon.map"));
}

}  // namespace
