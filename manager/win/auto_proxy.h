// CGrenwickDlgAutoProxy: the automation object "Grenwick.Application".
#pragma once

#include "shell/cmd_target.h"

// The object's class id and its dispatch interface id.
extern const CLSID CLSID_GrenwickApplication;
extern const IID DIID_IGrenwick;
inline constexpr char kGrenwickProgId[] = "Grenwick.Application";

// While it lives the server stays locked, which is all the window needs to know: a locked
// server means a client holds the window, so closing it only hides it.
class CGrenwickDlgAutoProxy final : public shell::CCmdTarget {
public:
    CGrenwickDlgAutoProxy();
    ~CGrenwickDlgAutoProxy() override;
};
