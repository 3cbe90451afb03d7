// CCmdTarget: the base of an automation object, and the class factory and server lock
// that let a client create one.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <utility>

namespace shell {

// A dispatch object with no members and no type library, under its own interface id.
// It lives as long as clients hold it: the last Release deletes it.
class CCmdTarget : public IDispatch {
public:
    explicit CCmdTarget(const IID& dispatchId) : m_dispatchId(dispatchId) {}
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

private:
    IID m_dispatchId;
    LONG m_references = 1;
};

// Keeps the program running while clients hold objects or have locked the server. Everything
// runs on the one user-interface thread, so a plain counter is enough. It must outlive OLE:
// the objects clients still hold are released when OLE shuts down.
class ServerLock {
public:
    ServerLock() = default;
    ServerLock(const ServerLock&) = delete;
    ServerLock& operator=(const ServerLock&) = delete;

    void Lock() { ++m_count; }
    void Unlock();  // runs onLastUnlock when the count comes back to 0
    bool Held() const { return m_count > 0; }

    std::function<void()> onLastUnlock;  // nothing when empty

private:
    long m_count = 0;
};

// The class factory of one automation class; `create` makes a new object with one reference.
class CClassFactory final : public IClassFactory {
public:
    CClassFactory(std::function<CCmdTarget*()> create, ServerLock& lock) : m_create(std::move(create)), m_lock(lock) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the program's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    std::function<CCmdTarget*()> m_create;
    ServerLock& m_lock;
};

// Offers a class object to clients while the object lives (nothing when `registerNow` is false).
class ScopedClassObject {
public:
    ScopedClassObject(const CLSID& classId, IClassFactory& factory, bool registerNow);
    ~ScopedClassObject();
    ScopedClassObject(const ScopedClassObject&) = delete;
    ScopedClassObject& operator=(const ScopedClassObject&) = delete;

private:
    DWORD m_cookie = 0;
};

}  // namespace shell
