// A visitor made of lambdas, one per alternative of a variant.
#pragma once

template <class... F>
struct TOverload : F... {
    using F::operator()...;
};
template <class... F>
TOverload(F...) -> TOverload<F...>;
