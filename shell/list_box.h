// CListBox: a dialog's list box control, each message the windows send it under a name.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

namespace shell {

// Does not own the control; a copy names the same one.
class CListBox {
public:
    explicit CListBox(HWND hwnd) : m_hwnd(hwnd) {}
    HWND Hwnd() const { return m_hwnd; }

    // Adds at the end, also in a sorted list box, which would sort an LB_ADDSTRING.
    void Append(const std::string& text) const;
    // Adds a text of the kit's own, where names are UTF-8, as it is: through the wide message,
    // so that no character shows as "?".
    void AppendText(const std::string& text) const;
    void Clear() const;
    // Reserves room for `items` texts of `bytes` in all, before a long run of Append.
    void InitStorage(std::size_t items, std::size_t bytes) const;
    // Off: no repaint or scroll bar update per change. On again repaints the whole list.
    void SetRedraw(bool on) const;

    std::optional<std::size_t> Selection() const;
    void Select(std::size_t index) const;
    std::size_t TopIndex() const;
    void SetTopIndex(std::size_t index) const;
    RECT ItemRect(std::size_t index) const;  // client coordinates
    // The item under a point of the client area; nothing below the last one.
    std::optional<std::size_t> ItemAt(POINT client) const;

    // Delete then sends the parent WM_COMMAND `deleteCommand`, and the context-menu key and
    // Shift+F10 send it WM_CONTEXTMENU from the keyboard; the rest goes on as before.
    void ForwardKeys(int deleteCommand) const;

private:
    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return SendMessageA(m_hwnd, msg, wp, lp); }

    HWND m_hwnd;
};

}  // namespace shell
