// The list view messages the kit's windows send, through the wide forms so names show whole.
#include "shell/list_view.h"

#include <commctrl.h>

#include "base/wide_win.h"

namespace shell {

void RegisterListViews() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
}

// The dialogs are ANSI windows, to which a list view would tell its texts in ANSI: it is told
// to use the wide notifications, so names outside the code page reach it whole.
void CListView::SetColumns(HWND dialog, const std::vector<Column>& columns) const {
    SendMessageW(m_hwnd, CCM_SETUNICODEFORMAT, TRUE, 0);
    SendMessageW(m_hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        RECT width{0, 0, columns[i].width, 0};
        MapDialogRect(dialog, &width);
        std::wstring title = base::WideOf(columns[i].title);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = columns[i].right ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = width.right;
        column.pszText = title.data();
        SendMessageW(m_hwnd, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

// The storage for all rows is taken in one step and nothing repaints until the end.
void CListView::Fill(const std::vector<std::vector<std::string>>& rows) const {
    SendMessageW(m_hwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageW(m_hwnd, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(m_hwnd, LVM_SETITEMCOUNT, rows.size(), 0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t column = 0; column < rows[i].size(); ++column) {
            std::wstring text = base::WideOf(rows[i][column]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(i);
            item.iSubItem = static_cast<int>(column);
            item.pszText = text.data();
            SendMessageW(m_hwnd, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        }
    }
    SendMessageW(m_hwnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

void CListView::SetVirtualCount(std::size_t count) const {
    SendMessageW(m_hwnd, LVM_SETITEMCOUNT, count, 0);
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

std::size_t CListView::Count() const {
    return static_cast<std::size_t>(SendMessageW(m_hwnd, LVM_GETITEMCOUNT, 0, 0));
}

std::optional<std::size_t> CListView::Selection() const {
    const LRESULT index = SendMessageW(m_hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    return index < 0 ? std::nullopt : std::optional<std::size_t>(index);
}

void CListView::Select(std::size_t index) const {
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(m_hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(m_hwnd, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    SendMessageW(m_hwnd, LVM_ENSUREVISIBLE, index, FALSE);
}

// The buffer grows until the text fits with room to spare.
std::string CListView::Text(std::size_t row, int column) const {
    for (std::size_t size = 128;; size *= 2) {
        std::wstring text(size, L'\0');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(size);
        const LRESULT length = SendMessageW(m_hwnd, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        if (length < 0 || static_cast<std::size_t>(length) + 1 < size) {
            text.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
            return base::Utf8OfWide(text);
        }
    }
}

}  // namespace shell
