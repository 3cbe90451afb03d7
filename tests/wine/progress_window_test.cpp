// The progress window from Grenwick's template, created in the test's own process under an
// owner window: shown only for large work, stopped by Cancel, Esc or its close box.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <type_traits>
#include <string>
#include <vector>

#include "resources/grenwick/resource.h"
#include "screenshot.h"
#include "shell/progress_window.h"
#include "wine_support.h"

namespace {

using wine_support::ProgramResources;
constexpr std::uint64_t kMB = 1024 * 1024;
constexpr shell::ProgressTemplate kIds{IDD_PROGRESS, IDC_PROGRESS_TEXT, IDC_PROGRESS_BAR};

// A plain top-level window standing in for the main window.
struct WindowCloser {
    void operator()(HWND hwnd) const { DestroyWindow(hwnd); }
};
using OwnerWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser>;
OwnerWindow NewOwner() {
    return OwnerWindow(CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                       nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
}

// The window the progress shows over `owner`, as the player sees it: null while none is.
HWND ShownOver(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM lp) -> BOOL {
            Search& s = *reinterpret_cast<Search*>(lp);
            if (GetWindow(window, GW_OWNER) == s.owner)
                s.found = window;
            return s.found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Advances by a megabyte at a time until Advance says stop or two seconds pass; true when it
// said stop.
bool AdvanceUntilStopped(shell::CProgressWindow& progress) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < until) {
        if (!progress.Advance(kMB))
            return true;
        Sleep(5);
    }
    return false;
}

TEST(ProgressWindow, StopsOnCancelEscOrItsCloseBox) {
    ProgramResources grenwick("Grenwick.exe");
    const OwnerWindow owner = NewOwner();
    struct Way {
        const char* name;
        std::function<void(HWND)> stop;
    };
    const std::vector<Way> ways = {
        {"Cancel", [](HWND w) { PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                                             reinterpret_cast<LPARAM>(GetDlgItem(w, IDCANCEL))); }},
        {"Esc", [](HWND w) { PostMessageA(GetDlgItem(w, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"close box", [](HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        shell::CProgressWindow progress(owner.get(), kIds, grenwick.Module());
        progress.Start("Keeping the original files...", 64 * kMB);
        const HWND window = ShownOver(owner.get());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(GetWindow(window, GW_OWNER), owner.get());
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_FALSE(IsWindowEnabled(owner.get()));
        EXPECT_TRUE(progress.Advance(kMB));

        way.stop(window);
        EXPECT_TRUE(AdvanceUntilStopped(progress));
        EXPECT_FALSE(progress.Advance(kMB)) << "a stop stays a stop";
        EXPECT_TRUE(IsWindow(window)) << "the window stays until the work has ended";

        progress.Finish();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_TRUE(IsWindowEnabled(owner.get()));
    }
}

TEST(ProgressWindow, ShowsOnlyForLargeWork) {
    ProgramResources grenwick("Grenwick.exe");
    const OwnerWindow owner = NewOwner();
    struct Case {
        std::uint64_t total;
        bool shown;
    };
    for (const Case& c : {Case{0, false}, Case{kMB, false}, Case{8 * kMB - 1, false}, Case{8 * kMB, true},
                          Case{UINT64_MAX, true}}) {
        SCOPED_TRACE(c.total);
        shell::CProgressWindow progress(owner.get(), kIds, grenwick.Module());
        progress.Start("Putting back the original files...", c.total);
        EXPECT_EQ(ShownOver(owner.get()) != nullptr, c.shown);
        EXPECT_EQ(IsWindowEnabled(owner.get()), !c.shown);
        Sleep(60);
        EXPECT_TRUE(progress.Advance(c.total));
        EXPECT_TRUE(progress.Advance(kMB)) << "past the end";
    }
    EXPECT_TRUE(IsWindowEnabled(owner.get())) << "each window gave its owner back";
}

// Enter is no way to stop; the bar and text follow the work, and advancing in small pieces
// costs no message pumping per piece.
TEST(ProgressWindow, FollowsTheWorkAndIgnoresEnter) {
    ProgramResources grenwick("Grenwick.exe");
    const OwnerWindow owner = NewOwner();
    shell::CProgressWindow progress(owner.get(), kIds, grenwick.Module());
    progress.Start("Keeping the original files...", 100 * kMB);
    const HWND window = ShownOver(owner.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(wine_support::WindowTitle(window), "Grenwick");
    EXPECT_EQ(wine_support::Text(window, IDC_PROGRESS_TEXT), "Keeping the original files...");

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Sleep(60);
    EXPECT_TRUE(progress.Advance(25 * kMB));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(SendDlgItemMessageA(window, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 250);

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 200000; ++i)
        progress.Advance(64);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));

    Sleep(60);
    progress.Advance(25 * kMB);
    wine_support::PumpMessages();
    EXPECT_TRUE(wine_support::SaveScreenshot(window, wine_support::ScreenshotPath("grenwick-progress")));
    progress.Finish();
    EXPECT_FALSE(IsWindow(window));
}

}  // namespace
