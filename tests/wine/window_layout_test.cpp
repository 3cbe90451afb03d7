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

#include "manager/win/grenwick_dlg.h"
#include "resources/common/common_ids.h"
#include "screenshot.h"
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

// Walks an extended dialog template: little-endian words, controls aligned on four bytes.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : m_start(data), m_at(data) {}
    WORD Word() {
        WORD value;
        std::memcpy(&value, m_at, sizeof(value));
        m_at += sizeof(value);
        return value;
    }
    DWORD Dword() {
        const DWORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    RECT Rect() {
        const short x = static_cast<short>(Word());
        const short y = static_cast<short>(Word());
        const short cx = static_cast<short>(Word());
        const short cy = static_cast<short>(Word());
        return {x, y, x + cx, y + cy};
    }
    // Nothing (a zero word), 0xFFFF and an ordinal, or a zero-ended text; the ordinal or 0.
    WORD NameOrOrdinal() {
        const WORD first = Word();
        if (first == 0xFFFF)
            return Word();
        for (WORD c = first; c != 0; c = Word()) {
        }
        return 0;
    }
    void Skip(std::size_t bytes) { m_at += bytes; }
    void AlignToDword() { m_at += (4 - (m_at - m_start) % 4) % 4; }

private:
    const BYTE* m_start;
    const BYTE* m_at;
};

DialogTemplate ReadTemplate(HINSTANCE module, int id) {
    DialogTemplate result;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (!data)
        return result;
    TemplateReader in(data);
    if (in.Word() != 1 || in.Word() != 0xFFFF)
        return result;  // only the extended form is read
    in.Skip(8);         // help id, extended style
    const DWORD style = in.Dword();
    const WORD count = in.Word();
    in.Rect();
    in.NameOrOrdinal();  // menu
    in.NameOrOrdinal();  // class
    in.NameOrOrdinal();  // title
    if (style & DS_SETFONT) {
        result.pointSize = in.Word();
        in.Skip(4);          // weight, italic, character set
        in.NameOrOrdinal();  // face
    }
    for (WORD i = 0; i < count; ++i) {
        in.AlignToDword();
        in.Skip(8);  // help id, extended style
        TemplateItem item{};
        item.style = in.Dword();
        item.units = in.Rect();
        in.Skip(4);  // id
        item.classOrdinal = in.NameOrOrdinal();
        in.NameOrOrdinal();  // text
        in.Skip(in.Word());  // creation data
        result.items.push_back(item);
    }
    return result;
}

// The text as drawn: "&x" shows as an underlined x, "&&" as one "&".
std::string Shown(const std::string& text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

RECT ChildRect(HWND dialog, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
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
        const RECT actual = ChildRect(dialog, control);
        // Position and size are each rounded on their own, so a right edge may be one off.
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_NEAR(actual.right, expected.right, 1);
        EXPECT_NEAR(actual.bottom, expected.bottom, 1);
        EXPECT_EQ(SendMessageA(control, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));

        RECT client;
        GetClientRect(control, &client);
        const std::string shown = (item.classOrdinal == kStatic && (item.style & SS_NOPREFIX)) ? text : Shown(text);
        SIZE extent{};
        GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
        if (item.classOrdinal == kStatic) {
            EXPECT_LE(extent.cx, client.right) << "the label's text is cut";
            EXPECT_LE(extent.cy, client.bottom) << "the label's text is cut";
        } else if (item.classOrdinal == kButton) {
            EXPECT_LE(extent.cx + 2 * kButtonEdge, client.right) << "the button's text is cut";
            EXPECT_LE(extent.cy + 2 * kButtonEdge, client.bottom) << "the button's text is cut";
        } else if (item.classOrdinal == kEdit) {
            EXPECT_LE(metrics.tmHeight, client.bottom) << "a line of typed text is cut";
        }
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "a control the template does not have";
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
}

class NoRunner : public manager::CommandRunner {
public:
    void Run(const std::string&) override {}
};

TEST(WindowLayout, ControlsScaleWithTheDialogFontAndKeepTheirTextWhole) {
    if (const char* wanted = std::getenv("GRENWICK_TEST_DPI")) {
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), std::atoi(wanted)) << "the resolution this run is for";
        ReleaseDC(nullptr, screen);
    }
    wine_support::ScopedGameFolder folder;
    NoRunner runner;
    using MakeDialog = std::function<std::unique_ptr<shell::CDialog>(HINSTANCE)>;
    struct Program {
        const char* exe;
        const char* picture;  // Grenwick's, with mods listed, is the About box test's
        MakeDialog make;
    };
    const Program programs[] = {
        {"Grenwick.exe", nullptr,
         [&runner](HINSTANCE module) {
             return std::make_unique<CGrenwickDlg>(manager::ManagerFiles{"n.lst", "p.lst", "l.txt"}, runner,
                                                   nullptr, module);
         }},
        {"Tavlin.exe", "tavlin", [](HINSTANCE module) { return std::make_unique<CTavlinDlg>(module); }},
        {"Orrisk.exe", "orrisk", [](HINSTANCE module) { return std::make_unique<COrriskDlg>(module); }},
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

}  // namespace
