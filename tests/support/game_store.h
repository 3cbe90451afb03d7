// A game folder that is the current folder, and beside it, out of its reach, the manager's
// list files and the store root; with a manager to drive and the game folder's bytes to compare.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/paths.h"
#include "batchfile/batch_lines.h"
#include "manager/mod_manager.h"
#include "tests/support/recording.h"
#include "tests/support/temp_dir.h"

namespace testing_support {

// Every file below a folder by its relative name with "/", and its bytes.
using Snapshot = std::map<std::string, std::string>;

inline Snapshot TakeSnapshot(const std::filesystem::path& folder) {
    Snapshot files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().lexically_relative(folder).generic_string()] = ReadBytes(entry.path().string());
    return files;
}

// Whether a store's folder keeps no copy any more: its index alone, remembering the next
// apply's number.
inline bool KeepsNoCopy(const std::filesystem::path& storeFolder) {
    const Snapshot files = TakeSnapshot(storeFolder);
    return files.size() == 1 && files.count("index.txt") == 1;
}

// A host path as the manager names it: a full path with "\\" between its parts.
inline std::string ManagerName(const std::filesystem::path& path) {
    std::string name = path.string();
    for (char& c : name)
        c = c == '/' ? '\\' : c;
    return !name.empty() && name[0] == '\\' ? "C:" + name : name;
}

class GameStore {
public:
    GameStore() { Restart(); }

    // A new manager over the same files: the program started again.
    void Restart() {
        runner = std::make_unique<RecordingRunner>();
        view = std::make_unique<RecordingView>();
        manager = std::make_unique<manager::ModManager>(files, *runner, *view);
        manager->StartupLoad(nullptr);
    }
    // `name` relative to the game folder, "/" between its parts; folders are made.
    void Write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path path = game.Path() / name;
        std::filesystem::create_directories(path.parent_path());
        WriteBytes(path.string(), bytes);
    }
    // A file named as the manager names it ("\\" between parts, a full path or one relative
    // to the game folder), written through the file layer with its folders.
    void WriteNamed(const std::string& name, const std::string& bytes) const {
        const std::string full = base::IsRooted(name) ? name : base::Join(Folder(), name);
        ASSERT_TRUE(base::MakeFolders(base::ParentFolder(full)));
        ASSERT_TRUE(base::WriteFileDurably(full, bytes));
    }
    std::string Read(const std::string& name) const { return ReadBytes((game.Path() / name).string()); }
    bool Has(const std::string& name) const { return std::filesystem::exists(game.Path() / name); }
    Snapshot Files() const { return TakeSnapshot(game.Path()); }
    // The game folder as the manager names it.
    std::string Folder() const { return base::CurrentFolder(); }

    void WriteBatch(const std::string& name, const std::vector<std::string>& lines) const {
        ASSERT_TRUE(batchfile::WriteBatchFile((game.Path() / name).string(), lines));
    }
    // Writes the batch file `name` in the game folder, adds it and applies it, `play` standing
    // in for the command interpreter.
    void Apply(const std::string& name, const std::vector<std::string>& lines,
               std::function<void()> play = nullptr) {
        WriteBatch(name, lines);
        manager->AddBatchFile(name);
        const auto& entries = manager->Mods().Entries();
        std::size_t at = 0;
        while (at < entries.size() && entries[at].path != name)
            ++at;
        ASSERT_LT(at, entries.size());
        runner->play = [play](const std::string&) {
            if (play)
                play();
        };
        manager->ApplyMod(at);
        runner->play = nullptr;
    }

    TempDir game;
    TempDir state;
    ScopedCurrentDir inGame{game.Path()};
    manager::ManagerFiles files{state.File("names.lst"), state.File("paths.lst"), state.File("lastmod.txt"),
                                state.File("Originals"), std::chrono::milliseconds(500)};
    std::unique_ptr<RecordingRunner> runner;
    std::unique_ptr<RecordingView> view;
    std::unique_ptr<manager::ModManager> manager;
};

}  // namespace testing_support
