// Orrisk's form from its real template, and the road of its batch files through Grenwick's
// window and the real command interpreter to the kit's patcher.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "program_windows.h"
#include "resources/orrisk/resource.h"
#include "tests/support/ppf_bytes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"
#include "writers/ppf/win/orrisk_dlg.h"

namespace {

using namespace wine_support;
using testing_support::ReadBytes;
using testing_support::TestPatch;
using testing_support::WriteBytes;

// The four fields in template order: PPF file, mod name, batch file, map file.
struct Fields {
    std::string ppfFile, modName, batchFile, mapFile;
};

// Orrisk's form from the template built into Orrisk.exe.
class OrriskWindow : public FormWindow<COrriskDlg> {
public:
    OrriskWindow() : FormWindow("Orrisk.exe") {}

    // Types each text as the keyboard does: EM_REPLACESEL keeps to the field's text limit,
    // where WM_SETTEXT would pass it by.
    void Type(const Fields& fields) const {
        const std::pair<int, const std::string*> typed[] = {{IDC_PPF_FILE, &fields.ppfFile},
                                                           {IDC_ORRISK_MOD_NAME, &fields.modName},
                                                           {IDC_ORRISK_BATCH_FILE, &fields.batchFile},
                                                           {IDC_MAP_FILE, &fields.mapFile}};
        for (const auto& [id, text] : typed) {
            SendDlgItemMessageA(Hwnd(), id, EM_SETSEL, 0, -1);
            SendDlgItemMessageA(Hwnd(), id, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text->c_str()));
        }
    }
};

TEST(OrriskWindow, OkWritesTheBatchFileShowsDoneAndEnds) {
    struct Case {
        const char* what;
        Fields typed;
        std::string bytes;
        bool byEnter;
    };
    // Longer than the 30000 characters an edit field takes by default.
    const std::string longName(40000, 'n');
    const Case cases[] = {
        {"named mod, OK by Enter",
         {"nightsky.ppf", "Night Sky", "nightsky.bat", "maps\\canyon.map"},
         ":: &Night Sky\r\n:: <nightsky.bat\r\nApplyPPF3.exe a maps\\canyon.map nightsky.ppf\r\n",
         true},
        {"empty name, blanks in every path",
         {"my sky.ppf", "", "my sky.bat", "my maps.map"},
         ":: <my sky.bat\r\nApplyPPF3.exe a my maps.map my sky.ppf\r\n",
         false},
        {"a name longer than a field takes by default",
         {"a.ppf", longName, "long.bat", "a.map"},
         ":: &" + longName + "\r\n:: <long.bat\r\nApplyPPF3.exe a a.map a.ppf\r\n",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedGameFolder folder;
        OrriskWindow window;
        ASSERT_NE(window.Hwnd(), nullptr);
        window.Type(c.typed);
        if (c.byEnter) {
            SetFocus(GetDlgItem(window.Hwnd(), IDC_MAP_FILE));
            PressKey(window.Hwnd(), VK_RETURN);
        } else {
            Click(window.Hwnd(), IDOK);
        }
        const std::string written = ReadBytes(c.typed.batchFile);
        EXPECT_EQ(written.size(), c.bytes.size());  // a cut long text fails here, briefly
        if (written.size() == c.bytes.size()) {
            EXPECT_EQ(written, c.bytes);
        }
        EXPECT_EQ(window.user.messages, Strings{"Done!"});
        EXPECT_FALSE(IsWindow(window.Hwnd()));
    }
}

// Orrisk writes the file, Grenwick adds it from its field, lists it, and applies it
// through the real command interpreter, which finds the kit's patcher on the search path.
TEST(OrriskEndToEnd, ModWrittenByOrriskPatchesTheMapWhenAppliedInGrenwick) {
    const std::string map = "original canyon map, before the night sky";
    const TestPatch named(3, {{9, "CANYON", map.substr(9, 6)}, {map.size() - 3, "SKY", map.substr(map.size() - 3)}},
                          "", 0, 0, true, "Night Sky for the canyon");
    const TestPatch unnamed(1, {{0, "ORIGINAL", ""}});
    struct Case {
        const char* what;
        Fields typed;
        std::string listedAs;
        TestPatch patch;
        std::string patched;
        bool pauses;
    };
    const Case cases[] = {
        {"named: listed under its name, its batch file runs the patcher, then PAUSE",
         {"sky.ppf", "Night Sky", "sky.bat", "maps\\canyon.map"}, "Night Sky", named,
         "original CANYON map, before the night SKY", true},
        {"unnamed: listed under its path, its batch file runs the patcher",
         {"sky.ppf", "", "sky.bat", "maps\\canyon.map"}, "sky.bat", unnamed,
         "ORIGINAL canyon map, before the night sky", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedGameFolder folder;
        ScopedSearchPathFirst patcherFirst(BinDir());
        CreateDirectoryA("maps", nullptr);
        WriteBytes("maps\\canyon.map", map);
        WriteBytes("sky.ppf", testing_support::PatchBytes(c.patch));
        {
            OrriskWindow orrisk;
            ASSERT_NE(orrisk.Hwnd(), nullptr);
            orrisk.Type(c.typed);
            Click(orrisk.Hwnd(), IDOK);
            EXPECT_EQ(orrisk.user.messages, Strings{"Done!"});
        }

        RealGrenwick grenwick;
        const HWND hwnd = grenwick.Hwnd();
        ASSERT_NE(hwnd, nullptr) << "Grenwick.exe must be built beside the tests";
        ASSERT_EQ(grenwick.AddAndSelect(c.typed.batchFile), Strings{c.listedAs});
        // Outside the game folder: a file the run writes there would be a change no mod made.
        const testing_support::TempDir consoleDir;
        const std::string consoleFile = consoleDir.File("console.txt");
        {
            // No expectations in here: a failure report would land in the captured output.
            ScopedStandardStreams streams(consoleFile);
            Click(hwnd, IDOK);  // runs the commands to their end before it returns
        }
        EXPECT_TRUE(WaitFor([hwnd] { return !IsWindow(hwnd); }, std::chrono::seconds(5)));

        EXPECT_EQ(grenwick.user.messages, Strings{"Done!"});
        EXPECT_EQ(ReadBytes("maps\\canyon.map"), c.patched);
        const std::string console = ReadBytes(consoleFile);
        EXPECT_TRUE(Contains(console, "Applied " + std::to_string(c.patch.records.size()))) << console;
        EXPECT_EQ(Contains(console, "Press any key"), c.pauses) << console;
        EXPECT_EQ(ReadBytes("lastmod.txt"), c.typed.batchFile);
    }
}

}  // namespace
