// The Applied mods window: list 1010 holds the applies, list 1011 the selected one's files.
#include "manager/win/applied_mods_dlg.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <commctrl.h>

#include "base/paths.h"
#include "base/wide_win.h"
#include "manager/originals/originals_store.h"
#include "resources/grenwick/resource.h"
#include "shell/list_view.h"

namespace {

// One format call per part: the buffer grows only for a format longer than a usual one.
template <class Format>
std::wstring Formatted(Format format) {
    std::wstring text(32, L'\0');
    int length = format(text.data(), static_cast<int>(text.size()));
    if (length <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        text.assign(static_cast<std::size_t>(std::max(format(nullptr, 0), 1)), L'\0');
        length = format(text.data(), static_cast<int>(text.size()));
    }
    text.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    return text;
}

// A UTC time as the player's own short date and time, in `zone` (the system's, asked once
// for a whole list; nothing asks it per time).
std::string LocalDateTime(std::int64_t when, const TIME_ZONE_INFORMATION* zone) {
    if (when <= 0)
        return "earlier";
    constexpr std::int64_t kSecondsTo1970 = 11644473600;
    const std::uint64_t ticks = static_cast<std::uint64_t>(when + kSecondsTo1970) * 10000000u;
    const FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{}, local{};
    if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(zone, &universal, &local))
        return "?";
    const std::wstring date = Formatted([&local](wchar_t* into, int size) {
        return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, into, size);
    });
    const std::wstring time = Formatted([&local](wchar_t* into, int size) {
        return GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, into, size);
    });
    return base::Utf8OfWide(date.empty() || time.empty() ? date + time : date + L" " + time);
}

std::string FileCount(std::size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

}  // namespace

CAppliedModsDlg::CAppliedModsDlg(manager::ModManager& manager, manager::StoreRecords records, HINSTANCE resources,
                                 const shell::Platform& platform)
    : CDialog(IDD_APPLIED_MODS, resources, platform), m_manager(manager), m_records(std::move(records)) {
    shell::RegisterListViews();
}

// The newest apply is selected and has the focus, so the arrows move at once.
BOOL CAppliedModsDlg::OnInitDialog() {
    shell::CListView(Item(IDC_APPLIED_LIST)).SetColumns(Hwnd(), {{"Mod", 160}, {"Applied", 85}, {"Files", 55}});
    shell::CListView(Item(IDC_APPLIED_FILES)).SetColumns(Hwnd(), {{"File", 140}, {"Before", 70}, {"Now", 90}});
    ShowApplies(0);
    FocusItem(IDC_APPLIED_LIST);
    return FALSE;
}

// A row that becomes selected shows its files; losing the selection on the way does not.
bool CAppliedModsDlg::OnMessage(UINT msg, WPARAM, LPARAM lp) {
    if (msg != WM_NOTIFY)
        return false;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
    if (m_filling || change->hdr.idFrom != IDC_APPLIED_LIST || change->hdr.code != LVN_ITEMCHANGED ||
        !(change->uNewState & LVIS_SELECTED) || (change->uOldState & LVIS_SELECTED))
        return false;
    ShowFiles();
    return true;
}

bool CAppliedModsDlg::OnCommand(int id, int code) {
    static constexpr shell::CommandEntry<CAppliedModsDlg> kCommands[] = {
        {IDC_TAKE_OUT, &CAppliedModsDlg::OnTakeOut},
    };
    return code == BN_CLICKED && shell::RunCommand(*this, kCommands, id);
}

// The manager asks, takes out and applies again under the lock; the window then shows the
// applies as they are now, with the one that took the removed one's place selected.
void CAppliedModsDlg::OnTakeOut() {
    const std::optional<manager::AppliedSummary> selected = Selected();
    if (!selected)
        return;
    const std::optional<std::size_t> row = shell::CListView(Item(IDC_APPLIED_LIST)).Selection();
    if (std::optional<manager::StoreRecords> now = m_manager.TakeOut(m_records.applies[selected->apply].number))
        m_records = std::move(*now);
    ShowApplies(row);
    FocusItem(IDC_APPLIED_LIST);
}

// The rows are made first, so the list reserves room for all of them at once.
void CAppliedModsDlg::ShowApplies(std::optional<std::size_t> select) {
    m_rows = manager::ListApplies(m_records);
    TIME_ZONE_INFORMATION zoneNow{};
    const TIME_ZONE_INFORMATION* zone = GetTimeZoneInformation(&zoneNow) == TIME_ZONE_ID_INVALID ? nullptr : &zoneNow;
    std::vector<std::vector<std::string>> texts;
    texts.reserve(m_rows.size());
    for (const manager::AppliedSummary& row : m_rows)
        texts.push_back({row.mod, LocalDateTime(row.when, zone), FileCount(row.files)});
    if (m_rows.empty())
        texts.push_back({"No applied mod is remembered for this game folder."});
    const shell::CListView list(Item(IDC_APPLIED_LIST));
    m_filling = true;  // the files are shown once, below, not per selection change on the way
    list.Fill(texts);
    EnableWindow(Item(IDC_TAKE_OUT), !m_rows.empty());
    if (!m_rows.empty())
        list.Select(select && *select < m_rows.size() ? *select : m_rows.size() - 1);
    m_filling = false;
    ShowFiles();
}

// One question to the disk per file at most: a file a later mod changed asks none.
void CAppliedModsDlg::ShowFiles() {
    std::vector<std::vector<std::string>> texts;
    if (const std::optional<manager::AppliedSummary> selected = Selected()) {
        const std::string& game = m_records.gameFolder;
        const auto stateNow = [&game](const std::string& name) {
            return manager::StateNow(manager::FullPathIn(game, name));
        };
        for (const manager::AppliedFile& file :
             manager::DescribeFiles(m_records, selected->apply, base::FoldCase, stateNow))
            texts.push_back({file.name, file.before, file.now});
    }
    shell::CListView(Item(IDC_APPLIED_FILES)).Fill(texts);
}

std::optional<manager::AppliedSummary> CAppliedModsDlg::Selected() const {
    const std::optional<std::size_t> index = shell::CListView(Item(IDC_APPLIED_LIST)).Selection();
    if (!index || *index >= m_rows.size())
        return std::nullopt;
    return m_rows[*index];
}
