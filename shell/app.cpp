// The application object: one per program.
#include "shell/app.h"

#include <commctrl.h>

#include "shell/exception_boundary.h"

namespace shell {

int CDialogApp::Run(HINSTANCE instance) {
    m_instance = instance;
    return RunGuarded(nullptr, [this] { InitInstance(); }) ? 0 : 1;
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
