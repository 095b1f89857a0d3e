// The sealed C edge: nothing thrown inside the driver may cross an exported
// function into a C caller. Every exported function runs its body through
// one of these, which turn any exception into the function's failure value.
#pragma once

#include <utility>

namespace kelvo::drv {

template <typename Result, typename Body>
Result sealed(Result failure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return failure;
    }
}

template <typename Body>
void sealed(Body&& body) noexcept
{
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

}
