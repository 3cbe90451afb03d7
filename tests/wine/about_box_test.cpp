// The About box from the system menu of Grenwick's real window, and the README's pictures.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "batchfile/batch_lines.h"
#include "manager/win/grenwick_dlg.h"
#include "resources/grenwick/resource.h"
#include "screenshot.h"
#include "tests/support/window_text.h"
#include "wine_support.h"

namespace {

class NoRunner : public manager::CommandRunner {
public:
    void Run(const std::string&) override {}
};

// What the timer saw of the About box while it ran modally inside WM_SYSCOMMAND.
struct AboutVisit {
    int closeWith = IDOK;
    std::string title;
    std::string version;
    bool pictured = false;
    int ticks = 0;
};
AboutVisit g_visit;

BOOL CALLBACK FindAbout(HWND hwnd, LPARAM found) {
    const std::string title = testing_support::WindowText(hwnd);
    if (title.rfind("About ", 0) == 0 && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the About box's modal loop: looks at the box, pictures it, closes it.
void CALLBACK VisitAbout(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND about = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindAbout, reinterpret_cast<LPARAM>(&about));
    if (!about) {
        if (++g_visit.ticks > 100)
            KillTimer(nullptr, timer);
        return;
    }
    KillTimer(nullptr, timer);
    g_visit.title = testing_support::WindowText(about);
    EnumChildWindows(
        about,
        [](HWND child, LPARAM) -> BOOL {
            const std::string text = testing_support::WindowText(child);
            if (text.find("Version") != std::string::npos)
                g_visit.version = text;
            return TRUE;
        },
        0);
    g_visit.pictured = wine_support::SaveScreenshot(about, wine_support::ScreenshotPath("grenwick-about"));
    PostMessageA(about, WM_COMMAND, MAKEWPARAM(g_visit.closeWith, BN_CLICKED), 0);
}

TEST(AboutBox, OpensFromTheSystemMenuAndClosesWithOkOrEsc) {
    wine_support::ProgramResources resources("Grenwick.exe");
    wine_support::ScopedGameFolder folder;
    NoRunner runner;
    wine_support::StandIns user;
    CGrenwickDlg dialog({"n.lst", "p.lst", "l.txt"}, runner, nullptr, resources.Module(), user.Platform());
    HWND hwnd = dialog.CreateModeless(nullptr);
    ASSERT_NE(hwnd, nullptr);
    for (const auto& [file, line] : {std::pair{"sky.bat", ":: &Night Sky"}, std::pair{"dunes.bat", ":: &Red Dunes"},
                                      std::pair{"fog.bat", ":: &Harbour Fog"}}) {
        ASSERT_TRUE(batchfile::WriteBatchFile(file, {line}));
        wine_support::SetText(hwnd, IDC_GRENWICK_BATCH_FILE, file);
        wine_support::Click(hwnd, IDC_ADD_BATCH);
    }
    SendDlgItemMessageA(hwnd, IDC_MOD_LIST, LB_SETCURSEL, 1, 0);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    wine_support::WaitFor([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_TRUE(wine_support::SaveScreenshot(hwnd, wine_support::ScreenshotPath("grenwick")));

    for (int closeWith : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(closeWith);
        g_visit = AboutVisit();
        g_visit.closeWith = closeWith;
        SetTimer(nullptr, 0, 50, VisitAbout);
        // The low four bits of a system command belong to the system and must not matter.
        SendMessageA(hwnd, WM_SYSCOMMAND, IDM_ABOUTBOX | 0x000F, 0);
        EXPECT_EQ(g_visit.title, "About Grenwick");
        EXPECT_EQ(g_visit.version, "Grenwick Version 1.0");
        EXPECT_TRUE(g_visit.pictured);
        EXPECT_TRUE(IsWindowVisible(hwnd)) << "the main window is as it was";
    }
}

}  // namespace
