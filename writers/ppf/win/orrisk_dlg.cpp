// The PPF writer's form: the four fields go to the batch file exactly as typed.
#include "writers/ppf/win/orrisk_dlg.h"

#include "resources/orrisk/resource.h"
#include "writers/ppf/ppf_batch.h"

COrriskDlg::COrriskDlg(HINSTANCE resources, const shell::Platform& platform)
    : CBatchFormDlg(resources, platform, {IDC_PPF_FILE, IDC_ORRISK_MOD_NAME, IDC_ORRISK_BATCH_FILE, IDC_MAP_FILE}) {}

// "Done!" only for a file that is there; otherwise the form stays open as typed.
void COrriskDlg::OnOK() {
    const std::optional<FieldTexts> texts = ReadFields();
    if (!texts)
        return;
    ppf::PpfForm form;
    form.ppfFile = texts->at(IDC_PPF_FILE);
    form.modName = texts->at(IDC_ORRISK_MOD_NAME);
    form.batchFile = texts->at(IDC_ORRISK_BATCH_FILE);
    form.mapFile = texts->at(IDC_MAP_FILE);
    if (!WriteBatch(form.batchFile, ppf::PpfLines(form), IDC_ORRISK_BATCH_FILE))
        return;
    Say("Done!");
    End(IDOK);
}
