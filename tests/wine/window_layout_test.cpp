// The three main windows at the screen's resolution; the test command runs this at 96 DPI
// and again at 144 DPI (150 %). Every control must sit where its template puts it in dialog
// units, use the dialog font at its point size for that resolution, and have room for its text.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "manager/win/applied_mods_dlg.h"
#include "manager/win/files_question_dlg.h"
#include "manager/win/what_changes_dlg.h"
#include "manager/win/grenwick_dlg.h"
#include "resources/common/common_ids.h"
#include "resources/grenwick/resource.h"
#include "screenshot.h"
#include "tests/support/recording.h"
#include "wine_support.h"
#include "writers/mapswap/win/tavlin_dlg.h"
#include "writers/ppf/win/orrisk_dlg.h"

namespace {

// Class ordinals of a template's controls.
constexpr WORD kButton = 0x0080;
constexpr WORD kEdit = 0x0081;
constexpr WORD kStatic = 0x0082;
// A push button draws its text inside a raised edge on every side.
constexpr int kButtonEdge = 2;

struct TemplateItem {
    WORD classOrdinal;  // 0 for a class given by name
    DWORD style;
    RECT units;         // dialog units
};

struct DialogTemplate {
    WORD pointSize = 0;
    std::vector<TemplateItem> items;
};

// Reads the extended template the resource compiler writes for DIALOGEX: little-endian
// words, each control's record aligned on four bytes.
DialogTemplate ReadTemplate(HINSTANCE module, int id) {
    DialogTemplate result;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* start = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (!start)
        return result;
    const BYTE* at = start;
    const auto word = [&at] {
        WORD value;
        std::memcpy(&value, at, sizeof(value));
        at += sizeof(value);
        return value;
    };
    const auto dword = [&word] {
        const DWORD low = word();
        return low | static_cast<DWORD>(word()) << 16;
    };
    const auto rect = [&word] {
        const short x = word(), y = word(), cx = word(), cy = word();
        return RECT{x, y, x + cx, y + cy};
    };
    // Nothing (a zero word), 0xFFFF and an ordinal, or a zero-ended text; the ordinal or 0.
    const auto nameOrOrdinal = [&word] {
        WORD first = word();
        if (first == 0xFFFF)
            return word();
        while (first != 0)
            first = word();
        return first;
    };
    if (word() != 1 || word() != 0xFFFF)
        return result;  // not the extended form
    at += 8;            // help id, extended style
    const DWORD style = dword();
    const WORD count = word();
    rect();
    nameOrOrdinal();  // menu
    nameOrOrdinal();  // class
    nameOrOrdinal();  // title
    if (style & DS_SETFONT) {
        result.pointSize = word();
        at += 4;          // weight, italic, character set
        nameOrOrdinal();  // face
    }
    for (WORD i = 0; i < count; ++i) {
        at += (4 - (at - start) % 4) % 4;
        at += 8;  // help id, extended style
        TemplateItem item{};
        item.style = dword();
        item.units = rect();
        at += 4;  // id
        item.classOrdinal = nameOrOrdinal();
        nameOrOrdinal();  // text
        at += word();     // creation data
        result.items.push_back(item);
    }
    return result;
}

void ExpectScaledAndUnclipped(HWND dialog, const DialogTemplate& layout) {
    ASSERT_FALSE(layout.items.empty());
    const auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA logFont{};
    ASSERT_TRUE(font && GetObjectA(font, sizeof(logFont), &logFont));
    HDC dc = GetDC(dialog);
    EXPECT_EQ(logFont.lfHeight, -MulDiv(layout.pointSize, GetDeviceCaps(dc, LOGPIXELSY), 72))
        << "the template's point size at this resolution";
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);

    // Controls are made in template order, each placed last among its siblings.
    HWND control = GetWindow(dialog, GW_CHILD);
    for (const TemplateItem& item : layout.items) {
        ASSERT_NE(control, nullptr);
        const std::string text = wine_support::WindowTitle(control);
        SCOPED_TRACE("control " + std::to_string(GetDlgCtrlID(control)) + " \"" + text + "\"");
        RECT expected = item.units;
        MapDialogRect(dialog, &expected);
        RECT actual;
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        // Position and size are each rounded on their own, so a right edge may be one off.
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_NEAR(actual.right, expected.right, 1);
        EXPECT_NEAR(actual.bottom, expected.bottom, 1);
        EXPECT_EQ(SendMessageA(control, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));

        RECT client;
        GetClientRect(control, &client);
        const bool noPrefix = item.classOrdinal == kStatic && (item.style & SS_NOPREFIX);
        // A left-aligned static wraps its text at word breaks: it must fit in the lines it has.
        const bool wraps = item.classOrdinal == kStatic && (item.style & SS_TYPEMASK) == SS_LEFT;
        RECT extent{0, 0, wraps ? client.right : 0, 0};
        DrawTextA(dc, text.c_str(), -1, &extent,
                  DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE) | (noPrefix ? DT_NOPREFIX : 0));
        if (item.classOrdinal == kStatic) {
            EXPECT_LE(extent.right, client.right) << "the label's text is cut";
            EXPECT_LE(extent.bottom, client.bottom) << "the label's text is cut";
        } else if (item.classOrdinal == kButton) {
            EXPECT_LE(extent.right + 2 * kButtonEdge, client.right) << "the button's text is cut";
            EXPECT_LE(extent.bottom + 2 * kButtonEdge, client.bottom) << "the button's text is cut";
        } else if (item.classOrdinal == kEdit) {
            EXPECT_LE(metrics.tmHeight, client.bottom) << "a line of typed text is cut";
        }
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "a control the template does not have";
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
}

TEST(WindowLayout, ControlsScaleWithTheDialogFontAndKeepTheirTextWhole) {
    if (const char* wanted = std::getenv("GRENWICK_TEST_DPI")) {
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), std::atoi(wanted)) << "the resolution this run is for";
        ReleaseDC(nullptr, screen);
    }
    wine_support::ScopedGameFolder folder;
    testing_support::RecordingRunner runner;
    wine_support::StandIns user;
    using MakeDialog = std::function<std::unique_ptr<shell::CDialog>(HINSTANCE)>;
    struct Program {
        const char* exe;
        const char* picture;  // Grenwick's, with mods listed, is the About box test's
        MakeDialog make;
    };
    const Program programs[] = {
        {"Grenwick.exe", nullptr,
         [&](HINSTANCE module) {
             return std::make_unique<CGrenwickDlg>(manager::ManagerFiles{"n.lst", "p.lst", "l.txt"}, runner,
                                                   nullptr, module, user.Platform());
         }},
        {"Tavlin.exe", "tavlin",
         [&](HINSTANCE module) { return std::make_unique<CTavlinDlg>(module, user.Platform()); }},
        {"Orrisk.exe", "orrisk",
         [&](HINSTANCE module) { return std::make_unique<COrriskDlg>(module, user.Platform()); }},
    };
    for (const Program& program : programs) {
        SCOPED_TRACE(program.exe);
        wine_support::ProgramResources resources(program.exe);
        ASSERT_NE(resources.Module(), nullptr);
        const std::unique_ptr<shell::CDialog> dialog = program.make(resources.Module());
        HWND hwnd = dialog->CreateModeless(nullptr);
        ASSERT_NE(hwnd, nullptr);
        ExpectScaledAndUnclipped(hwnd, ReadTemplate(resources.Module(), IDD_MAIN));
        if (program.picture) {
            ShowWindow(hwnd, SW_SHOWNORMAL);
            wine_support::WaitFor([] { return false; }, std::chrono::milliseconds(200));
            EXPECT_TRUE(wine_support::SaveScreenshot(hwnd, wine_support::ScreenshotPath(program.picture)));
        }
    }
}

// Grenwick's Applied mods window, over three applies that share a map.
TEST(WindowLayout, TheAppliedModsWindowScalesAndKeepsItsTextWhole) {
    wine_support::ScopedGameFolder folder;
    testing_support::RecordingRunner runner;
    testing_support::RecordingView view;
    manager::ModManager manager({"n.lst", "p.lst", "l.txt", folder.Path() + "-store"}, runner, view);
    manager::StoreRecords records{folder.Path(), {}};
    const auto kept = [](const char* name, std::uint64_t size) {
        return manager::ApplyEntry{{manager::EntryKind::Kept, name, size, std::string(64, '0')},
                                   manager::AfterState{}};
    };
    records.applies.push_back({1, "Desert canyon", "C:\\game\\canyon.bat", 1765300000,
                               {kept("maps\\canyon.map", 5242880), kept("maps\\lagoon.map", 1048576)}});
    records.applies.push_back({2, "Night lagoon", "C:\\game\\lagoon.bat", 1765310000,
                               {kept("maps\\lagoon.map", 1048576)}});
    records.applies.push_back({3, "Ridge textures", "C:\\game\\ridge.bat", 1765320000,
                               {{{manager::EntryKind::Absent, "maps\\ridge_hd.map", 0, {}}, std::nullopt}}});
    wine_support::ProgramResources resources("Grenwick.exe");
    wine_support::StandIns user;
    CAppliedModsDlg dialog(manager, records, resources.Module(), user.Platform());
    HWND hwnd = dialog.CreateModeless(nullptr);
    ASSERT_NE(hwnd, nullptr);
    ExpectScaledAndUnclipped(hwnd, ReadTemplate(resources.Module(), IDD_APPLIED_MODS));
    shell::CListView(GetDlgItem(hwnd, IDC_APPLIED_LIST)).Select(2);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    wine_support::WaitFor([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_TRUE(wine_support::SaveScreenshot(hwnd, wine_support::ScreenshotPath("applied-mods")));
    DestroyWindow(hwnd);
}

}  // namespace

namespace {

// Grenwick's "What this mod changes" window over a mod with each kind of row and a line no
// reader follows, and the question that names more files than a message box holds.
TEST(WindowLayout, TheWhatChangesWindowAndTheFilesQuestionScaleAndKeepTheirTextWhole) {
    using Change = manager::PreviewRow::Change;
    manager::ChangePreview preview;
    preview.rows = {{"maps\\canyon.map", Change::Changed, "Desert canyon", 5242880},
                    {"maps\\canyon_hd.map", Change::Created, "", std::nullopt},
                    {"maps\\lagoon.map", Change::Changed, "", 1048576},
                    {"maps\\old_sky.tex", Change::Deleted, "", 23506},
                    {"textures\\ridge.tex", Change::MayChange, "", 123904}};
    preview.lines = {{"line 7", "start /wait setup.exe /quiet", "another program"}};
    preview.summary = "Changes 2 files, creates 1 and deletes 1, and may change 1 more. 1 belongs to an applied mod: "
                      "\"Desert canyon\". Grenwick cannot follow 1 line of it. Keeping their originals takes 6.02 MB; a "
                      "copy of the whole game folder would take 1.42 GB, with 31.8 GB free on the disk of the kept "
                      "files.";
    wine_support::ProgramResources resources("Grenwick.exe");
    wine_support::StandIns user;
    CWhatChangesDlg window(preview, resources.Module(), user.Platform());
    HWND hwnd = window.CreateModeless(nullptr);
    ASSERT_NE(hwnd, nullptr);
    ExpectScaledAndUnclipped(hwnd, ReadTemplate(resources.Module(), IDD_WHAT_CHANGES));
    ShowWindow(hwnd, SW_SHOWNORMAL);
    wine_support::WaitFor([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_TRUE(wine_support::SaveScreenshot(hwnd, wine_support::ScreenshotPath("what-changes")));
    DestroyWindow(hwnd);

    std::vector<std::string> names;
    for (int i = 1; i <= 30; ++i)
        names.push_back("maps\\level" + std::to_string(i) + ".map");
    CFilesQuestionDlg question("Put back 30 files as they were before the first mod? Files that mods created are "
                               "deleted.", names, true, resources.Module(), user.Platform());
    hwnd = question.CreateModeless(nullptr);
    ASSERT_NE(hwnd, nullptr);
    ExpectScaledAndUnclipped(hwnd, ReadTemplate(resources.Module(), IDD_FILES_QUESTION));
    DestroyWindow(hwnd);
}

}  // namespace
