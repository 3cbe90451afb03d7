// The map-swap writer's form: eight edit fields in, one batch file out.
#include "writers/mapswap/win/tavlin_dlg.h"

#include <iterator>
#include <tuple>

#include "resources/tavlin/resource.h"

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

}  // namespace

CTavlinDlg::CTavlinDlg(HINSTANCE resources)
    : CBatchFormDlg(resources, {IDC_ORIGINAL1, IDC_MODDED1, IDC_ORIGINAL2, IDC_MODDED2, IDC_ORIGINAL3, IDC_MODDED3,
                                IDC_OUTPUT_FILE, IDC_TAVLIN_MOD_NAME}) {}

void CTavlinDlg::OnOK() {
    if (!FieldsExact())
        return;
    const mapswap::MapSwapForm form = ReadForm();
    if (WriteBatch(form.outputFile, mapswap::MapSwapLines(form), IDC_OUTPUT_FILE))
        End(IDOK);
}

mapswap::MapSwapForm CTavlinDlg::ReadForm() const {
    mapswap::MapSwapForm form;
    for (std::size_t i = 0; i < form.pairs.size(); ++i) {
        form.pairs[i].original = ItemText(kPairFields[i].original);
        form.pairs[i].modded = ItemText(kPairFields[i].modded);
    }
    form.outputFile = ItemText(IDC_OUTPUT_FILE);
    form.modName = ItemText(IDC_TAVLIN_MOD_NAME);
    return form;
}
