// The progress window: shown only for large work, updated and pumped at most every 50 ms,
// so that advancing it per chunk costs next to nothing.
#include "shell/progress_window.h"

#include <commctrl.h>

namespace shell {
namespace {

// The steady clock, exact far below 50 ms; the tick count moves in coarse steps.
constexpr std::chrono::milliseconds kPumpEvery{50};
constexpr int kBarSteps = 1000;
constexpr int kMaxPaints = 32;

void InitProgressClassOnce() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)done;
}

}  // namespace

CProgressWindow::CProgressWindow(HWND owner, const ProgressTemplate& ids, HINSTANCE resources)
    : CDialog(ids.dialogId, resources), m_owner(owner), m_ids(ids) {}

CProgressWindow::~CProgressWindow() { Finish(); }

// A window that cannot be made leaves the work to run without one.
void CProgressWindow::Start(const std::string& text, std::uint64_t totalBytes) {
    Finish();
    m_total = totalBytes;
    m_done = 0;
    m_cancelled = false;
    if (totalBytes < kShowFrom)
        return;
    InitProgressClassOnce();
    if (!CreateModeless(m_owner))
        return;
    SetDlgItemTextA(Hwnd(), m_ids.textId, text.c_str());
    SendDlgItemMessageA(Hwnd(), m_ids.barId, PBM_SETRANGE32, 0, kBarSteps);
    // EnableWindow answers whether the window was disabled before; only a change is undone.
    m_ownerDisabled = m_owner && !EnableWindow(m_owner, FALSE);
    ShowWindow(Hwnd(), SW_SHOW);
    UpdateWindow(Hwnd());
    m_lastPump = std::chrono::steady_clock::now();
}

bool CProgressWindow::Advance(std::uint64_t bytes) {
    m_done = bytes > m_total - m_done ? m_total : m_done + bytes;
    if (!Hwnd())
        return !m_cancelled;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastPump >= kPumpEvery) {
        m_lastPump = now;
        const double share = m_total ? static_cast<double>(m_done) / static_cast<double>(m_total) : 1.0;
        SendDlgItemMessageA(Hwnd(), m_ids.barId, PBM_SETPOS, static_cast<WPARAM>(share * kBarSteps), 0);
        Pump();
    }
    return !m_cancelled;
}

// The owner comes back first, so that it, not some other program, is activated when the
// progress window goes.
void CProgressWindow::Finish() {
    if (m_ownerDisabled)
        EnableWindow(m_owner, TRUE);
    m_ownerDisabled = false;
    if (Hwnd())
        End(IDCANCEL);
}

void CProgressWindow::OnCancel() {
    m_cancelled = true;
    EnableWindow(Item(IDCANCEL), FALSE);
}

// Only this window's messages run here, so the work cannot be entered again from the
// program's other windows; the others are repainted. A quit request is put back for the
// program's own loop, and stops the work.
void CProgressWindow::Pump() {
    MSG msg;
    while (Hwnd() && PeekMessageA(&msg, Hwnd(), 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(Hwnd(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // A window that never validates itself would paint forever; each gets a few tries.
    for (int paints = 0; paints < kMaxPaints && PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++paints)
        DispatchMessageA(&msg);
    if (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        m_cancelled = true;
    }
}

}  // namespace shell
