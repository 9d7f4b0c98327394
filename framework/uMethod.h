// Comparable method pointers: code plus the object it is bound to.
//
// A handler is stored as (object, stub), where the stub is one function generated per
// member function. Two handlers are equal exactly when both the object and the member
// function are equal, which is what handler lists need to find duplicates and to
// remove a registration again; std::function cannot be compared.
//
//     auto h = TMethod<void(int)>::Bind<&TFoo::OnValue>(foo);
//     h(42);
#pragma once

#include <type_traits>
#include <utility>

template <class Signature>
class TMethod;

namespace method_detail {
template <class M>
struct MemberClass;
template <class C, class R, class... A>
struct MemberClass<R (C::*)(A...)> {
    using Type = C;
};
template <class C, class R, class... A>
struct MemberClass<R (C::*)(A...) const> {
    using Type = const C;
};
} // namespace method_detail

template <class R, class... Args>
class TMethod<R(Args...)> {
public:
    using Stub = R (*)(void*, Args...);

    TMethod() noexcept = default;

    // The object is converted to the member's own class first, so binding through a
    // pointer to a derived class gives the same handler as binding through the base.
    template <auto Member, class C>
    static TMethod Bind(C* object) noexcept
    {
        using Owner = typename method_detail::MemberClass<decltype(Member)>::Type;
        Owner* owner = object;
        return TMethod(const_cast<void*>(static_cast<const void*>(owner)), &MemberStub<Member, Owner>);
    }

    // A free function (no object); equal to another binding of the same function.
    template <R (*Fn)(Args...)>
    static TMethod Function() noexcept
    {
        return TMethod(nullptr, &FunctionStub<Fn>);
    }

    R operator()(Args... args) const { return FStub(FObject, std::forward<Args>(args)...); }

    explicit operator bool() const noexcept { return FStub != nullptr; }
    void* Object() const noexcept { return FObject; }
    Stub Code() const noexcept { return FStub; }

    // Rebuilds a method from the two parts that Object() and Code() returned, for
    // containers that keep handlers of several signatures in one type-erased table.
    static TMethod FromParts(void* object, Stub code) noexcept { return TMethod(object, code); }

    friend bool operator==(const TMethod& a, const TMethod& b) noexcept
    {
        return a.FObject == b.FObject && a.FStub == b.FStub;
    }

private:
    TMethod(void* object, Stub stub) noexcept : FObject(object), FStub(stub) {}

    template <auto Member, class C>
    static R MemberStub(void* object, Args... args)
    {
        return (static_cast<C*>(object)->*Member)(std::forward<Args>(args)...);
    }

    template <R (*Fn)(Args...)>
    static R FunctionStub(void*, Args... args)
    {
        return Fn(std::forward<Args>(args)...);
    }

    void* FObject = nullptr;
    Stub FStub = nullptr;
};
