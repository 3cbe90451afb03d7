// The Applied mods window: list 1010 holds the applies, list 1011 the selected one's files.
#include "manager/win/applied_mods_dlg.h"

#include <utility>

#include "base/wide_win.h"
#include "manager/originals/originals_store.h"
#include "resources/grenwick/resource.h"

namespace {

// Columns in dialog units, so they grow with the dialog's font as the template does.
constexpr int kApplyTabs[] = {150, 230};
constexpr int kFileTabs[] = {130, 210};

// A UTC time as the player's own short date and time.
std::string LocalDateTime(std::int64_t when) {
    if (when <= 0)
        return "earlier";
    constexpr std::int64_t kSecondsTo1970 = 11644473600;
    const std::uint64_t ticks = static_cast<std::uint64_t>(when + kSecondsTo1970) * 10000000u;
    const FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{}, local{};
    if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return "?";
    std::wstring text;
    for (const bool date : {true, false}) {
        const int length = date ? GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, nullptr, 0)
                                : GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, nullptr, 0);
        if (length <= 0)
            continue;
        std::wstring part(static_cast<std::size_t>(length), L'\0');
        if (date)
            GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, part.data(), length);
        else
            GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, part.data(), length);
        part.resize(static_cast<std::size_t>(length - 1));
        text += (text.empty() ? L"" : L" ") + part;
    }
    return base::Utf8OfWide(text);
}

std::string FileCount(std::size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

template <std::size_t N>
void SetTabs(HWND list, const int (&tabs)[N]) {
    SendMessageA(list, LB_SETTABSTOPS, N, reinterpret_cast<LPARAM>(tabs));
}

}  // namespace

CAppliedModsDlg::CAppliedModsDlg(manager::ModManager& manager, manager::StoreRecords records, HINSTANCE resources,
                                 const shell::Platform& platform)
    : CDialog(IDD_APPLIED_MODS, resources, platform), m_manager(manager), m_records(std::move(records)) {}

// The newest apply is selected and has the focus, so the arrows move at once.
BOOL CAppliedModsDlg::OnInitDialog() {
    SetTabs(Item(IDC_APPLIED_LIST), kApplyTabs);
    SetTabs(Item(IDC_APPLIED_FILES), kFileTabs);
    ShowApplies(0);
    FocusItem(IDC_APPLIED_LIST);
    return FALSE;
}

bool CAppliedModsDlg::OnCommand(int id, int code) {
    if (id == IDC_APPLIED_LIST && code == LBN_SELCHANGE) {
        ShowFiles();
        return true;
    }
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
    const std::optional<std::size_t> row = ListBox(IDC_APPLIED_LIST).Selection();
    if (std::optional<manager::StoreRecords> now = m_manager.TakeOut(m_records.applies[selected->apply].number))
        m_records = std::move(*now);
    ShowApplies(row);
    FocusItem(IDC_APPLIED_LIST);
}

void CAppliedModsDlg::ShowApplies(std::optional<std::size_t> select) {
    m_rows = manager::ListApplies(m_records);
    const shell::CListBox list = ListBox(IDC_APPLIED_LIST);
    list.SetRedraw(false);
    list.Clear();
    for (const manager::AppliedSummary& row : m_rows)
        list.AppendText(row.mod + "\t" + LocalDateTime(row.when) + "\t" + FileCount(row.files));
    if (m_rows.empty())
        list.Append("No applied mod is remembered for this game folder.");
    list.SetRedraw(true);
    EnableWindow(Item(IDC_TAKE_OUT), !m_rows.empty());
    if (!m_rows.empty())
        list.Select(select && *select < m_rows.size() ? *select : m_rows.size() - 1);
    ShowFiles();
}

void CAppliedModsDlg::ShowFiles() {
    const shell::CListBox list = ListBox(IDC_APPLIED_FILES);
    list.SetRedraw(false);
    list.Clear();
    if (const std::optional<manager::AppliedSummary> selected = Selected()) {
        const std::string& game = m_records.gameFolder;
        const auto stateNow = [&game](const std::string& name) {
            return manager::StateNow(manager::FullPathIn(game, name));
        };
        for (const manager::AppliedFile& file :
             manager::DescribeFiles(m_records, selected->apply, base::FoldCase, stateNow))
            list.AppendText(file.name + "\t" + file.before + "\t" + file.now);
    }
    list.SetRedraw(true);
}

std::optional<manager::AppliedSummary> CAppliedModsDlg::Selected() const {
    const std::optional<std::size_t> index = ListBox(IDC_APPLIED_LIST).Selection();
    if (!index || *index >= m_rows.size())
        return std::nullopt;
    return m_rows[*index];
}
