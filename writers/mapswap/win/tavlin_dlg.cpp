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

CTavlinDlg::CTavlinDlg(HINSTANCE resources, const shell::Platform& platform)
    : CBatchFormDlg(resources, platform,
                    {IDC_ORIGINAL1, IDC_MODDED1, IDC_ORIGINAL2, IDC_MODDED2, IDC_ORIGINAL3, IDC_MODDED3,
                     IDC_OUTPUT_FILE, IDC_TAVLIN_MOD_NAME}) {}

void CTavlinDlg::OnOK() {
    const std::optional<FieldTexts> texts = ReadFields();
    if (!texts)
        return;
    mapswap::MapSwapForm form;
    for (std::size_t i = 0; i < form.pairs.size(); ++i) {
        form.pairs[i].original = texts->at(kPairFields[i].original);
        form.pairs[i].modded = texts->at(kPairFields[i].modded);
    }
    form.outputFile = texts->at(IDC_OUTPUT_FILE);
    form.modName = texts->at(IDC_TAVLIN_MOD_NAME);
    if (WriteBatch(form.outputFile, mapswap::MapSwapLines(form), IDC_OUTPUT_FILE))
        End(IDOK);
}
