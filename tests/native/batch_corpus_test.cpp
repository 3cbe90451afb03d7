// The batch reader over a corpus of hand-written mod installers, all against one game folder:
// how many it follows whole, and what a few of them change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "batchfile/reader/batch_effects.h"
#include "batchfile/header_reader.h"
#include "tests/support/fake_disk.h"
#include "tests/support/text_checks.h"

namespace {

const char kGame[] = "C:\\Game";
const char kPack[] = "C:\\Mods\\pack\\";

testing_support::FakeDisk CorpusDisk() {
    testing_support::FakeDisk disk;
    for (const char* name :
         {"game.exe", "launcher.exe", "config.cfg", "readme.txt", "maps\\dm01.map", "maps\\dm02.map", "maps\\ctf01.map",
          "maps\\ctf02.map", "maps\\dm01.cache", "maps\\dm03.map", "maps\\extra\\arena.map", "maps\\custom\\old.map", "text\\en\\menu.txt", "text\\en\\dialog.txt",
          "data\\base.pak", "data\\sound.pak", "data\\textures.pak", "sound\\music\\track01.ogg",
          "sound\\music\\track02.ogg", "sound\\sfx\\shot.wav", "save\\slot1.sav", "disc\\game.bin", "disc\\game.cue"})
        disk.Add(std::string(kGame) + "\\" + name);
    for (const char* name :
         {"maps\\dm03.map", "maps\\dm04.map", "maps\\ctf03.map", "maps\\extra\\arena.map", "lang\\de\\menu.txt",
          "lang\\de\\dialog.txt", "lang\\fr\\menu.txt", "lang\\fr\\dialog.txt", "patches\\widescreen.ppf",
          "patches\\fix.ppf", "patches\\undub.ppf", "ApplyPPF3.exe", "data\\textures.pak", "data\\hd\\textures_hd.pak",
          "sound\\music\\track01.ogg", "config\\config.cfg", "config\\autoexec.cfg", "config\\widescreen.reg",
          "tools\\7z.exe", "pack.7z", "backup\\config.cfg", "backup\\base.pak", "mod.zip", "maps.txt", "helpers\\copymaps.bat",
          "po files\\de.po", "po files\\fr\\menu.po", "presets\\low\\shadows.ini", "presets\\low\\texture.ini",
          "presets\\high\\shadows.ini", "presets\\high\\effects.ini", "presets\\high\\readme.txt", "mods\\a.jar",
          "mods\\lib\\b.jar"})
        disk.Add(std::string(kPack) + name);
    disk.Add("C:\\Users\\pat\\AppData\\Roaming\\Starfall\\settings.cfg");
    disk.Add("C:\\Users\\pat\\AppData\\Local\\Starfall\\shadercache\\a.bin");
    return disk;
}

// Runs one corpus file as if it sat in the pack folder and the game folder were current.
batchfile::BatchEffects RunCorpusFile(const std::string& name, const batchfile::DiskView& disk) {
    const std::filesystem::path folder = GRENWICK_BATCH_CORPUS;
    batchfile::ReaderContext context;
    context.batchPath = kPack + name;
    context.startFolder = kGame;
    context.environment = {{"USERPROFILE", "C:\\Users\\pat"},
                           {"APPDATA", "C:\\Users\\pat\\AppData\\Roaming"},
                           {"LOCALAPPDATA", "C:\\Users\\pat\\AppData\\Local"},
                           {"TEMP", "C:\\Users\\pat\\AppData\\Local\\Temp"},
                           {"PROCESSOR_ARCHITECTURE", "AMD64"}};
    context.disk = &disk;
    context.readLines = [folder](const std::string& path) -> std::optional<Strings> {
        if (path.compare(0, std::string(kPack).size(), kPack) != 0)
            return std::nullopt;
        std::string relative = path.substr(std::string(kPack).size());
        std::replace(relative.begin(), relative.end(), '\\', '/');
        return batchfile::ReadAllLines((folder / relative).string());
    };
    const std::optional<Strings> lines = context.readLines(context.batchPath);
    return lines ? batchfile::EffectsOf(*lines, context) : batchfile::BatchEffects{};
}

Strings Folded(Strings names) {
    for (std::string& name : names)
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    std::sort(names.begin(), names.end());
    return names;
}

Strings CorpusNames() {
    Strings names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(GRENWICK_BATCH_CORPUS, error))
        if (entry.is_regular_file() && entry.path().extension() == ".bat")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The shapes in which a value the reader cannot know must taint what follows, and those in
// which nothing is unknown and nothing may be flagged: what each changes, and which lines
// must be flagged.
const struct Shape {
    const char* file;
    Strings changed;
    std::vector<int> flagged;
} kShapes[] = {
    // The current folder comes from a command's output: every name relative to it is unknown.
    {"cd_from_dir_listing.bat", {}, {2, 3, 4, 5}},
    // The folder the copy reads was made by a program the reader cannot follow.
    {"unpack_then_xcopy.bat", {"C:\\Game\\pack-main"}, {3, 4}},
    // G may be unknown or empty: the empty reading is named, the unknown one flagged.
    {"registry_folder_or_empty.bat", {"C:\\Data\\Loc\\de.po", "C:\\Data\\Loc\\fr\\menu.po"}, {4, 9}},
    // goto:eof and goto: eof return from the header, so the menu and the install are read.
    {"menu_header_subroutine.bat",
     {"C:\\Users\\pat\\AppData\\Local\\Starfall\\Config\\shadows.ini",
      "C:\\Users\\pat\\AppData\\Local\\Starfall\\Config\\texture.ini",
      "C:\\Users\\pat\\AppData\\Local\\Starfall\\Config\\effects.ini"},
     {}},
    // A wildcard destination is the folder the files land in under their own names.
    {"xcopy_wildcard_target.bat",
     {"C:\\Game\\mods\\a.jar", "C:\\Game\\mods\\lib\\b.jar", "C:\\Game\\maps\\dm03.map", "C:\\Game\\maps\\dm04.map",
      "C:\\Game\\maps\\ctf03.map"},
     {}},
    // A drive inside a path and an empty server name are no names a run could change.
    {"malformed_targets.bat", {"C:\\Game\\autoexec.cfg"}, {3, 4}},
    // Lines that change no file, and a branch the disk rules out, ask nothing.
    {"admin_check_and_tidy.bat", {"C:\\Game\\data\\textures.pak"}, {}},
    // The step bound stops the reading at line 2; the copy after it is never read.
    {"endless_ticks.bat", {}, {2}},
};

std::vector<int> FlaggedNumbers(const batchfile::BatchEffects& effects) {
    std::vector<int> numbers;
    for (const batchfile::UnfollowedLine& line : effects.unfollowed)
        numbers.push_back(line.number);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

TEST(BatchCorpus, UnknownValuesTaintWhatFollowsAndNothingElseIsFlagged) {
    if (CorpusNames().empty())
        GTEST_SKIP() << "corpus folder not reachable from this build";
    const testing_support::FakeDisk disk = CorpusDisk();
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.file);
        const batchfile::BatchEffects effects = RunCorpusFile(shape.file, disk);
        EXPECT_EQ(Folded(effects.changed), Folded(shape.changed));
        EXPECT_EQ(FlaggedNumbers(effects), shape.flagged);
    }
}

// Which lines of each file cannot be followed: the programs nobody can read (archive tools,
// PowerShell, a downloader, a launcher), names typed by the player or read from a file.
TEST(BatchCorpus, FollowsAtLeastHalfWholeAndKnowsWhichLinesItCannot) {
    const std::map<std::string, std::vector<int>> expectedUnfollowed = {
        {"translation_set_p.bat", {3, 4}}, {"unzip_7z.bat", {3}},     {"powershell_unzip.bat", {2}},
        {"download_latest.bat", {3}},      {"start_launcher.bat", {4}},
        {"regedit_import.bat", {3}},       {"tool_run_exe.bat", {3}},
        // A date names only the backup folder; a program in a loop leaves the names it copies known.
        {"dated_backup_then_install.bat", {3}}, {"programs_then_known_names.bat", {5}},
    };
    const Strings names = CorpusNames();
    if (names.empty())
        GTEST_SKIP() << "corpus folder not reachable from this build";
    const testing_support::FakeDisk disk = CorpusDisk();
    int followed = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const batchfile::BatchEffects effects = RunCorpusFile(name, disk);
        const auto shape = std::find_if(std::begin(kShapes), std::end(kShapes), [&](const Shape& s) { return name == s.file; });
        const auto expected = expectedUnfollowed.find(name);
        if (shape == std::end(kShapes)) {
            EXPECT_EQ(FlaggedNumbers(effects), expected == expectedUnfollowed.end() ? std::vector<int>{} : expected->second);
        }
        followed += effects.unfollowed.empty() ? 1 : 0;
    }
    std::printf("batch corpus: %d of %zu files followed whole\n", followed, names.size());
    EXPECT_GE(names.size(), 25u);
    EXPECT_GE(followed * 2, static_cast<int>(names.size()));
}

TEST(BatchCorpus, SpotChecksWhatFilesChange) {
    const struct {
        std::string file;
        Strings changed;
    } cases[] = {
        {"translation_de.bat",
         {"C:\\Game\\text\\en.orig\\menu.txt", "C:\\Game\\text\\en.orig\\dialog.txt", "C:\\Game\\text\\en\\menu.txt",
          "C:\\Game\\text\\en\\dialog.txt"}},
        {"disc_patch_all.bat", {"C:\\Game\\disc\\game.bin"}},
        {"xcopy_switches_together.bat",
         {"C:\\Game\\maps\\ctf03.map", "C:\\Game\\maps\\dm03.map", "C:\\Game\\maps\\dm04.map",
          "C:\\Game\\maps\\extra\\arena.map", "C:\\Game\\sound\\music\\track01.ogg"}},
        // Every answer a menu compares, and none: the files of each branch are kept.
        {"menu_set_p_goto.bat", {"C:\\Game\\text\\en\\dialog.txt", "C:\\Game\\text\\en\\menu.txt"}},
        {"menu_choice_errorlevel.bat",
         {"C:\\Game\\config\\effects.ini", "C:\\Game\\config\\shadows.ini", "C:\\Game\\config\\texture.ini"}},
        {"goto_found_game.bat", {"C:\\Game\\data\\textures.pak"}},
        {"arguments_empty.bat", {"C:\\Game\\maps\\ctf03.map", "C:\\Game\\maps\\dm03.map", "C:\\Game\\maps\\dm04.map"}},
        {"mklink_and_list.bat",
         {"C:\\Users\\pat\\Documents\\StarfallMaps", "C:\\Game\\maps\\dm03.map", "C:\\Game\\maps\\ctf03.map"}},
        {"programs_then_known_names.bat",
         {"C:\\Mods\\pack\\backup\\base.pak", "C:\\Mods\\pack\\backup\\sound.pak", "C:\\Game\\data\\base.pak",
          "C:\\Game\\data\\sound.pak"}},
        // The list the pack brings is read as the loop reads it.
        {"for_f_listing.bat", {"C:\\Game\\maps\\dm03.map", "C:\\Game\\maps\\ctf03.map"}},
        {"translation_set_p.bat", {"C:\\Game\\text\\en\\menu.txt", "C:\\Game\\text\\en\\dialog.txt"}},
        {"restore_backup.bat", {"C:\\Game\\config.cfg", "C:\\Game\\base.pak"}},
        {"map_remove.bat", {"C:\\Game\\maps\\dm03.map", "C:\\Game\\maps\\extra\\arena.map"}},
        {"modpack_robocopy.bat",
         {"C:\\Game\\sound\\music\\track01.ogg", "C:\\Game\\sound\\music\\track02.ogg",
          "C:\\Users\\pat\\AppData\\Local\\Temp\\musicpack.log", "C:\\Game\\maps\\dm03.map", "C:\\Game\\maps\\dm04.map",
          "C:\\Game\\maps\\ctf03.map", "C:\\Game\\maps\\extra\\arena.map"}},
        {"subroutine_install.bat",
         {"C:\\Game\\maps\\dm03.map", "C:\\Game\\maps\\ctf03.map", "C:\\Game\\autoexec.cfg"}},
        {"mixed_slashes.bat", {"C:\\Game\\maps\\dm03.map", "C:\\Game\\maps\\installed.txt"}},
        {"delayed_rename_loop.bat",
         {"C:\\Game\\maps\\dm01.map", "C:\\Game\\maps\\dm02.map", "C:\\Game\\maps\\dm01_classic.map",
          "C:\\Game\\maps\\dm02_classic.map", "C:\\Game\\maps\\dm03.map", "C:\\Game\\maps\\dm03_classic.map"}},
        {"rename_and_move.bat",
         {"C:\\Game\\sound\\music\\track01.ogg", "C:\\Game\\sound\\music\\track02.ogg",
          "C:\\Game\\sound\\music_original\\track01.ogg", "C:\\Game\\sound\\music_original\\track02.ogg",
          "C:\\Game\\save\\slot1.sav", "C:\\Game\\save\\slot1.keep"}},
    };
    if (CorpusNames().empty())
        GTEST_SKIP() << "corpus folder not reachable from this build";
    const testing_support::FakeDisk disk = CorpusDisk();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(Folded(RunCorpusFile(c.file, disk).changed), Folded(c.changed));
    }
}

}  // namespace
