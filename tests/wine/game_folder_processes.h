// Real Grenwick processes over a game folder of the test's own, each step a new process, with
// the list files at their fixed paths emptied before and after and no store left behind.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <string>

#include "game_mods.h"
#include "manager/originals/store_place.h"
#include "manager/win/local_app_data.h"
#include "resources/grenwick/resource.h"
#include "tests/support/text_checks.h"
#include "wine_support.h"

namespace wine_support {

using Answer = std::function<int(const std::string&)>;

inline int Yes(const std::string&) { return IDYES; }

// Answers the boxes with these buttons in turn, then with Yes.
inline Answer InTurn(std::deque<int> buttons) {
    return [buttons](const std::string&) mutable {
        const int button = buttons.empty() ? IDYES : buttons.front();
        if (!buttons.empty())
            buttons.pop_front();
        return button;
    };
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
inline bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

class GameFolderProcesses : public ::testing::Test {
protected:
    void SetUp() override { ForgetList(); }
    void TearDown() override {
        ForgetList();
        if (const std::string store = StoreFolder(); !store.empty())
            RemoveTree(store);
    }
    static void ForgetList() {
        DeleteFileA("C:\\zorvmodnames.txt");
        DeleteFileA("C:\\zorvmodpaths.txt");
    }

    // The folder keeping this game folder's originals: "<name>-<key>" in the store root.
    std::string StoreFolder() const {
        const std::string root = manager::StoreRoot(manager::LocalAppDataFolder().value_or(""));
        const std::string name = m_game.Path().substr(m_game.Path().find_last_of('\\') + 1) + "-";
        for (const std::string& entry : FolderEntries(root))
            if (StartsWith(entry, name))
                return root + "\\" + entry;
        return {};
    }

    void AddMods(const Strings& files) const {
        GrenwickProcess grenwick(m_game.Path());
        ASSERT_NE(grenwick.Window(), nullptr);
        for (const std::string& file : files)
            ASSERT_TRUE(grenwick.Add(file)) << file;
    }
    // Types a path into a running Grenwick and presses "Add Batch File"; the texts of the boxes.
    static Strings Type(const GrenwickProcess& grenwick, const std::string& path) {
        SendMessageTimeoutA(GetDlgItem(grenwick.Window(), IDC_GRENWICK_BATCH_FILE), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL, 5000, nullptr);
        return grenwick.Command(IDC_ADD_BATCH, Yes);
    }
    Strings Type(const std::string& path) const { return Type(GrenwickProcess(m_game.Path()), path); }
    // Applies the mod listed as `name`; the window closes after "Done!", and only then.
    Strings Apply(const std::string& name, const Answer& answer = Yes) const {
        GrenwickProcess grenwick(m_game.Path());
        EXPECT_TRUE(grenwick.Select(name)) << name;
        const Strings boxes = grenwick.Command(IDOK, answer);
        EXPECT_EQ(grenwick.WaitForEnd(std::chrono::seconds(boxes.empty() || boxes.back() != "Done!" ? 0 : 10)),
                  !boxes.empty() && boxes.back() == "Done!");
        return boxes;
    }
    Strings SystemMenu(int id, const Answer& answer = Yes) const {
        GrenwickProcess grenwick(m_game.Path());
        // The low four bits of a system command belong to the system and must not matter.
        return grenwick.Drive(WM_SYSCOMMAND, static_cast<WPARAM>(id | 0x000F), 0, answer);
    }
    Strings Restore(const Answer& answer = Yes) const { return SystemMenu(IDM_RESTORE_ORIGINALS, answer); }
    Strings Undo(const Answer& answer = Yes) const { return SystemMenu(IDM_UNDO_LAST_MOD, answer); }
    // Takes out the oldest apply (the last row, chosen by keys) in the Applied mods window of
    // `grenwick`, closing it once a message ended the take-out; the texts of the boxes.
    static Strings TakeOutOldest(const GrenwickProcess& grenwick, const Answer& answer) {
        PostMessageA(grenwick.Window(), WM_SYSCOMMAND, IDM_APPLIED_MODS, 0);
        const HWND window = WaitForWindowWith(grenwick.Id(), IDC_APPLIED_LIST, std::chrono::seconds(10));
        if (!window)
            return {"(no Applied mods window)"};
        const HWND list = GetDlgItem(window, IDC_APPLIED_LIST);
        DWORD_PTR rows = 0;
        SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &rows);
        PostMessageW(list, WM_KEYDOWN, VK_END, 1);
        if (rows == 0 || !WaitFor([&] { return SelectedRow(list) == static_cast<LRESULT>(rows) - 1; },
                                  std::chrono::seconds(10)))
            return {"(the oldest apply could not be selected)"};
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_TAKE_OUT, BN_CLICKED), 0);
        const Strings boxes = grenwick.AnswerBoxes(answer, [](bool messageShown) { return messageShown; });
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        WaitFor([window] { return !IsWindow(window); }, std::chrono::seconds(5));
        return boxes;
    }

    ScopedGameFolder m_game;
};

}  // namespace wine_support
