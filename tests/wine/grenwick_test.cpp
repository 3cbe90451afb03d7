// Grenwick's real window, driven in the test's own process from the template in Grenwick.exe.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/unique_file.h"
#include "batchfile/batch_lines.h"
#include "manager/list/list_file.h"
#include "manager/win/auto_proxy.h"
#include "manager/win/grenwick_dlg.h"
#include "resources/grenwick/resource.h"
#include "tests/support/recording.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"
#include "wine_support.h"

namespace {

using testing_support::RecordingRunner;
using wine_support::Click;
using wine_support::ListItems;
using wine_support::ProgramResources;
using wine_support::ScopedGameFolder;
using wine_support::StandIns;

// The (name, path) pairs a window lists, in a fixed order.
std::vector<std::pair<std::string, std::string>> Pairs(HWND dialog) {
    const std::vector<std::string> names = ListItems(dialog, IDC_MOD_LIST);
    const std::vector<std::string> paths = ListItems(dialog, IDC_PATH_LIST);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i < names.size() && i < paths.size(); ++i)
        pairs.emplace_back(names[i], paths[i]);
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

// Grenwick's window that keeps the list the manager last gave it to show.
class ListWatchingDlg final : public CGrenwickDlg {
public:
    using CGrenwickDlg::CGrenwickDlg;
    Strings Given(std::string manager::ModEntry::*text) const {
        Strings texts;
        for (const manager::ModEntry& entry : m_given)
            texts.push_back(entry.*text);
        return texts;
    }

protected:
    void ShowList(const std::vector<manager::ModEntry>& entries) override {
        m_given = entries;
        CGrenwickDlg::ShowList(entries);
    }

private:
    std::vector<manager::ModEntry> m_given;
};

// A Grenwick window over list files in a fresh game folder, with a recording runner.
class GrenwickWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(m_resources.Module(), nullptr) << "Grenwick.exe must be built beside the tests";
        m_dialog = Open();
        m_hwnd = m_dialog->Hwnd();
        ASSERT_NE(m_hwnd, nullptr);
    }

    manager::ManagerFiles Files() const { return {"names.lst", "paths.lst", "lastmod.txt"}; }
    // Another window over the same files and stand-ins, which clients may hold.
    std::unique_ptr<ListWatchingDlg> Open(std::FILE* lastModReader = nullptr) {
        auto dialog = std::make_unique<ListWatchingDlg>(Files(), m_runner, lastModReader, m_resources.Module(),
                                                     m_user.Platform());
        dialog->ServeClients(m_clients, false);
        dialog->CreateModeless(nullptr);
        return dialog;
    }

    void AddMod(const std::string& path) {
        wine_support::SetText(m_hwnd, IDC_GRENWICK_BATCH_FILE, path);
        Click(m_hwnd, IDC_ADD_BATCH);
    }

    ScopedGameFolder m_folder;
    ProgramResources m_resources{"Grenwick.exe"};
    RecordingRunner m_runner;
    StandIns m_user;
    shell::ServerLock m_clients;
    std::unique_ptr<ListWatchingDlg> m_dialog;
    HWND m_hwnd = nullptr;
};

// The code relies on the template for these: a sorted list of names and a hidden list of
// paths that keeps its order.
TEST_F(GrenwickWindow, TemplateHoldsEveryControlTheCodeUses) {
    wine_support::ExpectControls(m_hwnd, {IDOK, IDCANCEL, IDC_MOD_LIST, IDC_GRENWICK_BATCH_FILE, IDC_ADD_BATCH,
                                          IDC_RESET_LIST, IDC_SHOW_LAST, IDC_PATH_LIST});
    EXPECT_EQ(GetFocus(), GetDlgItem(m_hwnd, IDOK)) << "the first tab stop has the focus after start";
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(m_hwnd, IDC_PATH_LIST), GWL_STYLE) & (WS_VISIBLE | LBS_SORT));
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(m_hwnd, IDC_MOD_LIST), GWL_STYLE) & LBS_SORT);
}

TEST_F(GrenwickWindow, ListShowsNamesInManagerOrderWithPathsAtTheSameIndexes) {
    const std::vector<std::pair<std::string, std::string>> mods = {
        {"zeta.bat", ":: &Alpha"}, {"alpha.bat", ":: &Zeta"}, {"m1.bat", ":: &mid"},
        {"m2.bat", ":: &MID"},     {"b.bat", "del maps\\b.map"}, {"x.bat", ":: &  "},
    };
    for (const auto& [path, line] : mods) {
        ASSERT_TRUE(batchfile::WriteBatchFile(path, {line}));
        AddMod(path);
    }
    EXPECT_EQ(ListItems(m_hwnd, IDC_MOD_LIST), m_dialog->Given(&manager::ModEntry::name));
    EXPECT_EQ(ListItems(m_hwnd, IDC_PATH_LIST), m_dialog->Given(&manager::ModEntry::path));
    EXPECT_EQ(ListItems(m_hwnd, IDC_MOD_LIST).front(), "Alpha");
    EXPECT_EQ(ListItems(m_hwnd, IDC_PATH_LIST).front(), "zeta.bat");
    EXPECT_EQ(wine_support::Text(m_hwnd, IDC_GRENWICK_BATCH_FILE), "x.bat") << "the field keeps its text";

    // A second window over the same files shows the same pairs; names that compare equal
    // may come back in either order, each with its own path.
    const std::unique_ptr<CGrenwickDlg> again = Open();
    EXPECT_EQ(Pairs(again->Hwnd()), Pairs(m_hwnd));

    Click(m_hwnd, IDC_RESET_LIST);
    EXPECT_TRUE(ListItems(m_hwnd, IDC_MOD_LIST).empty());
    EXPECT_TRUE(ListItems(m_hwnd, IDC_PATH_LIST).empty());
    EXPECT_TRUE(m_user.messages.empty());
}

// A change keeps the mod selected where it moves to, and Delete then removes that mod, not
// the one that took its place.
TEST_F(GrenwickWindow, TheSelectedModStaysSelectedWhenTheListChanges) {
    for (const auto& [path, line] : {std::pair{"c.bat", ":: &Charlie"}, std::pair{"a.bat", ":: &Alpha"},
                                     std::pair{"b.bat", ":: &Bravo"}})
        ASSERT_TRUE(batchfile::WriteBatchFile(path, {line}));
    AddMod("c.bat");
    AddMod("a.bat");
    const shell::CListBox list(GetDlgItem(m_hwnd, IDC_MOD_LIST));
    list.Select(1);
    AddMod("b.bat");
    EXPECT_EQ(list.Selection(), std::optional<std::size_t>(2));
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    SetFocus(list.Hwnd());
    wine_support::PressKey(m_hwnd, VK_DELETE);
    ASSERT_EQ(m_user.questions.size(), 1u);
    EXPECT_EQ(m_user.questions[0].rfind("Remove \"Charlie\"", 0), 0u) << m_user.questions[0];
    EXPECT_EQ(ListItems(m_hwnd, IDC_MOD_LIST), (Strings{"Alpha", "Bravo"}));
    EXPECT_EQ(ListItems(m_hwnd, IDC_PATH_LIST), (Strings{"a.bat", "b.bat"}));
}

// A full list read at start shows in the order it was saved in, names equal but for case
// included, with the scroll bar set for all of it.
TEST_F(GrenwickWindow, FullListShowsInItsSavedOrder) {
    std::vector<std::string> names;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < manager::kDefaultRecordLimit; ++i) {
        const char* const spellings[] = {"mod ", "MOD ", "Mod "};
        names.push_back(spellings[i % 3] + std::to_string(1000 + i / 3).substr(1));
        paths.push_back("m" + std::to_string(i) + ".bat");
    }
    testing_support::WriteBytes("paths.lst", manager::EncodeList(paths, manager::kDefaultRecordSize));
    testing_support::WriteBytes("names.lst", manager::EncodeList(names, manager::kDefaultRecordSize));
    const std::unique_ptr<CGrenwickDlg> dialog = Open();
    HWND hwnd = dialog->Hwnd();
    EXPECT_EQ(ListItems(hwnd, IDC_MOD_LIST), names);
    EXPECT_EQ(ListItems(hwnd, IDC_PATH_LIST), paths);
    SCROLLINFO scroll{sizeof(scroll), SIF_RANGE, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(GetDlgItem(hwnd, IDC_MOD_LIST), SB_VERT, &scroll));
    EXPECT_EQ(scroll.nMax, static_cast<int>(names.size()) - 1);
}

TEST_F(GrenwickWindow, EnterAppliesTheSelectedModAndCloses) {
    ASSERT_TRUE(batchfile::WriteBatchFile("b.bat", {":: &Bravo"}));
    ASSERT_TRUE(batchfile::WriteBatchFile("a.bat", {":: &Alpha"}));
    AddMod("b.bat");
    AddMod("a.bat");
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    SetFocus(GetDlgItem(m_hwnd, IDC_MOD_LIST));

    wine_support::PressKey(m_hwnd, VK_RETURN);
    ASSERT_EQ(m_user.messages, std::vector<std::string>{"Please select a mod first!"});
    EXPECT_TRUE(IsWindow(m_hwnd));
    EXPECT_TRUE(m_runner.commands.empty());

    SendDlgItemMessageA(m_hwnd, IDC_MOD_LIST, LB_SETCURSEL, 1, 0);
    SetFocus(GetDlgItem(m_hwnd, IDC_GRENWICK_BATCH_FILE));
    wine_support::PressKey(m_hwnd, VK_RETURN);
    EXPECT_EQ(m_runner.commands, std::vector<std::string>{"\"\"b.bat\"\""});
    EXPECT_EQ(m_user.messages.back(), "Done!");
    EXPECT_EQ(testing_support::ReadBytes("lastmod.txt"), "b.bat");
    EXPECT_FALSE(IsWindow(m_hwnd)) << "apply ends the dialog";
}

// A line no reader can follow is asked about through the window's prompter, never a box of
// its own; Cancel, the default, leaves the mod unrun and the window open.
TEST_F(GrenwickWindow, AModWithALineNoReaderFollowsIsAskedAboutAndCancelledByDefault) {
    ASSERT_TRUE(batchfile::WriteBatchFile("setup.bat", {":: &Setup", "start setup.exe"}));
    AddMod("setup.bat");
    SendDlgItemMessageA(m_hwnd, IDC_MOD_LIST, LB_SETCURSEL, 0, 0);
    Click(m_hwnd, IDOK);
    ASSERT_EQ(m_user.questions.size(), 1u);
    EXPECT_EQ(m_user.questions[0].rfind("Grenwick cannot tell which files this line of the mod change:\n"
                                        "    line 2 (another program): start setup.exe",
                                        0),
              0u)
        << m_user.questions[0];
    EXPECT_TRUE(m_runner.commands.empty());
    EXPECT_EQ(m_user.messages, Strings{});
    EXPECT_TRUE(IsWindow(m_hwnd));
}

TEST_F(GrenwickWindow, EscClosesWithoutWritingAnything) {
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    SetFocus(GetDlgItem(m_hwnd, IDC_MOD_LIST));
    wine_support::PressKey(m_hwnd, VK_ESCAPE);
    EXPECT_FALSE(IsWindow(m_hwnd));
    for (const char* file : {"names.lst", "paths.lst", "lastmod.txt"})
        EXPECT_FALSE(testing_support::Exists(file)) << file;
}

TEST_F(GrenwickWindow, ShowLastModShowsTheTextReadAtStart) {
    std::ofstream("lastmod.txt", std::ios::binary) << "C:\\mods\\night.bat\r\nsecond line";
    base::UniqueFile reader{std::fopen("lastmod.txt", "rb")};
    Click(Open(reader.get())->Hwnd(), IDC_SHOW_LAST);
    EXPECT_EQ(m_user.messages, std::vector<std::string>{"C:\\mods\\night.bat"});
}

// The close rule: while an automation object holds the window, closing only hides it.
TEST_F(GrenwickWindow, ClosingWhileAProxyHoldsTheWindowHidesIt) {
    auto* proxy = new CGrenwickDlgAutoProxy(m_clients);
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    SendMessageA(m_hwnd, WM_CLOSE, 0, 0);
    wine_support::PumpMessages();
    EXPECT_TRUE(IsWindow(m_hwnd));
    EXPECT_FALSE(IsWindowVisible(m_hwnd));

    m_dialog->CloseIfHidden();
    EXPECT_TRUE(IsWindow(m_hwnd)) << "the client still holds the window";
    proxy->Release();
    EXPECT_FALSE(m_clients.Held());
    m_dialog->CloseIfHidden();
    EXPECT_FALSE(IsWindow(m_hwnd)) << "a hidden window no client holds would never be seen again";
}

// The window can go first (the program ends its dialog): the client's later release must
// find nothing of it, and must still let the program end.
TEST_F(GrenwickWindow, ClientReleasesTheObjectAfterTheDialogIsGone) {
    auto* proxy = new CGrenwickDlgAutoProxy(m_clients);
    int lastUnlocks = 0;
    m_clients.onLastUnlock = [&lastUnlocks] { ++lastUnlocks; };
    m_dialog.reset();
    EXPECT_TRUE(m_clients.Held());
    proxy->Release();
    EXPECT_FALSE(m_clients.Held());
    EXPECT_EQ(lastUnlocks, 1);
}

// Apply under a proxy only hides the window after "Done!"; the last-mod file is rewritten
// although the reader opened at start still holds it.
TEST_F(GrenwickWindow, ApplyWhileAProxyHoldsTheWindowHidesItAfterDone) {
    std::ofstream("lastmod.txt", std::ios::binary) << "an older mod.bat";
    base::UniqueFile reader{std::fopen("lastmod.txt", "rb")};
    ASSERT_TRUE(batchfile::WriteBatchFile("sky.bat", {":: &Night Sky"}));
    const std::unique_ptr<CGrenwickDlg> dialog = Open(reader.get());
    HWND hwnd = dialog->Hwnd();
    wine_support::SetText(hwnd, IDC_GRENWICK_BATCH_FILE, "sky.bat");
    Click(hwnd, IDC_ADD_BATCH);
    auto* proxy = new CGrenwickDlgAutoProxy(m_clients);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SendDlgItemMessageA(hwnd, IDC_MOD_LIST, LB_SETCURSEL, 0, 0);
    Click(hwnd, IDOK);

    EXPECT_EQ(m_user.messages, std::vector<std::string>{"Done!"});
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(testing_support::ReadBytes("lastmod.txt"), "sky.bat");
    proxy->Release();
}

TEST_F(GrenwickWindow, SystemMenuCarriesTheAboutRestoreUndoAndAppliedModsEntriesAndIcons) {
    HMENU menu = GetSystemMenu(m_hwnd, FALSE);
    const int count = GetMenuItemCount(menu) - 2;  // Applied mods, then What this mod changes
    ASSERT_GE(count, 4);
    const auto entry = [menu](int at) {
        std::string text(64, '\0');
        text.resize(static_cast<std::size_t>(
            GetMenuStringA(menu, at, text.data(), static_cast<int>(text.size()), MF_BYPOSITION)));
        return text;
    };
    EXPECT_TRUE(GetMenuState(menu, count - 4, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(menu, count - 3), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(entry(count - 3), "&About Grenwick...");
    EXPECT_EQ(GetMenuItemID(menu, count - 2), static_cast<UINT>(IDM_RESTORE_ORIGINALS));
    EXPECT_EQ(entry(count - 2), "Restore &original files...");
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_UNDO_LAST_MOD));
    EXPECT_EQ(entry(count - 1), "&Undo last mod...");
    EXPECT_EQ(GetMenuItemID(menu, count), static_cast<UINT>(IDM_APPLIED_MODS));
    EXPECT_EQ(entry(count), "Applied &mods...");
    EXPECT_EQ(GetMenuItemID(menu, count + 1), static_cast<UINT>(IDM_WHAT_CHANGES));
    EXPECT_EQ(entry(count + 1), "&What this mod changes...");

    EXPECT_NE(SendMessageA(m_hwnd, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(m_hwnd, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(SendMessageA(m_hwnd, WM_QUERYDRAGICON, 0, 0), SendMessageA(m_hwnd, WM_GETICON, ICON_BIG, 0));
}

}  // namespace
