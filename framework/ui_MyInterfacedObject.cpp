#include "ui_MyInterfacedObject.h"

bool Supports(IInterface* obj, const TGUID& iid)
{
    if (!obj) return false;
    void* raw = nullptr;
    if (obj->QueryInterface(iid, &raw) != S_OK || !raw) return false;
    static_cast<IInterface*>(raw)->Release();
    return true;
}

int32_t TMyInterfacedObject::QueryInterface(const TGUID& iid, void** obj)
{
    if (!ImplementsInterface(iid)) {
        if (obj) *obj = nullptr;
        return E_NOINTERFACE;
    }
    IInterface* self = this;
    self->AddRef();
    if (obj) *obj = self;
    return S_OK;
}

int32_t TMyInterfacedObject::AddRef()
{
    return FRefCount.fetch_add(1) + 1;
}

bool TMyInterfacedObject::TryAddRef()
{
    int32_t n = FRefCount.load();
    while (n > 0)
        if (FRefCount.compare_exchange_weak(n, n + 1)) return true;
    return false;
}

int32_t TMyInterfacedObject::Release()
{
    const int32_t n = FRefCount.fetch_sub(1) - 1;
    // Once other references remain, another thread's final release may destroy the object
    // at any moment (a transport released by its reader thread), so it is not touched again.
    if (n != 0) return n;
    // A reference taken and dropped again by a handler while the object is being destroyed
    // brings the count to zero a second time: only the first to get here destroys it.
    if (FDestroying.exchange(true)) return 0;
    BeforeDestruction();
    delete this;
    return 0;
}
