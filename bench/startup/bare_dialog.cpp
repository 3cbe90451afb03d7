// The least a program with Grenwick's main window can do: show the dialog, close on OK or
// Esc. No OLE, no list files, no registration; the start-up times are measured against it.
#include <windows.h>

#include "resources/common/common_ids.h"

namespace {

INT_PTR CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            EndDialog(hwnd, LOWORD(wp));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, BareProc, 0) > 0 ? 0 : 1;
}
