// "What this mod changes": the window's lists, sorting and keys in this process, the question
// that names more files than a message box holds, and real Grenwick processes showing the
// window over a mod, where nothing may change on disk.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "batchfile/batch_lines.h"
#include "game_folder_processes.h"
#include "game_mods.h"
#include "manager/originals/store_place.h"
#include "manager/win/files_question_dlg.h"
#include "manager/system_runner.h"
#include "manager/win/grenwick_dlg.h"
#include "manager/win/local_app_data.h"
#include "manager/win/what_changes_dlg.h"
#include "resources/grenwick/resource.h"
#include "tests/support/text_checks.h"
#include "wine_support.h"

namespace {

using namespace wine_support;
using Change = manager::PreviewRow::Change;

// Clicks a column's header: the list view tells its dialog as a header click does.
void ClickHeader(HWND dialog, int column) {
    NMLISTVIEW click{};
    click.hdr = {GetDlgItem(dialog, IDC_WHAT_FILES), IDC_WHAT_FILES, LVN_COLUMNCLICK};
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(dialog, WM_NOTIFY, IDC_WHAT_FILES, reinterpret_cast<LPARAM>(&click));
}

Strings Column(HWND dialog, int column) {
    const shell::CListView list(GetDlgItem(dialog, IDC_WHAT_FILES));
    Strings cells;
    for (std::size_t i = 0; i < list.Count(); ++i)
        cells.push_back(list.Text(i, column));
    return cells;
}

TEST(WhatChangesWindow, ShowsEveryRowSortsOnAHeaderClickAndMovesByKeys) {
    manager::ChangePreview preview;
    preview.rows = {{"a.map", Change::Changed, "Amber", 2048},
                    {"b.map", Change::Created, "", std::nullopt},
                    {"C:\\Other\\c.cfg", Change::Deleted, "birch", 532},
                    {"maps\\\xc3\xa9t\xc3\xa9.map", Change::MayChange, "", 5242880}};
    preview.lines = {{"line 4", "setup.exe /quiet", "another program"},
                     {"\"C:\\Game\\sub.bat\" line 2", "tool.exe", "another program"}};
    preview.summary = "Changes 1 file, creates 1 and deletes 1, and may change 1 more.";
    // The rest of the summary, found once the window is up.
    const std::string whole = "Changes 1 file, creates 1 and deletes 1, and may change 1 more; a copy of the whole "
                              "game folder would take 1.00 GB.";
    int finished = 0;
    preview.finishSummary = [&] {
        ++finished;
        return whole;
    };
    ProgramResources resources("Grenwick.exe");
    StandIns user;
    CWhatChangesDlg window(preview, resources.Module(), user.Platform());
    const HWND hwnd = window.CreateModeless(nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(WindowTitle(hwnd), "What this mod changes");
    ExpectControls(hwnd, {IDC_WHAT_FILES, IDC_WHAT_LINES, IDC_WHAT_SUMMARY, IDCANCEL});
    EXPECT_EQ(ListRows(hwnd, IDC_WHAT_FILES),
              (Strings{"a.map\tchanged\tAmber\t2.00 KB", "b.map\tcreated", "C:\\Other\\c.cfg\tdeleted\tbirch\t532 bytes",
                       "maps\\\xc3\xa9t\xc3\xa9.map\tmay change\t\t5.00 MB"}));
    EXPECT_EQ(ListRows(hwnd, IDC_WHAT_LINES),
              (Strings{"line 4\tsetup.exe /quiet\tanother program",
                       "\"C:\\Game\\sub.bat\" line 2\ttool.exe\tanother program"}));
    EXPECT_EQ(Text(hwnd, IDC_WHAT_SUMMARY), preview.summary);
    EXPECT_TRUE(WaitFor([&] { return Text(hwnd, IDC_WHAT_SUMMARY) == whole; }, std::chrono::seconds(5)))
        << Text(hwnd, IDC_WHAT_SUMMARY);
    PumpMessages();
    EXPECT_EQ(finished, 1) << "found once";

    const struct {
        int column;
        Strings names;  // the name column after the click
    } clicks[] = {
        {3, {"b.map", "C:\\Other\\c.cfg", "a.map", "maps\\\xc3\xa9t\xc3\xa9.map"}},  // by size, none first
        {3, {"maps\\\xc3\xa9t\xc3\xa9.map", "a.map", "C:\\Other\\c.cfg", "b.map"}},  // the same again reverses
        {2, {"b.map", "maps\\\xc3\xa9t\xc3\xa9.map", "a.map", "C:\\Other\\c.cfg"}},  // the mod, case aside
        {1, {"a.map", "b.map", "C:\\Other\\c.cfg", "maps\\\xc3\xa9t\xc3\xa9.map"}},
        {0, {"a.map", "b.map", "C:\\Other\\c.cfg", "maps\\\xc3\xa9t\xc3\xa9.map"}},
        {0, {"maps\\\xc3\xa9t\xc3\xa9.map", "C:\\Other\\c.cfg", "b.map", "a.map"}},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.column);
        ClickHeader(hwnd, click.column);
        EXPECT_EQ(Column(hwnd, 0), click.names);
    }
    ClickHeader(hwnd, 0);

    // The files list has the focus and its first row; the keys move as in the Applied mods window.
    const HWND files = GetDlgItem(hwnd, IDC_WHAT_FILES);
    SetFocus(files);
    shell::CListView(files).Select(0);
    const struct {
        WPARAM key;
        LRESULT row;
    } moves[] = {{VK_DOWN, 1}, {VK_END, 3}, {VK_UP, 2}, {VK_HOME, 0}};
    for (const auto& move : moves) {
        PressKey(hwnd, move.key);
        EXPECT_EQ(SelectedRow(files), move.row) << move.key;
    }
    for (const int next : {IDC_WHAT_LINES, IDCANCEL, IDC_WHAT_FILES}) {
        PressKey(hwnd, VK_TAB);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), next);
    }
    for (const auto& [letter, id] : {std::pair{'l', IDC_WHAT_LINES}, std::pair{'f', IDC_WHAT_FILES}}) {
        MSG alt{GetFocus(), WM_SYSCHAR, static_cast<WPARAM>(letter), 1 << 29, 0, {}};
        IsDialogMessageA(hwnd, &alt);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), id) << letter;
    }
    PressKey(hwnd, VK_ESCAPE);
    EXPECT_FALSE(IsWindow(hwnd));
}

// Up to a box's worth the names go into the message box, one a line; beyond that the window
// lists every one, scrolls, and answers as its buttons and keys say.
TEST(FilesQuestion, NamesEveryFileInABoxOrInAListThatScrollsAndAnswers) {
    ProgramResources resources("Grenwick.exe");
    StandIns user;
    Strings names;
    for (std::size_t i = 1; i <= CFilesQuestionDlg::kNamesInABox; ++i)
        names.push_back("maps\\level" + std::to_string(i) + ".map");
    user.answers = {false};
    EXPECT_FALSE(CFilesQuestionDlg::Ask(nullptr, "Put back?", names, true, resources.Module(), user.Platform()));
    ASSERT_EQ(user.questions.size(), 1u);
    std::string shown = "Put back?";
    for (const std::string& name : names)
        shown += "\n    " + name;
    EXPECT_EQ(user.questions[0], shown);
    for (int i = 13; i <= 60; ++i)
        names.push_back("maps\\level" + std::to_string(i) + ".map");
    names.push_back("maps\\\xc3\xa9t\xc3\xa9.map");

    const struct {
        const char* what;
        bool defaultYes;
        WPARAM key;   // 0: a click on `button`
        int button;
        int answer;
    } cases[] = {
        {"Enter, Yes the default", true, VK_RETURN, 0, IDYES},
        {"Enter, No the default", false, VK_RETURN, 0, IDNO},
        {"Esc", true, VK_ESCAPE, 0, IDNO},
        {"a click on Yes", false, 0, IDYES, IDYES},
        {"a click on No", true, 0, IDNO, IDNO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CFilesQuestionDlg question("Put back 61 files?", names, c.defaultYes, resources.Module(), user.Platform());
        const HWND hwnd = question.CreateModeless(nullptr);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(WindowTitle(hwnd), shell::ProgramName());
        EXPECT_EQ(Text(hwnd, IDC_QUESTION_TEXT), "Put back 61 files?");
        const HWND list = GetDlgItem(hwnd, IDC_QUESTION_FILES);
        EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 61);
        wchar_t last[32] = {};
        SendMessageW(list, LB_GETTEXT, 60, reinterpret_cast<LPARAM>(last));
        EXPECT_EQ(base::Utf8OfWide(last), names.back()) << "a name outside the code page shows whole";
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), c.defaultYes ? IDYES : IDNO) << "the default button has the focus";
        EXPECT_GT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), 0) << "a long name scrolls sideways";
        SendMessageW(list, WM_VSCROLL, SB_BOTTOM, 0);
        EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 40) << "the list scrolls to its last name";
        SetFocus(GetDlgItem(hwnd, c.defaultYes ? IDYES : IDNO));
        if (c.key)
            PressKey(hwnd, c.key);
        else
            Click(hwnd, c.button);
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(question.Answer(), c.answer);
    }
}

// Real Grenwick processes: the window opened from the system menu over a mod and closed with
// Esc leaves the game folder, the whole store and the list and last-mod files byte-equal.
using RealWhatChanges = GameFolderProcesses;

TEST_F(RealWhatChanges, TheWindowShowsAModAndNothingOnDiskChanges) {
    MakeGameFolder({{"maps\\canyon.map", "canyon"}, {"maps\\lagoon.map", "lagoon"}, {"mods\\amber.map", "amber"},
                    {"mods\\wide.map", "wide"}, {"save.dat", "save"}});
    WriteWithTavlin("amber.bat", "Amber", {{"maps\\canyon.map", "mods\\amber.map"}});
    // Outside the game folder, so that a look at the wipe does not count its own batch file.
    CreateDirectoryA("C:\\kitlook", nullptr);
    ASSERT_TRUE(batchfile::WriteBatchFile("C:\\kitlook\\wide.bat",
                                          {":: &Wide", "copy /y mods\\wide.map maps\\canyon.map",
                                           "copy /y mods\\wide.map maps\\new.map", "del maps\\lagoon.map",
                                           "tools\\setup.exe /quiet"}));
    ASSERT_TRUE(batchfile::WriteBatchFile("C:\\kitlook\\wipe.bat", {":: &Wipe", "del /s /q *.*"}));
    AddMods({"amber.bat", "C:\\kitlook\\wide.bat", "C:\\kitlook\\wipe.bat"});
    ASSERT_EQ(Apply("Amber"), Strings{"Done!"});
    const std::string store = manager::StoreRoot(manager::LocalAppDataFolder().value_or(""));
    const auto state = [&] {
        Snapshot all = TakeSnapshot(m_game.Path(), "game\\");
        all.merge(TakeSnapshot(store, "store\\"));
        for (const char* file : {"C:\\zorvmodnames.txt", "C:\\zorvmodpaths.txt", "C:\\Windows\\system32\\lastmod.txt"})
            all[file] = testing_support::ReadBytes(file);
        return all;
    };
    const Snapshot before = state();

    const struct {
        const char* mod;
        LRESULT files, unfollowed;
        Strings summary;  // pieces of it
    } cases[] = {
        {"Wide", 3, 1,
         {"creates 1 and deletes", "1 belongs to an applied mod: \"Amber\"", "cannot follow 1 line of it",
          "a copy of the whole game folder would take ", " free on the disk of the kept files."}},
        {"Wipe", 6, 0, {"1 belongs to an applied mod: \"Amber\"", "Every line"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mod);
        GrenwickProcess grenwick(m_game.Path());
        ASSERT_TRUE(grenwick.Select(c.mod));
        std::string summary;
        LRESULT files = -1, unfollowed = -1;
        bool closed = false;
        std::thread player([&] {
            const HWND window = WaitForWindowWith(grenwick.Id(), IDC_WHAT_FILES, std::chrono::seconds(30));
            // Where a line cannot be followed the summary is whole once the window has walked
            // the game folder.
            WaitFor([&] {
                summary = testing_support::WindowText(GetDlgItem(window, IDC_WHAT_SUMMARY));
                return c.unfollowed == 0 || Contains(summary, "a copy of the whole game folder would take");
            }, std::chrono::seconds(10));
            for (const auto& [id, count] : {std::pair{IDC_WHAT_FILES, &files}, std::pair{IDC_WHAT_LINES, &unfollowed}})
                SendMessageTimeoutW(GetDlgItem(window, id), LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000,
                                    reinterpret_cast<DWORD_PTR*>(count));
            PostMessageW(GetDlgItem(window, IDC_WHAT_FILES), WM_KEYDOWN, VK_ESCAPE, 1);
            closed = WaitFor([window] { return !IsWindow(window); }, std::chrono::seconds(10));
        });
        const Strings boxes = grenwick.Drive(WM_SYSCOMMAND, IDM_WHAT_CHANGES | 0x000F, 0,
                                             [](const std::string&) { return IDNO; });
        player.join();
        EXPECT_TRUE(boxes.empty()) << testing::PrintToString(boxes);
        EXPECT_TRUE(closed) << "Esc closes the window";
        EXPECT_EQ(files, c.files);
        EXPECT_EQ(unfollowed, c.unfollowed);
        for (const std::string& piece : c.summary)
            EXPECT_TRUE(Contains(summary, piece)) << summary;
        EXPECT_TRUE(state() == before) << "no game file, store file or list file changed";
    }
    RemoveTree("C:\\kitlook");
}

// Below "Applied mods..." in both menus; with no mod selected, Apply's own message and no window.

// Below "Applied mods..." in both menus; with no mod selected, Apply's own message and no window.
TEST(WhatChangesMenus, BothMenusCarryTheEntryAndNoSelectionSaysSo) {
    ScopedGameFolder folder;
    ProgramResources resources("Grenwick.exe");
    StandIns user;
    Strings entries;
    user.choose = [&entries](HWND, HMENU menu, POINT) {
        for (const int from : {2, 1}) {
            char text[64] = {};
            GetMenuStringA(menu, GetMenuItemCount(menu) - from, text, sizeof(text), MF_BYPOSITION);
            entries.push_back(text);
        }
        return IDM_WHAT_CHANGES;
    };
    manager::SystemRunner runner;
    CGrenwickDlg grenwick({"n.lst", "p.lst", "l.txt", folder.Path() + "-store"}, runner, nullptr, resources.Module(),
                          user.Platform());
    const HWND hwnd = grenwick.CreateModeless(nullptr);
    ASSERT_NE(hwnd, nullptr);
    const HMENU system = GetSystemMenu(hwnd, FALSE);
    EXPECT_EQ(GetMenuItemID(system, GetMenuItemCount(system) - 1), static_cast<UINT>(IDM_WHAT_CHANGES));
    SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetDlgItem(hwnd, IDC_MOD_LIST)), -1);
    EXPECT_EQ(entries, (Strings{"Applied &mods...", "&What this mod changes..."}));
    SendMessageA(hwnd, WM_SYSCOMMAND, IDM_WHAT_CHANGES | 0x000F, 0);
    EXPECT_EQ(user.messages, (Strings{"Please select a mod first!", "Please select a mod first!"}));
    DestroyWindow(hwnd);
}

}  // namespace
