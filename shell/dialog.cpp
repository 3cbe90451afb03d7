// The one dialog procedure behind every CDialog.
#include "shell/dialog.h"

#include <exception>
#include <new>

#include "shell/message_box.h"

namespace shell {

CDialog::CDialog(int templateId, HINSTANCE resources)
    : m_templateId(templateId), m_resources(resources ? resources : GetModuleHandleA(nullptr)) {}

CDialog::~CDialog() {
    if (m_hwnd && !m_modal)
        DestroyWindow(m_hwnd);
}

INT_PTR CDialog::RunModal(HWND owner) {
    m_modal = true;
    return DialogBoxParamA(m_resources, MAKEINTRESOURCEA(m_templateId), owner, Proc,
                           reinterpret_cast<LPARAM>(this));
}

HWND CDialog::CreateModeless(HWND owner) {
    m_modal = false;
    return CreateDialogParamA(m_resources, MAKEINTRESOURCEA(m_templateId), owner, Proc,
                              reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

void CDialog::End(INT_PTR result) {
    if (m_modal)
        EndDialog(m_hwnd, result);
    else
        DestroyWindow(m_hwnd);
}

std::string CDialog::ItemText(int id) const {
    HWND item = Item(id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void CDialog::SetItemText(int id, const std::string& text) const { SetDlgItemTextA(m_hwnd, id, text.c_str()); }

// `this` travels in WM_INITDIALOG's lParam and is kept in DWLP_USER; messages that come
// before it (WM_SETFONT) go to the platform. No exception may cross into the system.
INT_PTR CALLBACK CDialog::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lp);
        SetWindowLongPtrA(hwnd, DWLP_USER, lp);
        self->m_hwnd = hwnd;
    }
    auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    try {
        return self->Dispatch(msg, wp, lp);
    } catch (const std::exception& e) {
        ReportUnexpected(hwnd, e.what());
    } catch (...) {
        ReportUnexpected(hwnd, "unknown error");
    }
    return FALSE;
}

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return OnCommand(id, HIWORD(wp)) ? TRUE : FALSE;
    }
    case WM_NCDESTROY:
        OnDestroy();
        SetWindowLongPtrA(m_hwnd, DWLP_USER, 0);
        m_hwnd = nullptr;
        return FALSE;
    default: {
        bool handled = false;
        const INT_PTR result = OnMessage(msg, wp, lp, handled);
        return handled ? result : FALSE;
    }
    }
}

void ReportUnexpected(HWND owner, const char* what) {
    try {
        ShowMessage(owner, std::string("An unexpected error occurred: ") + what);
    } catch (const std::bad_alloc&) {
        MessageBoxA(owner, "Out of memory.", nullptr, MB_OK | MB_ICONERROR);
    }
}

}  // namespace shell
