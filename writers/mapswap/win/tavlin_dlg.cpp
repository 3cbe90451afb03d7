// The map-swap writer's form: eight edit fields in, one batch file out.
#include "writers/mapswap/win/tavlin_dlg.h"

#include <iterator>
#include <string>
#include <tuple>

#include "batchfile/batch_lines.h"
#include "resources/tavlin/resource.h"
#include "shell/message_box.h"

namespace {

struct PairFields {
    int original;
    int modded;
};

constexpr PairFields kPairFields[] = {
    {IDC_ORIGINAL1, IDC_MODDED1},
    {IDC_ORIGINAL2, IDC_MODDED2},
    {IDC_ORIGINAL3, IDC_MODDED3},
};
static_assert(std::size(kPairFields) == std::tuple_size_v<decltype(mapswap::MapSwapForm::pairs)>);

constexpr int kEditFields[] = {IDC_ORIGINAL1, IDC_MODDED1, IDC_ORIGINAL2,   IDC_MODDED2,
                               IDC_ORIGINAL3, IDC_MODDED3, IDC_OUTPUT_FILE, IDC_MOD_NAME};

}  // namespace

CTavlinDlg::CTavlinDlg(HINSTANCE resources) : CMainDialog(IDD_MAIN, resources) {}

// An edit field stops typing and pasting at 32767 characters by default; a limit of 0
// lifts that, so a long path is written whole rather than cut.
BOOL CTavlinDlg::OnInitDialog() {
    CMainDialog::OnInitDialog();
    for (const int id : kEditFields)
        SendDlgItemMessageA(Hwnd(), id, EM_SETLIMITTEXT, 0, 0);
    return TRUE;
}

// The file is written line by line; when it cannot be created the form stays open with
// everything typed, so the user can correct the name instead of starting over.
void CTavlinDlg::OnOK() {
    const mapswap::MapSwapForm form = ReadForm();
    if (!batchfile::WriteBatchFile(form.outputFile, mapswap::MapSwapLines(form))) {
        shell::ShowMessage(Hwnd(), batchfile::CannotCreateMessage(form.outputFile));
        SendMessageA(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_OUTPUT_FILE)), TRUE);
        return;
    }
    End(IDOK);
}

mapswap::MapSwapForm CTavlinDlg::ReadForm() const {
    mapswap::MapSwapForm form;
    for (std::size_t i = 0; i < form.pairs.size(); ++i) {
        form.pairs[i].original = ItemText(kPairFields[i].original);
        form.pairs[i].modded = ItemText(kPairFields[i].modded);
    }
    form.outputFile = ItemText(IDC_OUTPUT_FILE);
    form.modName = ItemText(IDC_MOD_NAME);
    return form;
}
