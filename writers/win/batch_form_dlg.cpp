// What both batch writers' forms share.
#include "writers/win/batch_form_dlg.h"

#include "batchfile/batch_lines.h"
#include "resources/common/common_ids.h"
#include "shell/message_box.h"

CBatchFormDlg::CBatchFormDlg(HINSTANCE resources, std::initializer_list<int> fields)
    : CMainDialog(IDD_MAIN, resources), m_fields(fields) {}

// An edit field stops typing and pasting at 32767 characters by default; a limit of 0
// lifts that, so a long path is written whole rather than cut.
BOOL CBatchFormDlg::OnInitDialog() {
    CMainDialog::OnInitDialog();
    for (const int id : m_fields)
        SendDlgItemMessageA(Hwnd(), id, EM_SETLIMITTEXT, 0, 0);
    return TRUE;
}

bool CBatchFormDlg::WriteBatch(const std::string& path, const std::vector<std::string>& lines, int nameField) {
    if (batchfile::WriteBatchFile(path, lines))
        return true;
    shell::ShowMessage(Hwnd(), batchfile::CannotCreateMessage(path));
    SendMessageA(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(nameField)), TRUE);
    return false;
}
