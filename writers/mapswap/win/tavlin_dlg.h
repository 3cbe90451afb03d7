// CTavlinDlg: the map-swap writer's form, which writes one mod batch file on OK.
#pragma once

#include "writers/mapswap/mapswap_batch.h"
#include "writers/win/batch_form_dlg.h"

class CTavlinDlg : public CBatchFormDlg {
public:
    // `resources` holds template IDD_MAIN and the icon; null means the running executable.
    explicit CTavlinDlg(HINSTANCE resources = nullptr, const shell::Platform& platform = {});

protected:
    void OnOK() override;
};
