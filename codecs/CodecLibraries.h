// The codec library bindings as a whole: loading them at start and refusing components whose
// library is missing.
#pragma once

#include "pipeline/ACS_Classes.h"
#include "platform/CodecLibrary.h"

// Helpers for a binding's Api struct, driven by one list of entry point names:
//   #define MY_FUNCTIONS(X) X(first_function) X(second_function)
//   struct TMyApi {
//       MY_FUNCTIONS(DERAZ_API_POINTER)
//       bool Bind(const TLibraryHandle& Library) { return MY_FUNCTIONS(DERAZ_API_FETCH) true; }
//   };
// Each member is named after the function and typed from the library's own declaration.
#define DERAZ_API_POINTER(Name) decltype(&::Name) Name = nullptr;
#define DERAZ_API_FETCH(Name) Library.Fetch(Name, #Name)&&

namespace deraz {

// Loads every codec library in the start-up order (ogg, vorbis, vorbisfile, vorbisenc, FLAC,
// MAD, MAC) and remembers which loaded; the components ask their bindings later.
void LoadCodecLibraries();

// Raises the library's "<file> library could not be loaded." when it did not load.
template <class Api> void RequireLibrary(const TCodecBinding<Api>& Binding) {
    if (!Binding.Loaded()) throw EACSException(Binding.NotLoadedMessage());
}

} // namespace deraz
