// CProgressWindow: a modeless progress bar with Cancel over a disabled owner, for file work
// large enough to be waited for.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "base/progress.h"
#include "shell/dialog.h"

namespace shell {

// The program's template for the window and the ids of its text and bar; Cancel is IDCANCEL.
struct ProgressTemplate {
    int dialogId;
    int textId;
    int barId;
};

class CProgressWindow : public base::ProgressView, private CDialog {
public:
    // Work smaller than this ends before a window would be worth reading.
    static constexpr std::uint64_t kShowFrom = 8 * 1024 * 1024;

    CProgressWindow(HWND owner, const ProgressTemplate& ids, HINSTANCE resources = nullptr);
    ~CProgressWindow() override;

    void Start(const std::string& text, std::uint64_t totalBytes) override;
    bool Advance(std::uint64_t bytes) override;
    void Finish() override;

private:
    void OnOK() override {}  // Enter must not close it: only Cancel stops the work
    void OnCancel() override;
    void Pump();

    HWND m_owner;
    ProgressTemplate m_ids;
    std::uint64_t m_total = 0;
    std::uint64_t m_done = 0;
    std::chrono::steady_clock::time_point m_lastPump;
    bool m_cancelled = false;
    bool m_ownerDisabled = false;
};

}  // namespace shell
