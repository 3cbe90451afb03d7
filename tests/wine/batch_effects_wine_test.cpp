// The batch reader against the real command interpreter: for each shape, a game folder is made
// in a temp dir, the batch file runs under cmd.exe, and every file that changed must have been
// predicted.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/paths.h"
#include "batchfile/batch_effects.h"
#include "batchfile/header_reader.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"

namespace {

std::string Fold(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The real disk through the reader's interface.
class RealDisk final : public batchfile::DiskView {
public:
    batchfile::EntryKind KindOf(const std::string& fullPath) const override {
        const DWORD attributes = GetFileAttributesA(fullPath.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return batchfile::EntryKind::Missing;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? batchfile::EntryKind::Folder : batchfile::EntryKind::File;
    }
    std::vector<Entry> List(const std::string& fullFolder) const override {
        std::vector<Entry> entries;
        WIN32_FIND_DATAA found;
        const std::string pattern = fullFolder + (fullFolder.back() == '\\' ? "*" : "\\*");
        const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return entries;
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..")
                entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return entries;
    }
};

// Every file below the folder with its content, by folded full path.
void Snapshot(const RealDisk& disk, const std::string& folder, std::map<std::string, std::string>& files) {
    for (const batchfile::DiskView::Entry& entry : disk.List(folder)) {
        const std::string full = folder + "\\" + entry.name;
        if (entry.folder)
            Snapshot(disk, full, files);
        else
            files[Fold(full)] = testing_support::ReadBytes(full);
    }
}

// Runs the batch file with the real interpreter in `folder`, input from nowhere, bounded.
bool RunInterpreter(const std::string& batch, const std::string& folder) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    std::string line = "cmd.exe /c \"" + batch + "\"";
    const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        folder.c_str(), &startup, &process);
    bool finished = false;
    if (started) {
        finished = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
        if (!finished)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(nul);
    return finished;
}

// Left out because Wine differs from Windows there: "del maps/q" (Wine reads "maps/q" as a
// name, Windows as the folder maps and the switch /q), and robocopy (a stub in Wine 8).
TEST(BatchEffectsUnderCmd, EveryChangedFileWasPredicted) {
    const struct {
        const char* name;
        Strings lines;
    } cases[] = {
        {"del /s", {"del /s /q *.map"}},
        {"cd and pushd", {"cd maps", "del a.map", "cd ..", "pushd maps\\sub", "del deep.map", "popd"}},
        {"cd /d from the batch folder", {"cd /d %~dp0..\\maps", "del b.map"}},
        {"trailing dot", {"del \"maps\\a.map.\""}},
        {"block closing parenthesis", {"if exist maps (", "  copy mod\\new.map maps\\other.map)", "del maps\\b.map"}},
        {"variables", {"set M=maps", "del %M%\\a.map", "set \"N=%M%\\b.map\"", "echo x> \"%N%\""}},
        {"for over files", {"for %%f in (maps\\*.map) do copy /y \"%%f\" \"%%~dpnf.bak\""}},
        {"xcopy", {"xcopy mod\\pack maps\\pack /s /e /i /y"}},
        {"rd /s", {"rd /s /q maps\\sub"}},
        {"slash in a name", {"del maps/a.map", "ren maps/b.map c.map"}},
        {"delayed expansion",
         {"setlocal enabledelayedexpansion", "set N=a", "(", "  set N=b", "  del maps\\!N!.map", ")"}},
        {"call other.bat", {"call \"%~dp0other.bat\" maps\\a.map"}},
        {"folder renamed and moved", {"ren maps\\sub old", "move text lang"}},
        {"joined copy and type", {"copy /b mod\\new.map+mod\\new.map maps\\joined.map", "type text\\en.txt > text\\copy.txt"}},
    };
    const RealDisk disk;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        const std::string game = dir.Path().string();
        for (const char* file : {"maps\\a.map", "maps\\b.map", "maps\\sub\\deep.map", "maps\\sub\\readme.txt",
                                 "text\\en.txt", "mod\\new.map", "mod\\pack\\p1.map", "mod\\pack\\inner\\p2.map"}) {
            const std::string full = game + "\\" + file;
            CreateDirectoryA(base::FolderPart(base::FolderPart(full).substr(0, base::FolderPart(full).size() - 1)).c_str(), nullptr);
            CreateDirectoryA(base::FolderPart(full).c_str(), nullptr);
            testing_support::WriteBytes(full, file);
        }
        std::string script;
        for (const std::string& line : c.lines)
            script += line + "\r\n";
        testing_support::WriteBytes(game + "\\mod\\install.bat", script);
        testing_support::WriteBytes(game + "\\mod\\other.bat", "del %1\r\n");

        batchfile::ReaderContext context;
        context.batchPath = game + "\\mod\\install.bat";
        context.startFolder = game;
        context.disk = &disk;
        context.readLines = [](const std::string& path) { return batchfile::ReadAllLines(path); };
        const batchfile::BatchEffects effects = batchfile::EffectsOf(c.lines, context);
        EXPECT_TRUE(effects.unfollowed.empty());
        std::set<std::string> predicted;
        for (const std::string& name : effects.changed)
            predicted.insert(Fold(name));

        std::map<std::string, std::string> before, after;
        Snapshot(disk, game, before);
        ASSERT_TRUE(RunInterpreter(context.batchPath, game));
        Snapshot(disk, game, after);
        Strings changed;
        for (const auto& [name, content] : before)
            if (!after.count(name) || after[name] != content)
                changed.push_back(name);
        for (const auto& [name, content] : after)
            if (!before.count(name))
                changed.push_back(name);
        EXPECT_FALSE(changed.empty());  // the interpreter did run the shape
        for (const std::string& name : changed)
            EXPECT_TRUE(predicted.count(name)) << name << " changed but was not predicted";
    }
}

}  // namespace
