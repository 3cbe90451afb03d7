// Grenwick keeping the game's originals and putting them back, removing one mod and taking
// dropped batch files, through its real window, the real command interpreter and real files.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <utility>
#include <vector>

#include "base/files.h"
#include "batchfile/batch_lines.h"
#include "manager/originals/originals_store.h"
#include "manager/system_runner.h"
#include "manager/win/grenwick_dlg.h"
#include "game_mods.h"
#include "resources/grenwick/resource.h"
#include "screenshot.h"
#include "tests/support/ppf_bytes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"
#include "wine_support.h"
#include "writers/ppf/ppf_batch.h"

namespace {

using namespace wine_support;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

// Grenwick's own window over list files in the game folder, running commands for real.
class Grenwick {
public:
    explicit Grenwick(StandIns& user)
        : m_dialog({"names.lst", "paths.lst", "lastmod.txt"}, m_runner, nullptr, m_resources.Module(),
                   user.Platform()) {
        m_hwnd = m_dialog.CreateModeless(nullptr);
    }
    HWND Hwnd() const { return m_hwnd; }
    void Add(const std::string& path) const {
        SetText(m_hwnd, IDC_GRENWICK_BATCH_FILE, path);
        Click(m_hwnd, IDC_ADD_BATCH);
    }
    void Apply(const std::string& name) const {
        const LRESULT at = SendDlgItemMessageA(m_hwnd, IDC_MOD_LIST, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                               reinterpret_cast<LPARAM>(name.c_str()));
        SendDlgItemMessageA(m_hwnd, IDC_MOD_LIST, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
        ScopedStandardStreams streams("NUL");  // a PAUSE returns at once
        Click(m_hwnd, IDOK);
    }

private:
    ProgramResources m_resources{"Grenwick.exe"};
    manager::SystemRunner m_runner;
    CGrenwickDlg m_dialog;
    HWND m_hwnd;
};

void RestoreFromTheSystemMenu(StandIns& user) {
    Grenwick grenwick(user);
    // The low four bits of a system command belong to the system and must not matter.
    SendMessageA(grenwick.Hwnd(), WM_SYSCOMMAND, IDM_RESTORE_ORIGINALS | 0x000F, 0);
}

const Snapshot kMaps = {
    {"maps\\canyon.map", std::string("canyon\0\r\n\x1a\xff end", 15)},
    {"maps\\lagoon.map", "lagoon"},
    {"maps\\ridge.map", "ridge"},
};

// Two Tavlin mods over one map and a PPF mod that the kit's patcher applies, then Restore
// from the system menu.
TEST(KeptOriginals, TavlinAndPpfModsAreUndoneByteForByte) {
    ScopedGameFolder folder;
    ScopedSearchPathFirst patcherFirst(BinDir());
    StandIns user;
    MakeGameFolder(kMaps);
    MakeGameFolder({{"mods\\canyon.map", "canyon 1"}, {"mods\\lagoon1.map", "lagoon 1"},
                    {"mods\\lagoon2.map", "lagoon 2"}, {"mods\\extra.map", "extra"}});
    RestoreFromTheSystemMenu(user);
    EXPECT_EQ(user.messages,
              Strings{"Grenwick keeps no original files for this game folder, so there is nothing to put back."});
    WriteWithTavlin("one.bat", "One",
                    {{"maps\\canyon.map", "mods\\canyon.map"}, {"maps\\lagoon.map", "mods\\lagoon1.map"}});
    WriteWithTavlin("two.bat", "Two",
                    {{"MAPS\\LAGOON.MAP", "mods\\lagoon2.map"}, {"maps\\extra.map", "mods\\extra.map"}});
    ASSERT_TRUE(
        batchfile::WriteBatchFile("sky.bat", ppf::PpfLines({"sky.ppf", "Sky", "sky.bat", "maps\\ridge.map"})));
    WriteBytes("sky.ppf", testing_support::PatchBytes({1, {{0, "RIDGE", ""}}}));
    for (const auto& [file, name] :
         {std::pair{"one.bat", "One"}, std::pair{"two.bat", "Two"}, std::pair{"sky.bat", "Sky"}}) {
        Grenwick grenwick(user);
        grenwick.Add(file);
        grenwick.Apply(name);
    }
    ASSERT_EQ(user.messages.size(), 4u);
    EXPECT_EQ(user.messages.back(), "Done!");
    ASSERT_EQ(ReadBytes("maps\\lagoon.map"), "lagoon 2");
    ASSERT_EQ(ReadBytes("maps\\ridge.map"), "RIDGE") << "the patcher ran";
    // Two, over One's lagoon map named in other letter case, was asked about it first.
    ASSERT_EQ(user.questions.size(), 1u);
    EXPECT_TRUE(user.questions[0].find("LAGOON.MAP, changed by \"One\"") != std::string::npos)
        << user.questions[0];
    user.questions.clear();

    RestoreFromTheSystemMenu(user);  // the default button, which must be Yes
    ASSERT_EQ(user.questions.size(), 1u);
    EXPECT_EQ(user.questions[0].rfind("Put back 4 files as they were before the first mod?", 0), 0u)
        << user.questions[0];
    EXPECT_EQ(user.messages.back(), "Put back 4 files.");
    Snapshot after = TakeSnapshot(folder.Path());
    for (const auto& [path, bytes] : kMaps)
        EXPECT_TRUE(after[path] == bytes) << path;  // binary bytes: not printed
    EXPECT_EQ(after.count("maps\\extra.map"), 0u);
    EXPECT_EQ(GetFileAttributesA(manager::kKeptFolder), INVALID_FILE_ATTRIBUTES) << "the store is gone";
}

// A map held open without sharing cannot be read, as on a disk with bad sectors.
TEST(KeptOriginals, AMapThatCannotBeKeptStopsTheModAndChangesNothing) {
    ScopedGameFolder folder;
    StandIns user;
    MakeGameFolder(kMaps);
    MakeGameFolder({{"mods\\new.map", "new"}});
    ASSERT_TRUE(batchfile::WriteBatchFile("mod.bat", {":: &Mod", "del maps\\lagoon.map", "del maps\\ridge.map",
                                                     "copy mods\\new.map maps\\lagoon.map",
                                                     "copy mods\\new.map maps\\created.map"}));
    Grenwick grenwick(user);
    grenwick.Add("mod.bat");
    const Snapshot before = TakeSnapshot(folder.Path());
    HANDLE held = CreateFileA("maps\\ridge.map", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    grenwick.Apply("Mod");
    CloseHandle(held);

    EXPECT_EQ(user.messages, Strings{"The original file \"maps\\ridge.map\" could not be kept, so the mod "
                                           "was not applied. Nothing has changed."});
    EXPECT_TRUE(IsWindow(grenwick.Hwnd())) << "the window stays open";
    EXPECT_TRUE(TakeSnapshot(folder.Path()) == before) << "no file added, changed or removed";
}

// Read-only, hidden, system and archive are kept with each copy and come back after the
// bytes, by Restore and by Undo; a read-only file is made writable to be overwritten.
TEST(KeptOriginals, AttributesComeBackWithTheBytes) {
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    const struct {
        const char* name;
        DWORD attributes;
    } maps[] = {
        // Wine reports the archive bit on every file, cleared or not: each map has it.
        {"maps\\canyon.map", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"maps\\lagoon.map", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
        {"maps\\ridge.map", FILE_ATTRIBUTE_ARCHIVE},
    };
    for (const bool undo : {false, true}) {
        SCOPED_TRACE(undo ? "Undo" : "Restore");
        ScopedGameFolder folder;
        testing_support::TempDir root;
        MakeGameFolder(kMaps);
        std::vector<std::string> names;
        for (const auto& map : maps) {
            ASSERT_TRUE(SetFileAttributesA(map.name, map.attributes));
            names.push_back(map.name);
        }
        manager::OriginalsStore store(root.File("Originals"), base::CurrentFolder());
        ASSERT_FALSE(store.Load());
        ASSERT_TRUE(store.Keep("Mod", "", 1, names, nullptr).number);
        for (const auto& map : maps) {  // the mod's work: attributes cleared, bytes replaced
            ASSERT_TRUE(SetFileAttributesA(map.name, FILE_ATTRIBUTE_NORMAL));
            WriteBytes(map.name, "mod");
            ASSERT_TRUE(SetFileAttributesA(map.name, FILE_ATTRIBUTE_READONLY));
        }
        const manager::OriginalsStore::PutBackReport report = undo ? store.UndoNewest({}, nullptr) : store.Restore(nullptr);
        EXPECT_EQ(report.putBack, 3u);
        EXPECT_TRUE(report.failed.empty());
        for (const auto& map : maps) {
            SCOPED_TRACE(map.name);
            EXPECT_TRUE(ReadBytes(map.name) == kMaps.at(map.name));
            EXPECT_EQ(GetFileAttributesA(map.name) & kKept, map.attributes & kKept);
            SetFileAttributesA(map.name, FILE_ATTRIBUTE_NORMAL);
        }
        const Snapshot left = TakeSnapshot(root.Path().string());
        EXPECT_TRUE(left.size() == 1 && base::BaseName(left.begin()->first) == "index.txt")
            << "no kept copy stays behind, only the index with the next number";
    }
}

// A map the game holds open cannot be replaced: it is named as in use and stays kept.
TEST(KeptOriginals, AMapHeldOpenIsNamedAsInUse) {
    ScopedGameFolder folder;
    testing_support::TempDir root;
    MakeGameFolder(kMaps);
    manager::OriginalsStore store(root.File("Originals"), base::CurrentFolder());
    ASSERT_FALSE(store.Load());
    ASSERT_TRUE(store.Keep("Mod", "", 1, {"maps\\canyon.map"}, nullptr).number);
    WriteBytes("maps\\canyon.map", "mod");
    HANDLE held = CreateFileA("maps\\canyon.map", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const manager::OriginalsStore::PutBackReport report = store.Restore(nullptr);
    CloseHandle(held);
    EXPECT_EQ(report.failed, (std::vector<manager::OriginalsStore::FailedFile>{
                                 {"maps\\canyon.map", manager::OriginalsStore::Refusal::InUse}}));
    EXPECT_EQ(ReadBytes("maps\\canyon.map"), "mod");
}

// Both menus reach Undo, the system menu whatever the low four bits of its command.
TEST(KeptOriginals, BothMenusUndoAndSayWhenNothingIsApplied) {
    ScopedGameFolder folder;
    StandIns user;
    Grenwick grenwick(user);
    user.choose = [](HWND, HMENU, POINT) { return IDM_UNDO_LAST_MOD; };
    SendMessageA(grenwick.Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetDlgItem(grenwick.Hwnd(), IDC_MOD_LIST)),
                 -1);
    SendMessageA(grenwick.Hwnd(), WM_SYSCOMMAND, IDM_UNDO_LAST_MOD | 0x000F, 0);
    EXPECT_EQ(user.messages, Strings(2, "No applied mod is remembered, so there is nothing to undo."));
}

// Watches from a thread of its own for the progress window of `thread`, notes its text and
// presses its Cancel: the window pumps only its own messages while the work runs.
std::string CancelProgressOf(DWORD thread) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            EnumThreadWindows(
                thread,
                [](HWND hwnd, LPARAM param) -> BOOL {
                    if (!IsWindowVisible(hwnd) || !GetDlgItem(hwnd, IDC_PROGRESS_BAR))
                        return TRUE;
                    *reinterpret_cast<HWND*>(param) = hwnd;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&found));
            return found != nullptr;
        },
        std::chrono::seconds(20));
    if (!found)
        return {};
    std::string text(100, '\0');
    DWORD_PTR length = 0;
    SendMessageTimeoutA(GetDlgItem(found, IDC_PROGRESS_TEXT), WM_GETTEXT, text.size(),
                        reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 5000, &length);
    text.resize(length);
    PostMessageA(found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(found, IDCANCEL)));
    return text;
}

// Maps large enough for the progress window: Cancel there stops the keeping, and the mod does
// not run. The window takes its messages between the pieces of a copy, so there are several
// maps: a Cancel pressed while one is being hashed stops the next.
TEST(KeptOriginals, CancelInTheProgressWindowStopsTheKeepingAndTheMod) {
    ScopedGameFolder folder;
    StandIns user;
    const std::string huge(24u << 20, 'h');
    MakeGameFolder({{"maps\\huge1.map", huge}, {"maps\\huge2.map", huge}, {"maps\\huge3.map", huge},
                    {"mods\\small.map", "small"}});
    ASSERT_TRUE(batchfile::WriteBatchFile("huge.bat", {":: &Huge", "copy mods\\small.map maps\\huge1.map",
                                                      "copy mods\\small.map maps\\huge2.map",
                                                      "copy mods\\small.map maps\\huge3.map"}));
    Grenwick grenwick(user);
    grenwick.Add("huge.bat");
    const Snapshot before = TakeSnapshot(folder.Path());
    std::future<std::string> progressText =
        std::async(std::launch::async, CancelProgressOf, GetCurrentThreadId());
    grenwick.Apply("Huge");
    EXPECT_EQ(progressText.get(), "Keeping a copy of the files the mod changes...");
    EXPECT_EQ(user.messages, Strings{"Keeping the original files was cancelled, so the mod was not applied. Nothing "
                                     "has changed."});
    EXPECT_TRUE(TakeSnapshot(folder.Path()) == before) << "the mod did not run";
    EXPECT_TRUE(IsWindow(grenwick.Hwnd())) << "no mod ran, so the window stays";
    EXPECT_TRUE(IsWindowEnabled(grenwick.Hwnd())) << "the progress window gave its owner back";
}

// The texts of a menu's entries, in order.
Strings Entries(HMENU menu) {
    Strings entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        std::string text(64, '\0');
        const int length = GetMenuStringA(menu, i, text.data(), 64, MF_BYPOSITION);
        entries.push_back(text.substr(0, static_cast<std::size_t>(length)));
    }
    return entries;
}

// A key pressed and released as typing does, through the dialog manager, Shift held or not.
void Key(HWND dialog, UINT down, WPARAM key, bool shift) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    for (MSG msg : {MSG{GetFocus(), down, key, 1, 0, {}}, MSG{GetFocus(), down + 1, key, 0xC0000001, 0, {}}})
        if (!IsDialogMessageA(dialog, &msg))
            DispatchMessageA(&msg);
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
    PumpMessages();
}

TEST(RemoveFromList, EveryWayAsksNamingTheModThenRemovesItAndKeepsItsBatchFile) {
    ScopedGameFolder folder;
    StandIns user;
    std::vector<std::pair<Strings, POINT>> menus;
    user.choose = [&menus](HWND, HMENU menu, POINT at) {
        menus.emplace_back(Entries(menu), at);
        return IDM_REMOVE_MOD;
    };
    Grenwick grenwick(user);
    const HWND hwnd = grenwick.Hwnd();
    const HWND list = GetDlgItem(hwnd, IDC_MOD_LIST);
    for (const char* name : {"Alpha", "Beta", "Delta", "Gamma"}) {
        ASSERT_TRUE(batchfile::WriteBatchFile(name + std::string(".bat"), {std::string(":: &") + name}));
        grenwick.Add(name + std::string(".bat"));
    }
    SetFocus(list);
    // Each way acts on the first mod but the right click, which points at the second.
    const std::pair<const char*, void (*)(HWND, HWND, const RECT&)> ways[] = {
        {"Beta", [](HWND, HWND list, const RECT& item) {
             SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(item.left + 5, item.top + 2));
             SendMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(item.left + 5, item.top + 2));
         }},
        {"Alpha", [](HWND dialog, HWND, const RECT&) { Key(dialog, WM_KEYDOWN, VK_APPS, false); }},
        {"Delta", [](HWND dialog, HWND, const RECT&) { Key(dialog, WM_SYSKEYDOWN, VK_F10, true); }},
        {"Gamma", [](HWND dialog, HWND, const RECT&) { Key(dialog, WM_KEYDOWN, VK_DELETE, false); }},
    };
    for (const auto& [name, act] : ways) {
        SCOPED_TRACE(name);
        menus.clear();
        user.questions.clear();
        const bool pointed = name == std::string("Beta");
        SendMessageA(list, LB_SETCURSEL, pointed ? -1 : 0, 0);
        RECT item{};
        SendMessageA(list, LB_GETITEMRECT, pointed ? 1 : 0, reinterpret_cast<LPARAM>(&item));
        act(hwnd, list, item);
        ASSERT_EQ(menus.size(), name == std::string("Gamma") ? 0u : 1u);
        if (!menus.empty()) {
            EXPECT_EQ(menus[0].first, (Strings{"&Remove from list", "Restore &original files...", "&Undo last mod...",
                                               "Applied &mods...", "&What this mod changes..."}));
            POINT at = menus[0].second;  // at the mod pointed at or selected
            ScreenToClient(list, &at);
            EXPECT_TRUE(PtInRect(&item, at) || (at.x == item.left && at.y == item.bottom)) << at.x << "," << at.y;
        }
        const std::string mod = name;
        EXPECT_EQ(user.questions, Strings{"Remove \"" + mod + "\" from the mod list?\n\nIts batch file \"" + mod +
                                         ".bat\" stays where it is."});
    }
    EXPECT_EQ(ListItems(hwnd, IDC_MOD_LIST), Strings{});
    EXPECT_EQ(ReadBytes("paths.lst"), "");
    EXPECT_EQ(user.messages, Strings{});
}

// A drop as the file manager makes it: a DROPFILES block with UTF-16 names.
// Runs inside the menu's modal loop: pictures the window with the menu open, then ends it.
HWND g_pictured = nullptr;
bool g_taken = false;
void CALLBACK PictureOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu))
        return;
    KillTimer(nullptr, timer);
    WaitFor([] { return false; }, std::chrono::milliseconds(200));  // the menu paints meanwhile
    g_taken = SaveScreenshot(g_pictured, ScreenshotPath("grenwick-list-menu"));
    EndMenu();
}

HDROP MakeDrop(const std::vector<std::wstring>& names) {
    std::wstring all;
    for (const std::wstring& name : names)
        all += name + L'\0';
    all += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + all.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, all.data(), all.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// Only batch files are taken, each once; a folder named like one and other files are named.
// The window with the dropped mods is then pictured with its list's menu open, for the README.
TEST(DropBatchFiles, EachDroppedBatchFileIsAddedOnceAsIfTypedByItsPathInTheGameFolder) {
    ScopedGameFolder folder;
    StandIns user;
    CreateDirectoryA("mods", nullptr);
    CreateDirectoryA("mods\\x.bat", nullptr);
    ASSERT_TRUE(batchfile::WriteBatchFile("mods\\sky.bat", {":: &Night Sky"}));
    ASSERT_TRUE(batchfile::WriteBatchFile("fog.bat", {":: &Harbour Fog"}));
    ASSERT_TRUE(batchfile::WriteBatchFile("mods\\rain.cmd", {":: &Rain"}));
    ASSERT_TRUE(batchfile::WriteBatchFile("notes.txt", {":: &Notes"}));
    const std::string outside = folder.Path() + "-elsewhere\\a mod with a long name.bat";
    Grenwick grenwick(user);
    EXPECT_TRUE(GetWindowLongA(grenwick.Hwnd(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    PostMessageA(grenwick.Hwnd(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({Wide(folder.Path() + "\\mods\\sky.bat"), Wide(outside),
                                                    L"\xFF58.bat", Wide(folder.Path() + "\\FOG.BAT"),
                                                    Wide(folder.Path() + "\\mods\\x.bat"),
                                                    Wide(folder.Path() + "\\notes.txt"),
                                                    Wide(folder.Path() + "\\fog.bat"),
                                                    Wide(folder.Path() + "\\mods\\RAIN.CMD")})),
                 0);
    PumpMessages();
    EXPECT_EQ(ListItems(grenwick.Hwnd(), IDC_MOD_LIST), (Strings{"Harbour Fog", "Night Sky", "Rain"}));
    EXPECT_EQ(ListItems(grenwick.Hwnd(), IDC_PATH_LIST), (Strings{"FOG.BAT", "mods\\sky.bat", "mods\\RAIN.CMD"}));
    ASSERT_EQ(user.messages.size(), 3u) << testing::PrintToString(user.messages);
    EXPECT_EQ(user.messages[0], "\"" + folder.Path() + "\\mods\\x.bat\" was not added: it is a folder.\n\"" +
                                    folder.Path() + "\\notes.txt\" was not added: only batch files (.bat or .cmd) can be added.");
    EXPECT_EQ(user.messages[1].rfind("The path \"" + outside + "\" is too long", 0), 0u)
        << user.messages[1];
    EXPECT_EQ(user.messages[2].rfind("The path \"?.bat\" cannot be used: it holds characters", 0), 0u)
        << user.messages[2];

    user.choose = [](HWND owner, HMENU menu, POINT at) { return shell::SystemMenuChooser().Choose(owner, menu, at); };
    g_pictured = grenwick.Hwnd();
    SetWindowPos(g_pictured, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    SendDlgItemMessageA(g_pictured, IDC_MOD_LIST, LB_SETCURSEL, 1, 0);
    WaitFor([] { return false; }, std::chrono::milliseconds(300));
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, PictureOpenMenu);
    SendMessageA(g_pictured, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetDlgItem(g_pictured, IDC_MOD_LIST)), -1);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_taken);
}

}  // namespace
