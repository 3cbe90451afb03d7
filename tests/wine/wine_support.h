// Helpers for tests that drive the programs' real dialogs in the test's own process.
#pragma once

#include <windows.h>
#include <commctrl.h>

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

#include "base/wide_win.h"
#include "resources/grenwick/resource.h"
#include "shell/list_box.h"
#include "shell/list_view.h"
#include "shell/platform.h"
#include "tests/support/recording.h"
#include "tests/support/window_text.h"

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

inline std::string Text(HWND dialog, int id) { return testing_support::WindowText(GetDlgItem(dialog, id)); }

inline void SetText(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }

inline std::string WindowTitle(HWND hwnd) { return testing_support::WindowText(hwnd); }

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
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(listBox, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::string text(static_cast<std::size_t>(SendMessageA(listBox, LB_GETTEXTLEN, i, 0)) + 1, '\0');
        text.resize(static_cast<std::size_t>(SendMessageA(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        items.push_back(text);
    }
    return items;
}

inline std::vector<std::string> ListItems(HWND dialog, int id) { return ListItems(GetDlgItem(dialog, id)); }

// The rows of a report-view list view of this process, each its cells joined by tabs.
inline std::vector<std::string> ListRows(HWND dialog, int id) {
    const shell::CListView list(GetDlgItem(dialog, id));
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list.Hwnd(), LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        std::string row;
        for (int column = 0; column < columns; ++column)
            row += (column == 0 ? "" : "\t") + list.Text(i, column);
        // A row that fills only its first cells ends there.
        while (!row.empty() && row.back() == '\t')
            row.pop_back();
        rows.push_back(row);
    }
    return rows;
}

// The selected row of a list view, any process's; -1 for none.
inline LRESULT SelectedRow(HWND list) {
    DWORD_PTR row = static_cast<DWORD_PTR>(-1);
    SendMessageTimeoutW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, SMTO_NORMAL, 5000, &row);
    return static_cast<LRESULT>(row);
}

// Stands in for the user and the system around a window: messages and questions are
// recorded instead of shown, a question is answered from `answers` (Yes/No) or
// `threeWayAnswers` (Yes/No/Cancel) in turn or else with its default button, a popup menu's choice comes from `choose` (none without it), and the
// rights are as `elevated` says, a start as administrator only counted.
class StandIns final : public shell::Prompter, public shell::MenuChooser, public shell::Elevation {
public:
    shell::Platform Platform() { return {this, this, this}; }

    void Show(HWND, const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(HWND, const std::string& text, bool defaultYes) override {
        questions.push_back(text);
        return testing_support::NextAnswer(answers, defaultYes);
    }
    Answer AskYesNoCancel(HWND, const std::string& text) override {
        questions.push_back(text);
        return testing_support::NextAnswer(threeWayAnswers, Answer::Cancel);
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
    std::deque<Answer> threeWayAnswers;
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

// The first visible top-level window of `process` that `wanted` accepts, or null.
inline HWND FindWindowOfProcess(DWORD process, const std::function<bool(HWND)>& wanted) {
    struct Search {
        DWORD process;
        const std::function<bool(HWND)>* wanted;
        HWND found;
    } search{process, &wanted, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->process && IsWindowVisible(hwnd) && (*s->wanted)(hwnd))
                s->found = hwnd;
            return !s->found;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The window of `process` holding the control `id`, waited for up to `limit`; null if none came.
inline HWND WaitForWindowWith(DWORD process, int id, std::chrono::milliseconds limit) {
    HWND window = nullptr;
    const auto holdsIt = [id](HWND hwnd) { return GetDlgItem(hwnd, id) != nullptr; };
    WaitFor([&] { return (window = FindWindowOfProcess(process, holdsIt)) != nullptr; }, limit);
    return window;
}

// A message box a thread of `process` shows now (a dialog of the system's own class with
// the box's buttons), or null.
inline HWND FindMessageBox(DWORD process) {
    return FindWindowOfProcess(process, [](HWND hwnd) {
        char type[16] = {};
        GetClassNameA(hwnd, type, sizeof(type));
        return std::string(type) == "#32770" &&
               (GetDlgItem(hwnd, IDOK) || GetDlgItem(hwnd, IDYES) || GetDlgItem(hwnd, IDCANCEL)) &&
               !GetDlgItem(hwnd, IDC_MOD_LIST) && !GetDlgItem(hwnd, IDC_APPLIED_LIST) &&
               !GetDlgItem(hwnd, IDC_WHAT_FILES);
    });
}

// The text a message box shows: its longest static text, read in UTF-16 since it may come
// from another process, and given back in UTF-8 as the kit writes its messages.
inline std::string MessageBoxText(HWND box) {
    std::string longest;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char type[16] = {};
        GetClassNameA(child, type, sizeof(type));
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, type, -1, "Static", -1) != CSTR_EQUAL)
            continue;
        DWORD_PTR length = 0;
        SendMessageTimeoutW(child, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length);
        std::wstring wide(length + 1, L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(child, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()), SMTO_NORMAL,
                            5000, &got);
        wide.resize(got);
        const std::string text = base::Utf8OfWide(wide);
        if (text.size() > longest.size())
            longest = text;
    }
    return longest;
}

// Presses a message box's button, posted, as a click arrives from another process.
inline void PressBoxButton(HWND box, int id) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
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

// Removes a folder and everything below it.
inline void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// A Grenwick.exe started in a folder (named in UTF-8 or in the code page), with its standard
// handles on NUL (a PAUSE in a mod returns at once), driven through its window from outside;
// killed at the end if still running.
class GrenwickProcess {
public:
    explicit GrenwickProcess(const std::string& folder) {
        if (Start(folder))
            WaitFor([this] { return (m_window = FindWindowOf(m_info.dwProcessId)) != nullptr; },
                    std::chrono::seconds(10));
    }
    // Started with `atStart` answering the boxes of the start, kept in StartBoxes.
    GrenwickProcess(const std::string& folder, const std::function<int(const std::string&)>& atStart) {
        if (Start(folder))
            m_startBoxes = AnswerBoxes(atStart, [this](bool) {
                return (m_window = FindWindowOf(m_info.dwProcessId)) != nullptr;
            });
    }
    ~GrenwickProcess() {
        Kill();
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
        CloseHandle(m_nul);
    }
    GrenwickProcess(const GrenwickProcess&) = delete;
    GrenwickProcess& operator=(const GrenwickProcess&) = delete;

    HWND Window() const { return m_window; }
    DWORD Id() const { return m_info.dwProcessId; }
    bool Ended() const { return WaitForSingleObject(m_info.hProcess, 0) == WAIT_OBJECT_0; }
    // Types the path and presses "Add Batch File": posted, as a click arrives, or sent, which
    // returns once the add has ended (false when it did not within 10 s, as behind a message).
    bool Add(const std::string& path, bool post = false) const {
        SendMessageTimeoutA(GetDlgItem(m_window, IDC_GRENWICK_BATCH_FILE), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL, 5000, nullptr);
        const WPARAM click = MAKEWPARAM(IDC_ADD_BATCH, BN_CLICKED);
        const auto button = reinterpret_cast<LPARAM>(GetDlgItem(m_window, IDC_ADD_BATCH));
        DWORD_PTR ignored = 0;
        return post ? PostMessageA(m_window, WM_COMMAND, click, button)
                    : SendMessageTimeoutA(m_window, WM_COMMAND, click, button, SMTO_NORMAL, 10000, &ignored);
    }
    LRESULT ListCount() const {
        DWORD_PTR count = 0;
        SendMessageTimeoutA(GetDlgItem(m_window, IDC_MOD_LIST), LB_GETCOUNT, 0, 0, SMTO_NORMAL, 10000, &count);
        return static_cast<LRESULT>(count);
    }
    // Selects the mod listed under `name` (UTF-8); false when it is not listed.
    bool Select(const std::string& name) const {
        const std::wstring wide = base::WideOf(name);
        DWORD_PTR at = static_cast<DWORD_PTR>(LB_ERR);
        SendMessageTimeoutW(GetDlgItem(m_window, IDC_MOD_LIST), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(wide.c_str()), SMTO_NORMAL, 5000, &at);
        if (static_cast<LRESULT>(at) < 0)
            return false;
        SendMessageTimeoutA(GetDlgItem(m_window, IDC_MOD_LIST), LB_SETCURSEL, at, 0, SMTO_NORMAL, 5000, nullptr);
        return true;
    }
    // Sends `msg` to the window and, while its handler runs, answers each message box the
    // process shows with the button `answer` picks for its text (OK for a box with only
    // that); the texts of the boxes in order. Ends when the handler has returned, the window
    // has closed or `limit` has passed (then with "(still running)" last).
    std::vector<std::string> Drive(UINT msg, WPARAM wp, LPARAM lp, const std::function<int(const std::string&)>& answer,
                                   std::chrono::milliseconds limit = std::chrono::seconds(60)) const {
        std::vector<std::string> boxes;
        const HWND window = m_window;
        auto handled = std::make_shared<std::promise<void>>();
        std::future<void> returned = handled->get_future();
        std::thread([=] {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(window, msg, wp, lp, SMTO_NORMAL, static_cast<UINT>(limit.count()), &ignored);
            handled->set_value();
        }).detach();
        const auto until = std::chrono::steady_clock::now() + limit;
        HWND answered = nullptr;
        while (returned.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
            if (std::chrono::steady_clock::now() > until) {
                boxes.push_back("(still running)");
                break;
            }
            if (const HWND box = AnswerBox(answered, answer, boxes))
                answered = box;
        }
        return boxes;
    }
    // Answers boxes as Drive does for a command already posted, until `settled` (told whether
    // an OK-only box came) holds after `quiet` without a box, the process ends, or `limit`.
    std::vector<std::string> AnswerBoxes(const std::function<int(const std::string&)>& answer,
                                         const std::function<bool(bool messageShown)>& settled,
                                         std::chrono::milliseconds quiet = std::chrono::seconds(2),
                                         std::chrono::milliseconds limit = std::chrono::seconds(60)) const {
        std::vector<std::string> boxes;
        const auto started = std::chrono::steady_clock::now();
        auto lastBox = started;
        HWND answered = nullptr;
        bool messageShown = false;
        while (!Ended()) {
            const auto now = std::chrono::steady_clock::now();
            if (now - started > limit) {
                boxes.push_back("(still running)");
                break;
            }
            bool onlyOk = false;
            if (const HWND box = AnswerBox(answered, answer, boxes, &onlyOk)) {
                messageShown = messageShown || onlyOk;
                answered = box;
                lastBox = std::chrono::steady_clock::now();
            } else if (now - lastBox >= quiet && settled(messageShown)) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return boxes;
    }
    // A command of a button or a menu entry, as a click sends it.
    std::vector<std::string> Command(int id, const std::function<int(const std::string&)>& answer) const {
        return Drive(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0, answer);
    }
    void Kill() const {
        if (m_info.hProcess && !Ended()) {
            TerminateProcess(m_info.hProcess, 1);
            WaitForSingleObject(m_info.hProcess, 5000);
        }
    }
    // Waits for the program to end by itself, as it does after a mod was applied.
    bool WaitForEnd(std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        return WaitForSingleObject(m_info.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
    }

    const std::vector<std::string>& StartBoxes() const { return m_startBoxes; }

private:
    bool Start(const std::string& folder) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        m_nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                            OPEN_EXISTING, 0, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = m_nul;
        std::wstring line = base::WideOf("\"" + BinDir() + "Grenwick.exe\"");
        return CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, base::WideOf(folder).c_str(),
                              &startup, &m_info);
    }
    // Presses OK or the button `answer` picks on a new box, adding its text; the box or null.
    HWND AnswerBox(HWND answered, const std::function<int(const std::string&)>& answer,
                   std::vector<std::string>& boxes, bool* onlyOk = nullptr) const {
        const HWND box = FindMessageBox(m_info.dwProcessId);
        if (!box || box == answered)
            return nullptr;
        boxes.push_back(MessageBoxText(box));
        const bool message = !GetDlgItem(box, IDYES);
        if (onlyOk)
            *onlyOk = message;
        PressBoxButton(box, message ? IDOK : answer(boxes.back()));
        WaitFor([box] { return !IsWindow(box); }, std::chrono::seconds(5));
        return box;
    }
    static HWND FindWindowOf(DWORD process) {
        return FindWindowOfProcess(process, [](HWND hwnd) { return GetDlgItem(hwnd, IDC_MOD_LIST) != nullptr; });
    }

    PROCESS_INFORMATION m_info{};
    HANDLE m_nul = INVALID_HANDLE_VALUE;
    HWND m_window = nullptr;
    std::vector<std::string> m_startBoxes;
};

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
        RemoveTree(m_path);
    }
    ScopedGameFolder(const ScopedGameFolder&) = delete;
    ScopedGameFolder& operator=(const ScopedGameFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
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
