// Test helper for the release archive: starts a program and closes its main window with Esc,
// or reads a program's version record, icon and manifest. Prints what it saw, one line each.
//
//   window_probe run <program.exe> <window title> <timeout ms>
//       Starts the program in the current folder, waits for its visible top-level window of
//       that title, prints "visible <ms>" (time since the start), presses Esc in it and prints
//       "ended <exit code>" once the process has ended. Exits 0 only if all of that happened.
//   window_probe resources <program.exe> <version> [console]
//       Prints "version", "icon" and "manifest" lines; exits 0 only if all three are right.
//       A console program needs no icon and no common controls, only to run as the invoker.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "resources/common/common_ids.h"
#include "tests/support/window_text.h"

namespace {

struct WindowSearch {
    DWORD processId;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->processId && IsWindowVisible(hwnd) && testing_support::WindowText(hwnd) == search->title) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindProgramWindow(DWORD processId, const char* title) {
    WindowSearch search{processId, title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Keys posted to a dialog reach its modal loop, which hands them to the dialog manager as
// typed keys; that turns Esc into the Cancel command. The key goes to the control that has
// the focus, as a typed one would, which needs a look into the program's input state.
void PressEscape(HWND window) {
    const DWORD theirThread = GetWindowThreadProcessId(window, nullptr);
    HWND target = nullptr;
    if (AttachThreadInput(GetCurrentThreadId(), theirThread, TRUE)) {
        target = GetFocus();
        AttachThreadInput(GetCurrentThreadId(), theirThread, FALSE);
    }
    if (!target || (target != window && !IsChild(window, target)))
        target = window;
    const UINT scanCode = MapVirtualKeyA(VK_ESCAPE, MAPVK_VK_TO_VSC);
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 1 | (scanCode << 16));
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 1 | (scanCode << 16) | 0xC0000000u);
}

int Run(const std::string& program, const char* title, DWORD timeoutMs) {
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);

    HWND window = nullptr;
    while (!(window = FindProgramWindow(process.dwProcessId, title))) {
        if (MillisecondsSince(start) > timeoutMs || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(5);
    }
    if (!window) {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            std::fprintf(stderr, "%s ended without showing a window \"%s\"\n", program.c_str(), title);
        else
            std::fprintf(stderr, "no visible window \"%s\" from %s within %lu ms\n", title, program.c_str(),
                         timeoutMs);
        TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hProcess);
        return 1;
    }
    std::printf("visible %.0f\n", MillisecondsSince(start));
    std::fflush(stdout);

    PressEscape(window);
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "%s still running %lu ms after Esc\n", program.c_str(), timeoutMs);
        TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hProcess);
        return 1;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    std::printf("ended %lu\n", exitCode);
    return exitCode == 0 ? 0 : 1;
}

std::string FixedVersion(const std::string& program, std::string& textVersion) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    std::string data(size, '\0');
    if (!size || !GetFileVersionInfoA(program.c_str(), 0, size, data.data()))
        return {};
    char* text = nullptr;
    UINT length = 0;
    if (VerQueryValueA(data.data(), "\\StringFileInfo\\040904b0\\FileVersion", reinterpret_cast<void**>(&text),
                       &length) && length)
        textVersion.assign(text);
    VS_FIXEDFILEINFO* fixed = nullptr;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return {};
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
           "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

std::string ManifestText(HMODULE module) {
    HRSRC found = FindResourceA(module, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    return bytes ? std::string(static_cast<const char*>(bytes), SizeofResource(module, found)) : std::string();
}

int Resources(const std::string& program, const std::string& expectedVersion, bool console) {
    std::string textVersion;
    const std::string fixedVersion = FixedVersion(program, textVersion);
    const bool versionOk = fixedVersion == expectedVersion && textVersion == expectedVersion;
    std::printf("version %s (text \"%s\")%s\n", fixedVersion.c_str(), textVersion.c_str(), versionOk ? "" : " WRONG");

    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HANDLE icon = module ? LoadImageA(module, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 32, 32, 0) : nullptr;
    std::printf("icon %s\n", icon ? "yes" : console ? "none" : "MISSING");
    if (icon)
        DestroyIcon(static_cast<HICON>(icon));

    const std::string manifest = module ? ManifestText(module) : std::string();
    // A console program draws no window of its own: it needs only to run as the invoker.
    const bool windowed = manifest.find("Microsoft.Windows.Common-Controls") != std::string::npos &&
                          manifest.find(">PerMonitorV2, System</dpiAwareness>") != std::string::npos &&
                          manifest.find(">true</dpiAware>") != std::string::npos;
    const bool manifestOk = manifest.find("asInvoker") != std::string::npos && (console || windowed);
    std::printf("manifest %s\n", manifestOk ? "yes" : "MISSING");
    if (module)
        FreeLibrary(module);
    return versionOk && (icon || console) && manifestOk ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "run" && argc == 5)
        return Run(argv[2], argv[3], static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)));
    if (command == "resources" && (argc == 4 || (argc == 5 && std::string(argv[4]) == "console")))
        return Resources(argv[2], argv[3], argc == 5);
    std::fprintf(stderr,
                 "usage: window_probe run <program.exe> <title> <timeout ms>\n"
                 "       window_probe resources <program.exe> <version> [console]\n");
    return 2;
}
