// CListView: a dialog's report-view list, its columns and rows, each message under a name.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace shell {

// Registers the list view's window class before a template that holds one is made.
void RegisterListViews();

// Does not own the control; a copy names the same one.
class CListView {
public:
    explicit CListView(HWND hwnd) : m_hwnd(hwnd) {}
    HWND Hwnd() const { return m_hwnd; }

    struct Column {
        const char* title;
        int width;  // in dialog units, so columns grow with the dialog's font
        bool right = false;
    };
    // Full-row selection, wide notifications and the columns; `dialog` turns dialog units into
    // pixels.
    void SetColumns(HWND dialog, const std::vector<Column>& columns) const;

    // Every row at once, texts of the kit's own (UTF-8) through the wide messages, in one redraw.
    void Fill(const std::vector<std::vector<std::string>>& rows) const;
    // A list whose rows the window gives when drawn (LVS_OWNERDATA): only their count.
    void SetVirtualCount(std::size_t count) const;
    std::size_t Count() const;

    std::optional<std::size_t> Selection() const;
    // Selects and focuses the row, scrolled into view; the others lose the selection.
    void Select(std::size_t index) const;
    // The cell's text, as UTF-8.
    std::string Text(std::size_t row, int column) const;

private:
    HWND m_hwnd;
};

}  // namespace shell
