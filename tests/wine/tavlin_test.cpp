// Tavlin's form from its real template: OK writing the exact bytes, and the mod it writes
// applied by Grenwick.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "program_windows.h"
#include "resources/tavlin/resource.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_checks.h"
#include "writers/mapswap/win/tavlin_dlg.h"

namespace {

using namespace wine_support;

// Tavlin's form from the template built into Tavlin.exe.
struct TavlinWindow : FormWindow<CTavlinDlg> {
    TavlinWindow() : FormWindow("Tavlin.exe") {}
};

// Every field distinct, pair 2 without its modded map, a path with blanks.
const std::vector<std::pair<int, std::string>> kTyped = {
    {IDC_ORIGINAL1, "maps\\canyon.map"}, {IDC_MODDED1, "C:\\My Mods\\canyon.map"},
    {IDC_ORIGINAL2, "maps\\lagoon.map"}, {IDC_MODDED2, ""},
    {IDC_ORIGINAL3, "maps\\ridge.map"},  {IDC_MODDED3, "mods\\ridge.map"},
    {IDC_OUTPUT_FILE, "mod.bat"},        {IDC_TAVLIN_MOD_NAME, "Night Sky"},
};
const char kWritten[] =
    ":: &Night Sky\r\ndel maps\\canyon.map\r\ndel maps\\lagoon.map\r\ndel maps\\ridge.map\r\n"
    "copy C:\\My Mods\\canyon.map maps\\canyon.map\r\ncopy mods\\ridge.map maps\\ridge.map\r\n";

void Type(HWND dialog, const std::vector<std::pair<int, std::string>>& fields) {
    for (const auto& [id, text] : fields)
        SetText(dialog, id, text);
}

TEST(TavlinOk, WritesTheFormAsTypedAndCloses) {
    const std::pair<const char*, void (*)(HWND)> presses[] = {
        {"OK button", [](HWND dialog) { Click(dialog, IDOK); }},
        {"Enter in a field",
         [](HWND dialog) {
             SetFocus(GetDlgItem(dialog, IDC_TAVLIN_MOD_NAME));
             PressKey(dialog, VK_RETURN);
         }},
    };
    for (const auto& [what, press] : presses) {
        SCOPED_TRACE(what);
        ScopedGameFolder folder;
        TavlinWindow window;
        Type(window.Hwnd(), kTyped);
        press(window.Hwnd());
        EXPECT_FALSE(IsWindow(window.Hwnd()));
        EXPECT_EQ(testing_support::ReadBytes(folder.Path() + "\\mod.bat"), kWritten);
        EXPECT_TRUE(window.user.messages.empty());
    }
}

// Typing and pasting stop at the field's limit; a long path or name must reach the file whole.
TEST(TavlinOk, TakesLongFieldTextsWhole) {
    ScopedGameFolder folder;
    TavlinWindow window;
    const std::string longName(40000, 'n');
    SetText(window.Hwnd(), IDC_OUTPUT_FILE, "mod.bat");
    SendDlgItemMessageA(window.Hwnd(), IDC_TAVLIN_MOD_NAME, EM_REPLACESEL, FALSE,
                        reinterpret_cast<LPARAM>(longName.c_str()));
    Click(window.Hwnd(), IDOK);
    const std::string written = testing_support::ReadBytes(folder.Path() + "\\mod.bat");
    EXPECT_EQ(written.size(), longName.size() + 6);
    EXPECT_TRUE(written == ":: &" + longName + "\r\n");  // not printed: 40000 bytes
}

// Tavlin writes the mod, Grenwick adds it, lists it under its name and applies it through
// the real command interpreter: the game's maps really are replaced by the modded copies.
TEST(TavlinEndToEnd, ModWrittenByTavlinReplacesTheMapsWhenGrenwickAppliesIt) {
    ScopedGameFolder folder;
    CreateDirectoryA("maps", nullptr);
    CreateDirectoryA("my mods", nullptr);
    const std::pair<const char*, const char*> files[] = {
        {"maps\\canyon.map", "old canyon"},   {"maps\\lagoon.map", "old lagoon"},
        {"maps\\ridge.map", "untouched"},     {"my mods\\canyon.map", "new canyon"},
        {"my mods\\lagoon.map", "new lagoon"},
    };
    for (const auto& [path, bytes] : files)
        testing_support::WriteBytes(path, bytes);
    {
        TavlinWindow tavlin;
        Type(tavlin.Hwnd(), {{IDC_ORIGINAL1, "maps\\canyon.map"},
                             {IDC_MODDED1, "\"my mods\\canyon.map\""},
                             {IDC_ORIGINAL2, "maps\\lagoon.map"},
                             {IDC_MODDED2, "\"my mods\\lagoon.map\""},
                             {IDC_OUTPUT_FILE, "night sky.bat"},
                             {IDC_TAVLIN_MOD_NAME, "Night Sky"}});
        Click(tavlin.Hwnd(), IDOK);
    }

    RealGrenwick grenwick;
    const HWND hwnd = grenwick.Hwnd();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_EQ(grenwick.AddAndSelect("night sky.bat"), Strings{"Night Sky"});
    Click(hwnd, IDOK);

    EXPECT_EQ(testing_support::ReadBytes("maps\\canyon.map"), "new canyon");
    EXPECT_EQ(testing_support::ReadBytes("maps\\lagoon.map"), "new lagoon");
    EXPECT_EQ(testing_support::ReadBytes("maps\\ridge.map"), "untouched");
    EXPECT_EQ(testing_support::ReadBytes("lastmod.txt"), "night sky.bat");
    EXPECT_EQ(grenwick.user.messages, Strings{"Done!"});
    EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
