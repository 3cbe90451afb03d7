// The list box messages, and the keys a list turns into its window's commands.
#include "shell/list_box.h"

#include "base/wide_win.h"

namespace shell {
namespace {

// The command Delete sends, kept beside the list box's own procedure.
constexpr char kDeleteCommand[] = "shell.ListBox.DeleteCommand";

bool ShiftDown() { return GetKeyState(VK_SHIFT) < 0; }

// Both halves of a menu key are taken here, so no default handling opens a second menu. The
// list box's own procedure waits in its user data: the common controls' subclass helper
// costs a property lookup per message, which under Wine more than doubled the start-up
// with a full list. The Delete command is read only on Delete.
LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const auto listBoxProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    const bool menuKey = ((msg == WM_KEYDOWN || msg == WM_KEYUP) && wp == VK_APPS) ||
                         ((msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) && wp == VK_F10 && ShiftDown());
    if (msg == WM_KEYDOWN && wp == VK_DELETE) {
        const auto command = reinterpret_cast<UINT_PTR>(GetPropA(hwnd, kDeleteCommand));
        SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        return 0;
    }
    if (menuKey) {
        if (msg == WM_KEYUP || msg == WM_SYSKEYDOWN)
            SendMessageA(GetParent(hwnd), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
        return 0;
    }
    if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, kDeleteCommand);
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listBoxProc));
    }
    return CallWindowProcA(listBoxProc, hwnd, msg, wp, lp);
}

}  // namespace

void CListBox::Append(const std::string& text) const {
    Send(LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
}

void CListBox::AppendText(const std::string& text) const {
    const std::wstring wide = base::WideOf(text);
    SendMessageW(m_hwnd, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide.c_str()));
}

void CListBox::Clear() const { Send(LB_RESETCONTENT); }

void CListBox::InitStorage(std::size_t items, std::size_t bytes) const {
    Send(LB_INITSTORAGE, items, static_cast<LPARAM>(bytes));
}

void CListBox::SetRedraw(bool on) const {
    Send(WM_SETREDRAW, on);
    if (on)
        InvalidateRect(m_hwnd, nullptr, TRUE);
}

std::optional<std::size_t> CListBox::Selection() const {
    const LRESULT index = Send(LB_GETCURSEL);
    return index == LB_ERR ? std::nullopt : std::optional<std::size_t>(index);
}

void CListBox::Select(std::size_t index) const { Send(LB_SETCURSEL, index); }

std::size_t CListBox::TopIndex() const {
    const LRESULT top = Send(LB_GETTOPINDEX);
    return top == LB_ERR ? 0 : static_cast<std::size_t>(top);
}

void CListBox::SetTopIndex(std::size_t index) const { Send(LB_SETTOPINDEX, index); }

RECT CListBox::ItemRect(std::size_t index) const {
    RECT item{};
    Send(LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    return item;
}

// The high word is 1 when the point lies outside every item's area.
std::optional<std::size_t> CListBox::ItemAt(POINT client) const {
    const LRESULT hit = Send(LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    return HIWORD(hit) == 0 ? std::optional<std::size_t>(LOWORD(hit)) : std::nullopt;
}

void CListBox::ForwardKeys(int deleteCommand) const {
    SetPropA(m_hwnd, kDeleteCommand, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(deleteCommand)));
    const LONG_PTR listBoxProc = SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForwardingProc));
    SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, listBoxProc);
}

}  // namespace shell
