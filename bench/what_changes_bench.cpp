// Opening the "What this mod changes" window for a batch file of 300 lines over a game folder of
// 10,000 files, beside what it cannot do without: the batch reader's own time on the same file,
// plus filling the same window with the same rows from memory. A store of 20 applies of 50
// files each names the applied mods. Measured with a last line no reader follows (the window,
// once up, then walks the whole folder for what a copy of it takes, timed apart) and without.
// A Windows program (run it under Wine beside Grenwick.exe, whose template it shows), in an
// empty folder it may fill:
//   what_changes_bench.exe [runs]
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
#include "base/wide_win.h"
#include "batchfile/batch_lines.h"
#include "batchfile/header_reader.h"
#include "manager/mod_manager.h"
#include "manager/foresee.h"
#include "manager/originals/store_place.h"
#include "manager/win/what_changes_dlg.h"
#include "resources/grenwick/resource.h"

namespace {

constexpr int kFolders = 100;
constexpr int kFilesEach = 100;
constexpr int kLines = 300;

class Silent final : public manager::CommandRunner, public manager::ManagerView {
public:
    void Run(const std::string&) override {}
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    bool Ask(const std::string&, bool) override { return false; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }
    bool AskAboutFiles(const std::string&, const std::vector<std::string>&, bool) override { return false; }
    void ShowList(const std::vector<manager::ModEntry>&) override {}
    void CloseApplied() override {}
};

std::string MapName(int folder, int file) {
    return "maps\\area" + std::to_string(folder) + "\\part" + std::to_string(file) + ".map";
}

// Copies over existing maps, new maps, deletions, and, when `program`, a program no reader
// follows as the last line (else one more copy).
std::vector<std::string> ModLines(bool program) {
    std::vector<std::string> lines{":: &Big mod", "@echo off"};
    for (int i = 0; static_cast<int>(lines.size()) < kLines - 1; ++i) {
        const std::string map = MapName(i % kFolders, (i / kFolders * 37 + i) % kFilesEach);
        if (i % 10 == 3)
            lines.push_back("del \"" + map + "\"");
        else if (i % 10 == 7)
            lines.push_back("copy /y mods\\new.map maps\\area" + std::to_string(i % kFolders) + "\\new" +
                            std::to_string(i) + ".map");
        else
            lines.push_back("copy /y mods\\new.map \"" + map + "\"");
    }
    lines.push_back(program ? "tools\\setup.exe /quiet" : "copy /y mods\\new.map maps\\last.map");
    return lines;
}

manager::StoreRecords MakeRecords(const std::string& gameFolder) {
    manager::StoreRecords records{gameFolder, {}};
    for (int a = 0; a < 20; ++a) {
        manager::ApplyRecord apply{static_cast<std::uint64_t>(a + 1), "Mod number " + std::to_string(a),
                                   gameFolder + "\\mod" + std::to_string(a) + ".bat", 1765300000 + a * 60, {}};
        for (int f = 0; f < 50; ++f)
            apply.entries.push_back({{manager::EntryKind::Kept, MapName(a * 5 + f % 5, f), 64, std::string(64, 'a')},
                                     manager::AfterState{true, 64, 1765300000}});
        records.applies.push_back(std::move(apply));
    }
    return records;
}

std::string WindowSummary(HWND dialog) {
    const HWND summary = GetDlgItem(dialog, IDC_WHAT_SUMMARY);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(summary)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(summary, text.data(), static_cast<int>(text.size()))));
    return base::Utf8OfWide(text);
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class Step>
double Timed(Step step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return Milliseconds(std::chrono::steady_clock::now() - start);
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
    for (int d = 0; d < kFolders; ++d) {
        (void)base::MakeFolders(base::Join(game, "maps\\area" + std::to_string(d)));
        for (int f = 0; f < kFilesEach; ++f)
            (void)base::WriteFileDurably(base::Join(game, MapName(d, f)), std::string(64, 'm'));
    }
    (void)base::MakeFolders(base::Join(game, "mods"));
    (void)base::WriteFileDurably(base::Join(game, "mods\\new.map"), std::string(64, 'n'));
    const std::string batch = base::Join(game, "big.bat");
    const std::string root = base::Join(game, "..\\what-changes-bench-store");
    const std::string folder = base::Join(root, manager::StoreKey(game, &base::FoldCase));
    if (!base::MakeFolders(folder) ||
        !base::WriteFileDurably(base::Join(folder, "index.txt"),
                                *manager::EncodeRecords(MakeRecords(game), &base::FoldCase))) {
        std::fprintf(stderr, "the game folder or the store could not be written\n");
        return 1;
    }
    Silent silent;
    manager::ModManager manager({base::Join(game, "names.lst"), base::Join(game, "paths.lst"),
                                 base::Join(game, "last.txt"), root},
                                silent, silent);
    for (const bool program : {true, false}) {
        if (!batchfile::WriteBatchFile(batch, ModLines(program)))
            return 1;
        manager.AddBatchFile("big.bat");
        std::optional<manager::ChangePreview> preview;
        std::vector<double> window, whole, reader, filled;
        for (int i = 0; i < runs; ++i) {
            // The window opened with every row and line and the summary as far as it is known,
            // and closed, as the same rows from memory are. Where a line cannot be followed the
            // window, once up, finds what a copy of the whole folder takes on a timer it sets
            // itself: whole is the time until its summary is whole, messages handled as a
            // modal window's loop does (the timer's wait included), timed apart.
            {
                const auto start = std::chrono::steady_clock::now();
                preview = manager.WhatChanges(0);
                CWhatChangesDlg dialog(*preview, grenwick);
                const HWND hwnd = dialog.CreateModeless(nullptr);
                const double opened = Milliseconds(std::chrono::steady_clock::now() - start);
                const std::string& shown = preview->summary;
                for (int wait = 0; wait < 1000 && preview->finishSummary && WindowSummary(hwnd) == shown; ++wait) {
                    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
                    MSG msg;
                    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                        DispatchMessageW(&msg);
                }
                whole.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
                window.push_back(opened + Timed([&] { DestroyWindow(hwnd); }));
            }
            // The same rows and the whole summary, from memory.
            manager::ChangePreview memory = *preview;
            if (memory.finishSummary) {
                memory.summary = memory.finishSummary();
                memory.finishSummary = nullptr;
            }
            reader.push_back(Timed([&] {
                const auto lines = batchfile::ReadAllLines(batch);
                (void)batchfile::EffectsOf(*lines, manager::ContextOnDisk(batch, game, {}));
            }));
            filled.push_back(Timed([&] {
                CWhatChangesDlg dialog(memory, grenwick);
                DestroyWindow(dialog.CreateModeless(nullptr));
            }));
        }
        std::printf("%zu rows, %zu lines not followed. Window: %.1f ms (its summary whole after %.1f ms); reader "
                    "alone: %.1f ms; the same rows from memory: %.1f ms; window / (reader + rows) = %.2f (medians "
                    "of %d)\n",
                    preview->rows.size(), preview->lines.size(), Median(window), Median(whole), Median(reader),
                    Median(filled), Median(window) / (Median(reader) + Median(filled)), runs);
    }
    // Where a line cannot be followed the summary says what a copy of the whole folder takes.
    std::vector<double> walk;
    for (int i = 0; i < runs; ++i)
        walk.push_back(Timed([&] { (void)base::WalkFolder(game); }));
    std::printf("walking the whole game folder for its size: %.1f ms (median of %d)\n", Median(walk), runs);
    return 0;
}
