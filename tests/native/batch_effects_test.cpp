// Which files a batch file may change, followed the way the command interpreter runs it: one
// table for splitting and expansion, one for the commands, each against a small game folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/code_pages.h"
#include "batchfile/reader/batch_effects.h"
#include "tests/support/fake_disk.h"
#include "tests/support/text_checks.h"

namespace {

const char kGame[] = "C:\\Game";
const char kBatch[] = "C:\\Mods\\m\\install.bat";

testing_support::FakeDisk GameDisk() {
    return {"C:\\Game\\game.exe", "C:\\Game\\config.cfg", "C:\\Game\\maps\\a.map", "C:\\Game\\maps\\b.map",
            "C:\\Game\\maps\\sub\\deep.map", "C:\\Game\\maps\\sub\\readme.txt", "C:\\Game\\text\\en.txt",
            "C:\\Game\\text\\de.txt", "C:\\Game\\data\\base.bin", "C:\\Game\\empty\\",
            "C:\\Mods\\m\\install.bat", "C:\\Mods\\m\\other.bat", "C:\\Mods\\m\\a.map", "C:\\Mods\\m\\new.map",
            "C:\\Mods\\m\\sky.ppf", "C:\\Mods\\m\\ApplyPPF3.exe", "C:\\Mods\\m\\maps\\x.map",
            "C:\\Mods\\m\\maps\\y.map", "C:\\Mods\\m\\maps\\more\\z.map", "C:\\Mods\\m\\lang\\de.txt",
            "C:\\Users\\pat\\AppData\\Roaming\\Game\\settings.cfg",
            "C:\\Game\\names\\\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.dat",  // Привет, Ωμέγα, 表
            "C:\\Game\\names\\\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1.dat", "C:\\Game\\names\\\xE8\xA1\xA8.dat"};
}

// Names in the tables are relative to the game folder unless they start with a drive.
std::string Full(const std::string& name) {
    return name.size() > 1 && name[1] == ':' ? name : std::string(kGame) + "\\" + name;
}

Strings Folded(const Strings& names) {
    Strings out;
    for (std::string name : names) {
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        out.push_back(name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

struct Case {
    Strings lines;
    Strings changed;          // relative to the game folder, or full
    std::vector<int> unfollowed;  // line numbers in the main file
    unsigned codePage = base::kUtf8CodePage;
};

batchfile::BatchEffects Effects(const Strings& lines, const batchfile::DiskView& disk,
                                const std::map<std::string, Strings>& others = {},
                                unsigned codePage = base::kUtf8CodePage) {
    batchfile::ReaderContext context;
    context.codePage = codePage;
    context.batchPath = kBatch;
    context.startFolder = kGame;
    context.environment = {{"USERPROFILE", "C:\\Users\\pat"}, {"AppData", "C:\\Users\\pat\\AppData\\Roaming"},
                           {"SystemRoot", "C:\\Windows"}};
    context.disk = &disk;
    context.readLines = [others](const std::string& path) -> std::optional<Strings> {
        const auto found = others.find(path);
        if (found == others.end())
            return std::nullopt;
        return found->second;
    };
    return batchfile::EffectsOf(lines, context);
}

void Check(const Case& c, const std::map<std::string, Strings>& others = {}) {
    std::string trace;
    for (const std::string& line : c.lines)
        trace += line + " | ";
    SCOPED_TRACE(trace);
    const testing_support::FakeDisk disk = GameDisk();
    const batchfile::BatchEffects effects = Effects(c.lines, disk, others, c.codePage);
    Strings expected;
    for (const std::string& name : c.changed)
        expected.push_back(Full(name));
    EXPECT_EQ(Folded(effects.changed), Folded(expected));
    std::vector<int> numbers;
    for (const batchfile::UnfollowedLine& line : effects.unfollowed)
        numbers.push_back(line.number);
    EXPECT_EQ(numbers, c.unfollowed);
}

TEST(BatchEffects, SplitsAndExpandsAsTheInterpreterDoes) {
    const Case cases[] = {
        {{"@echo off", "rem del maps\\a.map & del maps\\b.map", ":: del maps\\a.map", "echo del maps\\a.map"}, {}, {}},
        {{"del maps\\a.map & del maps\\b.map"}, {"maps\\a.map", "maps\\b.map"}, {}},
        {{"del maps\\a.map && echo ok || del maps\\b.map"}, {"maps\\a.map", "maps\\b.map"}, {}},
        {{"echo x | del maps\\a.map"}, {"maps\\a.map"}, {}},
        {{"echo del maps\\a.map ^& del maps\\b.map"}, {}, {}},
        {{"if (i=fe (i=fe\"\"^"}, {}, {1}},  // a caret that ends the text, in an open block
        {{"echo x > \"maps\\new one.txt\" 2>&1", "echo y>>log.txt", "echo z 2>nul 1>con", "type a <config.cfg"},
         {"maps\\new one.txt", "log.txt"}, {}},
        {{"del \"maps\\a.map.\"", "del maps\\b.map   "}, {"maps\\a.map", "maps\\b.map"}, {}},
        {{"copy maps\\a.map maps\\c.map 2>nul", "copy maps\\a.map x2>nul"}, {"maps\\c.map", "x2"}, {}},
        {{"del maps\\sub\\..\\a.map", "del .\\maps\\.\\b.map"}, {"maps\\a.map", "maps\\b.map"}, {}},
        {{"if exist maps (", "  copy C:\\Mods\\m\\a.map maps\\other.map)", ") else (", "  del config.cfg", ")"},
         {"maps\\other.map", "config.cfg"}, {}},
        {{"(del maps\\a.map", "del maps\\b.map)"}, {"maps\\a.map", "maps\\b.map"}, {}},
        {{"del ^", "maps\\a.map"}, {"maps\\a.map"}, {}},
        {{"set M=maps", "del %M%\\a.map", "set \"N=%M%\\b.map\"", "del \"%N%\""}, {"maps\\a.map", "maps\\b.map"}, {}},
        {{"set F=xa.mapx", "del maps\\%F:~1,5%", "del maps\\%F:xa.mapx=B.map%"}, {"maps\\a.map", "maps\\B.map"}, {}},
        {{"set NAME=a", "(", "  set NAME=b", "  del maps\\%NAME%.map", ")"}, {"maps\\a.map"}, {}},
        {{"setlocal enabledelayedexpansion", "set NAME=a", "(", "  set NAME=b", "  del maps\\!NAME!.map", ")"},
         {"maps\\b.map"}, {}},
        {{"del %USERPROFILE%\\AppData\\Roaming\\Game\\settings.cfg", "echo x>\"%appdata%\\Game\\new.cfg\""},
         {"C:\\Users\\pat\\AppData\\Roaming\\Game\\settings.cfg", "C:\\Users\\pat\\AppData\\Roaming\\Game\\new.cfg"}, {}},
        {{"copy \"%~dp0a.map\" maps", "copy %~dp0new.map %1maps\\%~n0.map", "echo 100%% > %~nx0.log"},
         {"maps\\a.map", "maps\\install.map", "install.bat.log"}, {}},
        {{"setlocal", "set X=maps\\a.map", "endlocal", "del maps\\b.map %X%"}, {"maps\\b.map"}, {}},
        {{"set Y=a", "call set X=maps\\%%Y%%.map", "del %X%"}, {"maps\\a.map"}, {}},
        {{"echo > %~d0\\%~n0%~x0.txt", "echo > %~p0log.txt", "echo > \"%~f0.log\""},
         {"C:\\install.bat.txt", "C:\\Mods\\m\\log.txt", "C:\\Mods\\m\\install.bat.log"}, {}},
        {{"call :sub a.map b.map", "goto :eof", ":sub", "shift", "del maps\\%1"}, {"maps\\b.map"}, {}},
        {{"set /a N=2*3+1", "echo x > out%N%.txt", "set /a N+=1", "echo x > out%N%.txt"}, {"out7.txt", "out8.txt"}, {}},
        {{"set /p M=Which map? ", "del maps\\%M%.map", "echo %M% > choice.txt"}, {"choice.txt"}, {2}},
        {{"del \"%%i\"", "del maps\\%random%.map"}, {}, {1, 2}},
        // A mod runs with no arguments: %1 and %2 are empty, so only that branch runs.
        {{"if \"%1\"==\"\" (del maps\\a.map) else del maps\\b.map", "if /i not \"%2\" EQU \"x\" del config.cfg"},
         {"maps\\a.map", "config.cfg"}, {}},
        {{"(echo one", "echo two) > both.txt"}, {"both.txt"}, {}},
        // A set that may not run leaves the old value possible: each value is followed.
        {{"set L=en", "if errorlevel 1 (set L=de) else (set L=fr)", "echo x > text\\%L%.txt"},
         {"text\\en.txt", "text\\de.txt", "text\\fr.txt"}, {}},
        {{"choice /c 12", "if errorlevel 2 goto two", "set M=a", "goto go", ":two", "set M=b", ":go", "del maps\\%M%.map"},
         {"maps\\a.map", "maps\\b.map"}, {}},
        {{"setlocal enabledelayedexpansion", "set M=a", "if errorlevel 1 set M=b", "(del maps\\!M!.map)"},
         {"maps\\a.map", "maps\\b.map"}, {}},
        {{"for /l %%i in (1,1,20) do if errorlevel 1 set N=%%i", "echo x > out%N%.txt"}, {"out19.txt", "out20.txt"}, {2}},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(BatchEffects, FollowsTheCommands) {
    const Case cases[] = {
        {{"del /s /q *.map"}, {"maps\\a.map", "maps\\b.map", "maps\\sub\\deep.map"}, {}},
        {{"del maps"}, {"maps\\a.map", "maps\\b.map"}, {}},
        {{"del maps/a.map", "del maps\\sub/q"}, {"maps\\sub\\deep.map", "maps\\sub\\readme.txt"}, {}},
        {{"ren maps/a.map c.map"}, {"maps\\a.map", "maps\\c.map"}, {}},
        {{"del \"maps/b.map\""}, {"maps\\b.map"}, {}},
        {{"cd maps", "del a.map", "cd ..", "del config.cfg"}, {"maps\\a.map", "config.cfg"}, {}},
        {{"pushd maps\\sub", "copy %~dp0a.map .", "popd", "copy %~dp0new.map"}, {"maps\\sub\\a.map", "new.map"}, {}},
        {{"cd /d %~dp0..\\..\\Game\\maps", "del b.map"}, {"maps\\b.map"}, {}},
        {{"cd %~dp0maps", "del x.map"}, {"C:\\Mods\\m\\maps\\x.map"}, {}},
        {{"cd nowhere", "del a.map"}, {}, {}},
        {{"for %%f in (maps\\*.map) do ApplyPPF3 a \"%%f\" %~dp0sky.ppf"}, {"maps\\a.map", "maps\\b.map"}, {}},
        {{"for %%f in (%~dp0maps\\*.map) do copy \"%%f\" maps\\%%~nxf"}, {"maps\\x.map", "maps\\y.map"}, {}},
        {{"for /r maps %%f in (*.txt) do del \"%%f\""}, {"maps\\sub\\readme.txt"}, {}},
        {{"for /d %%d in (*) do del \"%%d\\*.txt\""}, {"text\\en.txt", "text\\de.txt"}, {}},
        {{"for /l %%i in (1,1,3) do echo x > part%%i.txt"}, {"part1.txt", "part2.txt", "part3.txt"}, {}},
        {{"for %%a in (a b) do (", "  for %%b in (1 2) do echo > maps\\%%a%%b.txt", ")"},
         {"maps\\a1.txt", "maps\\a2.txt", "maps\\b1.txt", "maps\\b2.txt"}, {}},
        {{"for /f %%l in (list.txt) do del %%l", "for /f \"tokens=1\" %%l in ('dir /b') do echo x>>log.txt"},
         {"log.txt"}, {1, 2}},
        {{"for /l %%i in (1,0,2) do echo x"}, {}, {1}},
        {{"for /f \"tokens=1,3* delims=;\" %%a in (\"maps;x;a.map;b c\") do echo > %%a\\%%b.%%c.txt",
          "for /f \"usebackq tokens=*\" %%l in ('maps\\b.map') do del %%l", "for /f \"eol=m\" %%l in (\"maps\") do del %%l"},
         {"maps\\a.map.b c.txt", "maps\\b.map"}, {}},
        {{"copy %~dp0maps\\*.map maps", "copy /b data\\base.bin+%~dp0a.map data\\base.bin /y"},
         {"maps\\x.map", "maps\\y.map", "data\\base.bin"}, {}},
        {{"copy %~dp0a.map maps\\*.old"}, {"maps\\a.old"}, {}},
        {{"copy %~dp0new.map maps", "ren maps\\*.map *.old"},
         {"maps\\new.map", "maps\\a.map", "maps\\b.map", "maps\\new.old", "maps\\a.old", "maps\\b.old"}, {}},
        // Writing onto a folder or below a file fails and leaves the view of the disk as it was.
        {{"echo x > maps", "copy %~dp0a.map maps"}, {"maps\\a.map"}, {}},
        {{"echo x > maps\\a.map\\x.txt", "del maps\\a.map"}, {"maps\\a.map\\x.txt", "maps\\a.map"}, {}},
        {{"md maps\\new", "copy %~dp0a.map maps\\new", "copy %~dp0new.map maps\\sub\\..\\new\\"},
         {"maps\\new\\a.map", "maps\\new\\new.map"}, {}},
        {{"move maps\\a.map maps\\sub", "move maps\\*.map %~dp0"},
         {"maps\\a.map", "maps\\sub\\a.map", "maps\\b.map", "C:\\Mods\\m\\a.map", "C:\\Mods\\m\\b.map"}, {}},
        {{"ren maps\\*.map *.bak"}, {"maps\\a.map", "maps\\b.map", "maps\\a.bak", "maps\\b.bak"}, {}},
        {{"ren maps\\sub old"}, {"maps\\sub\\deep.map", "maps\\sub\\readme.txt", "maps\\old\\deep.map", "maps\\old\\readme.txt"}, {}},
        {{"move maps\\sub text"}, {"maps\\sub\\deep.map", "maps\\sub\\readme.txt", "text\\sub\\deep.map", "text\\sub\\readme.txt"}, {}},
        {{"rd maps\\sub", "rd /s /q maps\\sub"}, {"maps\\sub\\deep.map", "maps\\sub\\readme.txt"}, {}},
        {{"xcopy \"%~dp0maps\" maps /s /y /i"}, {"maps\\x.map", "maps\\y.map", "maps\\more\\z.map"}, {}},
        {{"xcopy %~dp0maps\\*.map maps\\ /y"}, {"maps\\x.map", "maps\\y.map"}, {}},
        {{"xcopy %~dp0a.map newdir", "xcopy %~dp0maps\\*.map other"},
         {"newdir", "newdir\\a.map", "other", "other\\x.map", "other\\y.map"}, {}},
        {{"robocopy %~dp0maps maps *.map /e /log:rc.log"}, {"maps\\x.map", "maps\\y.map", "maps\\more\\z.map", "rc.log"}, {}},
        {{"robocopy %~dp0lang text /mir /xf skip.txt"}, {"text\\de.txt", "text\\en.txt"}, {}},
        {{"robocopy %~dp0lang text /mov"}, {"text\\de.txt", "C:\\Mods\\m\\lang\\de.txt"}, {}},
        {{"\"%~dp0ApplyPPF3.exe\" a maps\\a.map \"%~dp0sky.ppf\"", "applyppf3 u data\\base.bin x.ppf"},
         {"maps\\a.map", "data\\base.bin"}, {}},
        {{"attrib -r maps\\a.map", "timeout /t 2", "ping -n 2 127.0.0.1 >nul", "md saves", "title x"}, {}, {}},
        {{"start game.exe", "7z x pack.7z -o.", "powershell -c \"iwr x\"", "del maps\\a.map"}, {"maps\\a.map"}, {1, 2, 3}},
        {{"call :install maps\\a.map", "goto :eof", ":install", "del %1", "exit /b"}, {"maps\\a.map"}, {}},
        {{"for %%f in (maps\\*.map) do (del %%f & goto :eof)"}, {"maps\\a.map", "maps\\b.map"}, {}},
        {{"call other.bat"}, {}, {1}},
        {{"copy /y \"\" \"\\\"", "del \"\" /q", "move \"\""}, {}, {}},  // empty names once crashed the copy
        {{"X: & cd \\", "echo x > a.txt", "D:", "echo x > b.txt", "C:", "echo x > c.txt"},
         {"X:\\a.txt", "D:\\b.txt", "c.txt"}, {}},
        // A current folder nobody can know taints every relative name until a known one is current.
        {{"set /p D=Folder? ", "cd \"%D%\"", "del a.map", "cd /d C:\\Game\\maps", "del a.map"}, {"maps\\a.map"}, {2, 3}},
        {{"set /p D=Folder? ", "pushd \"%D%\"", "del a.map", "echo x > \\top.txt", "popd", "del config.cfg"},
         {"config.cfg"}, {2, 3, 4}},
        // After a line nobody can follow, a pattern or a folder may hold files nobody knows.
        {{"7z x pack.7z -o%~dp0", "copy %~dp0maps\\*.map maps", "for %%f in (%~dp0maps\\*.map) do del maps\\%%~nxf",
          "del maps\\*.map"},
         {"maps\\x.map", "maps\\y.map", "maps\\a.map", "maps\\b.map"}, {1, 2, 3}},
        // Deleting what an unknown line may have made takes no original: nothing to ask.
        {{"start x.exe", "del /s /q *.tmp", "del maps\\*.tmp", "rd /s /q %~dp0unpacked", "del maps\\*.map"},
         {"maps\\a.map", "maps\\b.map"}, {1}},
        // "if exist" on a name the run has not touched is decided on the disk.
        {{"if exist maps\\a.map (del config.cfg) else del game.exe", "if not exist maps\\a.map del text\\en.txt",
          "if exist maps\\nul del text\\de.txt", "del maps\\b.map", "if exist maps\\b.map (del data\\base.bin)",
          "if exist %~dp0*.map del maps\\sub\\deep.map"},
         {"config.cfg", "text\\de.txt", "maps\\b.map", "data\\base.bin", "maps\\sub\\deep.map"}, {}},
        // A bound that stops the reading puts its line first, so the question names it.
        {{"start a.exe", "start b.exe", "start c.exe", "for /l %%i in (1,1,9000) do for /l %%j in (1,1,9) do echo",
          "del maps\\a.map"},
         {}, {4, 1, 2, 3}},
        // A bound that stops a command's effect names the line.
        {{"for /l %%i in (1,1,70) do pushd C:\\Game\\maps", "for /l %%i in (1,1,70) do setlocal"}, {}, {1, 2}},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST(BatchEffects, ReadsEachLineInTheConsolesCodePage) {
    const std::string privet = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", omega = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1";
    const std::string privet866 = "\x8F\xE0\xA8\xA2\xA5\xE2";  // 表 and ポ in 932 end in the bytes "\\" and "|"
    const Case cases[] = {
        {{"del names\\" + privet866 + ".dat", "set N=" + privet866, "echo x > \"%N%.txt\"", "set F=x" + privet866 + "x",
          "copy %~dp0a.map names\\%F:~1,6%.dat"}, {"names\\" + privet + ".dat", privet + ".txt"}, {}, 866},
        {{"del names\\\x95\x5C.dat", "copy %~dp0a.map names\\\x83\x7C.dat"},
         {"names\\\xE8\xA1\xA8.dat", "names\\\xE3\x83\x9D.dat"}, {}, 932},
        {{"chcp 65001 >nul", "copy /y %~dp0a.map \"names\\" + privet + ".dat\"", "del names\\" + omega + ".dat"},
         {"names\\" + privet + ".dat", "names\\" + omega + ".dat"}, {}, 866},
        // A block is read whole before the chcp in it runs.
        {{"(", "  chcp 65001", "  del names\\" + privet866 + ".dat", ")", "del names\\" + omega + ".dat"},
         {"names\\" + privet + ".dat", "names\\" + omega + ".dat"}, {}, 866},
        // A page nobody can know leaves lines of ASCII alone followed and flags the others.
        {{"set /p P=Page? ", "chcp %P%", "del maps\\a.map", "del names\\" + privet866 + ".dat"}, {"maps\\a.map"}, {2, 4}, 866},
        {{"chcp 12345", "del names\\" + privet866 + ".dat", "chcp 866", "del names\\" + privet866 + ".dat"},
         {"names\\" + privet + ".dat"}, {1, 2}, 866},
        {{"call :" + privet866 + " a.map", "goto :eof", ":" + privet866, "del maps\\%1"}, {"maps\\a.map"}, {}, 866},
        {{"if errorlevel 1 chcp 65001", "del names\\" + privet + ".dat", "chcp"}, {}, {2}, 866},
        {{"echo " + omega, "del names\\" + privet866 + ".dat"}, {}, {2}, 65001},
        {{"C:\\Windows\\System32\\chcp.com 866", "del names\\" + privet866 + ".dat"}, {"names\\" + privet + ".dat"}, {}, 65001},
    };
    for (const Case& c : cases)
        Check(c);
    const testing_support::FakeDisk disk = GameDisk();
    const batchfile::BatchEffects effects = Effects({"start " + privet866 + ".exe"}, disk, {}, 866);
    ASSERT_EQ(effects.unfollowed.size(), 1u);
    EXPECT_EQ(effects.unfollowed[0].text, "start " + privet + ".exe");
}

TEST(BatchEffects, CallsOtherBatchFilesWithArguments) {
    const std::map<std::string, Strings> others = {
        {"C:\\Mods\\m\\other.bat", {"del maps\\%1", "call \"%~dp0deeper.bat\" %~2"}},
        {"C:\\Mods\\m\\deeper.bat", {"del %1", "curl -o x.zip http://x"}},
        {"C:\\Mods\\m\\self.bat", {"call \"%~f0\""}},
    };
    const testing_support::FakeDisk disk = GameDisk();
    const batchfile::BatchEffects effects =
        Effects({"call \"%~dp0other.bat\" a.map \"config.cfg\"", "call %~dp0self.bat"}, disk, others);
    EXPECT_EQ(Folded(effects.changed), Folded({Full("maps\\a.map"), Full("config.cfg")}));
    ASSERT_EQ(effects.unfollowed.size(), 2u);
    EXPECT_EQ(effects.unfollowed[0].file, "C:\\Mods\\m\\deeper.bat");
    EXPECT_EQ(effects.unfollowed[0].number, 2);
    EXPECT_EQ(effects.unfollowed[0].text, "curl -o x.zip http://x");
    EXPECT_EQ(effects.unfollowed[1].file, "C:\\Mods\\m\\self.bat");  // the call depth bound
}

// Switches written together, in either case, as xcopy and the internal commands read them;
// one the reader cannot be sure of makes the line asked about, with the files it knows.
TEST(BatchEffects, ReadsSwitchesWrittenTogether) {
    const Strings below = {"maps\\x.map", "maps\\y.map", "maps\\more\\z.map"};
    const Case cases[] = {
        {{"xcopy C:\\Mods\\m\\maps\\ .\\maps\\ /E/H"}, below, {}},
        {{"xcopy C:\\Mods\\m\\maps\\ .\\maps\\ /E/H/Y"}, below, {}},
        {{"xcopy C:\\Mods\\m\\maps\\ .\\maps\\ /s/e/y"}, below, {}},
        {{"xcopy C:\\Mods\\m\\maps .\\maps /Y/E/I"}, below, {}},
        {{"XCOPY C:\\Mods\\m\\maps\\*.map maps\\ /-Y/Q"}, {"maps\\x.map", "maps\\y.map"}, {}},
        {{"xcopy C:\\Mods\\m\\maps\\ maps\\ /D:01-02-2020/S /EXCLUDE:C:\\Mods\\m\\skip.txt"}, below, {}},
        {{"xcopy C:\\Mods\\m\\maps\\ maps\\ /E/T"}, {}, {}},
        {{"xcopy C:\\Mods\\m\\maps\\ maps\\ /Q/W/K/R/H/C/E/Z"}, below, {}},
        {{"xcopy C:\\Mods\\m\\maps\\ maps\\ /E/Unknown"}, below, {1}},
        {{"xcopy C:\\Mods\\m\\maps\\ maps\\ -E -Y"}, {"maps\\x.map", "maps\\y.map"}, {1}},
        {{"robocopy C:\\Mods\\m\\maps maps /E /NFL /NDL /R:2 /W:1"}, below, {}},
        {{"robocopy C:\\Mods\\m\\maps maps /E/H"}, {"maps\\x.map", "maps\\y.map"}, {1}},
        {{"robocopy C:\\Mods\\m\\maps maps -E"}, {}, {1}},
        {{"del /S/Q maps\\*.txt", "RD /s/Q text"}, {"maps\\sub\\readme.txt", "text\\en.txt", "text\\de.txt"}, {}},
        {{"del /f/q/a:h maps\\a.map", "del /x maps\\b.map"}, {"maps\\a.map"}, {}},
        {{"copy /Y/B C:\\Mods\\m\\a.map maps", "copy /-y C:\\Mods\\m\\new.map maps", "copy /k C:\\Mods\\m\\a.map config.cfg"},
         {"maps\\a.map", "maps\\new.map"}, {}},
        {{"move /Y/-Y maps\\a.map old.map", "move /q maps\\b.map old2.map"}, {"maps\\a.map", "old.map"}, {}},
        {{"attrib -r -h /S/D maps\\*"}, {}, {}},
    };
    for (const Case& c : cases)
        Check(c);
}

// Questions a careful reader answers itself: menus (each answer the script compares, and
// none), jumps the run surely takes, counters echoed, and names an unrelated line left alone.
TEST(BatchEffects, AnswersWhatTheScriptItselfDecides) {
    const Case cases[] = {
        {{"setlocal enabledelayedexpansion", "set OK=0", "set BAD=0",
          "for %%f in (C:\\Mods\\m\\maps\\*.map a b c) do (",
          "  copy /y %%f maps\\ >nul",
          "  if errorlevel 1 (set /a BAD+=1) else (set /a OK+=1)",
          ")",
          "echo   !OK! copied, !BAD! failed.", "echo %OK% %BAD%"},
         {"maps\\x.map", "maps\\y.map"}, {}},
        {{"if \"%1\"==\"all\" (del maps\\*.map)", "if not exist %1\\x goto skip", "del config.cfg", ":skip", "if \"%*\"==\"\" del maps\\b.map"},
         {"maps\\b.map"}, {}},
        {{"if exist C:\\Game\\game.exe (set GAME_DIR=C:\\Game& goto :found_game)", "set /p GAME_DIR=Where? ",
          ":found_game", "del \"%GAME_DIR%\\config.cfg\""},
         {"config.cfg"}, {}},
        {{"if exist C:\\Game\\nothere.exe (set GAME_DIR=C:\\Game& goto :found_game)", "set /p GAME_DIR=Where? ",
          ":found_game", "del \"%GAME_DIR%\\config.cfg\""},
         {}, {4}},
        {{"set /p opt=Choose 1 or 2: ", "if \"%opt%\"==\"1\" set L=de", "if /i \"%opt%\"==\"2\" set L=fr",
          "copy /y C:\\Mods\\m\\lang\\de.txt text\\%L%.txt"},
         {"text\\de.txt", "text\\fr.txt", "text\\.txt"}, {}},
        {{"set /p n=Option: ", "goto option%n%", ":option1", "del maps\\a.map", "goto end", ":option2", "del maps\\b.map",
          "goto end", ":end"},
         {"maps\\a.map", "maps\\b.map"}, {}},
        {{"choice /c 12 /m Pick", "if errorlevel 2 goto two", "del maps\\a.map", "goto done", ":two", "del maps\\b.map", ":done"},
         {"maps\\a.map", "maps\\b.map"}, {}},
        {{"goto main", ":helper", "del maps\\a.map", "goto :eof", ":main", "if errorlevel 1 goto helper", "del maps\\b.map"},
         {"maps\\a.map", "maps\\b.map"}, {}},
        {{"del maps\\a.map", "goto :eof", "del maps\\b.map"}, {"maps\\a.map"}, {}},
        {{"exit /b 0", "del maps\\b.map"}, {}, {}},
        {{"set M=a", "if defined M (del maps\\%M%.map) else (del config.cfg)", "if not defined NOPE del maps\\b.map"},
         {"maps\\a.map", "maps\\b.map"}, {}},
        {{"set V=5", "if %V% GEQ 10 (del maps\\a.map) else (del maps\\b.map)", "if %V% LSS 07 del config.cfg"},
         {"maps\\b.map", "config.cfg"}, {}},
        // Texts compare as texts, numbers as numbers; a form the reader leaves to the
        // interpreter (octal, letters folded by the locale) takes both branches.
        {{"set V=10", "if %V% EQU 010 (del maps\\a.map) else (del maps\\b.map)", "if \"%V%\" NEQ \"10\" del config.cfg"},
         {"maps\\a.map", "maps\\b.map"}, {}},
        {{"set V=\xC3\x84", "if /i \"%V%\"==\"\xC3\xA4\" (del maps\\a.map) else (del maps\\b.map)", "if \"%V%\"==\"\xC3\xA4\" del config.cfg"},
         {"maps\\a.map", "maps\\b.map"}, {}},
        // A goto in a loop ends it at the first file the disk lists: only pending.
        {{"for %%f in (maps\\*.map) do (del %%f & goto done)", "del config.cfg", ":done"},
         {"maps\\a.map", "maps\\b.map", "config.cfg"}, {}},
        // A label that is not there ends the file with an error: the reader reads on.
        {{"goto nowhere", "del maps\\a.map"}, {"maps\\a.map"}, {}},
        {{"call :sub", "del maps\\b.map", "exit /b", ":sub", "del maps\\a.map", "exit /b"}, {"maps\\a.map", "maps\\b.map"}, {}},
    };
    for (const Case& c : cases)
        Check(c);
}

// Names the reader can know although an unknown line came before, links the run makes, and
// lists the pack brings for a for /f loop.
TEST(BatchEffects, FollowsLinksListsAndLinesAnUnknownOneLeftAlone) {
    const std::string list = "C:\\Mods\\m\\lang\\de.txt";
    const struct {
        Case c;
        Strings listLines;
    } cases[] = {
        {{{"for /f \"usebackq eol=# tokens=1,2 delims=;\" %%a in (\"%~dp0lang\\de.txt\") do copy /y \"%~dp0maps\\%%a\" \"maps\\%%b\""},
          {"maps\\a.map", "maps\\renamed.map"}, {}},
         {"# the list", "x.map;a.map", "", "y.map;renamed.map"}},
        {{{"for /f \"skip=1\" %%a in (C:\\Mods\\m\\lang\\de.txt) do del maps\\%%a"}, {"maps\\a.map"}, {}}, {"header", "a.map"}},
        {{{"echo b.map> C:\\Mods\\m\\lang\\de.txt", "for /f %%a in (C:\\Mods\\m\\lang\\de.txt) do del maps\\%%a"},
          {list}, {2}},
         {"a.map"}},
        {{{"for /f %%a in ('dir /b maps') do del \"maps\\%%a\"", "for /f %%a in ('C:\\Mods\\m\\tool.exe list') do echo %%a"}, {}, {1, 2}},
         {}},
        // The command of a for /f runs in an interpreter of its own: its files count, its set,
        // cd and goto do not.
        {{{"set M=a", "for /f %%a in ('cd maps ^& set M=b ^& del config.cfg ^& goto :eof') do echo %%a", "del maps\\%M%.map"},
          {"config.cfg", "maps\\a.map"}, {2}},
         {}},
        {{{"mklink /j maps\\custom C:\\Mods\\m\\maps", "del maps\\custom\\x.map", "mklink config2.cfg config.cfg",
           "mklink /h maps\\a.map config.cfg", "mklink /x maps\\c.map config.cfg"},
          {"maps\\custom", "C:\\Mods\\m\\maps\\x.map", "config2.cfg"}, {}},
         {}},
        {{{"set /p X=Name? ", "copy config.cfg \"backup\\%X%\"", "xcopy C:\\Mods\\m\\maps\\*.map maps\\ /Y"},
          {"maps\\x.map", "maps\\y.map"}, {2, 3}},  // a typed name may hold "..": it may have made any name
         {}},
        {{{"md backup_%date:/=-%", "xcopy maps \"backup_%date:/=-%\\\" /E /I", "xcopy C:\\Mods\\m\\maps\\*.map maps\\ /Y",
           "xcopy backup_* maps\\ /Y"},
          {"maps\\x.map", "maps\\y.map"}, {2, 4}},
         {}},
        {{{"C:\\Mods\\m\\tool.exe build", "copy /y maps\\new.int C:\\Mods\\m\\maps\\", "move /y C:\\Mods\\m\\maps\\*.map maps"},
          {"C:\\Mods\\m\\maps\\new.int", "C:\\Mods\\m\\maps\\x.map", "C:\\Mods\\m\\maps\\y.map", "maps\\x.map", "maps\\y.map"},
          {1}},
         {}},
        {{{"7z x pack.7z -oC:\\Mods\\m\\unpacked", "xcopy C:\\Mods\\m\\unpacked maps /E /I"}, {"maps\\unpacked"}, {1, 2}}, {}},
        // Files copied into maps from a dated folder: maps holds names nobody knows now, text does not.
        {{{"copy \"C:\\Users\\pat\\%date:/=-%\\*.map\" maps\\", "xcopy maps\\*.map C:\\Mods\\m\\backup\\ /Y",
           "xcopy text\\*.txt C:\\Mods\\m\\backup\\ /Y"},
          {"C:\\Mods\\m\\backup\\a.map", "C:\\Mods\\m\\backup\\b.map", "C:\\Mods\\m\\backup\\en.txt",
           "C:\\Mods\\m\\backup\\de.txt"},
          {1, 2}},
         {}},
    };
    for (const auto& c : cases)
        Check(c.c, {{list, c.listLines}});
}

// Names compare as the file system folds them, not by ASCII letters alone: with a fold that
// knows "Ä" and "ä" are one letter (as Windows' does), "Äpfel.map" and "äpfel.map" are one file.
std::string FoldUmlauts(const std::string& name) {
    std::string folded = base::FoldCase(name);
    for (std::size_t at = 0; (at = folded.find("\xC3\x84", at)) != std::string::npos; at += 2)
        folded[at + 1] = '\xA4';  // U+00C4 to U+00E4
    return folded;
}

TEST(BatchEffects, NamesCompareAsTheFileSystemFoldsThem) {
    const testing_support::FakeDisk disk = GameDisk();
    batchfile::ReaderContext context;
    context.batchPath = kBatch;
    context.startFolder = kGame;
    context.disk = &disk;
    context.fold = FoldUmlauts;
    const batchfile::BatchEffects effects = batchfile::EffectsOf(
        {"copy C:\\Mods\\m\\a.map maps\\\xC3\x84pfel.map", "if exist maps\\\xC3\xA4pfel.map del maps\\\xC3\xA4PFEL.map",
         "copy C:\\Mods\\m\\a.map maps\\\xC3\xA4pfel.map"},
        context);
    EXPECT_EQ(effects.changed, Strings{"C:\\Game\\maps\\\xC3\x84pfel.map"});
    EXPECT_TRUE(effects.deleted.empty());  // the last copy wrote it again
}

// Each flagged line says why, and where the reader can name the folder it reaches, that folder;
// and the files the run leaves no file at are told apart from those it writes.
TEST(BatchEffects, SaysWhyALineIsFlaggedAndWhatIsGone) {
    using Why = batchfile::UnfollowedWhy;
    const struct {
        Strings lines;
        std::vector<std::pair<int, Why>> flagged;
        std::string folder;  // of the first flagged line
        Strings deleted;
    } cases[] = {
        {{"C:\\Mods\\m\\tool.exe --into \"C:\\Game\\maps\" -v"}, {{1, Why::OtherProgram}}, "C:\\Game\\maps", {}},
        {{"7z x pack.7z -oC:\\Game\\data -y"}, {{1, Why::OtherProgram}}, "C:\\Game\\data", {}},
        {{"unpack.exe mod.zip"}, {{1, Why::OtherProgram}}, "", {}},
        {{"curl -L -o pack.zip https://example.invalid/p.zip"}, {{1, Why::Download}}, "", {}},
        {{"powershell -c \"Invoke-WebRequest https://example.invalid/a -OutFile a.zip\""}, {{1, Why::Download}}, "", {}},
        {{"set /p D=Where? ", "del \"%D%\\x.dll\""}, {{2, Why::TypedName}}, "", {}},
        {{"del maps\\%date%.map"}, {{1, Why::FolderFoundAtRunTime}}, "C:\\Game\\maps", {}},
        {{"for /l %%i in (1,1,20000) do del maps\\%%i.map"}, {{1, Why::BoundReached}}, "", {}},
        {{"del maps\\a.map", "move maps\\b.map old.map", "copy config.cfg maps\\a.map", "ren text\\en.txt en.old"},
         {}, "", {"maps\\b.map", "text\\en.txt"}},
        {{"rd /s /q maps\\sub"}, {}, "", {"maps\\sub\\deep.map", "maps\\sub\\readme.txt"}},
        {{"robocopy C:\\Mods\\m\\maps maps /MOV", "move maps\\sub old_sub"}, {}, "",
         {"C:\\Mods\\m\\maps\\x.map", "C:\\Mods\\m\\maps\\y.map", "maps\\sub\\deep.map", "maps\\sub\\readme.txt"}},
        {{"xcopy C:\\Mods\\m\\maps maps /E/Unknown"}, {{1, Why::UnknownSwitch}}, "", {}},
        // A copy from a source nobody knows names the known folder it writes into.
        {{"set /p S=Source? ", "copy \"%S%\\*.map\" maps\\"}, {{2, Why::TypedName}}, "C:\\Game\\maps", {}},
        {{"for /f %%d in ('dir /b /ad') do xcopy \"%%d\" \"C:\\Users\\pat\\AppData\\Roaming\\Game\\\" /E /Y"},
         {{1, Why::FolderFoundAtRunTime}}, "C:\\Users\\pat\\AppData\\Roaming\\Game", {}},
        {{"chcp 99999", "del maps\\a.map"}, {{1, Why::UnreadableText}}, "", {"maps\\a.map"}},
        {{"cd %random%", "del a.map"}, {{1, Why::FolderFoundAtRunTime}, {2, Why::FolderFoundAtRunTime}}, "", {}},
    };
    const testing_support::FakeDisk disk = GameDisk();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.front());
        const batchfile::BatchEffects effects = Effects(c.lines, disk);
        std::vector<std::pair<int, Why>> flagged;
        for (const batchfile::UnfollowedLine& line : effects.unfollowed)
            flagged.emplace_back(line.number, line.why);
        EXPECT_EQ(flagged, c.flagged);
        if (!effects.unfollowed.empty()) {
            EXPECT_EQ(effects.unfollowed.front().folder, c.folder);
        }
        Strings deleted;
        for (const std::string& name : c.deleted)
            deleted.push_back(Full(name));
        EXPECT_EQ(Folded(effects.deleted), Folded(deleted));
    }
}

}  // namespace
