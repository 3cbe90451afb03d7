// The PPF writer's form: the four fields go to the batch file exactly as typed.
#include "writers/ppf/win/orrisk_dlg.h"

#include "resources/orrisk/resource.h"
#include "shell/message_box.h"
#include "writers/ppf/ppf_batch.h"

COrriskDlg::COrriskDlg(HINSTANCE resources)
    : CBatchFormDlg(resources, {IDC_PPF_FILE, IDC_ORRISK_MOD_NAME, IDC_ORRISK_BATCH_FILE, IDC_MAP_FILE}) {}

// "Done!" only for a file that is there; otherwise the form stays open as typed.
void COrriskDlg::OnOK() {
    if (!FieldsExact())
        return;
    ppf::PpfForm form;
    form.ppfFile = ItemText(IDC_PPF_FILE);
    form.modName = ItemText(IDC_ORRISK_MOD_NAME);
    form.batchFile = ItemText(IDC_ORRISK_BATCH_FILE);
    form.mapFile = ItemText(IDC_MAP_FILE);
    if (!WriteBatch(form.batchFile, ppf::PpfLines(form), IDC_ORRISK_BATCH_FILE))
        return;
    shell::ShowMessage(Hwnd(), "Done!");
    End(IDOK);
}
