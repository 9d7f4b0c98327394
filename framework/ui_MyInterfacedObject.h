// Reference-counted interface objects.
//
// Every interface derives *virtually* from IInterface and carries its GUID as the
// static member IID, so one object has exactly one count however many interfaces it
// implements. Clients hold objects through IntfPtr<T>, an intrusive counted pointer:
// the count lives in the object because the tree code depends on the exact count,
// on the Destroying guard and on cycles that are broken explicitly.
//
// Objects are created with MakeObj<T>(...): the count is 1 while the constructor runs,
// so a constructor may hand out references to the object under construction (and
// drop them again) without destroying it.
#pragma once

#include "uGuid.h"

#include <atomic>
#include <cstdint>
#include <utility>

constexpr int32_t S_OK = 0;
constexpr int32_t E_NOINTERFACE = int32_t(0x80004002u);

class IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{00000000-0000-0000-C000-000000000046}");

    // On success stores an AddRef'ed IInterface* in *obj and returns S_OK, else E_NOINTERFACE.
    virtual int32_t QueryInterface(const TGUID& iid, void** obj) = 0;
    virtual int32_t AddRef() = 0;
    virtual int32_t Release() = 0;

protected:
    virtual ~IInterface() = default;
};

// Intrusive counted pointer to an interface or object.
template <class T>
class IntfPtr {
public:
    IntfPtr() noexcept = default;
    IntfPtr(std::nullptr_t) noexcept {}
    IntfPtr(T* p) noexcept : FPtr(p) { Acquire(); }
    IntfPtr(const IntfPtr& o) noexcept : FPtr(o.FPtr) { Acquire(); }
    IntfPtr(IntfPtr&& o) noexcept : FPtr(std::exchange(o.FPtr, nullptr)) {}
    template <class U>
        requires std::is_convertible_v<U*, T*>
    IntfPtr(const IntfPtr<U>& o) noexcept : FPtr(o.get())
    {
        Acquire();
    }
    ~IntfPtr() { Drop(); }

    IntfPtr& operator=(const IntfPtr& o) noexcept
    {
        IntfPtr(o).swap(*this);
        return *this;
    }
    IntfPtr& operator=(IntfPtr&& o) noexcept
    {
        IntfPtr(std::move(o)).swap(*this);
        return *this;
    }
    IntfPtr& operator=(std::nullptr_t) noexcept
    {
        IntfPtr().swap(*this);
        return *this;
    }

    // Takes over a pointer whose reference was already counted (as QueryInterface returns it).
    static IntfPtr Adopt(T* p) noexcept
    {
        IntfPtr r;
        r.FPtr = p;
        return r;
    }

    T* get() const noexcept { return FPtr; }
    T* operator->() const noexcept { return FPtr; }
    T& operator*() const noexcept { return *FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }
    void swap(IntfPtr& o) noexcept { std::swap(FPtr, o.FPtr); }

    friend bool operator==(const IntfPtr& a, const IntfPtr& b) noexcept { return a.FPtr == b.FPtr; }
    friend bool operator==(const IntfPtr& a, std::nullptr_t) noexcept { return a.FPtr == nullptr; }

private:
    void Acquire() noexcept
    {
        if (FPtr) FPtr->AddRef();
    }
    void Drop() noexcept
    {
        if (T* p = std::exchange(FPtr, nullptr)) p->Release();
    }

    T* FPtr = nullptr;
};

// Query-and-cast: true and `out` set when `obj` implements interface T.
template <class T>
bool Supports(IInterface* obj, IntfPtr<T>& out)
{
    out = nullptr;
    if (!obj) return false;
    void* raw = nullptr;
    if (obj->QueryInterface(T::IID, &raw) != S_OK || !raw) return false;
    IInterface* base = static_cast<IInterface*>(raw);
    T* typed = dynamic_cast<T*>(base);
    if (!typed) {
        base->Release();
        return false;
    }
    out = IntfPtr<T>::Adopt(typed);
    return true;
}

template <class T, class U>
bool Supports(const IntfPtr<U>& obj, IntfPtr<T>& out)
{
    return Supports<T>(static_cast<IInterface*>(obj.get()), out);
}

// True when `obj` implements the interface with this GUID.
bool Supports(IInterface* obj, const TGUID& iid);

// The reference-counting base of every interface object.
class TMyInterfacedObject : public virtual IInterface {
public:
    TMyInterfacedObject() = default;
    TMyInterfacedObject(const TMyInterfacedObject&) = delete;
    TMyInterfacedObject& operator=(const TMyInterfacedObject&) = delete;

    int32_t QueryInterface(const TGUID& iid, void** obj) override;
    int32_t AddRef() override;
    int32_t Release() override;
    // Adds a reference unless the last one is already gone (the object is being freed).
    bool TryAddRef();

    int32_t RefCount() const noexcept { return FRefCount.load(); }
    bool Destroying() const noexcept { return FDestroying.load(); }

    // Ends construction: runs Constructed, then gives back the count taken by the
    // constructor without destroying.
    void AfterConstruction()
    {
        Constructed();
        FRefCount.fetch_sub(1);
    }

protected:
    ~TMyInterfacedObject() override = default;

    // Lists the interfaces this class implements; subclasses add theirs and call the base.
    virtual bool ImplementsInterface(const TGUID& iid) const { return iid == IInterface::IID; }

    // Runs once, when the most derived constructor has finished (C++ calls no override
    // from a base constructor): the object is whole from here on.
    virtual void Constructed() {}

    // Runs once, with the object still whole, just before it is deleted.
    virtual void BeforeDestruction() {}

private:
    std::atomic<int32_t> FRefCount{1};
    std::atomic<bool> FDestroying{false};
};

// Creates an interface object and hands it out counted once.
template <class T, class... Args>
IntfPtr<T> MakeObj(Args&&... args)
{
    T* obj = new T(std::forward<Args>(args)...);
    IntfPtr<T> result(obj);
    obj->AfterConstruction();
    return result;
}
