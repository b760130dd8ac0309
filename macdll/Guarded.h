// The exported functions never let an exception escape into C callers.
#pragma once

#include "macdll/MACDll.h"

#include <new>

namespace deraz::ape {

// Runs Work, which returns an error code, turning an exception into an error code.
template <class Function> int Guarded(Function&& Work) {
    try {
        return Work();
    } catch (const std::bad_alloc&) {
        return ERROR_INSUFFICIENT_MEMORY;
    } catch (...) {
        return ERROR_UNDEFINED;
    }
}

} // namespace deraz::ape
