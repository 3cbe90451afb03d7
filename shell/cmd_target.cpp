// Reference counting, the empty dispatch interface and the class factory.
#include "shell/cmd_target.h"

#include "shell/exception_boundary.h"

namespace shell {
HRESULT CCmdTarget::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, m_dispatchId)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CCmdTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }

ULONG CCmdTarget::Release() {
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT CCmdTarget::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CCmdTarget::GetTypeInfo(UINT /*index*/, LCID /*locale*/, ITypeInfo** info) {
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT CCmdTarget::GetIDsOfNames(REFIID /*iid*/, LPOLESTR* /*names*/, UINT count, LCID /*locale*/, DISPID* ids) {
    for (UINT i = 0; ids && i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT CCmdTarget::Invoke(DISPID /*member*/, REFIID /*iid*/, LCID /*locale*/, WORD /*flags*/,
                           DISPPARAMS* /*params*/, VARIANT* /*result*/, EXCEPINFO* /*exception*/,
                           UINT* /*argumentError*/) {
    return DISP_E_MEMBERNOTFOUND;
}

void ServerLock::Unlock() {
    if (--m_count == 0 && onLastUnlock)
        onLastUnlock();
}

HRESULT CClassFactory::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    CCmdTarget* target = nullptr;
    if (!RunGuarded(nullptr, [&] { target = m_create(); }))
        return E_UNEXPECTED;
    if (!target)
        return E_FAIL;
    const HRESULT result = target->QueryInterface(iid, object);
    target->Release();  // the client's reference, if any, is the one left
    return result;
}

HRESULT CClassFactory::LockServer(BOOL lock) {
    if (lock)
        m_lock.Lock();
    else
        m_lock.Unlock();
    return S_OK;
}

// Single use: each object a client creates starts a process of its own.
ScopedClassObject::ScopedClassObject(const CLSID& classId, IClassFactory& factory, bool registerNow) {
    if (registerNow &&
        FAILED(CoRegisterClassObject(classId, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &m_cookie)))
        m_cookie = 0;
}

ScopedClassObject::~ScopedClassObject() {
    if (m_cookie)
        CoRevokeClassObject(m_cookie);
}

}  // namespace shell
