// Names the code page cannot hold and paths past 260 characters: the file layer reaching them,
// real Grenwick processes keeping and putting them back in a game folder named in three
// scripts, and the patcher taking them from its wide command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "base/code_pages.h"
#include "base/files.h"
#include "base/paths.h"
#include "base/wide_win.h"
#include "manager/originals/store_place.h"
#include "manager/win/local_app_data.h"
#include "resources/grenwick/resource.h"
#include "tests/support/ppf_bytes.h"
#include "tests/support/recording.h"
#include "tests/support/text_checks.h"
#include "game_mods.h"
#include "wine_support.h"

namespace {

using namespace wine_support;
using Tree = std::map<std::string, std::string>;

// Every file below `folder` with its bytes, by its name from there as the file layer gives it.
Tree TreeOf(const std::string& folder) {
    Tree tree;
    for (const base::TreeFile& file : base::WalkFolder(folder))
        tree[file.name] = base::ReadWholeFile(base::Join(folder, file.name)).value_or("(unreadable)");
    return tree;
}

void RemoveAll(const std::string& folder) {
    for (const base::FolderEntry& entry : base::ListFolder(folder)) {
        const std::string path = base::Join(folder, entry.name);
        if (entry.kind == base::PathKind::Folder)
            RemoveAll(path);
        else
            (void)base::RemoveFile(path);
    }
    base::RemoveEmptyFolder(folder);
}

void WriteTree(const std::string& folder, const Tree& tree) {
    for (const auto& [name, bytes] : tree) {
        const std::string path = base::Join(folder, name);
        ASSERT_TRUE(base::MakeFolders(base::FolderPart(path))) << name;
        ASSERT_TRUE(base::WriteFileDurably(path, bytes)) << name;
    }
}

// A game folder named in Japanese, Cyrillic and Greek, current while the object lives.
class UnicodeGameFolder {
public:
    UnicodeGameFolder() {
        std::wstring temp(MAX_PATH, L'\0');
        temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
        m_path = base::Utf8OfWide(temp) + "kit-\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0 \xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 "
                 "\xCE\xA0\xCE\xB1\xCE\xB9\xCF\x87\xCE\xBD\xCE\xAF\xCE\xB4\xCE\xB9-" + std::to_string(GetCurrentProcessId());
        base::MakeFolders(m_path);
        SetCurrentDirectoryW(base::WideOf(m_path).c_str());
    }
    ~UnicodeGameFolder() {
        SetCurrentDirectoryW(base::WideOf(base::FolderPart(m_path)).c_str());
        RemoveAll(m_path);
    }
    UnicodeGameFolder(const UnicodeGameFolder&) = delete;
    UnicodeGameFolder& operator=(const UnicodeGameFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

const std::string kJapanese = "maps\\\xE6\x97\xA5\xE6\x9C\xAC.map";        // 日本.map
const std::string kChinese = "maps\\\xE4\xB8\xAD\xE5\x9B\xBD.map";         // 中国.map
const std::string kCyrillic = "maps\\\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.map";  // Привет.map
const std::string kGreek = "maps\\\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1.map";           // Ωμέγα.map
const std::string kEmoji = "maps\\\xF0\x9F\x98\x80.map";                  // a face, outside the BMP
const std::string kUpperUmlaut = "maps\\\xC3\x84pfel.map";                // Äpfel.map
const std::string kLowerUmlaut = "mods\\\xC3\xA4pfel.map";                // äpfel.map

// A name whose full path in `folder` is `length` characters, in folders of 40 characters.
std::string DeepName(const std::string& folder, std::size_t length) {
    std::string name = "maps";
    while (base::WideOf(base::Join(folder, name)).size() + 41 + 9 < length)
        name += "\\" + std::string(40, 'd');
    const std::size_t used = base::WideOf(base::Join(folder, name)).size() + 1;
    return name + "\\" + std::string(length - used - 4, 'x') + ".map";
}

TEST(UnicodeNames, TheFileLayerReachesEveryNameAndPathsPast260Characters) {
    UnicodeGameFolder game;
    const std::string deep = DeepName(game.Path(), 300);
    ASSERT_EQ(base::WideOf(base::Join(game.Path(), deep)).size(), 300u);
    for (const std::string& name : {kJapanese, kCyrillic, kGreek, kEmoji, deep}) {
        SCOPED_TRACE(name);
        const std::string path = base::Join(game.Path(), name);
        WriteTree(game.Path(), {{name, "old " + name}});
        EXPECT_EQ(base::KindOf(path), base::PathKind::File);
        EXPECT_EQ(base::ReadWholeFile(path), "old " + name);
        EXPECT_EQ(TreeOf(game.Path()), (Tree{{name, "old " + name}}));
        bool listed = false;
        for (const base::FolderEntry& entry : base::ListFolder(base::FolderPart(path)))
            listed = listed || entry.name == base::BaseName(name);
        EXPECT_TRUE(listed);
        base::CopyBeside made;
        ASSERT_TRUE(base::CopyBesideHashed(path, path + ".kept", made));
        ASSERT_TRUE(base::MoveOver(made.temp, path + ".kept"));
        EXPECT_EQ(base::FileState(path + ".kept")->size, name.size() + 4);
        ASSERT_TRUE(base::RemoveFile(path));
        ASSERT_TRUE(base::RemoveFile(path + ".kept"));
        EXPECT_EQ(base::KindOf(path), base::PathKind::Missing);
    }
}

// The long form names the file the short name names, and only full paths of drives and
// shares take it; the code page's text is read into UTF-8 at the edge, never guessed.
TEST(UnicodeNames, NamesReachTheWideFunctionsInTheirLongForm) {
    std::wstring current(GetCurrentDirectoryW(0, nullptr), L'\0');
    current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));
    const std::pair<std::string, std::wstring> cases[] = {
        {"C:\\games\\x\\..\\maps/a.map.", L"\\\\?\\C:\\games\\maps\\a.map"},
        {"\\\\server\\share\\maps\\a.map", L"\\\\?\\UNC\\server\\share\\maps\\a.map"},
        {"a.map", L"\\\\?\\" + current + L"\\a.map"},
        {"\\\\?\\C:\\as\\given.", L"\\\\?\\C:\\as\\given."},
        {"C:\\" + kJapanese, L"\\\\?\\C:\\maps\\\u65E5\u672C.map"},
        {"", L""},
    };
    for (const auto& [name, wide] : cases)
        EXPECT_EQ(base::LongName(name), wide) << name;
    EXPECT_EQ(base::LongName("nul").rfind(L"\\\\.\\", 0), 0u) << "a device stays a device";
    EXPECT_EQ(base::WideOf("caf\xE9"), L"caf\uFFFD") << "bytes that are no UTF-8 name no file";
    if (GetACP() == 1252) {
        EXPECT_EQ(base::Utf8OfAnsi("C:\\\xC4pfel.map"), "C:\\\xC3\x84pfel.map") << "a typed path, read at the edge";
    }
}

// NTFS takes "Äpfel.map" and "äpfel.map" for one file; so must every comparison of names and
// every wildcard: "del äpfel*.map" deletes "Äpfel.map".
TEST(UnicodeNames, NamesFoldAsTheFileSystemComparesThem) {
    struct Case {
        const char* what;
        std::string a, b;
        bool alike;
    };
    const Case cases[] = {
        {"Latin with umlaut", "\xC3\x84pfel.map", "\xC3\xA4PFEL.MAP", true},
        {"Greek", "\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1", true},
        {"Cyrillic", "\xD0\x96", "\xD0\xB6", true},
        {"Japanese has no case", kJapanese, kJapanese, true},
        {"two Japanese names", kJapanese, kChinese, false},
        {"the emoji stays itself", kEmoji, kEmoji, true},
        {"no letters fold into others", "a.map", "b.map", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(base::FoldCase(c.a) == base::FoldCase(c.b), c.alike);
        EXPECT_EQ(base::MatchesWildcard(c.a, c.b), c.alike) << "as a wildcard matches";
    }
}

// Seen: the store of a game folder named in the code page ("Spiele-Müll"), kept before the kit
// read names as UTF-8, was no longer found, since its key was made from the name's ANSI bytes.
TEST(UnicodeNames, AStoreKeptUnderTheKeyOfTheAnsiNameIsFoundAndMovedToTodaysKey) {
    std::wstring temp(MAX_PATH, L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    const std::string game = base::Utf8OfWide(temp) + "kit-Spiele-M\xC3\xBCll-" + std::to_string(GetCurrentProcessId());
    const std::string root = game + "-store";
    const std::optional<std::string> previous = manager::PreviousStoreKey(game);
    if (!previous)
        GTEST_SKIP() << "the code page cannot hold the game folder's name";
    WriteTree(game, {{"maps\\a.map", "original"}, {"mods\\a.map", "modded"},
                     {"mod.bat", ":: &Mod\r\ncopy /y mods\\a.map maps\\a.map\r\n"}});
    SetCurrentDirectoryW(base::WideOf(game).c_str());
    const manager::ManagerFiles files{"n.lst", "p.lst", "l.txt", root};
    testing_support::RecordingRunner runner;
    testing_support::RecordingView view;
    {
        manager::ModManager manager(files, runner, view);
        manager.AddBatchFile("mod.bat");
        runner.play = [&](const std::string&) { base::WriteFileDurably(base::Join(game, "maps\\a.map"), "modded"); };
        manager.ApplyMod(0);
    }
    // The store as the kit named it before: under the key of the ANSI name.
    const std::string today = base::Join(root, manager::StoreKey(game, &base::FoldCase));
    ASSERT_NE(base::Join(root, *previous), today);
    ASSERT_TRUE(base::MoveOver(today, base::Join(root, *previous)));
    manager::ModManager(files, runner, view).RestoreOriginals();
    EXPECT_EQ(base::ReadWholeFile(base::Join(game, "maps\\a.map")), "original") << view.messages.back();
    EXPECT_EQ(base::KindOf(base::Join(root, *previous)), base::PathKind::Missing);
    SetCurrentDirectoryW(temp.c_str());
    RemoveAll(game);
    RemoveAll(root);
}

// Each step in a new Grenwick process over the store in the local application data folder.
class UnicodeGrenwick : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA("C:\\zorvmodnames.txt");
        DeleteFileA("C:\\zorvmodpaths.txt");
    }
    void TearDown() override {
        SetUp();
        const std::string root = manager::LocalAppDataFolder().value_or("") + "\\Grenwick\\Originals";
        const std::string name = base::BaseName(m_game.Path()) + "-";
        for (const base::FolderEntry& entry : base::ListFolder(root))
            if (entry.name.rfind(name, 0) == 0)
                RemoveAll(base::Join(root, entry.name));
    }
    std::vector<std::string> Step(UINT msg, WPARAM wp, const std::string& select = {}) const {
        GrenwickProcess grenwick(m_game.Path());
        EXPECT_NE(grenwick.Window(), nullptr);
        if (!select.empty()) {
            EXPECT_TRUE(grenwick.Select(select)) << select;
        }
        const auto boxes = grenwick.Drive(msg, wp, 0, [](const std::string&) { return IDYES; });
        if (msg == WM_COMMAND)
            grenwick.WaitForEnd(std::chrono::seconds(10));
        return boxes;
    }
    void Add(const std::string& batchFile) const {
        GrenwickProcess grenwick(m_game.Path());
        ASSERT_TRUE(grenwick.Add(batchFile));
    }
    std::vector<std::string> Apply(const std::string& mod) const { return Step(WM_COMMAND, IDOK, mod); }
    std::vector<std::string> Restore() const { return Step(WM_SYSCOMMAND, IDM_RESTORE_ORIGINALS); }
    std::vector<std::string> Undo() const { return Step(WM_SYSCOMMAND, IDM_UNDO_LAST_MOD); }

    UnicodeGameFolder m_game;
};

// Seen: "del *.map" lost 日本.map and 中国.map without a word, and a file with a path of 266
// characters was neither kept nor noted.
TEST_F(UnicodeGrenwick, EveryNameAndALongPathAreKeptAndPutBackByteEqual) {
    const Tree maps = {
        {kJapanese, std::string("\x00\xFF japan", 8)}, {kChinese, "china"}, {kCyrillic, "cyrillic"},
        {kGreek, "greek"}, {kEmoji, "emoji"}, {kUpperUmlaut, "apples"}, {DeepName(m_game.Path(), 300), "deep"},
    };
    Tree game = maps;
    game[kLowerUmlaut] = "modded apples";
    game["wipe.bat"] = ":: &Wipe\r\ndel /s /q maps\\*.map\r\n";
    // Typed in the ANSI code page: in 1252 "case-Ã©.bat", whose bytes are also the UTF-8 of
    // "case-é.bat", a file that is not there.
    const std::string typed = "case-\xC3\xA9.bat";
    game[base::Utf8OfAnsi(typed)] = ":: &Caf\xE9\r\ncopy /y mods\\*.map maps\\\r\n";
    WriteTree(m_game.Path(), game);
    Add("wipe.bat");
    Add(typed);

    EXPECT_EQ(Apply("Wipe"), Strings{"Done!"});
    // Wine's command interpreter stops at 260 characters and leaves the deep file: kept before
    // the run, it is forgotten as one the mod left as it was, and Restore leaves it alone.
    for (const std::string& name : {kJapanese, kChinese, kCyrillic, kGreek, kEmoji, kUpperUmlaut})
        EXPECT_EQ(base::KindOf(base::Join(m_game.Path(), name)), base::PathKind::Missing) << name;
    const Strings restored = Restore();
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(restored[1], "Put back " + std::to_string(maps.size() - 1) + " files.");
    EXPECT_EQ(TreeOf(m_game.Path()), game);

    // The mod writes "maps\äpfel.map", which is the file "maps\Äpfel.map": one file kept,
    // none said to be changed without a copy, and Undo gives the old bytes back.
    EXPECT_EQ(Apply(base::Utf8OfAnsi("Caf\xE9")), Strings{"Done!"});
    EXPECT_EQ(base::ReadWholeFile(base::Join(m_game.Path(), kUpperUmlaut)), "modded apples");
    const Strings undone = Undo();
    ASSERT_EQ(undone.size(), 2u);
    EXPECT_TRUE(Contains(undone[1], "Undid \"" + base::Utf8OfAnsi("Caf\xE9") + "\": put back 1 file.")) << undone[1];
    EXPECT_EQ(TreeOf(m_game.Path()), game);
}

// A PPF mod's loop hands the patcher a name the batch file itself could not spell, which
// reaches it whole only through the wide command line; the map is kept before and Undo
// gives its bytes back.
TEST_F(UnicodeGrenwick, APpfModPatchesAUnicodeNameAndUndoPutsItBack) {
    ScopedSearchPathFirst patcherFirst(BinDir());
    const std::string map = "original map bytes";
    const Tree game = {
        {kJapanese, map},
        {"sky.ppf", testing_support::PatchBytes(testing_support::TestPatch(1, {{9, "MAP", ""}}))},
        {"sky.bat", ":: &Sky\r\n:: <sky.bat\r\nfor %%f in (maps\\*.map) do ApplyPPF3.exe a \"%%f\" sky.ppf\r\n"},
    };
    WriteTree(m_game.Path(), game);
    Add("sky.bat");
    EXPECT_EQ(Apply("Sky"), Strings{"Done!"});
    EXPECT_EQ(base::ReadWholeFile(base::Join(m_game.Path(), kJapanese)), "original MAP bytes");
    const Strings undone = Undo();
    ASSERT_EQ(undone.size(), 2u);
    EXPECT_TRUE(Contains(undone[1], "put back 1 file.")) << undone[1];
    EXPECT_EQ(TreeOf(m_game.Path()), game);
}

// A translation mod written in UTF-8 with "chcp 65001", and one in the OEM code page of the
// test prefix (437, where "\x81" is "ü"). Wine's command interpreter fails "chcp 65001", so
// while each mod runs the test makes the files as Windows leaves them. Grenwick must keep
// the named files, asking nothing, and put them back byte-equal.
TEST_F(UnicodeGrenwick, BatchFilesInUtf8AndInTheOemCodePageAreFollowedToTheirFiles) {
    if (GetOEMCP() != 437)
        GTEST_SKIP() << "written for the OEM code page 437, not " << GetOEMCP();
    const std::string modded = "mods\\" + base::BaseName(kCyrillic), oem = "maps\\M\xC3\xBCll.map";
    Tree game = {{kCyrillic, "cyrillic"}, {kGreek, "greek"}, {modded, "modded"}, {oem, "oem"}};
    game["utf8.bat"] = ":: &Utf8\r\nchcp 65001 >nul\r\ncopy /y \"" + modded + "\" \"" + kCyrillic + "\"\r\ndel \"" +
                       kGreek + "\"\r\n";
    game["oem.bat"] = ":: &Oem\r\ndel \"maps\\M\x81ll.map\"\r\n";
    WriteTree(m_game.Path(), game);
    Add("utf8.bat");
    Add("oem.bat");
    const std::pair<const char*, Tree> runs[] = {{"Utf8", {{kCyrillic, "modded"}, {kGreek, ""}}}, {"Oem", {{oem, ""}}}};
    for (const auto& [mod, after] : runs) {  // after: the files as Windows leaves them, "" for deleted
        SCOPED_TRACE(mod);
        {
            // The files are made as Windows leaves them while the mod runs, before Grenwick
            // notes what the run changed.
            const wine_support::ScopedTestPoint running("running");
            Strings applied;
            std::thread apply([&] { applied = Apply(mod); });
            if (running.Reached()) {
                for (const auto& [name, bytes] : after) {
                    if (bytes.empty())
                        (void)base::RemoveFile(base::Join(m_game.Path(), name));
                    else
                        EXPECT_TRUE(base::WriteFileDurably(base::Join(m_game.Path(), name), bytes));
                }
            }
            running.GoOn();
            apply.join();
            EXPECT_EQ(applied, Strings{"Done!"});
        }
        const Strings restored = Restore();
        ASSERT_EQ(restored.size(), 2u);
        EXPECT_EQ(restored[1], "Put back " + std::to_string(after.size()) + (after.size() == 1 ? " file." : " files."));
        EXPECT_EQ(TreeOf(m_game.Path()), game);
    }
}

}  // namespace
