// The application object: one per program.
#include "shell/app.h"

#include <commctrl.h>

#include <exception>

#include "shell/dialog.h"

namespace shell {

CDialogApp* CDialogApp::s_current = nullptr;

CDialogApp::CDialogApp() { s_current = this; }

CDialogApp::~CDialogApp() { s_current = nullptr; }

int CDialogApp::Run(HINSTANCE instance) {
    m_instance = instance;
    try {
        InitInstance();
    } catch (const std::exception& e) {
        ReportUnexpected(nullptr, e.what());
        return 1;
    }
    return 0;
}

void CDialogApp::EnableControlStyles() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
}

std::string ExecutablePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // cut short: ask again with more room
    }
}

}  // namespace shell
