// What both batch writers' forms share.
#include "writers/win/batch_form_dlg.h"

#include "base/code_pages.h"
#include "base/write_messages.h"
#include "batchfile/batch_lines.h"
#include "resources/common/common_ids.h"
#include "shell/ansi_text.h"

CBatchFormDlg::CBatchFormDlg(HINSTANCE resources, const shell::Platform& platform, std::initializer_list<int> fields)
    : CMainDialog(IDD_MAIN, resources, platform), m_fields(fields) {}

// An edit field stops typing and pasting at 32767 characters by default; a limit of 0
// lifts that, so a long path is written whole rather than cut.
BOOL CBatchFormDlg::OnInitDialog() {
    CMainDialog::OnInitDialog();
    for (const int id : m_fields)
        SendDlgItemMessageA(Hwnd(), id, EM_SETLIMITTEXT, 0, 0);
    return TRUE;
}

// Read as UTF-16 and converted without "best fit", so the text checked is the text written.
// Each field's label comes right before it in the template, so it is the previous window.
std::optional<CBatchFormDlg::FieldTexts> CBatchFormDlg::ReadFields() {
    FieldTexts texts;
    for (const int id : m_fields) {
        shell::AnsiText field = shell::WindowAnsiText(Item(id));
        if (!field.exact) {
            std::string label = shell::WindowAnsiText(GetWindow(Item(id), GW_HWNDPREV)).text;
            if (!label.empty() && label.back() == ':')
                label.pop_back();
            Say(batchfile::InexactTextMessage(base::Utf8OfAnsi(label), base::Utf8OfAnsi(field.text)));
            FocusItem(id);
            return std::nullopt;
        }
        texts[id] = std::move(field.text);
    }
    return texts;
}

// The path is the field's text in the ANSI code page; the file layer takes UTF-8.
bool CBatchFormDlg::WriteBatch(const std::string& field, const std::vector<std::string>& lines, int nameField) {
    const std::string path = base::Utf8OfAnsi(field);
    const base::WriteResult written = batchfile::WriteBatchFile(path, lines);
    if (written)
        return true;
    const bool denied = written.Error().reason == base::WriteError::Reason::AccessDenied;
    Say(batchfile::CannotCreateMessage(path) +
        base::WhyNotWritten(written.Error(), denied && !System().elevation->IsElevated()));
    FocusItem(nameField);
    return false;
}
