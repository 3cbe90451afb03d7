// CTavlinDlg: the map-swap writer's form, which writes one mod batch file on OK.
#pragma once

#include "shell/main_dialog.h"
#include "writers/mapswap/mapswap_batch.h"

class CTavlinDlg : public shell::CMainDialog {
public:
    // `resources` holds template IDD_MAIN and the icon; null means the running executable.
    explicit CTavlinDlg(HINSTANCE resources = nullptr);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    mapswap::MapSwapForm ReadForm() const;
};
