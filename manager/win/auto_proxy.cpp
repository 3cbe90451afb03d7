// The automation object: no properties, no methods; holding it holds the window.
#include "manager/win/auto_proxy.h"

const CLSID CLSID_GrenwickApplication = {0x22c3df85, 0xf798, 0x45ed, {0x8b, 0x94, 0xe3, 0x2d, 0x7e, 0x5f, 0xeb, 0xf4}};
const IID DIID_IGrenwick = {0x9085fc49, 0xea6d, 0x48ef, {0xbf, 0x15, 0xf2, 0x4d, 0x2f, 0xfa, 0x4c, 0x5a}};

CGrenwickDlgAutoProxy::CGrenwickDlgAutoProxy() : CCmdTarget(DIID_IGrenwick) { shell::LockServer(); }

CGrenwickDlgAutoProxy::~CGrenwickDlgAutoProxy() { shell::UnlockServer(); }
