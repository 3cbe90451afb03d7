// Elevation of the running process, read from its token, and the "runas" start.
#include "shell/elevation.h"

#include <shellapi.h>

#include <string>

#include "base/files.h"
#include "base/unique_handle_win.h"
#include "shell/app.h"

namespace shell {
namespace {

class ProcessToken final : public Elevation {
public:
    // Before Windows Vista there is no elevation to ask for; the question fails and the
    // process counts as elevated.
    bool IsElevated() override {
        HANDLE opened = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
            return true;
        const base::KernelHandle token = base::KernelHandleOf(opened);
        TOKEN_ELEVATION elevation{};
        DWORD size = 0;
        const BOOL known = GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size);
        return !known || elevation.TokenIsElevated != 0;
    }

    // SEE_MASK_NOASYNC: the start is complete when this returns, as the caller ends at once.
    bool StartElevated(HWND owner) override {
        const std::string executable = ExecutablePath();
        const std::string folder = base::CurrentFolder();
        SHELLEXECUTEINFOA start{};
        start.cbSize = sizeof(start);
        start.fMask = SEE_MASK_NOASYNC;
        start.hwnd = owner;
        start.lpVerb = "runas";
        start.lpFile = executable.c_str();
        start.lpDirectory = folder.empty() ? nullptr : folder.c_str();
        start.nShow = SW_SHOWNORMAL;
        return ShellExecuteExA(&start) != FALSE;
    }
};

}  // namespace

Elevation& SystemElevation() {
    static ProcessToken token;
    return token;
}

}  // namespace shell
