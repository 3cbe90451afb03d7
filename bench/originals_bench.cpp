// The originals store beside the plain file work it cannot beat: noting a game folder of
// 10,000 files beside a bare walk that reads the same attributes, keeping and undoing a
// 200 MB map beside a plain copy of it flushed to the same disk, and taking out a middle mod
// beside undoing the mods one by one and applying the later one again.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/unique_file.h"
#include "batchfile/batch_lines.h"
#include "manager/mod_manager.h"
#include "manager/originals/originals_store.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMapBytes = 200u << 20;

const fs::path& Scratch() {
    static const fs::path folder = fs::temp_directory_path() / "grenwick-originals-bench";
    return folder;
}

// The manager's name for a host path: the host's root stands for drive C:.
std::string ManagerName(const fs::path& path) {
    std::string name = path.string();
    for (char& c : name)
        c = c == '/' ? '\\' : c;
    return "C:" + name;
}

// 100 folders of 100 small files each.
const fs::path& ManyFiles() {
    static const fs::path game = [] {
        const fs::path folder = Scratch() / "many";
        fs::remove_all(folder);
        for (int f = 0; f < 100; ++f) {
            fs::create_directories(folder / ("folder" + std::to_string(f)));
            for (int i = 0; i < 100; ++i)
                std::ofstream(folder / ("folder" + std::to_string(f)) / ("file" + std::to_string(i) + ".dat")) << i;
        }
        return folder;
    }();
    return game;
}

const fs::path& MapGame() {
    static const fs::path game = [] {
        const fs::path folder = Scratch() / "game";
        fs::remove_all(folder);
        fs::create_directories(folder / "maps");
        std::string block(1 << 20, '\0');
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 131 + (i >> 9));
        std::ofstream out(folder / "maps" / "big.map", std::ios::binary);
        for (std::size_t done = 0; done < kMapBytes; done += block.size())
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        return folder;
    }();
    return game;
}

// With argument 1 the page cache is emptied before each timed step, as when the map comes
// from the disk: the copy then waits on the disk, not on memory. Needs root; skipped otherwise.
bool DropCaches(benchmark::State& state) {
    if (state.range(0) == 0)
        return true;
    sync();
    std::ofstream drop("/proc/sys/vm/drop_caches");
    drop << "3\n";
    drop.flush();
    if (!drop) {
        state.SkipWithError("the page cache cannot be emptied here");
        return false;
    }
    return true;
}

struct Noted {
    std::string name;
    std::uint64_t size;
    std::int64_t time;
};

// readdir and fstatat, depth first: the least any walk reading name, size and time can do.
void BareWalk(int parent, const std::string& relative, std::vector<Noted>& files) {
    const int fd = openat(parent, relative.empty() ? "." : relative.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = fdopendir(fd);
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const std::string below = relative.empty() ? name : relative + "/" + name;
        if (S_ISDIR(info.st_mode))
            BareWalk(parent, below, files);
        else if (S_ISREG(info.st_mode))
            files.push_back({below, static_cast<std::uint64_t>(info.st_size),
                             static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec});
    }
    closedir(dir);
}

void BM_BareWalkOf10000Files(benchmark::State& state) {
    const int top = open(ManyFiles().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (auto _ : state) {
        std::vector<Noted> files;
        BareWalk(top, "", files);
        benchmark::DoNotOptimize(files);
    }
    close(top);
}
BENCHMARK(BM_BareWalkOf10000Files)->Unit(benchmark::kMillisecond);

void BM_NoteFolderOf10000Files(benchmark::State& state) {
    const std::string game = ManagerName(ManyFiles());
    for (auto _ : state) {
        manager::FolderNotes notes = manager::NoteFolder(game);
        if (notes.size() != 10000)
            state.SkipWithError("not every file noted");
        benchmark::DoNotOptimize(notes);
    }
}
BENCHMARK(BM_NoteFolderOf10000Files)->Unit(benchmark::kMillisecond);

// A plain copy in 1 MB pieces, flushed to the disk at the end as the store's copies are.
bool PlainCopy(const std::string& from, const std::string& to) {
    static std::string buffer(1 << 20, '\0');
    base::UniqueFile in{std::fopen(from.c_str(), "rb")};
    base::UniqueFile out{std::fopen(to.c_str(), "wb")};
    if (!in || !out)
        return false;
    std::setvbuf(in.get(), nullptr, _IONBF, 0);
    std::setvbuf(out.get(), nullptr, _IONBF, 0);
    bool copied = true;
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;)
        copied = copied && std::fwrite(buffer.data(), 1, got, out.get()) == got;
    const bool flushed = std::fflush(out.get()) == 0 && fsync(fileno(out.get())) == 0;
    return flushed && copied;
}

// What keeping is measured against: the map copied to a new file on the same disk.
void BM_PlainCopyOf200MBMap(benchmark::State& state) {
    const std::string from = (MapGame() / "maps" / "big.map").string();
    const fs::path folder = Scratch() / "plain";
    for (auto _ : state) {
        state.PauseTiming();
        fs::create_directories(folder);
        if (!DropCaches(state))
            break;
        state.ResumeTiming();
        if (!PlainCopy(from, (folder / "big.map").string()))
            state.SkipWithError("copy failed");
        state.PauseTiming();
        fs::remove_all(folder);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PlainCopyOf200MBMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// Keeps the map as an apply would, then changes it as the mod would.
void KeepAndChange(const std::string& root, const std::string& game, const fs::path& map) {
    manager::OriginalsStore kept(root, game);
    kept.Load();
    kept.Keep("Big", "", 0, {"maps\\big.map"}, nullptr);
    std::fstream changed(map, std::ios::in | std::ios::out | std::ios::binary);
    changed.write("MODDED", 6);
}

// What undoing is measured against: the kept copy copied back over the changed map by hand.
void BM_PlainCopyBackOf200MBMap(benchmark::State& state) {
    const std::string root = ManagerName(Scratch() / "Originals");
    const std::string game = ManagerName(MapGame());
    const fs::path map = MapGame() / "maps" / "big.map";
    for (auto _ : state) {
        state.PauseTiming();
        KeepAndChange(root, game, map);
        fs::path copy;
        for (const auto& entry : fs::recursive_directory_iterator(Scratch() / "Originals"))
            if (entry.path().filename() == "big.map")
                copy = entry.path();
        if (!DropCaches(state))
            break;
        state.ResumeTiming();
        if (!PlainCopy(copy.string(), map.string()))
            state.SkipWithError("copy failed");
        state.PauseTiming();
        fs::remove_all(Scratch() / "Originals");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PlainCopyBackOf200MBMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_Keep200MBMap(benchmark::State& state) {
    const std::string root = ManagerName(Scratch() / "Originals");
    const std::string game = ManagerName(MapGame());
    for (auto _ : state) {
        state.PauseTiming();
        if (!DropCaches(state))
            break;
        state.ResumeTiming();
        manager::OriginalsStore store(root, game);
        store.Load();
        if (!store.Keep("Big", "", 0, {"maps\\big.map"}, nullptr).number)
            state.SkipWithError("not kept");
        state.PauseTiming();
        fs::remove_all(Scratch() / "Originals");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Keep200MBMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_Undo200MBMap(benchmark::State& state) {
    const std::string root = ManagerName(Scratch() / "Originals");
    const std::string game = ManagerName(MapGame());
    const fs::path map = MapGame() / "maps" / "big.map";
    for (auto _ : state) {
        state.PauseTiming();
        KeepAndChange(root, game, map);
        manager::OriginalsStore store(root, game);
        store.Load();
        if (!DropCaches(state))
            break;
        state.ResumeTiming();
        const manager::OriginalsStore::PutBackReport report = store.UndoNewest({}, nullptr);
        if (report.putBack != 1)
            state.SkipWithError("not put back");
    }
    fs::remove_all(Scratch() / "Originals");
}
BENCHMARK(BM_Undo200MBMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The manager's state files beside the game, out of its reach.
std::string StateFile(const char* name) {
    fs::create_directories(Scratch() / "state");
    return ManagerName(Scratch() / "state" / name);
}

// Two mods applied in turn, each copying its own 200 MB map over the game's: the command
// interpreter's part is a plain copy of the batch file's map, the same in both benchmarks below.
class TwoModsApplied final : public manager::CommandRunner, public manager::ManagerView {
public:
    TwoModsApplied() {
        fs::current_path(MapGame());
        for (const std::string mod : {"a", "b"}) {
            if (!fs::exists(MapGame() / (mod + ".map")))
                fs::copy_file(MapGame() / "maps" / "big.map", MapGame() / (mod + ".map"));
            (void)batchfile::WriteBatchFile((MapGame() / (mod + ".bat")).string(),
                                            {":: &" + mod, batchfile::CopyLine(mod + ".map", "maps\\big.map")});
            manager.AddBatchFile(mod + ".bat");
        }
        manager.ApplyMod(0);
        manager.ApplyMod(1);
    }
    ~TwoModsApplied() override {
        fs::current_path(m_before);
        fs::remove_all(Scratch() / "state");
    }

    void Run(const std::string& commandLine) override {
        const char which = commandLine[commandLine.find(".bat") - 1];
        fs::copy_file(MapGame() / (std::string(1, which) + ".map"), MapGame() / "maps" / "big.map",
                      fs::copy_options::overwrite_existing);
    }
    void ShowMessage(const std::string&) override {}
    bool AskAboutFiles(const std::string&, const std::vector<std::string>&, bool) override { return true; }
    bool Ask(const std::string&, bool) override { return true; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Yes; }
    void ShowList(const std::vector<manager::ModEntry>&) override {}
    void CloseApplied() override {}

    manager::ModManager manager{
        {StateFile("n"), StateFile("p"), StateFile("l"), StateFile("Originals")}, *this, *this};

private:
    fs::path m_before = fs::current_path();
};

// `step` is timed over two fresh applies each run.
template <class Step>
void TimeOverTwoMods(benchmark::State& state, Step step) {
    std::optional<TwoModsApplied> mods;
    for (auto _ : state) {
        state.PauseTiming();
        mods.reset();
        mods.emplace();
        state.ResumeTiming();
        step(mods->manager);
    }
}

void BM_TakeOutMiddleOf200MBMap(benchmark::State& state) {
    TimeOverTwoMods(state, [](manager::ModManager& manager) {
        manager.TakeOut(manager.AppliedMods()->applies.at(0).number);
    });
}
BENCHMARK(BM_TakeOutMiddleOf200MBMap)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_UndoBothAndApplyAgainOf200MBMap(benchmark::State& state) {
    TimeOverTwoMods(state, [](manager::ModManager& manager) {
        manager.UndoLastMod();
        manager.UndoLastMod();
        manager.ApplyMod(1);
    });
}
BENCHMARK(BM_UndoBothAndApplyAgainOf200MBMap)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
