// The Applied mods window: opened from both of Grenwick's menus, driven by the keyboard alone,
// and taking out a mod with the real command interpreter.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "manager/system_runner.h"
#include "manager/win/applied_mods_dlg.h"
#include "manager/win/grenwick_dlg.h"
#include "game_mods.h"
#include "resources/grenwick/resource.h"
#include "tests/support/recording.h"
#include "tests/support/text_checks.h"
#include "wine_support.h"

namespace {

using namespace wine_support;

// A game folder with two maps and three map-swap mods written with Tavlin; the store beside it.
class AppliedModsWindow : public ::testing::Test {
protected:
    AppliedModsWindow() {
        MakeGameFolder({{"maps\\canyon.map", "canyon"}, {"maps\\lagoon.map", "lagoon"},
                        {"mods\\one.map", "one"}, {"mods\\two.map", "two"}});
        WriteWithTavlin("one.bat", "One", {{"maps\\canyon.map", "mods\\one.map"}});
        WriteWithTavlin("two.bat", "Two", {{"maps\\lagoon.map", "mods\\two.map"}});
    }
    ~AppliedModsWindow() override { RemoveTree(m_files.storeRoot); }

    // Applies the mods in turn through a manager of the test's own.
    void ApplyMods(const Strings& paths) {
        for (const std::string& path : paths) {
            m_manager.AddBatchFile(path);
            const auto& entries = m_manager.Mods().Entries();
            for (std::size_t i = 0; i < entries.size(); ++i)
                if (entries[i].path == path) {
                    ScopedStandardStreams streams("NUL");
                    m_manager.ApplyMod(i);
                }
        }
    }
    // Runs `open` on this thread, which shows the window modally; another thread closes it.
    static bool OpensAndCloses(const std::function<void()>& open) {
        bool seen = false;
        std::thread closer([&seen] {
            HWND window = nullptr;
            seen = WaitFor([&] {
                return (window = FindWindowOfProcess(GetCurrentProcessId(), [](HWND hwnd) {
                            return GetDlgItem(hwnd, IDC_APPLIED_LIST) != nullptr;
                        })) != nullptr;
            }, std::chrono::seconds(10));
            if (window)
                PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        });
        open();
        closer.join();
        return seen;
    }

    ScopedGameFolder m_game;
    manager::ManagerFiles m_files{"names.lst", "paths.lst", "lastmod.txt", m_game.Path() + "-store"};
    manager::SystemRunner m_runner;
    testing_support::RecordingView m_view;
    manager::ModManager m_manager{m_files, m_runner, m_view};
};

TEST_F(AppliedModsWindow, OpensFromTheSystemMenuAndTheListsMenuBelowUndo) {
    ProgramResources resources("Grenwick.exe");
    StandIns user;
    std::string menuEntry;
    user.choose = [&menuEntry](HWND, HMENU menu, POINT) {
        char text[64] = {};
        GetMenuStringA(menu, GetMenuItemCount(menu) - 2, text, sizeof(text), MF_BYPOSITION);
        menuEntry = text;
        return IDM_APPLIED_MODS;
    };
    CGrenwickDlg grenwick(m_files, m_runner, nullptr, resources.Module(), user.Platform());
    const HWND hwnd = grenwick.CreateModeless(nullptr);
    ASSERT_NE(hwnd, nullptr);
    HMENU system = GetSystemMenu(hwnd, FALSE);
    char last[64] = {};
    GetMenuStringA(system, GetMenuItemCount(system) - 2, last, sizeof(last), MF_BYPOSITION);
    EXPECT_STREQ(last, "Applied &mods...");

    // The low four bits of a system command belong to the system and must not matter.
    EXPECT_TRUE(OpensAndCloses([&] { SendMessageA(hwnd, WM_SYSCOMMAND, IDM_APPLIED_MODS | 0x000F, 0); }));
    EXPECT_TRUE(OpensAndCloses([&] {
        SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetDlgItem(hwnd, IDC_MOD_LIST)), -1);
    }));
    EXPECT_EQ(menuEntry, "Applied &mods...");
    EXPECT_TRUE(user.messages.empty()) << user.messages.front();
    DestroyWindow(hwnd);
}

// Newest first and selected; the arrows, Home and End move the selection and the files follow;
// Tab reaches every control; Alt+T takes the selected mod out after its question; Esc closes.
TEST_F(AppliedModsWindow, TheKeyboardAloneMovesTakesOutAndCloses) {
    ApplyMods({"one.bat", "two.bat"});
    ASSERT_EQ(testing_support::ReadBytes("maps\\lagoon.map"), "two");
    const std::optional<manager::StoreRecords> records = m_manager.AppliedMods();
    ASSERT_TRUE(records && records->applies.size() == 2);
    ProgramResources resources("Grenwick.exe");
    StandIns user;
    CAppliedModsDlg window(m_manager, *records, resources.Module(), user.Platform());
    const HWND hwnd = window.CreateModeless(nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(WindowTitle(hwnd), "Applied mods");
    ExpectControls(hwnd, {IDC_APPLIED_LIST, IDC_APPLIED_FILES, IDC_TAKE_OUT, IDCANCEL});
    const auto selected = [hwnd] { return SelectedRow(GetDlgItem(hwnd, IDC_APPLIED_LIST)); };
    const Strings rows = ListRows(hwnd, IDC_APPLIED_LIST);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].substr(0, 4), "Two\t");
    EXPECT_TRUE(Contains(rows[0], "\t1 file")) << rows[0];
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_APPLIED_LIST);
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(ListRows(hwnd, IDC_APPLIED_FILES), Strings{"maps\\lagoon.map\tkept, 6 bytes\tas the mod left it"});

    PressKey(hwnd, VK_DOWN);
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(ListRows(hwnd, IDC_APPLIED_FILES), Strings{"maps\\canyon.map\tkept, 6 bytes\tas the mod left it"});
    PressKey(hwnd, VK_HOME);
    EXPECT_EQ(selected(), 0);
    PressKey(hwnd, VK_END);
    EXPECT_EQ(selected(), 1);
    for (const int next : {IDC_APPLIED_FILES, IDC_TAKE_OUT, IDCANCEL, IDC_APPLIED_LIST}) {
        PressKey(hwnd, VK_TAB);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), next);
    }

    MSG alt{GetFocus(), WM_SYSCHAR, 't', 1 << 29, 0, {}};
    IsDialogMessageA(hwnd, &alt);
    PumpMessages();
    ASSERT_EQ(m_view.questions.size(), 1u);
    EXPECT_EQ(m_view.questions[0], "Take out \"One\"? Its 1 file is put back as before it was applied; files it "
                                   "created are deleted.");
    EXPECT_EQ(testing_support::ReadBytes("maps\\canyon.map"), "canyon");
    EXPECT_EQ(testing_support::ReadBytes("maps\\lagoon.map"), "two") << "Two stays applied";
    EXPECT_EQ(ListRows(hwnd, IDC_APPLIED_LIST).size(), 1u);

    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_TAKE_OUT, BN_CLICKED), 0);
    EXPECT_EQ(ListRows(hwnd, IDC_APPLIED_LIST), Strings{"No applied mod is remembered for this game folder."});
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, IDC_TAKE_OUT)));
    EXPECT_TRUE(ListRows(hwnd, IDC_APPLIED_FILES).empty());
    PressKey(hwnd, VK_ESCAPE);
    EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
