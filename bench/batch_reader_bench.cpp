// The batch reader's time per file: every installer of the test corpus, and a long generated
// one full of menus, branches, loops and subroutines, each read as Grenwick reads it before
// a run. Prints the median of several readings per file and the slowest file.
//   batch_reader_bench [corpus folder] [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "batchfile/header_reader.h"
#include "batchfile/reader/batch_effects.h"
#include "tests/support/fake_disk.h"

namespace {

const char kPack[] = "C:\\Mods\\pack\\";

testing_support::FakeDisk Disk() {
    testing_support::FakeDisk disk;
    for (int i = 0; i < 40; ++i) {
        disk.Add("C:\\Game\\maps\\area" + std::to_string(i) + ".map");
        disk.Add(std::string(kPack) + "maps\\area" + std::to_string(i) + ".map");
        disk.Add("C:\\Game\\text\\lang" + std::to_string(i % 8) + "\\part" + std::to_string(i) + ".txt");
    }
    for (const char* name : {"C:\\Game\\game.exe", "C:\\Game\\config.cfg", "C:\\Game\\data\\base.pak"})
        disk.Add(name);
    return disk;
}

// About four hundred lines in the shapes that make the reader work hardest: a menu whose
// answer picks a variable's value, branches that set it again, loops over the pack, and
// subroutines each loop calls.
std::vector<std::string> LongInstaller() {
    std::vector<std::string> lines = {"@echo off", "setlocal enabledelayedexpansion", "set /a OK=0",
                                      "choice /c 12345 /m \"Which set\"", "if errorlevel 5 set SET=e",
                                      "if errorlevel 4 set SET=d", "if errorlevel 3 set SET=c", "if errorlevel 2 set SET=b",
                                      "if errorlevel 1 set SET=a"};
    for (int block = 0; block < 40; ++block) {
        const std::string n = std::to_string(block);
        lines.push_back(":step" + n);
        lines.push_back("if exist \"maps\\area" + n + ".map\" (set V=area" + n + ") else (set V=new" + n + ")");
        lines.push_back("for %%f in (\"%~dp0maps\\area" + n + "*.map\") do (");
        lines.push_back("  copy /y \"%%f\" \"maps\\!V!_%SET%.map\" >nul && set /a OK+=1");
        lines.push_back("  call :note \"%%~nxf\"");
        lines.push_back(")");
        lines.push_back("if \"%SET%\"==\"c\" goto skip" + n);
        lines.push_back("xcopy \"%~dp0maps\\area" + n + ".map\" text\\lang" + std::to_string(block % 8) + "\\ /Y/Q");
        lines.push_back(":skip" + n);
        lines.push_back("echo   !OK! copied.");
    }
    for (const char* line : {"goto :eof", ":note", "echo %~1>> \"%~dp0installed.txt\"", "goto :eof"})
        lines.push_back(line);
    return lines;
}

double MedianSeconds(const std::vector<std::string>& lines, const std::string& name,
                     const batchfile::DiskView& disk, const std::filesystem::path& folder, int runs) {
    batchfile::ReaderContext context;
    context.batchPath = kPack + name;
    context.startFolder = "C:\\Game";
    context.environment = {{"APPDATA", "C:\\Users\\pat\\AppData\\Roaming"}, {"USERPROFILE", "C:\\Users\\pat"}};
    context.disk = &disk;
    context.readLines = [folder](const std::string& path) -> std::optional<std::vector<std::string>> {
        if (path.compare(0, std::string(kPack).size(), kPack) != 0)
            return std::nullopt;
        std::string relative = path.substr(std::string(kPack).size());
        std::replace(relative.begin(), relative.end(), '\\', '/');
        return batchfile::ReadAllLines((folder / relative).string());
    };
    std::vector<double> seconds;
    for (int r = 0; r < runs; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const batchfile::BatchEffects effects = batchfile::EffectsOf(lines, context);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (effects.changed.empty() && effects.unfollowed.empty() && r == 0)
            std::fprintf(stderr, "%s: changes nothing\n", name.c_str());
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : GRENWICK_BATCH_CORPUS;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const testing_support::FakeDisk disk = Disk();
    std::vector<std::pair<std::string, std::vector<std::string>>> files = {{"long_generated.bat", LongInstaller()}};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file() && entry.path().extension() == ".bat")
            if (auto lines = batchfile::ReadAllLines(entry.path().string()))
                files.emplace_back(entry.path().filename().string(), *lines);
    std::sort(files.begin(), files.end());
    double total = 0, slowest = 0;
    std::string slowestName;
    for (const auto& [name, lines] : files) {
        const double seconds = MedianSeconds(lines, name, disk, folder, runs);
        std::printf("%-36s %5zu lines %9.3f ms\n", name.c_str(), lines.size(), seconds * 1000);
        total += seconds;
        if (seconds > slowest) {
            slowest = seconds;
            slowestName = name;
        }
    }
    std::printf("%zu files: %.1f ms in all, slowest %s %.1f ms\n", files.size(), total * 1000, slowestName.c_str(),
                slowest * 1000);
    return 0;
}
