// The shell's main dialog steps shared by all three programs.
#include "shell/main_dialog.h"

#include "resources/common/common_ids.h"
#include "shell/icon_origin.h"

namespace shell {

CMainDialog::CMainDialog(int templateId, HINSTANCE resources, const Platform& platform)
    : CDialog(templateId, resources, platform),
      m_icon(LoadIconA(Resources(), MAKEINTRESOURCEA(IDI_APP))),
      m_smallIcon(static_cast<HICON>(LoadImageA(Resources(), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                LR_SHARED))) {}

BOOL CMainDialog::OnInitDialog() {
    AddAboutEntry();
    SendMessageA(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon ? m_smallIcon : m_icon));
    return TRUE;
}

void CMainDialog::AddAboutEntry() {
    HMENU systemMenu = GetSystemMenu(Hwnd(), FALSE);
    const std::string entry = LoadResourceString(Resources(), IDS_ABOUTBOX);
    if (!systemMenu || entry.empty())
        return;
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, entry.c_str());
}

bool CMainDialog::OnMessage(UINT msg, WPARAM wp, LPARAM /*lp*/) {
    switch (msg) {
    case WM_SYSCOMMAND:
        // The system keeps the low four bits of system command ids for itself.
        if ((wp & 0xFFF0) != IDM_ABOUTBOX)
            return false;
        CAboutDlg(Resources(), System()).RunModal(Hwnd());
        return true;
    case WM_PAINT:
        if (!IsIconic(Hwnd()))
            return false;
        PaintMinimised();
        return true;
    case WM_QUERYDRAGICON:
        SetMsgResult(reinterpret_cast<LRESULT>(m_icon));
        return true;
    default:
        return false;
    }
}

void CMainDialog::PaintMinimised() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Hwnd(), &paint);
    SendMessageA(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(Hwnd(), &client);
    const IconOrigin at = CenterIcon(client.right - client.left, client.bottom - client.top,
                                     GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    DrawIcon(dc, at.x, at.y, m_icon);
    EndPaint(Hwnd(), &paint);
}

CAboutDlg::CAboutDlg(HINSTANCE resources, const Platform& platform) : CDialog(IDD_ABOUTBOX, resources, platform) {}

// LoadStringA copies and cuts to the buffer; a copy that fills it may have been cut.
std::string LoadResourceString(HINSTANCE module, UINT id) {
    std::string buffer(256, '\0');
    for (;;) {
        const int copied = LoadStringA(module, id, buffer.data(), static_cast<int>(buffer.size()));
        if (copied <= 0)
            return {};
        if (static_cast<std::size_t>(copied) < buffer.size() - 1) {
            buffer.resize(static_cast<std::size_t>(copied));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace shell
