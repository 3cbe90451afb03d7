// Helpers for tests that drive the programs' real dialogs in the test's own process.
#pragma once

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <initializer_list>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "shell/list_box.h"
#include "shell/platform.h"
#include "shell/window_text.h"

namespace wine_support {

// The folder of the running test program; the kit's programs are built beside it.
inline std::string BinDir() {
    std::string path(MAX_PATH, '\0');
    path.resize(GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of("\\/") + 1);
}

// A program of the kit loaded as data, so its dialog templates, icons and strings can be
// used by the test's own dialog objects. Freed with the object.
class ProgramResources {
public:
    explicit ProgramResources(const std::string& exeName)
        : m_module(LoadLibraryExA((BinDir() + exeName).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ProgramResources() {
        if (m_module)
            FreeLibrary(m_module);
    }
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;
    HINSTANCE Module() const { return m_module; }

private:
    HMODULE m_module;
};

// Handles every message waiting for this thread, so posted commands take effect.
inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Presses a dialog button the way a click does: a BN_CLICKED command from the control.
inline void Click(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    PumpMessages();
}

// Sends a key to the dialog's focused control through the dialog manager, as typing does.
inline void PressKey(HWND dialog, WPARAM key) {
    HWND target = GetFocus();
    if (!target)
        target = dialog;
    MSG down{target, WM_KEYDOWN, key, 1, 0, {}};
    if (!IsDialogMessageA(dialog, &down))
        DispatchMessageA(&down);
    MSG up{target, WM_KEYUP, key, 0xC0000001, 0, {}};
    if (!IsDialogMessageA(dialog, &up))
        DispatchMessageA(&up);
    PumpMessages();
}

inline std::string Text(HWND dialog, int id) { return shell::WindowText(GetDlgItem(dialog, id)); }

inline void SetText(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }

inline std::string WindowTitle(HWND hwnd) { return shell::WindowText(hwnd); }

// Every control id the code reads or drives is in the template.
inline void ExpectControls(HWND dialog, std::initializer_list<int> ids) {
    for (const int id : ids)
        EXPECT_NE(GetDlgItem(dialog, id), nullptr) << "control " << id;
}

// The names in a folder, "." and ".." left out.
inline std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The strings of a list box, in its order.
inline std::vector<std::string> ListItems(HWND listBox) {
    const shell::CListBox list(listBox);
    std::vector<std::string> items;
    for (std::size_t i = 0; i < list.Count(); ++i)
        items.push_back(list.TextAt(i));
    return items;
}

inline std::vector<std::string> ListItems(HWND dialog, int id) { return ListItems(GetDlgItem(dialog, id)); }

// Stands in for the user and the system around a window: messages and questions are
// recorded instead of shown, a question is answered from `answers` in turn or else with its
// default button, a popup menu's choice comes from `choose` (none without it), and the
// rights are as `elevated` says, a start as administrator only counted.
class StandIns final : public shell::Prompter, public shell::MenuChooser, public shell::Elevation {
public:
    shell::Platform Platform() { return {this, this, this}; }

    void Show(HWND, const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(HWND, const std::string& text, bool defaultYes) override {
        questions.push_back(text);
        if (answers.empty())
            return defaultYes;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // Recorded with the other questions and answered with its default, Cancel.
    int AskYesNoCancel(HWND, const std::string& text) override {
        questions.push_back(text);
        return IDCANCEL;
    }
    int Choose(HWND owner, HMENU menu, POINT at) override { return choose ? choose(owner, menu, at) : 0; }
    bool IsElevated() override { return elevated; }
    bool StartElevated(HWND) override {
        ++starts;
        return true;
    }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<bool> answers;
    std::function<int(HWND owner, HMENU menu, POINT at)> choose;
    bool elevated = true;
    int starts = 0;
};

// Waits, pumping messages, until `done` holds or the time runs out; true when it held.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Runs `step` on a thread of its own and waits for it at most `limit`; false when it did
// not end in time (the thread is then left to itself, blocked where it hangs).
inline bool FinishesWithin(std::function<void()> step, std::chrono::milliseconds limit) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ended = done->get_future();
    std::thread([step = std::move(step), done] {
        step();
        done->set_value();
    }).detach();
    return ended.wait_for(limit) == std::future_status::ready;
}

// A fresh working folder for one test, made current while the object lives; paths inside
// it stay short, as the mod list wants them.
class ScopedGameFolder {
public:
    ScopedGameFolder() {
        std::string previous(MAX_PATH, '\0');
        previous.resize(GetCurrentDirectoryA(static_cast<DWORD>(previous.size()), previous.data()));
        m_previous = previous;
        std::string temp(MAX_PATH, '\0');
        temp.resize(GetTempPathA(static_cast<DWORD>(temp.size()), temp.data()));
        m_path = temp + "kit-game-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
        CreateDirectoryA(m_path.c_str(), nullptr);
        SetCurrentDirectoryA(m_path.c_str());
    }
    ~ScopedGameFolder() {
        SetCurrentDirectoryA(m_previous.c_str());
        // Removes the folder and all files in it; the tests make no subfolders deeper than one.
        RemoveTree(m_path);
    }
    ScopedGameFolder(const ScopedGameFolder&) = delete;
    ScopedGameFolder& operator=(const ScopedGameFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
    static void RemoveTree(const std::string& folder) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..")
                    continue;
                const std::string path = folder + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path);
                else
                    DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }

    std::string m_previous;
    std::string m_path;
};

// Puts a folder first on the search path, so the command interpreter finds the kit's
// patcher there; the old path comes back afterwards.
class ScopedSearchPathFirst {
public:
    explicit ScopedSearchPathFirst(const std::string& folder) {
        const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
        m_had = size > 0;
        m_old.resize(size);
        m_old.resize(GetEnvironmentVariableA("PATH", m_old.data(), size));
        SetEnvironmentVariableA("PATH", (folder + ";" + m_old).c_str());
    }
    ~ScopedSearchPathFirst() { SetEnvironmentVariableA("PATH", m_had ? m_old.c_str() : nullptr); }
    ScopedSearchPathFirst(const ScopedSearchPathFirst&) = delete;
    ScopedSearchPathFirst& operator=(const ScopedSearchPathFirst&) = delete;

private:
    std::string m_old;
    bool m_had;
};

// Standard input from NUL and standard output into a file, for the C runtime and the
// process alike, since system() hands either on to the command interpreter: PAUSE then
// returns at once instead of waiting for a key, and what it prints can be read back.
class ScopedStandardStreams {
public:
    explicit ScopedStandardStreams(const std::string& outputFile)
        : m_oldIn(GetStdHandle(STD_INPUT_HANDLE)),
          m_oldOut(GetStdHandle(STD_OUTPUT_HANDLE)),
          m_savedIn(_dup(0)),
          m_savedOut(_dup(1)) {
        std::fflush(stdout);
        Redirect(0, _open("NUL", _O_RDONLY | _O_BINARY), STD_INPUT_HANDLE);
        Redirect(1, _open(outputFile.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE),
                 STD_OUTPUT_HANDLE);
    }
    ~ScopedStandardStreams() {
        std::fflush(stdout);
        Restore(0, m_savedIn, STD_INPUT_HANDLE, m_oldIn);
        Restore(1, m_savedOut, STD_OUTPUT_HANDLE, m_oldOut);
        std::clearerr(stdin);
    }
    ScopedStandardStreams(const ScopedStandardStreams&) = delete;
    ScopedStandardStreams& operator=(const ScopedStandardStreams&) = delete;

private:
    static void Redirect(int fd, int to, DWORD stdHandle) {
        if (to < 0)
            return;
        _dup2(to, fd);
        _close(to);
        SetStdHandle(stdHandle, reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
    }
    // Redirecting closed the handle the descriptor held, so the process's standard handle
    // becomes the descriptor's restored copy rather than the old, closed value.
    static void Restore(int fd, int saved, DWORD stdHandle, HANDLE old) {
        if (saved < 0) {
            _close(fd);
            SetStdHandle(stdHandle, old);
            return;
        }
        _dup2(saved, fd);
        _close(saved);
        SetStdHandle(stdHandle, reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
    }

    HANDLE m_oldIn;
    HANDLE m_oldOut;
    int m_savedIn;
    int m_savedOut;
};

}  // namespace wine_support
