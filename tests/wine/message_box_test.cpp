// The system's message boxes behind the prompter, as the player meets them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "shell/message_box.h"
#include "wine_support.h"

namespace {

using Answer = shell::Prompter::Answer;

// Runs inside the box's own message loop: notes what it shows, then acts as the player.
struct BoxSeen {
    std::string text;
    int defaultId = 0;  // the button drawn as the one Enter presses
    bool warningIcon = false;
    void (*act)(HWND box) = nullptr;
};
BoxSeen* g_seen = nullptr;

void CALLBACK ActOnBox(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND box = wine_support::FindMessageBox(GetCurrentProcessId());
    if (!box)
        return;
    KillTimer(nullptr, timer);
    g_seen->text = wine_support::MessageBoxText(box);
    for (const int id : {IDYES, IDNO, IDCANCEL})
        if ((GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON)
            g_seen->defaultId = id;
    const HICON warning = LoadIconA(nullptr, IDI_WARNING);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        g_seen->warningIcon |= reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == warning;
    g_seen->act(box);
}

void Key(HWND box, WPARAM key) {
    const HWND focus = GetFocus() ? GetFocus() : box;
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
}

TEST(SystemPrompter, YesNoCancelWarnsAndEnterEscAndTheCloseBoxCancel) {
    struct Case {
        const char* what;
        void (*act)(HWND box);
        Answer expected;
    };
    const Case cases[] = {
        {"Enter", [](HWND box) { Key(box, VK_RETURN); }, Answer::Cancel},
        {"Esc", [](HWND box) { Key(box, VK_ESCAPE); }, Answer::Cancel},
        {"close box", [](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); }, Answer::Cancel},
        {"Yes", [](HWND box) { wine_support::PressBoxButton(box, IDYES); }, Answer::Yes},
        {"No", [](HWND box) { wine_support::PressBoxButton(box, IDNO); }, Answer::No},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BoxSeen seen;
        seen.act = c.act;
        g_seen = &seen;
        const UINT_PTR timer = SetTimer(nullptr, 0, 30, ActOnBox);
        const Answer answer = shell::SystemPrompter().AskYesNoCancel(nullptr, "Apply it anyway?");
        KillTimer(nullptr, timer);
        EXPECT_EQ(answer, c.expected);
        EXPECT_EQ(seen.text, "Apply it anyway?");
        EXPECT_EQ(seen.defaultId, IDCANCEL);
        EXPECT_TRUE(seen.warningIcon);
    }
}

// Seen: "C:\???\..." named a file in a folder the code page cannot spell.
TEST(SystemPrompter, AMessageNamesFilesAsTheyAre) {
    const std::string japanese = "C:\\\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0\\\xE6\x97\xA5\xE6\x9C\xAC.map";
    const std::string mod = "Caf\xC3\xA9";
    BoxSeen seen;
    seen.act = [](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); };
    g_seen = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, ActOnBox);
    shell::SystemPrompter().Show(nullptr, "\"" + mod + "\" cannot keep \"" + japanese + "\".");
    KillTimer(nullptr, timer);
    EXPECT_EQ(seen.text, "\"" + mod + "\" cannot keep \"" + japanese + "\".");
}

}  // namespace
