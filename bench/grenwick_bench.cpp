// Start-up load and "Add Batch File" on a full list, each beside a floor: the same bytes
// moved by one plain fread or fwrite per file, measured in the same run. The walk of a game
// folder beside the system's own tree walk, which reads the same status of every file.
#include <benchmark/benchmark.h>
#include <ftw.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/unique_file.h"
#include "manager/list/list_file.h"
#include "manager/mod_manager.h"

namespace {

using base::UniqueFile;
using manager::kDefaultRecordLimit;
using manager::kDefaultRecordSize;

class NoRunner : public manager::CommandRunner {
public:
    void Run(const std::string&) override {}
};

class NoView : public manager::ManagerView {
public:
    void ShowMessage(const std::string&) override {}
    bool AskAboutFiles(const std::string&, const std::vector<std::string>&, bool defaultYes) override {
        return defaultYes;
    }
    bool Ask(const std::string&, bool defaultYes) override { return defaultYes; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }
    void ShowList(const std::vector<manager::ModEntry>&) override {}
    void CloseApplied() override {}
};

void WriteFile(const std::string& path, const std::string& bytes) {
    UniqueFile file{std::fopen(path.c_str(), "wb")};
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        throw std::runtime_error("cannot write " + path);
}

std::size_t ReadFile(const std::string& path, std::string& buffer) {
    UniqueFile file{std::fopen(path.c_str(), "rb")};
    return file ? std::fread(buffer.data(), 1, buffer.size(), file.get()) : 0;
}

// The list files in the order the manager saves them: sorted by name, paths alongside.
struct ListBytes {
    std::string names;
    std::string paths;
};

ListBytes SortedListBytes(std::size_t count) {
    static const char* const kKinds[] = {"Widescreen", "Hi-Res", "Uncut", "Remastered",
                                         "Classic", "Fan-Made", "Retro", "Restored"};
    static const char* const kParts[] = {"Texture Pack", "Soundtrack", "Translation", "Font Fix",
                                         "Speed Patch", "Colour Fix", "Intro Skip", "Voice Pack"};
    manager::ModList list;
    for (std::size_t i = 0; i < count; ++i) {
        std::string number = std::to_string(i);
        number.insert(0, number.size() < 4 ? 4 - number.size() : 0, '0');
        // Up to 28 and 25 bytes: both fit a 30-byte record uncut.
        list.Insert({std::string(kKinds[i % 8]) + " " + kParts[i / 8 % 8] + " " + number,
                     std::string("C:\\Mods\\m") + number + "\\install.bat"});
    }
    return {manager::EncodeList(list.Names(), kDefaultRecordSize),
            manager::EncodeList(list.Paths(), kDefaultRecordSize)};
}

// One temp dir for the whole run, removed at exit. Its name is short enough that the
// batch file's path fits a record, as the add requires.
struct Workspace {
    std::string dir;
    ListBytes full = SortedListBytes(kDefaultRecordLimit);
    ListBytes oneShort = SortedListBytes(kDefaultRecordLimit - 1);
    std::string batchFile;

    Workspace() {
        char pattern[] = "/tmp/grenwick.XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("cannot create a temp dir");
        dir = pattern;
        batchFile = dir + "/add.bat";
        WriteFile(batchFile, "REM &Original Colour Fix 1234\r\n@ECHO OFF\r\nCOPY /Y mod\\*.* game\\\r\n");
        WriteFile(Path("names.lst"), full.names);
        WriteFile(Path("paths.lst"), full.paths);
    }
    ~Workspace() { std::filesystem::remove_all(dir); }
    std::string Path(const char* name) const { return dir + "/" + name; }
};

const Workspace& TheWorkspace() {
    static const Workspace workspace;
    return workspace;
}

void BM_LoadFullLists(benchmark::State& state) {
    const Workspace& ws = TheWorkspace();
    const std::string paths = ws.Path("paths.lst");
    const std::string names = ws.Path("names.lst");
    for (auto _ : state) {
        std::vector<std::string> pathTexts;
        std::vector<std::string> nameTexts;
        manager::LoadList(pathTexts, paths, kDefaultRecordLimit, kDefaultRecordSize);
        manager::LoadList(nameTexts, names, kDefaultRecordLimit, kDefaultRecordSize);
        if (pathTexts.size() != kDefaultRecordLimit || nameTexts.size() != kDefaultRecordLimit)
            state.SkipWithError("a list did not load in full");
        benchmark::DoNotOptimize(pathTexts.data());
        benchmark::DoNotOptimize(nameTexts.data());
    }
}

void BM_LoadFullListsFloor(benchmark::State& state) {
    const Workspace& ws = TheWorkspace();
    const std::string paths = ws.Path("paths.lst");
    const std::string names = ws.Path("names.lst");
    std::string buffer(kDefaultRecordLimit * kDefaultRecordSize, '\0');
    for (auto _ : state) {
        const std::size_t read = ReadFile(paths, buffer) + ReadFile(names, buffer);
        if (read != ws.full.paths.size() + ws.full.names.size())
            state.SkipWithError("short read");
        benchmark::DoNotOptimize(buffer.data());
    }
}

// Each add starts from 998 entries: the list files are put back and a fresh manager
// loads them while the timer is paused, so only the add and its two saves are timed.
void BM_AddBatchFile(benchmark::State& state) {
    const Workspace& ws = TheWorkspace();
    const manager::ManagerFiles files{ws.Path("add_names.lst"), ws.Path("add_paths.lst"), ws.Path("last.txt")};
    NoRunner runner;
    NoView view;
    std::optional<manager::ModManager> manager;
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(files.names, ws.oneShort.names);
        WriteFile(files.paths, ws.oneShort.paths);
        manager.emplace(files, runner, view);
        manager->StartupLoad(nullptr);
        state.ResumeTiming();
        manager->AddBatchFile(ws.batchFile);
    }
    if (manager && manager->Mods().Entries().size() != kDefaultRecordLimit)
        state.SkipWithError("the batch file was not added");
}

// Same paused restore as the add, so both see the same files and the same timer overhead.
void BM_AddBatchFileFloor(benchmark::State& state) {
    const Workspace& ws = TheWorkspace();
    const std::string names = ws.Path("floor_names.lst");
    const std::string paths = ws.Path("floor_paths.lst");
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(names, ws.oneShort.names);
        WriteFile(paths, ws.oneShort.paths);
        state.ResumeTiming();
        WriteFile(paths, ws.full.paths);
        WriteFile(names, ws.full.names);
    }
}

// A game folder of 2,000 files: 40 folders of 50 maps each, a few bytes a file.
constexpr int kWalkFolders = 40;
constexpr int kWalkFilesEach = 50;

const std::string& WalkFolderPath() {
    static const std::string folder = [] {
        const std::string root = TheWorkspace().Path("game");
        for (int f = 0; f < kWalkFolders; ++f) {
            const std::string sub = root + "/maps" + std::to_string(f);
            std::filesystem::create_directories(sub);
            for (int i = 0; i < kWalkFilesEach; ++i)
                WriteFile(sub + "/m" + std::to_string(i) + ".map", "map " + std::to_string(i));
        }
        return root;
    }();
    return folder;
}

void BM_WalkGameFolder(benchmark::State& state) {
    const std::string& folder = WalkFolderPath();
    for (auto _ : state) {
        const std::vector<base::TreeFile> files = base::WalkFolder(folder);
        if (files.size() != kWalkFolders * kWalkFilesEach)
            state.SkipWithError("the walk missed files");
        benchmark::DoNotOptimize(files.data());
    }
}

std::uint64_t g_walked = 0;
int CountFile(const char*, const struct stat* info, int kind, FTW*) {
    if (kind == FTW_F)
        g_walked += static_cast<std::uint64_t>(info->st_size) > 0;
    return 0;
}

void BM_WalkGameFolderFloor(benchmark::State& state) {
    const std::string& folder = WalkFolderPath();
    for (auto _ : state) {
        g_walked = 0;
        nftw(folder.c_str(), CountFile, 16, FTW_PHYS);
        if (g_walked != kWalkFolders * kWalkFilesEach)
            state.SkipWithError("the walk missed files");
    }
}

BENCHMARK(BM_LoadFullLists);
BENCHMARK(BM_LoadFullListsFloor);
BENCHMARK(BM_AddBatchFile);
BENCHMARK(BM_AddBatchFileFloor);
BENCHMARK(BM_WalkGameFolder);
BENCHMARK(BM_WalkGameFolderFloor);

}  // namespace

BENCHMARK_MAIN();
