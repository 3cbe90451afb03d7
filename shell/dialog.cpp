// The one dialog procedure behind every CDialog.
#include "shell/dialog.h"

#include "shell/exception_boundary.h"

namespace shell {

CDialog::CDialog(int templateId, HINSTANCE resources, const Platform& platform)
    : m_templateId(templateId), m_resources(resources ? resources : GetModuleHandleA(nullptr)), m_platform(platform) {}

namespace {

// Messages whose answer the dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) {
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

}  // namespace

// The window may outlive the object only as a modeless test window; it is cut loose before
// it goes, so no message reaches an object that is half destroyed.
CDialog::~CDialog() {
    if (!m_hwnd)
        return;
    SetWindowLongPtrA(m_hwnd, DWLP_USER, 0);
    if (!m_modal)
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

void CDialog::End(INT_PTR result) {
    if (m_modal)
        EndDialog(m_hwnd, result);
    else
        DestroyWindow(m_hwnd);
}

void CDialog::FocusItem(int id) { SendMessageA(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE); }

void CDialog::SetMsgResult(LRESULT result) {
    m_msgResult = result;
    SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, result);
}

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
    INT_PTR result = FALSE;
    RunGuarded(hwnd, [&] { result = self->Dispatch(msg, wp, lp); }, *self->m_platform.prompter);
    return result;
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
        SetWindowLongPtrA(m_hwnd, DWLP_USER, 0);
        m_hwnd = nullptr;
        return FALSE;
    default:
        m_msgResult = 0;
        if (!OnMessage(msg, wp, lp))
            return FALSE;
        return AnswersDirectly(msg) ? static_cast<INT_PTR>(m_msgResult) : TRUE;
    }
}

}  // namespace shell
