// The list files shared by real Grenwick processes at their fixed paths: a kill at any
// instant of an add, two processes adding at once, two windows one after the other, and a
// name file another program holds open.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "batchfile/batch_lines.h"
#include "manager/list_file.h"
#include "manager/list_pair.h"
#include "manager/mod_manager.h"
#include "resources/grenwick/resource.h"
#include "tests/support/recording.h"
#include "wine_support.h"

namespace {

using namespace std::chrono_literals;
using Numbers = std::vector<int>;

const manager::ManagerFiles kFiles{"C:\\zorvmodnames.txt", "C:\\zorvmodpaths.txt", "C:\\Windows\\system32\\lastmod.txt"};

// Each name tells its path: "Mod 0421" runs m0421.bat.
std::string Digits(int number) {
    std::string digits = std::to_string(number);
    return std::string(4 - digits.size(), '0') + digits;
}
std::string ModName(int number) { return "Mod " + Digits(number); }
std::string ModPath(int number) { return "m" + Digits(number) + ".bat"; }

void WriteModFiles(const Numbers& numbers) {
    for (const int number : numbers)
        ASSERT_TRUE(batchfile::WriteBatchFile(ModPath(number), {":: &" + ModName(number)}));
}

// Saves the mods as the only list on disk; zero-padded names keep their order.
void SaveMods(const manager::ManagerFiles& files, const Numbers& numbers) {
    manager::ListTexts texts;
    for (const int number : numbers) {
        texts.paths.push_back(ModPath(number));
        texts.names.push_back(ModName(number));
    }
    for (const std::string& file : {files.paths, files.names})
        DeleteFileA(manager::TempFileOf(file).c_str());
    ASSERT_EQ(manager::SaveLists({files.paths, files.names}, texts), "");
}

// The mods the next start of Grenwick lists, each checked to sit on its own path.
Numbers LoadedMods(const manager::ManagerFiles& files) {
    testing_support::RecordingRunner runner;
    testing_support::RecordingView view;
    manager::ModManager manager(files, runner, view);
    manager.StartupLoad(nullptr);
    Numbers numbers;
    std::size_t mispaired = 0;
    for (const manager::ModEntry& entry : manager.Mods().Entries()) {
        const int number = std::atoi(entry.name.c_str() + 4);
        mispaired += entry.path != ModPath(number);
        numbers.push_back(number);
    }
    EXPECT_EQ(mispaired, 0u) << "names on another mod's path, of " << numbers.size();
    return numbers;
}

Numbers Evens(int count) {
    Numbers numbers;
    for (int i = 0; i < count; ++i)
        numbers.push_back(2 * i);
    return numbers;
}

// A Grenwick.exe started in a folder, driven through its window as a user would.
class GrenwickProcess {
public:
    explicit GrenwickProcess(const std::string& folder) {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        std::string line = "\"" + wine_support::BinDir() + "Grenwick.exe\"";
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                            &m_info))
            return;
        wine_support::WaitFor([this] { return (m_window = FindWindowOf(m_info.dwProcessId, nullptr)) != nullptr; },
                              10s);
    }
    ~GrenwickProcess() {
        if (!m_info.hProcess)
            return;
        if (m_window)
            PostMessageA(m_window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(m_info.hProcess, 5000) != WAIT_OBJECT_0)
            Kill();
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
    GrenwickProcess(const GrenwickProcess&) = delete;
    GrenwickProcess& operator=(const GrenwickProcess&) = delete;

    HWND Window() const { return m_window; }
    void Type(const std::string& text) const {
        SendMessageTimeoutA(GetDlgItem(m_window, IDC_BATCH_FILE), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000, nullptr);
    }
    // Posted, as a click arrives; Send returns once the add has ended.
    void PostAdd() const { PostMessageA(m_window, WM_COMMAND, AddCommand(), AddButton()); }
    bool Add(const std::string& path) const {
        Type(path);
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutA(m_window, WM_COMMAND, AddCommand(), AddButton(), SMTO_NORMAL, 10000, &ignored);
    }
    LRESULT ListCount() const {
        DWORD_PTR count = 0;
        SendMessageTimeoutA(GetDlgItem(m_window, IDC_MOD_LIST), LB_GETCOUNT, 0, 0, SMTO_NORMAL, 10000, &count);
        return static_cast<LRESULT>(count);
    }
    // A message box of the program's own, beside its main window.
    bool ShowsAMessage() const { return FindWindowOf(m_info.dwProcessId, m_window) != nullptr; }
    void Kill() const {
        TerminateProcess(m_info.hProcess, 1);
        WaitForSingleObject(m_info.hProcess, 5000);
    }

private:
    static WPARAM AddCommand() { return MAKEWPARAM(IDC_ADD_BATCH, BN_CLICKED); }
    LPARAM AddButton() const { return reinterpret_cast<LPARAM>(GetDlgItem(m_window, IDC_ADD_BATCH)); }

    // A visible top-level window of the process, other than `except`.
    static HWND FindWindowOf(DWORD process, HWND except) {
        struct Search {
            DWORD process;
            HWND except;
            HWND found;
        } search{process, except, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                if (owner != s->process || hwnd == s->except || !IsWindowVisible(hwnd))
                    return TRUE;
                s->found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    PROCESS_INFORMATION m_info{};
    HWND m_window = nullptr;
};

// Leaves drive C: without list files for the tests that come after.
class ListFilesOnDriveC : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& file : {kFiles.paths, kFiles.names}) {
            DeleteFileA(file.c_str());
            DeleteFileA(manager::TempFileOf(file).c_str());
        }
    }
    wine_support::ScopedGameFolder m_folder;
};

// Seen: killed right after the path file was replaced, Grenwick left 998 names and 999 paths,
// and most mods then ran another mod's batch file. Kills land at random instants of the add
// and the moment the path file changes; every time the next start lists one whole list.
TEST_F(ListFilesOnDriveC, AKillAtAnyInstantOfAnAddLeavesOneWholeList) {
    constexpr int kAdded = 1001;
    const Numbers saved = Evens(998);
    WriteModFiles({kAdded});
    WIN32_FILE_ATTRIBUTE_DATA before{};
    const auto pathFileChanged = [&before] {
        WIN32_FILE_ATTRIBUTE_DATA now{};
        return GetFileAttributesExA(kFiles.paths.c_str(), GetFileExInfoStandard, &now) &&
               CompareFileTime(&now.ftLastWriteTime, &before.ftLastWriteTime) != 0;
    };

    // One add without a kill tells how long an add takes here.
    SaveMods(kFiles, saved);
    std::chrono::microseconds addTime{};
    {
        GrenwickProcess grenwick(m_folder.Path());
        ASSERT_NE(grenwick.Window(), nullptr);
        grenwick.Type(ModPath(kAdded));
        const auto started = std::chrono::steady_clock::now();
        grenwick.PostAdd();
        ASSERT_TRUE(wine_support::WaitFor([&] { return grenwick.ListCount() == 999; }, 10s));
        addTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    }

    std::mt19937 random(20261208);
    int listsWithTheAdd = 0;
    constexpr int kKills = 36;
    for (int kill = 0; kill < kKills && !HasFailure(); ++kill) {
        SaveMods(kFiles, saved);
        GetFileAttributesExA(kFiles.paths.c_str(), GetFileExInfoStandard, &before);
        GrenwickProcess grenwick(m_folder.Path());
        ASSERT_NE(grenwick.Window(), nullptr);
        grenwick.Type(ModPath(kAdded));
        const auto delay = std::chrono::microseconds(random() % (addTime.count() * 6 / 5 + 1));
        const bool atTheReplace = kill % 3 == 0;
        SCOPED_TRACE(atTheReplace ? "killed as the path file changed"
                                  : "killed " + std::to_string(delay.count()) + " us after the click");
        grenwick.PostAdd();
        const auto until = std::chrono::steady_clock::now() + (atTheReplace ? 2s : delay);
        while (std::chrono::steady_clock::now() < until && !(atTheReplace && pathFileChanged())) {
        }
        grenwick.Kill();

        const Numbers loaded = LoadedMods(kFiles);
        ASSERT_TRUE(loaded.size() == saved.size() || loaded.size() == saved.size() + 1) << loaded.size();
        listsWithTheAdd += loaded.size() > saved.size();
        for (const std::string& file : {kFiles.paths, kFiles.names})
            EXPECT_EQ(GetFileAttributesA(manager::TempFileOf(file).c_str()), INVALID_FILE_ATTRIBUTES) << file;
    }
    std::printf("add %lld us; %d of %d kills left the list with the new mod\n",
                static_cast<long long>(addTime.count()), listsWithTheAdd, kKills);
}

// Seen: two processes adding at once lost and mispaired mods and clashed on one temporary
// file; a window started before another's add saved over it. Each change now works on the
// list as saved, under the lock.
TEST_F(ListFilesOnDriveC, TwoProcessesAddingKeepEveryModOnItsOwnPath) {
    constexpr int kEach = 12;
    Numbers expected = Evens(300);
    SaveMods(kFiles, expected);
    Numbers first{1001};
    Numbers second{1003};
    for (int i = 0; i < kEach; ++i) {
        first.push_back(2001 + 2 * i);
        second.push_back(3001 + 2 * i);
    }
    WriteModFiles(first);
    WriteModFiles(second);
    GrenwickProcess one(m_folder.Path());
    GrenwickProcess two(m_folder.Path());
    ASSERT_NE(one.Window(), nullptr);
    ASSERT_NE(two.Window(), nullptr);

    // One after the other: the second window shows the list as saved, both adds in it.
    ASSERT_TRUE(one.Add(ModPath(first[0])));
    ASSERT_TRUE(two.Add(ModPath(second[0])));
    EXPECT_EQ(two.ListCount(), 302);

    // At once.
    std::thread other([&] {
        for (int i = 1; i <= kEach; ++i)
            one.Add(ModPath(first[static_cast<std::size_t>(i)]));
    });
    for (int i = 1; i <= kEach; ++i)
        two.Add(ModPath(second[static_cast<std::size_t>(i)]));
    other.join();
    EXPECT_FALSE(one.ShowsAMessage());
    EXPECT_FALSE(two.ShowsAMessage());

    expected.insert(expected.end(), first.begin(), first.end());
    expected.insert(expected.end(), second.begin(), second.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(LoadedMods(kFiles), expected);
}

// Seen: with the name file held open by another program, an add rewrote the path file
// alone. Held for reading, the name file cannot be replaced: the save then stands in the
// name file's temporary until it can be. Held without sharing, it cannot even be read, and
// nothing changes.
TEST(ListFilesHeldOpen, ANameFileHeldOpenNeverPairsANameWithAnotherPath) {
    wine_support::ScopedGameFolder folder;
    const manager::ManagerFiles files{"names.lst", "paths.lst", "lastmod.txt"};
    WriteModFiles({1, 2, 3});
    struct Case {
        DWORD sharing;
        Numbers listed;
    } cases[] = {{FILE_SHARE_READ, {1, 2, 3}}, {0, {1, 3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sharing);
        SaveMods(files, {1, 3});
        HANDLE held = CreateFileA(files.names.c_str(), GENERIC_READ, c.sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        testing_support::RecordingRunner runner;
        testing_support::RecordingView view;
        {
            manager::ModManager manager(files, runner, view);
            manager.StartupLoad(nullptr);
            manager.AddBatchFile(ModPath(2));
        }
        EXPECT_EQ(view.messages, std::vector<std::string>{"The file \"names.lst\" could not be written."});
        if (c.sharing) {
            EXPECT_EQ(LoadedMods(files), c.listed) << "while still held";
        }
        CloseHandle(held);
        EXPECT_EQ(LoadedMods(files), c.listed);
        EXPECT_EQ(GetFileAttributesA(manager::TempFileOf(files.names).c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

}  // namespace
