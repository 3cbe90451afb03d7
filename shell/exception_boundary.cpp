// Reporting an exception that reached the boundary.
#include "shell/exception_boundary.h"

#include <exception>
#include <new>
#include <string>

namespace shell {

void ReportCurrentException(HWND owner, Prompter& prompter) noexcept {
    const char* what = "unknown error";
    try {
        throw;
    } catch (const std::bad_alloc&) {
        what = "out of memory";
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    try {
        prompter.Show(owner, std::string("An unexpected error occurred: ") + what);
    } catch (...) {
        // No memory left even for the text: the system's own box needs none of ours.
        MessageBoxA(owner, "An unexpected error occurred.", nullptr, MB_OK | MB_ICONERROR);
    }
}

}  // namespace shell
