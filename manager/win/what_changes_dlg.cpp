// The "What this mod changes" window: list view 1020 holds the files, 1022 the lines no
// reader follows, static 1024 the summary.
#include "manager/win/what_changes_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>

#include "base/byte_size.h"
#include "base/paths.h"
#include "base/wide_win.h"
#include "resources/grenwick/resource.h"
#include "shell/list_view.h"

namespace {

constexpr int kColumns = 4;
// Fires once the window is up: a timer's message comes only after the window is shown and
// drawn, as a modal window is shown when its queue is first empty.
constexpr UINT_PTR kFinishSummaryTimer = 1;

std::string CellText(const manager::PreviewRow& row, int column) {
    switch (column) {
    case 0:
        return row.name;
    case 1:
        return manager::ChangeText(row.change);
    case 2:
        return row.appliedMod;
    default:
        return row.size ? base::ExplorerSize(*row.size) : std::string();
    }
}

}  // namespace

CWhatChangesDlg::CWhatChangesDlg(manager::ChangePreview preview, HINSTANCE resources, const shell::Platform& platform)
    : CDialog(IDD_WHAT_CHANGES, resources, platform), m_preview(std::move(preview)), m_order(m_preview.rows.size()) {
    std::iota(m_order.begin(), m_order.end(), std::size_t{0});
    shell::RegisterListViews();
}

// The files list asks for each row's texts as it draws it, so a list of thousands opens at once.
BOOL CWhatChangesDlg::OnInitDialog() {
    const shell::CListView files(Item(IDC_WHAT_FILES));
    files.SetColumns(Hwnd(), {{"Name", 170}, {"Change", 48}, {"Applied mod", 90}, {"Size", 44, true}});
    files.SetVirtualCount(m_order.size());
    std::vector<std::vector<std::string>> lines;
    lines.reserve(m_preview.lines.size());
    for (const manager::PreviewLine& line : m_preview.lines)
        lines.push_back({line.where, line.text, line.why});
    const shell::CListView lineList(Item(IDC_WHAT_LINES));
    lineList.SetColumns(Hwnd(), {{"Where", 70}, {"Line", 200}, {"Why", 82}});
    lineList.Fill(lines);
    SetDlgItemTextW(Hwnd(), IDC_WHAT_SUMMARY, base::WideOf(m_preview.summary).c_str());
    if (!m_order.empty())
        files.Select(0);
    if (!lines.empty())
        lineList.Select(0);
    FocusItem(IDC_WHAT_FILES);
    if (m_preview.finishSummary && !SetTimer(Hwnd(), kFinishSummaryTimer, USER_TIMER_MINIMUM, nullptr))
        FinishSummary();  // no timer to be had: found before the window is shown, as it can be
    return FALSE;
}

// The window is drawn first, then the slow rest of the summary found and shown.
void CWhatChangesDlg::FinishSummary() {
    KillTimer(Hwnd(), kFinishSummaryTimer);
    if (!m_preview.finishSummary)
        return;
    RedrawWindow(Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    m_preview.summary = m_preview.finishSummary();
    m_preview.finishSummary = nullptr;
    SetDlgItemTextW(Hwnd(), IDC_WHAT_SUMMARY, base::WideOf(m_preview.summary).c_str());
}

bool CWhatChangesDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kFinishSummaryTimer) {
        FinishSummary();
        return true;
    }
    if (msg != WM_NOTIFY)
        return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    if (header->idFrom != IDC_WHAT_FILES)
        return false;
    if (header->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lp);
        // Copied into the list's own buffer, which every version of the list reads back.
        if ((info->item.mask & LVIF_TEXT) && info->item.iItem >= 0 && info->item.pszText && info->item.cchTextMax > 0)
            lstrcpynW(info->item.pszText, Cell(static_cast<std::size_t>(info->item.iItem), info->item.iSubItem),
                      info->item.cchTextMax);
        return true;
    }
    if (header->code == LVN_COLUMNCLICK) {
        SortBy(reinterpret_cast<const NMLISTVIEW*>(lp)->iSubItem);
        return true;
    }
    return false;
}

// A stable sort from name order, so rows equal on the column stay in name order; reversed whole.
void CWhatChangesDlg::SortBy(int column) {
    if (column < 0 || column >= kColumns)
        return;
    m_descending = column == m_sortColumn && !m_descending;
    m_sortColumn = column;
    const std::vector<manager::PreviewRow>& rows = m_preview.rows;
    std::vector<std::string> folded;
    if (column == 2) {
        folded.reserve(rows.size());
        for (const manager::PreviewRow& row : rows)
            folded.push_back(base::FoldCase(row.appliedMod));
    }
    const auto less = [&](std::size_t a, std::size_t b) {
        switch (column) {
        case 1:
            return rows[a].change < rows[b].change;
        case 2:
            return folded[a] < folded[b];
        case 3:
            return rows[a].size < rows[b].size;  // a file not there yet first
        default:
            return false;
        }
    };
    std::iota(m_order.begin(), m_order.end(), std::size_t{0});
    std::stable_sort(m_order.begin(), m_order.end(), less);
    if (m_descending)
        std::reverse(m_order.begin(), m_order.end());
    const shell::CListView files(Item(IDC_WHAT_FILES));
    const std::optional<std::size_t> selected = files.Selection();
    files.SetVirtualCount(m_order.size());
    if (selected)
        files.Select(0);
}

const wchar_t* CWhatChangesDlg::Cell(std::size_t row, int column) {
    m_cell = row < m_order.size() ? base::WideOf(CellText(m_preview.rows[m_order[row]], column)) : std::wstring();
    return m_cell.c_str();
}
