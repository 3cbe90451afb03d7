// What both batch writers' forms share.
#include "writers/win/batch_form_dlg.h"

#include "batchfile/batch_lines.h"
#include "batchfile/write_messages.h"
#include "resources/common/common_ids.h"
#include "shell/ansi_text.h"
#include "shell/elevation.h"
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

// Each field's label comes right before it in the template, so it is the previous window.
bool CBatchFormDlg::FieldsExact() {
    for (const int id : m_fields) {
        const shell::AnsiText field = shell::WindowAnsiText(Item(id));
        if (field.exact)
            continue;
        std::string label = shell::WindowAnsiText(GetWindow(Item(id), GW_HWNDPREV)).text;
        if (!label.empty() && label.back() == ':')
            label.pop_back();
        shell::ShowMessage(Hwnd(), batchfile::InexactTextMessage(label, field.text));
        SendMessageA(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
        return false;
    }
    return true;
}

bool CBatchFormDlg::WriteBatch(const std::string& path, const std::vector<std::string>& lines, int nameField) {
    const base::WriteResult written = batchfile::WriteBatchFile(path, lines);
    if (written)
        return true;
    const bool denied = written.Error().reason == base::WriteError::Reason::AccessDenied;
    shell::ShowMessage(Hwnd(), batchfile::CannotCreateMessage(path) +
                                   batchfile::WhyNotWritten(written.Error(), denied && !shell::IsElevated()));
    SendMessageA(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(nameField)), TRUE);
    return false;
}
