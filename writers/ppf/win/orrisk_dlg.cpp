// The PPF writer's form: the four fields go to the batch file exactly as typed.
#include "writers/ppf/win/orrisk_dlg.h"

#include "batchfile/batch_lines.h"
#include "resources/orrisk/resource.h"
#include "shell/message_box.h"
#include "writers/ppf/ppf_batch.h"

namespace {

constexpr int kFields[] = {IDC_PPF_FILE, IDC_MOD_NAME, IDC_BATCH_FILE, IDC_MAP_FILE};

}  // namespace

COrriskDlg::COrriskDlg(HINSTANCE resources) : CMainDialog(IDD_MAIN, resources) {}

BOOL COrriskDlg::OnInitDialog() {
    CMainDialog::OnInitDialog();
    // An edit field takes about 30000 typed characters unless told otherwise; 0 lifts the
    // limit, so a long path reaches the file whole instead of cut where typing stopped.
    for (const int id : kFields)
        SendDlgItemMessageA(Hwnd(), id, EM_SETLIMITTEXT, 0, 0);
    return TRUE;
}

void COrriskDlg::OnOK() {
    ppf::PpfForm form;
    form.ppfFile = ItemText(IDC_PPF_FILE);
    form.modName = ItemText(IDC_MOD_NAME);
    form.batchFile = ItemText(IDC_BATCH_FILE);
    form.mapFile = ItemText(IDC_MAP_FILE);
    if (!batchfile::WriteBatchFile(form.batchFile, ppf::PpfLines(form))) {
        // No "Done!" for a file that is not there: the form stays open as typed, so the
        // user can correct the name and press OK again.
        shell::ShowMessage(Hwnd(), batchfile::CannotCreateMessage(form.batchFile));
        return;
    }
    shell::ShowMessage(Hwnd(), "Done!");
    End(IDOK);
}
