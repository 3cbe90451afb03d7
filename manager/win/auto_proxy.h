// CGrenwickDlgAutoProxy: the automation object "Grenwick.Application", and its ids.
#pragma once

#include <string>

#include "shell/cmd_target.h"
#include "shell/server_registration.h"

namespace grenwick {

// The object's class id and its dispatch interface id.
extern const CLSID kClassId;
extern const IID kDispatchId;
inline constexpr char kProgId[] = "Grenwick.Application";

// The registry entries that let a client start `serverPath` for the object.
shell::ServerRegistration ServerEntries(const std::string& serverPath);

}  // namespace grenwick

// While it lives the server stays locked, which is all the window needs to know: a locked
// server means a client holds the window, so closing it only hides it.
class CGrenwickDlgAutoProxy final : public shell::CCmdTarget {
public:
    explicit CGrenwickDlgAutoProxy(shell::ServerLock& lock);
    ~CGrenwickDlgAutoProxy() override;

private:
    shell::ServerLock& m_lock;
};
