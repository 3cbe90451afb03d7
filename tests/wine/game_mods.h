// A game folder in the tests' hands: its files taken as a whole, filled, and mods for it
// written with Tavlin's real form.
#pragma once

#include <windows.h>

#include <chrono>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "resources/tavlin/resource.h"
#include "tests/support/temp_dir.h"
#include "wine_support.h"
#include "writers/mapswap/win/tavlin_dlg.h"

namespace wine_support {

using Snapshot = std::map<std::string, std::string>;

// Every file below a folder with its bytes, by its path from there in lower case: a mod
// that writes "MAPS\\A.MAP" may leave the name in that case, and it is still the same file.
inline Snapshot TakeSnapshot(const std::string& folder, const std::string& prefix = "") {
    Snapshot files;
    if (folder.empty())
        return files;  // never the root of the drive
    for (std::string name : FolderEntries(folder)) {
        const std::string path = folder + "\\" + name;
        CharLowerBuffA(name.data(), static_cast<DWORD>(name.size()));
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            files.merge(TakeSnapshot(path, prefix + name + "\\"));
        else
            files[prefix + name] = testing_support::ReadBytes(path);
    }
    return files;
}

// Makes the folders the files lie in (one level) and writes them.
inline void MakeGameFolder(const Snapshot& files) {
    CreateDirectoryA("maps", nullptr);
    CreateDirectoryA("mods", nullptr);
    for (const auto& [path, bytes] : files)
        testing_support::WriteBytes(path, bytes);
}

// Writes a map-swap mod through Tavlin's own form: each pair a map and its modded file.
inline void WriteWithTavlin(const std::string& batchFile, const std::string& modName,
                            const std::vector<std::pair<std::string, std::string>>& maps) {
    ProgramResources resources("Tavlin.exe");
    StandIns user;
    CTavlinDlg tavlin(resources.Module(), user.Platform());
    const HWND hwnd = tavlin.CreateModeless(nullptr);
    const int fields[][2] = {{IDC_ORIGINAL1, IDC_MODDED1}, {IDC_ORIGINAL2, IDC_MODDED2}, {IDC_ORIGINAL3, IDC_MODDED3}};
    for (std::size_t i = 0; i < maps.size(); ++i) {
        SetText(hwnd, fields[i][0], maps[i].first);
        SetText(hwnd, fields[i][1], maps[i].second);
    }
    SetText(hwnd, IDC_OUTPUT_FILE, batchFile);
    SetText(hwnd, IDC_TAVLIN_MOD_NAME, modName);
    Click(hwnd, IDOK);
}

// The test point `point` set for the Grenwick processes started while this object lives: the
// first to pass it writes the file `m_reached` and waits until the test removes it (GoOn) or
// kills the process.
class ScopedTestPoint {
public:
    explicit ScopedTestPoint(const char* point) {
        SetEnvironmentVariableA("GRENWICK_TEST_POINT", point);
        SetEnvironmentVariableA("GRENWICK_TEST_REACHED", m_reached.c_str());
    }
    ~ScopedTestPoint() {
        SetEnvironmentVariableA("GRENWICK_TEST_POINT", nullptr);
        GoOn();
    }
    ScopedTestPoint(const ScopedTestPoint&) = delete;
    ScopedTestPoint& operator=(const ScopedTestPoint&) = delete;
    bool Reached() const {
        return WaitFor([this] { return GetFileAttributesA(m_reached.c_str()) != INVALID_FILE_ATTRIBUTES; },
                       std::chrono::seconds(30));
    }
    void GoOn() const { DeleteFileA(m_reached.c_str()); }

private:
    std::string m_reached = "C:\\kit-point-" + std::to_string(GetCurrentProcessId()) + ".txt";
};

}  // namespace wine_support
