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

// Keeps the program running while clients hold objects or have locked the server; the
// handler runs when the last lock goes.
void LockServer();
void UnlockServer();
bool ServerLocked();

// Sets the handler for the last unlock while the object lives.
class ScopedLastUnlockHandler {
public:
    explicit ScopedLastUnlockHandler(std::function<void()> handler);
    ~ScopedLastUnlockHandler();
    ScopedLastUnlockHandler(const ScopedLastUnlockHandler&) = delete;
    ScopedLastUnlockHandler& operator=(const ScopedLastUnlockHandler&) = delete;
};

// The class factory of one automation class; `create` makes a new object with one reference.
class CClassFactory final : public IClassFactory {
public:
    explicit CClassFactory(std::function<CCmdTarget*()> create) : m_create(std::move(create)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the program's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    std::function<CCmdTarget*()> m_create;
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
