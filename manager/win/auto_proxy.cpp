// The automation object: no properties, no methods; holding it holds the window.
#include "manager/win/auto_proxy.h"

namespace grenwick {

const CLSID kClassId = {0x22c3df85, 0xf798, 0x45ed, {0x8b, 0x94, 0xe3, 0x2d, 0x7e, 0x5f, 0xeb, 0xf4}};
const IID kDispatchId = {0x9085fc49, 0xea6d, 0x48ef, {0xbf, 0x15, 0xf2, 0x4d, 0x2f, 0xfa, 0x4c, 0x5a}};

shell::ServerRegistration ServerEntries(const std::string& serverPath) {
    return {shell::GuidText(kClassId), kProgId, "Grenwick Application", serverPath};
}

}  // namespace grenwick

CGrenwickDlgAutoProxy::CGrenwickDlgAutoProxy(shell::ServerLock& lock)
    : CCmdTarget(grenwick::kDispatchId), m_lock(lock) {
    m_lock.Lock();
}

CGrenwickDlgAutoProxy::~CGrenwickDlgAutoProxy() { m_lock.Unlock(); }
