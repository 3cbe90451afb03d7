// Opening the Applied mods window over a store of 200 applies of 50 files each, beside filling
// the same window from the same records already in memory: what reading the store costs, and
// reading it alone (the lock, the index read, checked and decoded, and the records handed out).
// A Windows program (run it under Wine beside Grenwick.exe, whose template it shows):
//   applied_mods_bench.exe [runs]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "base/files.h"
#include "base/paths.h"
#include "manager/mod_manager.h"
#include "manager/originals/store_place.h"
#include "manager/win/applied_mods_dlg.h"

namespace {

constexpr int kApplies = 200;
constexpr int kFiles = 50;

class Silent final : public manager::CommandRunner, public manager::ManagerView {
public:
    void Run(const std::string&) override {}
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    bool AskAboutFiles(const std::string&, const std::vector<std::string>&, bool) override { return false; }
    bool Ask(const std::string&, bool) override { return false; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }
    void ShowList(const std::vector<manager::ModEntry>&) override {}
    void CloseApplied() override {}
};

manager::StoreRecords MakeRecords(const std::string& gameFolder) {
    manager::StoreRecords records{gameFolder, {}};
    for (int a = 0; a < kApplies; ++a) {
        manager::ApplyRecord apply{static_cast<std::uint64_t>(a + 1), "Mod number " + std::to_string(a),
                                   gameFolder + "\\mod" + std::to_string(a) + ".bat", 1765300000 + a * 60, {}};
        for (int f = 0; f < kFiles; ++f)
            apply.entries.push_back({{manager::EntryKind::Kept, "maps\\area" + std::to_string(f) + ".map", 4096,
                                      std::string(64, 'a')},
                                     manager::AfterState{true, 4096, 1765300000}});
        records.applies.push_back(std::move(apply));
    }
    return records;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::string exe(MAX_PATH, '\0');
    exe.resize(GetModuleFileNameA(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
    const HMODULE grenwick =
        LoadLibraryExA(base::Join(base::ParentFolder(exe), "Grenwick.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!grenwick) {
        std::fprintf(stderr, "Grenwick.exe is not beside the benchmark\n");
        return 1;
    }
    const std::string game = base::CurrentFolder();
    const std::string root = base::Join(game, "bench-store");
    const manager::StoreRecords records = MakeRecords(game);
    const std::string folder = base::Join(root, manager::StoreKey(game, &base::FoldCase));
    if (!base::MakeFolders(folder) ||
        !base::WriteFileDurably(base::Join(folder, "index.txt"), *manager::EncodeRecords(records, &base::FoldCase))) {
        std::fprintf(stderr, "the store could not be written\n");
        return 1;
    }
    Silent silent;
    manager::ModManager manager({"", "", "", root}, silent, silent);
    std::vector<double> fromStore, fromMemory, readAlone;
    for (int i = 0; i < runs; ++i) {
        for (const bool read : {true, false}) {
            const auto start = std::chrono::steady_clock::now();
            // As Grenwick does, the records read are moved into the window; those in memory are copied.
            std::optional<manager::StoreRecords> shown = read ? manager.AppliedMods() : records;
            CAppliedModsDlg dialog(manager, std::move(*shown), grenwick);
            DestroyWindow(dialog.CreateModeless(nullptr));
            (read ? fromStore : fromMemory).push_back(Milliseconds(std::chrono::steady_clock::now() - start));
        }
        const auto start = std::chrono::steady_clock::now();
        manager.AppliedMods();
        readAlone.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    }
    // The first reading in a process hashes and decodes the index; later ones find the same bytes.
    const double first = fromStore.front();
    std::printf("window over the store: %.1f ms, over the same records in memory: %.1f ms, ratio %.2f; "
                "reading the store alone: %.1f ms (medians of %d); the first opening: %.1f ms\n", Median(fromStore),
                Median(fromMemory), Median(fromStore) / Median(fromMemory), Median(readAlone), runs, first);
    base::RemoveFile(base::Join(folder, "index.txt"));
    base::RemoveEmptyFolder(folder);
    base::RemoveEmptyFolder(root);
    return 0;
}
