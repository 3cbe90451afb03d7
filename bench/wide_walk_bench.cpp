// Noting a game folder of 10,000 files on Windows beside a bare walk with the wide functions
// that reads the same name, size and time: the least the long-name file layer can cost.
//
//   wide_walk_bench [rounds, 9 by default]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/wide_win.h"
#include "manager/originals/originals_store.h"

namespace {

struct Noted {
    std::wstring name;
    std::uint64_t size;
    std::uint64_t time;
};

void BareWalk(const std::wstring& folder, const std::wstring& prefix, std::vector<Noted>& files) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::wstring> folders;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.push_back(name);
        else
            files.push_back({prefix + name, (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow,
                             (std::uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32) |
                                 found.ftLastWriteTime.dwLowDateTime});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (const std::wstring& name : folders)
        BareWalk(folder + L"\\" + name, prefix + name + L"\\", files);
}

double Ms(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 9;
    std::wstring temp(MAX_PATH, L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    const std::string game = base::Utf8OfWide(temp) + "grenwick-wide-walk-bench";
    for (int f = 0; f < 100; ++f) {
        const std::string folder = game + "\\folder" + std::to_string(f);
        base::MakeFolders(folder);
        for (int i = 0; i < 100; ++i)
            if (!base::FileState(folder + "\\file" + std::to_string(i) + ".dat"))
                base::WriteFileInPlace(folder + "\\file" + std::to_string(i) + ".dat", std::to_string(i));
    }
    // The three take turns in each round, so that a load coming and going on the machine
    // falls on all of them alike.
    std::size_t bare = 0, walked = 0, noted = 0;
    std::vector<double> walks, layers, notes;
    for (int round = 0; round < rounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        std::vector<Noted> files;
        BareWalk(base::LongName(game), L"", files);
        bare = files.size();
        walks.push_back(Ms(start));
        start = std::chrono::steady_clock::now();
        walked = base::WalkFolder(game).size();
        layers.push_back(Ms(start));
        start = std::chrono::steady_clock::now();
        noted = manager::NoteFolder(game).size();
        notes.push_back(Ms(start));
    }
    const double walk = Median(walks), layer = Median(layers), note = Median(notes);
    std::printf("%zu files: bare wide walk %.1f ms, the file layer's walk %.1f ms (%.2f), noting %.1f ms (%.2f), "
                "medians of %d\n",
                bare, walk, layer, layer / walk, note, note / walk, rounds);
    return bare == walked && bare == noted ? 0 : 1;
}
