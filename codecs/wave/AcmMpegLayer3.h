// The MPEG Layer-3 converter of our Audio Compression Manager stand-in, decoding through libmad.
#pragma once

namespace deraz {

// Installs the converter once, when libmad is loaded; later calls do nothing.
void InstallMpegLayer3AcmCodec();

} // namespace deraz
