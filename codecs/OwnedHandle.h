// Ownership of an object a codec library creates: the library's own delete function, fetched by
// its binding, is called once when the holder lets go, on every path.
#pragma once

#include <memory>

namespace deraz {

template <typename T, typename TResult = void> struct THandleDeleter {
    TResult (*Delete)(T*) = nullptr;
    void operator()(T* Handle) const {
        if (Handle && Delete) Delete(Handle);
    }
};

template <typename T, typename TResult = void>
using TOwnedHandle = std::unique_ptr<T, THandleDeleter<T, TResult>>;

// Takes Handle, made by the library whose Delete frees it; a null Handle gives an empty holder.
template <typename T, typename TResult> TOwnedHandle<T, TResult> OwnHandle(T* Handle, TResult (*Delete)(T*)) {
    return TOwnedHandle<T, TResult>(Handle, THandleDeleter<T, TResult>{Delete});
}

} // namespace deraz
