// The batch reader against the real command interpreter: for each shape, a game folder is made
// in a temp dir, the batch file runs under cmd.exe, and every file that changed must have been
// predicted.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/paths.h"
#include "batchfile/reader/batch_effects.h"
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
    base::PathKind KindOf(const std::string& fullPath) const override {
        const DWORD attributes = GetFileAttributesA(fullPath.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return base::PathKind::Missing;
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? base::PathKind::Folder : base::PathKind::File;
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

// A game folder with these files (each holding its own name) below `game`.
void MakeFiles(const std::string& game, const Strings& files) {
    for (const std::string& file : files) {
        const std::string full = game + "\\" + file;
        for (std::size_t at = game.size() + 1; (at = full.find('\\', at)) != std::string::npos; ++at)
            CreateDirectoryA(full.substr(0, at).c_str(), nullptr);
        testing_support::WriteBytes(full, file);
    }
}

// The files below `game` that the script's lines change under the real interpreter: changed,
// deleted or made, by folded full path. The script is game\mod\install.bat.
Strings ChangedUnderCmd(const std::string& game, const Strings& lines) {
    std::string script;
    for (const std::string& line : lines)
        script += line + "\r\n";
    testing_support::WriteBytes(game + "\\mod\\install.bat", script);
    const RealDisk disk;
    std::map<std::string, std::string> before, after;
    Snapshot(disk, game, before);
    EXPECT_TRUE(RunInterpreter(game + "\\mod\\install.bat", game));
    Snapshot(disk, game, after);
    Strings changed;
    for (const auto& [name, content] : before)
        if (!after.count(name) || after[name] != content)
            changed.push_back(name);
    for (const auto& [name, content] : after)
        if (!before.count(name) && name != Fold(game + "\\mod\\install.bat"))
            changed.push_back(name);
    return changed;
}

// What the reader makes of the script as game\mod\install.bat, with the game folder current.
batchfile::BatchEffects ReadOnRealDisk(const RealDisk& disk, const std::string& game, const Strings& lines) {
    batchfile::ReaderContext context;
    context.batchPath = game + "\\mod\\install.bat";
    context.startFolder = game;
    context.disk = &disk;
    context.readLines = [](const std::string& path) { return batchfile::ReadAllLines(path); };
    context.codePage = GetOEMCP();  // the page the interpreter below reads the script in
    return batchfile::EffectsOf(lines, context);
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
        // Switches written together, as xcopy and the internal commands take them.
        {"xcopy switches together", {"xcopy mod\\pack maps\\pack /S/E/I/Y"}},
        {"xcopy switches together in lower case", {"xcopy mod\\pack\\ maps\\ /s/e/y"}},
        {"del and rd switches together", {"del /S/Q maps\\*.txt", "rd /S/Q text"}},
        {"copy and move switches together", {"copy /Y/B mod\\new.map maps", "move /Y/-Y maps\\a.map maps\\z.map"}},
    };
    const RealDisk disk;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        const std::string game = dir.Path().string();
        MakeFiles(game, {"maps\\a.map", "maps\\b.map", "maps\\sub\\deep.map", "maps\\sub\\readme.txt", "text\\en.txt",
                         "mod\\new.map", "mod\\pack\\p1.map", "mod\\pack\\inner\\p2.map"});
        testing_support::WriteBytes(game + "\\mod\\other.bat", "del %1\r\n");

        const batchfile::BatchEffects effects = ReadOnRealDisk(disk, game, c.lines);
        EXPECT_TRUE(effects.unfollowed.empty());
        std::set<std::string> predicted;
        for (const std::string& name : effects.changed)
            predicted.insert(Fold(name));

        const Strings changed = ChangedUnderCmd(game, c.lines);
        EXPECT_FALSE(changed.empty());  // the interpreter did run the shape
        for (const std::string& name : changed)
            EXPECT_TRUE(predicted.count(name)) << name << " changed but was not predicted";
    }
}

// The shapes in which a value the reader cannot know must taint what follows. Every file the
// real interpreter changes was predicted, or came from a flagged line: the first line after
// which a run of the script's opening lines changes it. A program the reader cannot follow is
// played by "cmd /c". Left out because Wine differs from Windows there: xcopy to "dest\*"
// (Wine asks File/Directory, Windows copies into dest), robocopy (a stub in Wine 8), and
// "goto: eof" with a blank after the colon (Wine 8 looks for a label " eof" and ends the batch
// file; Windows returns). "choice" waits for a key, so the menu picks by %1 instead; the step
// bound's shape (100,000 calls) is read natively only, as it takes minutes under any interpreter.
TEST(BatchEffectsUnderCmd, EveryChangedFileWasPredictedOrCameFromAFlaggedLine) {
    const struct {
        const char* name;
        Strings lines;
        bool followedWhole;
    } cases[] = {
        {"current folder from a listing",
         {"@echo off", "for /f \"delims=\" %%a in ('dir starfall.ini /b /s') do set \"D=%%a\"",
          "cd /d \"%D:starfall.ini=%\\sound\\sfx\\\"", "del shot.wav", "copy /y \"%~dp0sound\\track01.ogg\" \"%cd%\""},
         false},
        {"folder an unknown program made",
         {"@echo off", "if not exist \"%~dp0bin\\Temp\" md \"%~dp0bin\\Temp\"",
          "cmd /c xcopy /s /i /y \"%~dp0pack\" \"%~dp0bin\\Temp\\pack-main\"", "xcopy /s /y \"%~dp0bin\\Temp\\pack-main\" ."},
         false},
        {"folder from the registry or empty",
         {"@echo off", "set \"G=\"", "reg query \"HKCU\\Software\\GrenwickShapeTest\" /v Path >nul 2>&1",
          "if not errorlevel 1 for /f \"tokens=2*\" %%a in ('reg query \"HKCU\\Software\\GrenwickShapeTest\" /v Path') do set \"G=%%b\"",
          "if not defined G (", "  echo not found", ")", "set \"T=%G%\\Data\\Loc\"", "xcopy \"%~dp0po files\\*\" \"%T%\\\" /E /I /Y"},
         false},
        {"menu with goto:eof and call:label",
         {"@echo off", "call :header", "if \"%1\"==\"high\" goto:high", "set PRESET=low", "goto:install", ":high",
          "call:header", "set PRESET=high", ":install", "copy /y \"%~dp0presets\\%PRESET%\\*.ini\" config\\",
          "del config\\shadows.ini", "goto:eof", ":header", "echo ====", "goto:eof"},
         true},
        {"names no run could change",
         {"@echo off", "set \"PF=%~d0Program Files\"", "copy /y \"%~dp0new.map\" \"%CD%\\%PF%\\Starfall\\a.map\"",
          "copy /y \"%~dp0new.map\" \"\\\\%SERVER%\\Starfall\\a.map\"", "copy /y \"%~dp0new.map\" maps\\c.map"},
         false},
        {"a game folder found on the disk, a typed one jumped over",
         {"@echo off", "if exist \"%CD%\\maps\\a.map\" (set \"G=%CD%\" & goto :found)", "set /p G=Where is the game? ",
          ":found", "del \"%G%\\maps\\b.map\"", "xcopy \"%~dp0pack\" maps\\pack\\ /S/E/Y"},
         true},
        {"lines that change no file and a branch the disk rules out",
         {"@echo off", "taskkill /f /im starfall.exe >nul 2>&1", "net session >nul 2>&1", "setx STARFALL_HOME \"%CD%\"",
          "if not exist \"maps\\a.map\" (", "  \"%~dp0tools\\mapconv.exe\" maps", ")",
          "if exist \"maps\\b.map\" copy /y \"%~dp0new.map\" maps\\b.map"},
         true},
    };
    const RealDisk disk;
    const Strings files = {"maps\\a.map", "maps\\b.map", "starfall.ini", "sound\\sfx\\shot.wav", "config\\shadows.ini",
                           "mod\\new.map", "mod\\sound\\track01.ogg", "mod\\pack\\p1.map", "mod\\pack\\inner\\p2.map",
                           "mod\\presets\\low\\shadows.ini", "mod\\presets\\high\\effects.ini", "mod\\po files\\de.po"};
    // The game folder's files, and the registry value naming it.
    const auto makeGame = [&files](const std::string& game) {
        MakeFiles(game, files);
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\GrenwickShapeTest", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(game.c_str()), static_cast<DWORD>(game.size() + 1));
        RegCloseKey(key);
        return true;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        const std::string game = dir.Path().string();
        ASSERT_TRUE(makeGame(game));

        const batchfile::BatchEffects effects = ReadOnRealDisk(disk, game, c.lines);
        EXPECT_EQ(effects.unfollowed.empty(), c.followedWhole);
        std::set<std::string> predicted;
        for (const std::string& name : effects.changed)
            predicted.insert(Fold(name));
        std::set<int> flagged;
        for (const batchfile::UnfollowedLine& line : effects.unfollowed)
            flagged.insert(line.number);

        const Strings changed = ChangedUnderCmd(game, c.lines);
        EXPECT_FALSE(changed.empty());  // the interpreter did run the shape
        std::map<std::size_t, Strings> changedByOpening;  // the first n lines run alone
        for (const std::string& name : changed) {
            if (predicted.count(name))
                continue;
            std::size_t author = 0;
            for (std::size_t n = 1; n <= c.lines.size() && author == 0; ++n) {
                if (!changedByOpening.count(n)) {
                    testing_support::TempDir fresh;
                    const std::string again = fresh.Path().string();
                    makeGame(again);
                    const Strings opening(c.lines.begin(), c.lines.begin() + static_cast<std::ptrdiff_t>(n));
                    for (std::string changedThere : ChangedUnderCmd(again, opening))
                        changedByOpening[n].push_back(Fold(game) + changedThere.substr(again.size()));
                }
                makeGame(game);
                const Strings& there = changedByOpening[n];
                if (std::find(there.begin(), there.end(), name) != there.end())
                    author = n;
            }
            EXPECT_TRUE(author > 0 && flagged.count(static_cast<int>(author)))
                << name << " changed by line " << author << ", which was neither predicted nor flagged";
        }
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\GrenwickShapeTest");
}

}  // namespace
